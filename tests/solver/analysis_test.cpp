// The count of reachable and lost positions, on levels small enough to count by hand,
// and the level tool's list --stats that prints it.
#include "solver/analysis.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "levels/level_text.h"
#include "tests/campaign/sketch.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;

// The crate can go right onto the target or, pushed from the target's side, left into the
// corner. Five robot cells beside the crate where it starts (all winnable), the solved
// position, and five robot cells beside the cornered crate (all lost).
const std::vector<std::string> kCornerRoom = {
    "#####",
    "#@$.#",
    "#   #",
    "#####",
};

TEST(PositionSpace, CountsReachableAndLostPositionsOfSmallLevels) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        solver::PositionSpace expected;
    };
    // clang-format off
    const Case cases[] = {
        {"a crate that can be cornered", kCornerRoom, {true, 11, 1, 0, 5}},
        // The only step leads into the beam: the start and the wreck are both lost.
        {"the only way runs through a beam", {
            "%%v%%%",
            "%@ $.%",
            "%%%%%%"}, {true, 2, 0, 1, 2}},
        {"destroyed by the loading pass", {
            "%%%%%",
            ">@$.%",
            "%%%%%"}, {true, 1, 0, 1, 1}},
        // The start, the robot on the plate (the gate open), the robot in the gate (held
        // open by it; stepping back returns to the plate) and the push that solves.
        {"a plate and a gate", {
            "%%%%%%%",
            "%@_g$.%",
            "%%%%%%%"}, {true, 4, 1, 0, 0}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board board;
        putRecordOnBoard(sketchLevel(c.rows), board);
        const solver::PositionSpace space = solver::countPositions(board);
        EXPECT_TRUE(space.complete);
        EXPECT_EQ(space.reachable, c.expected.reachable);
        EXPECT_EQ(space.solved, c.expected.solved);
        EXPECT_EQ(space.destroyed, c.expected.destroyed);
        EXPECT_EQ(space.lost, c.expected.lost);
    }

    // A limit below the true count says so instead of counting.
    Board board;
    putRecordOnBoard(sketchLevel(kCornerRoom), board);
    solver::SpaceLimits limits;
    limits.states = 4;
    const solver::PositionSpace cut = solver::countPositions(board, limits);
    EXPECT_FALSE(cut.complete);
    EXPECT_GT(cut.reachable, limits.states);
}

TEST(PositionSpace, ListStatsPrintsARowPerLevel) {
    testing::TempFolder folder;
    const std::string path = folder.file("room.txt");
    {
        std::ofstream text(path, std::ios::binary);
        text << levelToText(sketchLevel(kCornerRoom, "room"));
    }
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args = {"list", "--stats", path};
    ASSERT_EQ(runLevelsTool(args, out, err), 0) << err.str();
    std::istringstream lines(out.str());
    std::string header;
    std::string row;
    std::getline(lines, header);
    std::getline(lines, row);
    EXPECT_EQ(header.rfind("  #  moves pushes", 0), 0u) << header;
    // Level 1: two moves, both pushes; 11 positions, 5 of them lost.
    std::istringstream fields(row);
    std::string number, moves, pushes, states, seconds, reachable, lost, share, title;
    fields >> number >> moves >> pushes >> states >> seconds >> reachable >> lost >> share >> title;
    EXPECT_EQ(number + " " + moves + " " + pushes, "1 1 1") << row;
    EXPECT_EQ(reachable + " " + lost + " " + share + " " + title, "11 5 45% room") << row;
}

}  // namespace
}  // namespace prismcrate
