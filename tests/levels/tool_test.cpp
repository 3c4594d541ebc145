#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "levels/cp1251.h"
#include "levels/level_files.h"
#include "levels/level_text.h"
#include "tests/levels/level_fixtures.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::readBytes;
using testing::sampleLevel;
using testing::TempFolder;

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

ToolRun tool(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.status = runLevelsTool(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

void writeText(const std::string& path, const std::string& text) {
    testing::writeBytes(path, Bytes(text.begin(), text.end()));
}

std::string readText(const std::string& path) {
    const Bytes b = readBytes(path);
    return {b.begin(), b.end()};
}

// One line on standard error, starting with the program's name.
void expectOneErrorLine(const ToolRun& run, const std::string& start) {
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("prismcrate-levels: " + start, 0), 0u) << run.err;
    EXPECT_TRUE(run.out.empty());
}

std::vector<std::string> standardSources() {
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(PRISMCRATE_SOURCE_DIR) + "/assets/levels"))
        if (entry.path().extension() == ".txt") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(LevelTool, PackedLevelIsWhatTheProgramSaves) {
    TempFolder folder;
    LevelRecord level = sampleLevel(utf8ToCp1251("Ящик").bytes);
    writeText(folder.file("one.txt"), levelToText(level));
    const ToolRun run = tool({"pack", "-o", folder.file("one.lev"), folder.file("one.txt")});
    ASSERT_EQ(run.status, 0) << run.err;
    saveLevelFile(folder.file("saved.lev"), level);
    EXPECT_EQ(readBytes(folder.file("one.lev")), readBytes(folder.file("saved.lev")));

    const ToolRun unpacked = tool({"unpack", folder.file("one.lev")});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, levelToText(level));
    EXPECT_EQ(unpacked.out.rfind("Title: Ящик\n", 0), 0u);
}

TEST(LevelTool, StandardSetRoundTripsByteForByte) {
    const std::string built = std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp";
    const auto sources = standardSources();
    ASSERT_GE(sources.size(), 3u);

    TempFolder folder;
    std::vector<std::string> args = {"pack", "-o", folder.file("set.lvp")};
    args.insert(args.end(), sources.begin(), sources.end());
    ASSERT_EQ(tool(args).status, 0);
    const Bytes packed = readBytes(folder.file("set.lvp"));
    EXPECT_EQ(packed, readBytes(built)) << "the build packs the standard set the same way";

    const ToolRun unpacked = tool({"unpack", folder.file("set.lvp")});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    writeText(folder.file("set.txt"), unpacked.out);
    ASSERT_EQ(tool({"pack", "-o", folder.file("again.lvp"), folder.file("set.txt")}).status, 0);
    EXPECT_EQ(readBytes(folder.file("again.lvp")), packed);

    // The same levels packed one by one and built into a set by the builder's code.
    std::vector<std::string> files;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        files.push_back(folder.file(std::to_string(i) + ".lev"));
        ASSERT_EQ(tool({"pack", "-o", files.back(), sources[i]}).status, 0);
    }
    buildLevelSetFile(folder.file("built.lvp"), files);
    EXPECT_EQ(readBytes(folder.file("built.lvp")), packed);
}

TEST(LevelTool, StandardLevelsEachHaveACrateOffTarget) {
    const Bytes set = readBytes(std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp");
    const auto entries = walkLevelSet(set);
    ASSERT_GE(entries.size(), 3u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        LevelRecord level;
        ASSERT_EQ(readSetLevel(set, static_cast<long long>(i), level), SetLevelStatus::Loaded);
        Board board;
        putRecordOnBoard(level, board);
        EXPECT_FALSE(board.solved()) << "level " << i + 1 << " would be solved on arrival";
    }
}

TEST(LevelTool, ListShowsNumberTabTitle) {
    TempFolder folder;
    writeText(folder.file("a.txt"), levelToText(sampleLevel("alpha")) +
                                        levelToText(sampleLevel("")) +
                                        levelToText(sampleLevel(utf8ToCp1251("я").bytes)));
    ASSERT_EQ(tool({"pack", "-o", folder.file("s.lvp"), folder.file("a.txt")}).status, 0);
    const ToolRun run = tool({"list", folder.file("s.lvp")});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1\talpha\n2\t#2\n3\tя\n");

    testing::writeBytes(folder.file("empty.lvp"), {});
    const ToolRun empty = tool({"list", folder.file("empty.lvp")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
}

TEST(LevelTool, BadInputIsOneLineAndStatusOne) {
    TempFolder folder;
    const std::string out = folder.file("out.lvp");
    testing::writeBytes(out, {1, 2, 3});

    ToolRun run = tool({"pack", "-o", out, folder.file("missing.txt")});
    EXPECT_EQ(run.status, 1);
    expectOneErrorLine(run, folder.file("missing.txt") + ": cannot read the file (No such file");

    std::string bad = levelToText(sampleLevel("x"));
    bad[bad.find("Objects:\n") + 9 + 21 + 3] = 'Z';
    writeText(folder.file("bad.txt"), bad);
    run = tool({"pack", "-o", out, folder.file("bad.txt")});
    EXPECT_EQ(run.status, 1);
    expectOneErrorLine(run,
                       folder.file("bad.txt") + ":4: unknown object character 'Z' in column 4");
    EXPECT_EQ(readBytes(out), (Bytes{1, 2, 3})) << "nothing is written on an error";

    writeText(folder.file("two.txt"),
              levelToText(sampleLevel("a")) + levelToText(sampleLevel("b")));
    run = tool({"pack", "-o", folder.file("two.lev"), folder.file("two.txt")});
    EXPECT_EQ(run.status, 1);
    expectOneErrorLine(run, folder.file("two.txt") + ":44: a level file holds one level");
    EXPECT_FALSE(std::filesystem::exists(folder.file("two.lev")));

    run = tool({"pack", "-o", folder.file("no/folder.lvp"), folder.file("two.txt")});
    EXPECT_EQ(run.status, 1);
    expectOneErrorLine(run, folder.file("no/folder.lvp") + ": cannot create the file");

    const Bytes good = encodeLevelRecord(sampleLevel("g"));
    const std::vector<std::pair<Bytes, std::string>> damaged = {
        {{'n', 'o', 'p', 'e', 0}, "not a level record (wrong magic)"},
        {{0x4B, 0xB1}, "too short for a level record"},
        {Bytes(good.begin(), good.end() - 1), "the level record is cut short"},
        {[&] {
             Bytes b = good;
             b.back() = 99;
             return b;
         }(),
         "the robot's cell lies outside the field"},
    };
    for (const auto& [bytes, message] : damaged) {
        testing::writeBytes(folder.file("d.lev"), bytes);
        run = tool({"unpack", folder.file("d.lev")});
        EXPECT_EQ(run.status, 1);
        expectOneErrorLine(run, folder.file("d.lev") + ": " + message);

        Bytes set;
        appendSetEntry(set, good);
        appendSetEntry(set, bytes);
        testing::writeBytes(folder.file("d.lvp"), set);
        run = tool({"unpack", folder.file("d.lvp")});
        if (message.find("magic") != std::string::npos ||
            message.find("too short") != std::string::npos) {
            EXPECT_EQ(run.status, 0) << "bytes without a magic are no level of a set";
        } else {
            // A record cut short inside a set reads on into its separator.
            EXPECT_EQ(run.status, 1);
            expectOneErrorLine(
                run, folder.file("d.lvp") + ": level 2: the robot's cell lies outside the field");
        }
    }
}

TEST(LevelTool, UsageErrorsAreStatusTwo) {
    EXPECT_EQ(tool({}).status, 2);
    EXPECT_EQ(tool({"frobnicate"}).status, 2);
    EXPECT_EQ(tool({"pack", "a.txt"}).status, 2);
    EXPECT_EQ(tool({"pack", "-o"}).status, 2);
    EXPECT_EQ(tool({"pack", "-o", "x.lev"}).status, 2);
    EXPECT_EQ(tool({"pack", "-o", "x.bin", "a.txt"}).status, 2);
    EXPECT_EQ(tool({"pack", "-q", "-o", "x.lev", "a.txt"}).status, 2);
    EXPECT_EQ(tool({"unpack"}).status, 2);
    EXPECT_EQ(tool({"list", "a", "b"}).status, 2);
    const ToolRun help = tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("pack -o OUT.lvp"), std::string::npos);
}

TEST(LevelTool, TheProgramExitsWithTheStatus) {
    TempFolder folder;
    const std::string command = std::string(PRISMCRATE_LEVELS_TOOL) + " list " +
                                folder.file("none.lvp") + " 2>" + folder.file("err.txt");
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(readText(folder.file("err.txt")),
              "prismcrate-levels: " + folder.file("none.lvp") +
                  ": cannot read the file (No such file or directory)\n");

    const std::string list = std::string(PRISMCRATE_LEVELS_TOOL) + " list " + PRISMCRATE_RUN_DIR +
                             "/levels/standart.lvp >" + folder.file("out.txt");
    ASSERT_EQ(std::system(list.c_str()), 0);
    EXPECT_EQ(readText(folder.file("out.txt")).rfind("1\t", 0), 0u);
}

}  // namespace
}  // namespace prismcrate
