#include <gtest/gtest.h>
#include <sys/wait.h>

#include <climits>

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

ToolRun tool(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.status = runLevelsTool(args, in, out, err);
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

// The sample level with an emitter at the left end of row 5, firing right.
LevelRecord laserLevel() {
    LevelRecord level = sampleLevel("laser");
    level.objectLayer[cellIndex(1, 5)] = kEmitterRight;
    return level;
}

TEST(LevelTool, ExitStatuses) {
    TempFolder folder;
    const std::string lev = folder.file("one.lev");
    const std::string set = folder.file("set.lvp");
    saveLevelFile(lev, sampleLevel("one"));
    Bytes setBytes;
    appendSetEntry(setBytes, encodeLevelRecord(sampleLevel("one")));
    appendSetEntry(setBytes, encodeLevelRecord(laserLevel()));
    testing::writeBytes(set, setBytes);
    const std::string setText(setBytes.begin(), setBytes.end());
    const std::string text = levelToText(sampleLevel("one"));
    writeText(folder.file("one.txt"), text);

    struct Case {
        std::vector<std::string> args;
        std::string input;  // standard input
        int status;
        std::string outStart;  // what standard output starts with
        std::string errStart;  // what standard error starts with ("" for nothing)
    };
    const std::string last = "status: ";
    const std::vector<Case> cases = {
        {{"--version"}, "", 0, "prismcrate-levels 1.0\n", ""},
        // replay: 0 only when solved, 3 unsolved, 4 destroyed.
        {{"replay", lev, "rrrr"}, "", 0, "Title: one\n", ""},
        {{"replay", lev, "rrr"}, "", 3, "Title: one\n", ""},
        {{"replay", lev, ""}, "", 3, "Title: one\n", ""},
        {{"replay", set, "--level", "2", "dd"}, "", 4, "Title: laser\n", ""},
        {{"replay", set, "--level", "2", "rrrr"}, "", 0, "Title: laser\n", ""},
        // "-" reads standard input, as a set.
        {{"replay", "-", "--level", "2", "dd"}, setText, 4, "Title: laser\n", ""},
        {{"list", "-"}, setText, 0, "1\tone\n2\tlaser\n", ""},
        {{"unpack", "-"}, setText, 0, text, ""},
        {{"pack", "-o", folder.file("in.lev"), "-"}, text, 0, "", ""},
        {{"replay", "-", "--level", "3", "r"},
         setText,
         1,
         "",
         "prismcrate-levels: standard input: there is no level 3"},
        {{"pack", "-o", folder.file("x.lvp"), "-", "-"}, text, 2, "", "prismcrate-levels: pack:"},
        {{"pack", "-o", folder.file("x.lvp"), "-"},
         "Title: x\n",
         1,
         "",
         "prismcrate-levels: standard input:1: "},
        {{"list", folder.file("none.lvp")}, "", 1, "", "prismcrate-levels: " + folder.file("none")},
        {{"replay", lev, "rx"}, "", 1, "", "prismcrate-levels: moves:"},
        {{"replay", lev}, "", 2, "", "prismcrate-levels: replay:"},
        {{"nonsense"}, "", 2, "", "prismcrate-levels: unknown command nonsense"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += " " + a;
        const ToolRun run = tool(c.args, c.input);
        EXPECT_EQ(run.status, c.status) << line << "\n" << run.err;
        EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << line << "\n" << run.out;
        if (c.errStart.empty()) {
            EXPECT_EQ(run.err, "") << line;
        } else {
            EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << line << "\n" << run.err;
        }
        if (c.args[0] == "replay" && c.status != 1 && c.status != 2) {
            EXPECT_NE(run.out.find(last), std::string::npos) << line;
        }
    }
    EXPECT_EQ(readBytes(folder.file("in.lev")), readBytes(lev)) << "packed from standard input";
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.lvp")));
}

// A stream that takes `room` bytes and then fails, as a file on a full disk does.
class FullDisk : public std::streambuf {
  public:
    explicit FullDisk(std::size_t room) : room_(room) {}
    std::string taken;

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (taken.size() >= room_) return traits_type::eof();
        taken += traits_type::to_char_type(c);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const auto take = std::min<std::size_t>(static_cast<std::size_t>(n), room_ - taken.size());
        taken.append(s, take);
        return static_cast<std::streamsize>(take);
    }

  private:
    std::size_t room_;
};

TEST(LevelTool, OutputCutShortIsAnError) {
    const std::string set = std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp";
    const std::vector<std::vector<std::string>> commands = {
        {"list", set}, {"unpack", set}, {"replay", set, "--level", "3", ""}};
    for (const auto& args : commands) {
        for (const std::size_t room : {std::size_t{0}, std::size_t{30}, std::size_t{500}}) {
            FullDisk disk(room);
            std::ostream out(&disk);
            std::istringstream in;
            std::ostringstream err;
            EXPECT_EQ(runLevelsTool(args, in, out, err), 1) << args[0] << " with room " << room;
            EXPECT_EQ(err.str().rfind("prismcrate-levels: standard output: cannot write", 0), 0u)
                << err.str();
        }
    }

    // The program itself, writing to a device that is always full and to a file that may
    // not grow past 512 bytes (one block of the shell's ulimit).
    TempFolder folder;
    for (const std::string& args : {"list " + set, "unpack " + set, "replay " + set + " ''"}) {
        for (const std::string& sink : {std::string("exec >/dev/full"),
                                        "ulimit -f 1; trap '' XFSZ; exec >" + folder.file("o")}) {
            const std::string command = "sh -c \"" + sink + "; exec " + PRISMCRATE_LEVELS_TOOL +
                                        " " + args + "\" 2>" + folder.file("err");
            const int raw = std::system(command.c_str());
            ASSERT_TRUE(WIFEXITED(raw)) << command;
            EXPECT_EQ(WEXITSTATUS(raw), 1) << command;
            EXPECT_NE(readText(folder.file("err")).find("standard output: cannot write ("),
                      std::string::npos)
                << command;
        }
    }
}

TEST(LevelTool, TitlesAreShownEscapedAndPackBackToTheirBytes) {
    TempFolder folder;
    // Titles with line breaks, a tab, a terminal escape sequence, a backslash, the byte
    // 0x98 (a C1 control as text), and one of every byte.
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    const std::vector<std::string> titles = {
        "two\nlines\tand a tab",     "\x1B[31mred\x1B]0;title\x07", "back\\slash\\",  "\x98", "\r",
        std::string("nul\0byte", 8), every.substr(0, 128),          every.substr(128)};
    Bytes set;
    for (const std::string& t : titles) appendSetEntry(set, encodeLevelRecord(sampleLevel(t)));
    testing::writeBytes(folder.file("s.lvp"), set);

    const ToolRun listed = tool({"list", folder.file("s.lvp")});
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 8) << "one line a level";
    EXPECT_EQ(listed.out.find_first_of("\x1B\x07\r"), std::string::npos);
    EXPECT_EQ(listed.out.substr(0, listed.out.find("\n5")),
              "1\ttwo\\nlines\\tand a tab\n"
              "2\t\\x1B[31mred\\x1B]0;title\\x07\n"
              "3\tback\\\\slash\\\\\n"
              "4\t\\x98");

    // unpack, then pack: the same bytes again.
    const ToolRun unpacked = tool({"unpack", folder.file("s.lvp")});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    const ToolRun packed = tool({"pack", "-o", folder.file("again.lvp"), "-"}, unpacked.out);
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(readBytes(folder.file("again.lvp")), set);
    // The two titles of 128 bytes are longer than the editor takes: a warning each, which
    // names the level; the file is written all the same.
    EXPECT_EQ(std::count(packed.err.begin(), packed.err.end(), '\n'), 2) << packed.err;
    EXPECT_NE(packed.err.find("prismcrate-levels: warning: standard input:"), std::string::npos);
    EXPECT_NE(packed.err.find(": level 7 \""), std::string::npos) << packed.err;
    EXPECT_NE(packed.err.find("the title has 128 characters; the editor accepts at most 30"),
              std::string::npos)
        << packed.err;
}

TEST(LevelTool, SetsOfMoreThanAHundredThousandLevelsAreReadWhole) {
    TempFolder folder;
    // 100 001 of the smallest entries, then one whole level.
    constexpr std::size_t kSmall = 100001;
    Bytes set;
    set.reserve(kSmall * 6 + 100);
    for (std::size_t i = 0; i < kSmall; ++i)
        set.insert(set.end(), {0x4B, 0xB1, 0x01, 0x00, 0, 0xFF});
    appendSetEntry(set, encodeLevelRecord(sampleLevel("last")));
    testing::writeBytes(folder.file("big.lvp"), set);

    const ToolRun listed = tool({"list", folder.file("big.lvp")});
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 100002);
    EXPECT_TRUE(listed.out.ends_with("\n100002\tlast\n"));
    const ToolRun replayed = tool({"replay", folder.file("big.lvp"), "--level", "100002", "rrrr"});
    EXPECT_EQ(replayed.status, 0) << replayed.err;
    EXPECT_TRUE(replayed.out.starts_with("Title: last\n"));
}

}  // namespace
}  // namespace prismcrate
