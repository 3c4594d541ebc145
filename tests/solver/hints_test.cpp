// What the window asks of the solver: the lost-position check after a move, a solution laid
// over the positions it passes, and a level as a test run starts it.
#include "solver/hints.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "game/moves.h"
#include "game/session.h"
#include "tests/campaign/sketch.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;

Board loaded(const std::vector<std::string>& rows) {
    Board level;
    putRecordOnBoard(sketchLevel(rows), level);
    return solver::loadedForPlay(level);
}

TEST(LostWarning, OnlyAProofRaisesIt) {
    // A room too big to search through within the warning's budget: only what the
    // position itself shows can prove it lost there.
    const std::vector<std::string> hall = {
        "%%%%%%%%%%%%%%%%%%%%",  //
        "%                  %",  //
        "%  $   r   r   $   %",  //
        "%     r   r   r    %",  //
        "% r   .   @   .  r %",  //
        "%   r   r   r   r  %",  //
        "%  $   r   r   $   %",  //
        "%        ..        %",  //
        "%%%%%%%%%%%%%%%%%%%%",
    };
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        bool dead;
        bool lost;
    };
    std::vector<Case> cases = {
        {"the hall as it starts", hall, false, false},
        {"a crate in a corner of the hall", hall, false, true},
        {"four crates in a square, none of which can ever move", hall, false, true},
        {"a destroyed robot needs no warning", hall, true, false},
        {"a solved level", {"%%%%", "%@*%", "%%%%"}, false, false},
    };
    cases[1].rows[1] = "%$                 %";
    cases[1].rows[2] = "%  .   r   r   $   %";
    cases[2].rows[2] = "%      r$$   r     %";
    cases[2].rows[3] = "%     r $$    r    %";
    cases[2].rows[7] = "%   ..   ..   ..   %";
    cases[3].rows = cases[1].rows;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board board = loaded(c.rows);
        board.playerDead = c.dead;
        EXPECT_EQ(solver::positionProvedLost(board), c.lost);
    }

    // Lost only as the search shows: whichever way the robot pushes, the two crates meet
    // in the corridor and stop. A search without room to finish says nothing.
    const Board corridor = loaded({
        "%%%%%%%%%%",  //
        "% @$ $ ..%",  //
        "%%%%%%%%%%",
    });
    EXPECT_TRUE(solver::positionProvedLost(corridor));
    solver::LostCheckBudget tiny = solver::lostWarningBudget();
    tiny.states = 1;
    EXPECT_FALSE(solver::positionProvedLost(corridor, tiny));

    // Played: a push against the wall loses the level, and its undo wins it back.
    Session session;
    session.board = loaded({"%%%%%%", "%    %", "% $@ %", "%   .%", "%%%%%%"});
    EXPECT_FALSE(solver::positionProvedLost(session.board));
    session.key(kKeyLeft);
    EXPECT_TRUE(solver::positionProvedLost(session.board));
    session.undo();
    EXPECT_FALSE(solver::positionProvedLost(session.board));
}

TEST(SolutionLine, KnowsTheStepOfEveryPositionOnIt) {
    const Board start = loaded({
        "%%%%%%%%",  //
        "%      %",  //
        "% $ $  %",  //
        "%  @ ..%",  //
        "%      %",  //
        "%%%%%%%%",
    });
    const solver::Result result = solver::solve(start);
    ASSERT_EQ(result.status, solver::Status::Solved);
    const solver::SolutionLine line(start, result.moves);
    ASSERT_EQ(line.size(), result.moveCount);

    Session session;
    session.board = start;
    for (int i = 0; i < line.size(); ++i) {
        // Facing and pose are no part of a position.
        session.board.playerDir = static_cast<std::uint8_t>(kLeft + i % 4);
        EXPECT_EQ(line.stepAt(session.board), i);
        EXPECT_EQ(line.keyAt(i), solver::keyForMoveLetter(result.moves[static_cast<size_t>(i)]));
        session.key(line.keyAt(i));
    }
    EXPECT_TRUE(session.board.solved());
    EXPECT_EQ(line.stepAt(session.board), -1) << "the solved field is past the last step";
    Board elsewhere = start;
    elsewhere.playerX = 1;
    EXPECT_EQ(line.stepAt(elsewhere), -1);
    Board wreck = start;
    wreck.playerDead = 1;
    EXPECT_EQ(line.stepAt(wreck), -1);

    EXPECT_THROW(solver::SolutionLine(start, "rx"), std::invalid_argument);
    EXPECT_THROW(solver::SolutionLine(start, result.moves.substr(1)), std::logic_error);
    EXPECT_THROW(solver::SolutionLine(start, result.moves + "l"), std::logic_error);
    EXPECT_EQ(solver::keyForMoveLetter('D'), kKeyDown);
    EXPECT_EQ(solver::keyForMoveLetter('?'), 0);
}

TEST(SolutionLine, StartsFromTheLevelAsATestRunLoadsIt) {
    // The loading pass sets the bomb off in the beam; its redraw comes before any key.
    Board level;
    putRecordOnBoard(sketchLevel({"%%%%%%%%", "%>  b  %", "%  @$ .%", "%%%%%%%%"}), level);
    level.playerDir = kLeft;
    level.regim = kModeEdit;
    const Board start = solver::loadedForPlay(level);
    EXPECT_EQ(start.regim, kModeGame);
    EXPECT_EQ(start.playerDir, kDown);
    EXPECT_EQ(start.object(4, 1), kEmpty) << "the bomb went off";
    EXPECT_EQ(start.playerDead, 0);
    const solver::SolutionLine line(start, "RR");
    EXPECT_EQ(line.stepAt(start), 0);
}

}  // namespace
}  // namespace prismcrate
