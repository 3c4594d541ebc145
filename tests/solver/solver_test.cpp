// The solver on hand-made levels: proofs of unsolvability that rest on what blasts,
// beams, plates and gates can and cannot do, solutions that need them, the limits that
// end a search without an answer, hints from positions in play, and the lost check.
#include "solver/solver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "game/moves.h"
#include "game/session.h"
#include "levels/level_record.h"
#include "tests/campaign/sketch.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;

Board boardOf(const std::vector<std::string>& rows) {
    Board board;
    putRecordOnBoard(sketchLevel(rows), board);
    return board;
}

solver::Options byMoves() {
    solver::Options options;
    options.metric = solver::Metric::Moves;
    return options;
}

TEST(Solver, ProvesOrSolvesHandMadeLevels) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        solver::Status status;
        int moves;  // of a shortest solution
    };
    const auto Unsolvable = solver::Status::Unsolvable;
    const auto Solved = solver::Status::Solved;
    // clang-format off
    const Case cases[] = {
        {"crate in a corner", {
            "%%%%%",
            "%$  %",
            "%  .%",
            "% @ %",
            "%%%%%"}, Unsolvable, 0},
        {"more crates than targets", {
            "%%%%%%%",
            "%     %",
            "% $ $ %",
            "%  .@ %",
            "%%%%%%%"}, Unsolvable, 0},
        {"the only way runs through a beam", {
            "%%v%%%",
            "%@ $.%",
            "%%%%%%"}, Unsolvable, 0},
        {"a beam across the room, nothing to stop it", {
            "%%%%%%%",
            "%@    %",
            ">     %",
            "% $ . %",
            "%     %",
            "%%%%%%%"}, Unsolvable, 0},
        {"a rock pushed into the beam shields the crossing", {
            "%%%%%%%",
            "%@    %",
            "%  r  %",
            ">     %",
            "%   $ %",
            "%   . %",
            "%%%%%%%"}, Solved, 6},
        // The crate sits between the steel ring and a wall. Weight on the plate opens the
        // gate, the beam behind it sets the bomb off, and the blast takes the wall away.
        {"a crate freed from its corner by a blast", {
            "%%%%%%%",
            "%#$  .%",
            "%b    %",
            "%g    %",
            "%^ _ @%",
            "%%%%%%%"}, Solved, 10},
        {"the same corner of steel, which no blast clears", {
            "%%%%%%%",
            "%%$  .%",
            "%b    %",
            "%g    %",
            "%^ _ @%",
            "%%%%%%%"}, Unsolvable, 0},
        // The bomb goes off under the crate, but a blast never moves or removes a crate,
        // and the steel around it stays.
        {"a crate in a steel pocket, a bomb beneath it", {
            "%%%%%%%%",
            "%.%$%  %",
            "% %b%  %",
            "%  g  @%",
            "% _^   %",
            "%%%%%%%%"}, Unsolvable, 0},
        {"a crate carried through a gate the plate holds open", {
            "%%%%%%%%",
            "%@$_ g.%",
            "%%%%%%%%"}, Solved, 4},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LevelRecord level = sketchLevel(c.rows);
        Board board;
        putRecordOnBoard(level, board);
        const solver::Result result = solver::solveLevel(board, byMoves());
        EXPECT_EQ(result.status, c.status);
        if (c.status != Solved || result.status != Solved) continue;
        EXPECT_EQ(result.moveCount, c.moves) << result.moves;
        const ReplayResult replay = replayLevel(level, result.moves);
        EXPECT_EQ(replay.outcome, ReplayOutcome::Solved) << result.moves;
        EXPECT_EQ(replay.movesPlayed, result.moves.size());
    }
}

// Four crates in a room of their own: far too many positions for the limits below.
Board roomyLevel() {
    return boardOf({
        "%%%%%%%%%%%%",
        "%          %",
        "%  $  $  . %",
        "%   @    . %",
        "%  $  $  . %",
        "%        . %",
        "%          %",
        "%%%%%%%%%%%%",
    });
}

TEST(Solver, LimitsEndTheSearchWithoutAnAnswer) {
    std::atomic<bool> cancel{true};
    struct Case {
        const char* name;
        solver::Options options;
        solver::StopReason reason;
    };
    Case cases[4];
    int reports = 0;
    cases[0] = {"states", byMoves(), solver::StopReason::States};
    cases[0].options.maxStates = 100;
    cases[0].options.progress = [&reports](const solver::Progress& p) {
        ++reports;
        EXPECT_LE(p.states, 100u);
    };
    cases[1] = {"time", byMoves(), solver::StopReason::Time};
    cases[1].options.seconds = 1e-9;
    cases[2] = {"memory", byMoves(), solver::StopReason::Memory};
    cases[2].options.memoryBytes = 4096;
    cases[3] = {"cancelled", byMoves(), solver::StopReason::Cancelled};
    cases[3].options.cancel = &cancel;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const solver::Result result = solver::solve(roomyLevel(), c.options);
        EXPECT_EQ(result.status, solver::Status::Unknown);
        EXPECT_EQ(result.stoppedBy, c.reason);
        EXPECT_TRUE(result.moves.empty());
    }
    EXPECT_GE(reports, 1);
}

TEST(Solver, GivesHintsFromAnyPosition) {
    const LevelRecord level = sketchLevel({
        "%%%%%%%%",
        "%      %",
        "% $ $  %",
        "%  @ ..%",
        "%      %",
        "%%%%%%%%",
    });
    Board start;
    putRecordOnBoard(level, start);
    const solver::Result whole = solver::solveLevel(start, byMoves());
    ASSERT_EQ(whole.status, solver::Status::Solved);
    // From each position along a shortest solution, with the robot facing anywhere, the
    // rest is exactly as long, and its first letter is a move of a shortest line.
    Session session;
    putRecordOnBoard(level, session.board);
    session.board.resetForLoadedLevel();
    session.startLevel();
    for (std::size_t played = 0; played < whole.moves.size(); ++played) {
        Board position = session.board;
        position.playerDir = static_cast<std::uint8_t>(kLeft + played % 4);
        position.pushPose = static_cast<std::uint8_t>(played % 2);
        const solver::Result hint = solver::solve(position, byMoves());
        ASSERT_EQ(hint.status, solver::Status::Solved);
        EXPECT_EQ(hint.moveCount, whole.moveCount - static_cast<int>(played));
        session.key(moveKey(hint.moves[0]));
    }
    EXPECT_TRUE(session.board.solved());
}

TEST(Solver, ChecksWhetherAPositionIsLost) {
    const LevelRecord level = sketchLevel({
        "%%%%%%%",
        "%     %",
        "% $ . %",
        "%@    %",
        "%%%%%%%",
    });
    Board open;
    putRecordOnBoard(level, open);
    EXPECT_EQ(solver::proveLost(open).status, solver::Status::Solved);
    // Pushed up against the ring, the crate can only slide along it, off the target row.
    const Board pushedUp = replayLevel(level, "ru").board;
    EXPECT_EQ(solver::proveLost(pushedUp).status, solver::Status::Unsolvable);
    // A budget too small to settle anything knows nothing.
    solver::LostCheckBudget tiny;
    tiny.states = 10;
    const solver::Result unknown = solver::proveLost(roomyLevel(), tiny);
    EXPECT_EQ(unknown.status, solver::Status::Unknown);
    EXPECT_EQ(unknown.stoppedBy, solver::StopReason::States);
}

TEST(Solver, SettledPositionsAndBadRequests) {
    Board solved = boardOf({"%%%%", "%@*%", "%%%%"});
    EXPECT_EQ(solver::solve(solved).status, solver::Status::Solved);
    EXPECT_TRUE(solver::solve(solved).moves.empty());

    Board wreck = boardOf({"%%%%%", "%@$.%", "%%%%%"});
    wreck.playerDead = 1;
    EXPECT_EQ(solver::solve(wreck).status, solver::Status::Unsolvable);

    // Solved by its loading pass: the only crate stands on its target from the start.
    const solver::Result arrival = solver::solveLevel(solved);
    EXPECT_EQ(arrival.status, solver::Status::Solved);
    EXPECT_TRUE(arrival.moves.empty());

    Board offField = boardOf({"%%%%%", "%@$.%", "%%%%%"});
    offField.playerX = 20;
    EXPECT_THROW(solver::solve(offField), std::invalid_argument);

    solver::Options pushes;
    pushes.metric = solver::Metric::Pushes;
    EXPECT_THROW(solver::solve(boardOf({"%%%%%%", "%@$ .%", "% r  %", "%%%%%%"}), pushes),
                 std::invalid_argument);
    const Board plain = boardOf({"######", "#@$ .#", "######"});
    EXPECT_TRUE(solver::isPlainCrateLevel(plain));
    EXPECT_EQ(solver::solve(plain, pushes).status, solver::Status::Solved);
}

}  // namespace
}  // namespace prismcrate
