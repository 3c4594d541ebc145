#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "levels/level_files.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "tests/campaign/sketch.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;
using testing::TempFolder;

// A crate two cells short of its target, robot behind it.
LevelRecord corridor() {
    return sketchLevel({
        "#######",
        "#@ $ .#",
        "#######",
    });
}

// An emitter firing along row 2 under the robot.
LevelRecord beamBelow() {
    return sketchLevel({
        "#######",
        "# @  .#",
        "#>    #",
        "#  $  #",
        "#######",
    });
}

// Pushing the mirror up turns the beam onto the bomb, whose blast takes the rock off the
// plate; the gate beside the robot was open only while the rock lay there.
LevelRecord blastOnPlate() {
    return sketchLevel({
        "#########",
        "#   R   #",
        "#   b   #",
        "#>      #",
        "#  g/   #",
        "#   @ $.#",
        "#########",
    });
}

TEST(Replay, SolvedStopsAtTheWinningMove) {
    const ReplayResult result = replayLevel(corridor(), "rrrll");
    EXPECT_EQ(result.outcome, ReplayOutcome::Solved);
    EXPECT_EQ(result.movesPlayed, 3u) << "the letters after the win are not played";
    EXPECT_EQ(result.board.playerX, 4);
    EXPECT_EQ(result.board.object(5, 1), kCrate);
    EXPECT_EQ(result.board.playerDir, kRight);

    // Capitals mark pushes in the usual notation and move the same way.
    EXPECT_EQ(replayLevel(corridor(), "rRR").outcome, ReplayOutcome::Solved);
}

TEST(Replay, UnsolvedPlaysEveryLetter) {
    const ReplayResult result = replayLevel(corridor(), "rrl");
    EXPECT_EQ(result.outcome, ReplayOutcome::Unsolved);
    EXPECT_EQ(result.movesPlayed, 3u);
    EXPECT_EQ(result.board.object(4, 1), kCrate);
    EXPECT_EQ(result.board.playerX, 2);

    // Refused steps and steps against a wall are moves too: they change nothing.
    const ReplayResult blocked = replayLevel(corridor(), "uuld");
    EXPECT_EQ(blocked.outcome, ReplayOutcome::Unsolved);
    EXPECT_EQ(blocked.board.objectLayer, corridor().objectLayer);
    EXPECT_EQ(blocked.board.playerX, 1);
}

TEST(Replay, DestroyedStopsAndKeepsTheRobotWhereItFell) {
    const ReplayResult result = replayLevel(beamBelow(), "dlrr");
    EXPECT_EQ(result.outcome, ReplayOutcome::Destroyed);
    EXPECT_EQ(result.movesPlayed, 1u);
    EXPECT_EQ(result.board.playerX, 2);
    EXPECT_EQ(result.board.playerY, 2);
    EXPECT_EQ(result.board.playerDead, 1);

    // Walking along the row above the beam is safe.
    EXPECT_EQ(replayLevel(beamBelow(), "rr").outcome, ReplayOutcome::Unsolved);
}

TEST(Replay, LevelsDecidedOnArrivalPlayNoMove) {
    const ReplayResult empty = replayLevel(sketchLevel({"###", "#@#", "###"}), "lr");
    EXPECT_EQ(empty.outcome, ReplayOutcome::Solved) << "no crate: solved by the first pass";
    EXPECT_EQ(empty.movesPlayed, 0u);

    const ReplayResult lit = replayLevel(sketchLevel({"#####", "#>@$#", "#####"}), "l");
    EXPECT_EQ(lit.outcome, ReplayOutcome::Destroyed);
    EXPECT_EQ(lit.movesPlayed, 0u);
}

TEST(Replay, BlastRedrawReleasesThePlateBeforeTheNextMove) {
    const LevelRecord level = blastOnPlate();
    // On arrival the rock holds the plate and the gate is open.
    const ReplayResult before = replayLevel(level, "");
    EXPECT_EQ(before.board.floor(4, 1), kPlatePressed);
    EXPECT_EQ(before.board.floor(3, 4), kGateOpen);

    const ReplayResult blast = replayLevel(level, "u");
    EXPECT_EQ(blast.outcome, ReplayOutcome::Unsolved);
    EXPECT_EQ(blast.board.object(4, 2), kEmpty) << "the bomb went off";
    EXPECT_EQ(blast.board.object(4, 1), kEmpty) << "the blast took the rock";
    EXPECT_EQ(blast.board.object(4, 3), kEmpty) << "and the mirror";
    EXPECT_EQ(blast.board.floor(4, 1), kPlateReleased) << "the redraw released the plate";
    EXPECT_EQ(blast.board.object(3, 4), kGateClosed) << "and closed the gate";

    // So the next step into the gate is refused; had the redraw not run, the gate would
    // still stand open and the robot would walk in.
    const ReplayResult next = replayLevel(level, "ul");
    EXPECT_EQ(next.board.playerX, 4);
    EXPECT_EQ(next.board.playerY, 4);
    EXPECT_EQ(next.board.playerDir, kUp) << "a refused step does not even turn the robot";
}

TEST(Replay, MoveLetters) {
    EXPECT_EQ(findBadMoveLetter("lurdLURD"), std::string_view::npos);
    EXPECT_EQ(findBadMoveLetter(""), std::string_view::npos);
    EXPECT_EQ(findBadMoveLetter("ll x"), 2u);
    EXPECT_EQ(findBadMoveLetter("rrq"), 2u);
    EXPECT_EQ(moveKey('D'), moveKey('d'));
    EXPECT_EQ(moveKey('n'), 0);
}

// The tool's replay command, through the tool's own dispatch.
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

void expectOneErrorLine(const ToolRun& run, int status, const std::string& mention) {
    EXPECT_EQ(run.status, status);
    EXPECT_TRUE(run.out.empty()) << "nothing is written on an error";
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), status == 1 ? 1 : 2) << run.err;
    EXPECT_EQ(run.err.rfind("prismcrate-levels: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
}

class ReplayCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        saveLevelFile(folder.file("one.lev"), corridor());
        std::vector<std::uint8_t> set;
        appendSetEntry(set, encodeLevelRecord(sketchLevel({"#####", "#@$.#", "#####"}, "first")));
        appendSetEntry(set, encodeLevelRecord(blastOnPlate()));
        testing::writeBytes(folder.file("two.lvp"), set);
    }
    TempFolder folder;
};

TEST_F(ReplayCommand, PrintsTheLevelAsItStandsAndTheStatus) {
    const ToolRun run = tool({"replay", folder.file("one.lev"), "rrr"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::string last = "status: solved\n";
    ASSERT_GE(run.out.size(), last.size());
    EXPECT_EQ(run.out.substr(run.out.size() - last.size()), last);

    const auto printed = parseLevelText(run.out.substr(0, run.out.size() - last.size()));
    ASSERT_EQ(printed.size(), 1u);
    const ReplayResult result = replayLevel(corridor(), "rrr");
    EXPECT_EQ(printed[0].record, recordFromBoard(result.board, ""));

    const ToolRun partial = tool({"replay", folder.file("one.lev"), "R"});
    ASSERT_EQ(partial.status, 3);
    EXPECT_NE(partial.out.find("status: unsolved\n"), std::string::npos);
}

TEST_F(ReplayCommand, PicksALevelOfASet) {
    const ToolRun first = tool({"replay", folder.file("two.lvp"), "r"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out.rfind("Title: first\n", 0), 0u);
    EXPECT_NE(first.out.find("status: solved\n"), std::string::npos);

    const ToolRun second = tool({"replay", folder.file("two.lvp"), "--level", "2", "dl"});
    ASSERT_EQ(second.status, 3) << second.err;
    EXPECT_NE(second.out.find("status: unsolved\n"), std::string::npos);

    // The option may stand after the moves too.
    const ToolRun after = tool({"replay", folder.file("two.lvp"), "r", "--level", "1"});
    EXPECT_EQ(after.out, first.out);
}

TEST_F(ReplayCommand, ReportsADestroyedRobot) {
    saveLevelFile(folder.file("beam.lev"), beamBelow());
    const ToolRun run = tool({"replay", folder.file("beam.lev"), "d"});
    ASSERT_EQ(run.status, 4) << run.err;
    EXPECT_NE(run.out.find("status: destroyed\n"), std::string::npos);
}

TEST_F(ReplayCommand, ErrorsNameTheArgumentAndGiveStatusOne) {
    expectOneErrorLine(tool({"replay", folder.file("one.lev"), "rrx"}), 1, "'x' at position 3");
    expectOneErrorLine(tool({"replay", folder.file("one.lev"), "r\xC3\xA9"}), 1, "position 2");
    expectOneErrorLine(tool({"replay", folder.file("two.lvp"), "--level", "3", "r"}), 1,
                       "no level 3");
    expectOneErrorLine(tool({"replay", folder.file("two.lvp"), "--level", "0", "r"}), 1,
                       "no level 0");
    expectOneErrorLine(tool({"replay", folder.file("one.lev"), "--level", "2", "r"}), 1,
                       "no level 2");
    expectOneErrorLine(
        tool({"replay", folder.file("two.lvp"), "--level", "99999999999999999999", "r"}), 1,
        "out of range");
    expectOneErrorLine(tool({"replay", folder.file("missing.lev"), "r"}), 1, "missing.lev");

    testing::writeBytes(folder.file("junk.lev"), {1, 2, 3, 4, 5, 6, 7, 8});
    expectOneErrorLine(tool({"replay", folder.file("junk.lev"), "r"}), 1, "junk.lev");
    // A record cut short is refused rather than played with made-up cells.
    auto bytes = encodeLevelRecord(corridor());
    bytes.resize(bytes.size() - 1);
    testing::writeBytes(folder.file("short.lev"), bytes);
    expectOneErrorLine(tool({"replay", folder.file("short.lev"), "r"}), 1, "short.lev");
}

TEST_F(ReplayCommand, UsageErrorsGiveStatusTwo) {
    const std::string lev = folder.file("one.lev");
    expectOneErrorLine(tool({"replay"}), 2, "usage:");
    expectOneErrorLine(tool({"replay", lev}), 2, "usage:");
    expectOneErrorLine(tool({"replay", lev, "r", "l"}), 2, "too many");
    expectOneErrorLine(tool({"replay", lev, "--level"}), 2, "--level");
    expectOneErrorLine(tool({"replay", lev, "--level", "two", "r"}), 2, "two");
    expectOneErrorLine(tool({"replay", lev, "--level", "1", "--level", "1", "r"}), 2, "twice");
    expectOneErrorLine(tool({"replay", lev, "--fast", "r"}), 2, "--fast");
}

TEST_F(ReplayCommand, EmptyMovesShowTheLevelAfterItsFirstPass) {
    const ToolRun run = tool({"replay", folder.file("two.lvp"), "--level", "2", ""});
    ASSERT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.out.find("status: unsolved\n"), std::string::npos);
    // The rock's plate shows pressed and the gate open after the load's pass.
    const auto printed = parseLevelText(run.out.substr(0, run.out.rfind("status:")));
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].record.floorLayer[cellIndex(4, 1)], kPlatePressed);
    EXPECT_EQ(printed[0].record.floorLayer[cellIndex(3, 4)], kGateOpen);
}

}  // namespace
}  // namespace prismcrate
