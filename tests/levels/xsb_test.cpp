// The XSB reader and writer, and the level tool's import and export. The collections come
// from assets/sokoban: "Microban" by David W. Skinner (revised April 2000), freely
// distributed provided it remains properly credited; and the first file of the Boxoban
// "hard" levels (Apache License 2.0).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "levels/cp1251.h"
#include "levels/level_text.h"
#include "levels/xsb.h"
#include "tests/campaign/sketch.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

using testing::readBytes;
using testing::sketchLevel;
using testing::TempFolder;

std::string collection(const std::string& name) {
    return std::string(PRISMCRATE_SOURCE_DIR) + "/assets/sokoban/" + name;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolRun {
    int status = 0;
    std::string out, err;
};

ToolRun tool(std::vector<std::string> args) {
    std::ostringstream out, err;
    ToolRun run;
    run.status = runLevelsTool(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// `rows` placed with their top-left corner at (x0, y0), as the sketches draw them.
LevelRecord placedAt(int x0, int y0, const std::vector<std::string>& rows, std::string title) {
    std::vector<std::string> shifted(static_cast<std::size_t>(y0));
    for (const std::string& row : rows)
        shifted.push_back(std::string(static_cast<std::size_t>(x0), ' ') + row);
    return sketchLevel(shifted, std::move(title));
}

// The levels of a collection as this writer must give them back, read with nothing but
// the file's own layout: a comment line "; N" before each level, rows with trailing
// spaces dropped, blank lines between; levels that do not fit are left out.
std::string expectedXsb(const std::string& text, const std::set<int>& skipped) {
    std::istringstream in(text);
    std::string line, title, out;
    std::vector<std::string> rows;
    int number = 0;
    auto flush = [&] {
        if (rows.empty()) return;
        if (!skipped.count(++number)) {
            if (!out.empty()) out += '\n';
            out += "; " + title + "\n";
            for (const std::string& row : rows) out += row + "\n";
        }
        rows.clear();
    };
    while (std::getline(in, line)) {
        line.erase(line.find_last_not_of(" \r") + 1);
        if (line.find('#') != std::string::npos && line[0] != ';') {
            rows.push_back(line);
            continue;
        }
        flush();
        if (line.rfind("; ", 0) == 0) title = line.substr(2);
    }
    flush();
    return out;
}

TEST(Xsb, MicrobanFitsButThreeLevels) {
    const std::vector<XsbLevel> levels = readXsb(readText(collection("microban.xsb")));
    ASSERT_EQ(levels.size(), 155u);
    std::vector<int> skipped;
    for (const XsbLevel& level : levels) {
        EXPECT_EQ(level.title, std::to_string(level.number));
        if (level.record) continue;
        skipped.push_back(level.number);
        EXPECT_NE(level.problem.find("larger than the 20 by 20 field"), std::string::npos)
            << level.problem;
    }
    EXPECT_EQ(skipped, (std::vector<int>{99, 154, 155}));
    EXPECT_EQ(levels[98].problem, "is 22 by 10, larger than the 20 by 20 field");

    // Level 1, and level 3 whose rows start at different columns: centred, the rest of
    // the field plain floor.
    EXPECT_EQ(*levels[0].record, placedAt(7, 6,
                                          {"####",    //
                                           "# .#",    //
                                           "#  ###",  //
                                           "#*@  #",  //
                                           "#  $ #",  //
                                           "#  ###",  //
                                           "####"},
                                          "1"));
    EXPECT_EQ(*levels[2].record, placedAt(5, 7,
                                          {"  ####",     //
                                           "###  ####",  //
                                           "#     $ #",  //
                                           "# #  #$ #",  //
                                           "# . .#@ #",  //
                                           "#########"},
                                          "3"));
}

TEST(Xsb, RunLengthRowsAndFloorMarks) {
    const std::string plain = "; a\n#######\n#  .  #\n# $@$ #\n#. $ .#\n#######\n";
    const char* coded[] = {
        "; a\n7#|#2-.2-#|#-$@$-#|#.-$-.#|7#\n",
        "; a\n7#\n#__.__#\n# $@$ #\n#._$_.#\n7#\n",
        "; a\n7#|\n#2 .2 #|# $@$ #\n#.1 $1 .#|1#6#\n",
    };
    const std::vector<XsbLevel> expected = readXsb(plain);
    ASSERT_EQ(expected.size(), 1u);
    ASSERT_TRUE(expected[0].record) << expected[0].problem;
    for (const char* text : coded) {
        const std::vector<XsbLevel> levels = readXsb(text);
        ASSERT_EQ(levels.size(), 1u) << text;
        ASSERT_TRUE(levels[0].record) << levels[0].problem;
        EXPECT_EQ(*levels[0].record, *expected[0].record) << text;
        EXPECT_EQ(levels[0].rows, expected[0].rows) << text;
    }
}

TEST(Xsb, LevelsThatCannotBePlaced) {
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"#####\n#@$.#\n#####\n", ""},
        {"#####\n# $.#\n#####\n", "has no robot"},
        {"#####\n#@$+#\n#####\n", "has 2 robots"},
        {"#####\n#@$. \n#####\n", "is not closed by walls: the robot could walk out of it"},
        {"#####################\n#@$.               #\n#####################\n",
         "is 21 by 3, larger than the 20 by 20 field"},
        {"99999#\n#@$.#\n#####\n", "is 99999 by 3, larger than the 20 by 20 field"},
    };
    for (const Case& c : cases) {
        const std::vector<XsbLevel> levels = readXsb(c.text);
        ASSERT_EQ(levels.size(), 1u) << c.text;
        EXPECT_EQ(levels[0].problem, c.problem) << c.text;
        EXPECT_EQ(levels[0].record.has_value(), c.problem[0] == '\0') << c.text;
    }
}

TEST(Xsb, Titles) {
    const std::string text =
        "; collection header\n"
        "; Первый\n"
        "#####\n#@$.#\n#####\n"
        "\n"
        "#####\n#@$.#\n#####\n"
        "Title: Second one\n"
        "Author: someone\n"
        "\n"
        "; 0123456789012345678901234567890123456789\n"
        "#####\n#@$.#\n#####\n"
        "\n"
        "; 東京 level\n"
        "#####\n#@$.#\n#####\n";
    const std::vector<XsbLevel> levels = readXsb(text);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(cp1251ToUtf8(levels[0].record->title), "Первый");
    EXPECT_TRUE(levels[0].notes.empty());
    EXPECT_EQ(levels[1].record->title, "Second one");
    EXPECT_EQ(levels[2].record->title, "012345678901234567890123456789");
    EXPECT_EQ(levels[2].notes, (std::vector<std::string>{"the title was cut to 30 characters"}));
    EXPECT_EQ(levels[3].record->title, "?? level");
    EXPECT_EQ(levels[3].notes.size(), 1u);
}

TEST(Xsb, WritingRefusesWhatXsbCannotHold) {
    LevelRecord rock = sketchLevel({"#####", "#@$.#", "# r #", "#####"});
    LevelRecord plate = sketchLevel({"#####", "#@$.#", "# _ #", "#####"});
    EXPECT_EQ(xsbRows(sketchLevel({"#####", "#@$.#", "#####"})),
              (std::vector<std::string>{"#####", "#@$.#", "#####"}));
    for (const auto& [level, message] :
         {std::pair{rock, "cell (2, 2) holds a rock, which XSB cannot write"},
          std::pair{plate, "cell (2, 2) holds a plate, which XSB cannot write"}}) {
        try {
            writeXsb({sketchLevel({"#####", "#@$.#", "#####"}), level});
            ADD_FAILURE() << "written";
        } catch (const XsbError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("level 2: ") + message);
        }
    }
}

// Both collections through the tool: XSB -> set -> XSB gives every level back unchanged.
// Microban's import is the set the build ships.
TEST(Xsb, CollectionsRoundTripThroughTheTool) {
    struct Collection {
        const char* file;
        std::set<int> skipped;
        std::size_t levels;
        const char* shipped;  // the set the build makes of it, if any
    };
    const Collection collections[] = {
        {"microban.xsb", {99, 154, 155}, 152, "/levels/microban.lvp"},
        {"boxoban-hard-000.txt", {}, 1000, nullptr},
    };
    TempFolder folder;
    for (const Collection& c : collections) {
        SCOPED_TRACE(c.file);
        const ToolRun imported = tool({"import", collection(c.file), "-o", folder.file("set.lvp")});
        ASSERT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(imported.out, folder.file("set.lvp") + ": " + std::to_string(c.levels) +
                                    " levels" + (c.skipped.empty() ? "" : ", 3 skipped") + "\n");
        // One warning line per skipped level, naming it.
        std::string warnings;
        for (const int number : c.skipped)
            warnings += "level " + std::to_string(number) + " skipped";
        std::string seen;
        std::istringstream lines(imported.err);
        for (std::string line; std::getline(lines, line);)
            seen +=
                line.substr(line.find("level "), line.find(" skipped") + 8 - line.find("level "));
        EXPECT_EQ(seen, warnings) << imported.err;
        if (c.shipped) {
            EXPECT_EQ(readBytes(folder.file("set.lvp")),
                      readBytes(std::string(PRISMCRATE_RUN_DIR) + c.shipped));
        }

        const ToolRun exported =
            tool({"export", folder.file("set.lvp"), "-o", folder.file("out.xsb")});
        ASSERT_EQ(exported.status, 0) << exported.err;
        EXPECT_EQ(readText(folder.file("out.xsb")),
                  expectedXsb(readText(collection(c.file)), c.skipped));
    }
}

TEST(Xsb, ToolFailuresWriteNothing) {
    TempFolder folder;
    const std::string rocky = folder.file("rocky.txt");
    std::ofstream(rocky) << levelToText(sketchLevel({"#####", "#@$.#", "# r #", "#####"}, "rocky"));
    const ToolRun refused = tool({"export", rocky, "-o", folder.file("out.xsb")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "prismcrate-levels: " + rocky +
                               ": level 1: cell (2, 2) holds a rock, which XSB cannot write\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.xsb")));

    std::ofstream(folder.file("wide.xsb"))
        << "; big\n#####################\n#@$.               #\n#####################\n";
    const ToolRun none = tool({"import", folder.file("wide.xsb"), "-o", folder.file("set.lvp")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("none of its 1 levels fits the field"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("set.lvp")));

    EXPECT_EQ(tool({"import", folder.file("wide.xsb")}).status, 2);
    EXPECT_EQ(tool({"export", rocky, "-o", folder.file("x.xsb"), "extra"}).status, 2);
}

}  // namespace
}  // namespace prismcrate
