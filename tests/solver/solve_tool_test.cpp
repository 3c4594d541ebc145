// The level tool's solve command: what it prints, its exit statuses, and how it refuses
// bad requests.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "levels/level_files.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "tests/campaign/sketch.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;
using testing::TempFolder;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome solve(std::vector<std::string> args) {
    args.insert(args.begin(), "solve");
    std::ostringstream out;
    std::ostringstream err;
    const int status = runLevelsTool(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(SolveTool, ReportsEachOutcomeWithItsExitStatus) {
    TempFolder folder;
    const LevelRecord corridor = sketchLevel({"######", "#@$ .#", "######"}, "corridor");
    const LevelRecord cornered = sketchLevel({"%%%%%", "%$ .%", "% @ %", "%%%%%"}, "corner");
    const LevelRecord roomy = sketchLevel({
        "%%%%%%%%%%%%",
        "%          %",
        "%  $  $  . %",
        "%   @    . %",
        "%  $  $  . %",
        "%        . %",
        "%%%%%%%%%%%%",
    });
    // A level file, a set of three, and the same three as text.
    const std::string lev = folder.file("corridor.lev");
    replaceFile(lev, encodeLevelRecord(corridor));
    std::vector<std::uint8_t> set;
    for (const LevelRecord* level : {&corridor, &cornered, &roomy})
        appendSetEntry(set, encodeLevelRecord(*level));
    const std::string lvp = folder.file("three.lvp");
    replaceFile(lvp, set);
    const std::string txt = folder.file("three.txt");
    const std::string xsb = folder.file("one.xsb");
    std::ofstream(xsb) << "#####\n#@$.#\n#####\n";
    {
        std::ofstream text(txt, std::ios::binary);
        text << levelToText(corridor) << levelToText(cornered) << levelToText(roomy);
    }

    const std::string solved =
        "status: solved\nsolution: RR\nmoves: 2\npushes: 2\nmetric: moves\nstates: ";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string outStart;  // what standard output starts with
    };
    const Case cases[] = {
        {{lev, "--metric", "moves"}, 0, solved},
        {{lvp, "--level", "1", "--metric", "moves"}, 0, solved},
        {{txt, "--metric", "moves"}, 0, solved},
        {{txt, "--level", "2"}, 3, "status: unsolvable\nstates: "},
        {{xsb}, 0, "status: solved\nsolution: R\nmoves: 1\npushes: 1\nmetric: pushes\n"},
        {{lvp, "--level", "3", "--time", "0.000001", "--metric", "moves"},
         4,
         "status: unknown (stopped by the time limit)\nstates: "},
        {{lvp, "--level", "3", "--memory", "1", "--metric", "moves"},
         4,
         "status: unknown (stopped by the memory limit)\nstates: "},
        {{lvp, "--json", "--metric", "moves"},
         0,
         "{\"status\":\"solved\",\"stopped_by\":null,\"level\":1,\"metric\":\"moves\","
         "\"solution\":\"RR\",\"moves\":2,\"pushes\":2,\"states\":"},
        {{txt, "--level", "2", "--json", "--metric", "moves"},
         3,
         "{\"status\":\"unsolvable\",\"stopped_by\":null,\"level\":2,\"metric\":\"moves\","
         "\"solution\":null,\"moves\":null,\"pushes\":null,\"states\":"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const Outcome run = solve(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart) << run.out;
        EXPECT_TRUE(run.err.empty()) << run.err;
        EXPECT_EQ(run.out.back(), '\n');
    }
    // "-" reads a set from standard input.
    std::istringstream in(std::string(set.begin(), set.end()));
    std::ostringstream out, err;
    const std::vector<std::string> args = {"solve", "-", "--level", "2"};
    EXPECT_EQ(runLevelsTool(args, in, out, err), 3) << err.str();
    EXPECT_TRUE(out.str().starts_with("status: unsolvable\n")) << out.str();

    const std::string json = solve({lev, "--json"}).out;
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1) << "one JSON object, one line";
    EXPECT_TRUE(json.ends_with("}\n"));
}

TEST(SolveTool, RefusesBadRequests) {
    TempFolder folder;
    const std::string lev = folder.file("rock.lev");
    replaceFile(lev, encodeLevelRecord(sketchLevel({"%%%%%%", "%@$ .%", "% r  %", "%%%%%%"})));
    const std::string bad = folder.file("bad.txt");
    std::ofstream(bad) << "Title: x\nObjects:\n";
    const std::string xsb = folder.file("one.xsb");
    std::ofstream(xsb) << "#####\n#@$.#\n#####\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errStart;
    };
    const Case cases[] = {
        {{}, 2, "prismcrate-levels: solve: give a level file"},
        {{lev, lev}, 2, "prismcrate-levels: solve: too many arguments"},
        {{lev, "--fast"}, 2, "prismcrate-levels: solve: unknown option --fast"},
        {{lev, "--time"}, 2, "prismcrate-levels: solve: --time needs a value"},
        {{lev, "--time", "0"}, 2, "prismcrate-levels: solve: --time 0: give a number"},
        {{lev, "--time", "soon"}, 2, "prismcrate-levels: solve: --time soon: give a number"},
        {{lev, "--memory", "0"}, 2, "prismcrate-levels: solve: --memory 0: give"},
        {{lev, "--level", "x"}, 2, "prismcrate-levels: solve: --level x: not a whole number"},
        {{lev, "--level", "1", "--level", "1"}, 2, "prismcrate-levels: solve: --level given twice"},
        {{lev, "--metric", "time"}, 2, "prismcrate-levels: solve: --metric time: use moves or"},
        {{lev, "--metric", "pushes"}, 2, "prismcrate-levels: solve: --metric pushes: this level"},
        {{lev, "--level", "2"}, 1, "prismcrate-levels: " + lev + ": there is no level 2"},
        {{folder.file("none.lev")},
         1,
         "prismcrate-levels: " + folder.file("none.lev") + ": cannot read the file"},
        {{bad}, 1, "prismcrate-levels: " + bad + ":"},
        {{xsb, "--level", "2"}, 1, "prismcrate-levels: " + xsb + ": there is no level 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.back());
        const Outcome run = solve(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(run.err.substr(0, c.errStart.size()), c.errStart) << run.err;
    }
}

}  // namespace
}  // namespace prismcrate
