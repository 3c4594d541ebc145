// Undo, restart and the win sequence of a session, with a level set held in memory as the
// session's flow.
#include "game/flow.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "game/moves.h"
#include "game/session.h"
#include "tests/game/recorders.h"

namespace prismcrate {
namespace {

using testing::CueCall;
using testing::RecordingCues;

class UndoRestartTest : public ::testing::Test {
  protected:
    Session session;
    Board& board = session.board;

    void SetUp() override {
        board.regim = kModeGame;
        board.playerX = 5;
        board.playerY = 5;
        board.playerDir = kDown;
    }
    StepResult press(int key) { return session.key(key); }
};

TEST_F(UndoRestartTest, UndoAfterAPushPutsObjectRobotFacingAndPoseBack) {
    board.object(7, 5) = kCrate;
    board.floor(9, 9) = kFloorTarget;
    press(kKeyRight);  // walk to (6,5), facing right
    press(kKeyRight);  // push the crate from (7,5) to (8,5)
    ASSERT_EQ(board.object(8, 5), kCrate);
    ASSERT_EQ(board.pushPose, 1);
    board.floor(3, 3) = kFloorTarget;  // the floor layer is not part of the snapshot

    const StepResult r = session.undo();
    EXPECT_EQ(board.object(7, 5), kCrate);
    EXPECT_EQ(board.object(8, 5), kEmpty);
    EXPECT_EQ(board.playerX, 6);
    EXPECT_EQ(board.playerY, 5);
    EXPECT_EQ(board.playerDir, kRight);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.floor(3, 3), kFloorTarget);
    EXPECT_EQ(board.floor(9, 9), kFloorTarget);
    EXPECT_FALSE(session.undoAvailable());
    EXPECT_EQ(r.passes, 1);
}

TEST_F(UndoRestartTest, UndoRevivesTheRobotAndIsDisabledUntilTheNextRealMove) {
    press(kKeyUp);  // (5,4)
    board.playerDead = 1;
    board.object(5, 3) = kWall;  // say a blast changed things after the move
    session.undo();
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(board.object(5, 3), kEmpty);
    EXPECT_FALSE(session.undoAvailable());

    // Refused and border steps leave the disabled state alone.
    board.object(5, 4) = kSteel;
    press(kKeyUp);
    EXPECT_FALSE(session.undoAvailable());
    press(kKeyLeft);  // a real move: undo is back
    EXPECT_TRUE(session.undoAvailable());
}

TEST_F(UndoRestartTest, RefusedAndBorderStepsKeepTheLastRealMoveForUndo) {
    board.playerX = 1;
    board.playerY = 0;
    press(kKeyLeft);  // (0,0)
    board.object(1, 0) = kWall;
    press(kKeyUp);     // border
    press(kKeyLeft);   // border
    press(kKeyRight);  // wall: not even a turn
    EXPECT_EQ(board.playerDir, kLeft);
    session.undo();
    EXPECT_EQ(board.playerX, 1);
    EXPECT_EQ(board.playerY, 0);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.object(1, 0), kEmpty) << "the whole object layer of before the move";
}

TEST_F(UndoRestartTest, RestartDuringATestRunRestoresTheSnapshot) {
    board.object(2, 2) = kCrate;
    board.floor(3, 3) = kPlateReleased;
    board.floor(4, 4) = kFloorTarget;
    board.takeStartSnapshot();
    board.testRun = 1;

    press(kKeyLeft);
    board.object(2, 2) = kEmpty;
    board.floor(3, 3) = kPlatePressed;
    board.floor(4, 4) = kFloorPlain;
    board.pushPose = 1;
    board.playerDead = 1;

    const StepResult r = session.restart();
    EXPECT_EQ(board.objectLayer, board.startObjectLayer);
    EXPECT_EQ(board.floorLayer, board.startFloorLayer);
    EXPECT_EQ(board.object(2, 2), kCrate);
    EXPECT_EQ(board.floor(3, 3), kPlateReleased);
    EXPECT_EQ(board.playerX, 5);
    EXPECT_EQ(board.playerY, 5);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(board.testRun, 1);
    EXPECT_EQ(board.regim, kModeGame);
    EXPECT_FALSE(session.undoAvailable());
    EXPECT_EQ(r.passes, 1);
}

TEST(LevelIndexTest, NextIndexWrapsAfterTheLastLevel) {
    EXPECT_EQ(nextLevelIndex(0, 3), 1);
    EXPECT_EQ(nextLevelIndex(1, 3), 2);
    EXPECT_EQ(nextLevelIndex(2, 3), 0);
    EXPECT_EQ(nextLevelIndex(0, 1), 0);
    EXPECT_EQ(nextLevelIndex(7, 3), 0) << "a position past the set starts over";
    EXPECT_EQ(nextLevelIndex(0, 0), 0);
}

TEST(LevelIndexTest, OnlyPlainDecimalTextIsAPosition) {
    EXPECT_EQ(parseLevelIndex("0"), 0);
    EXPECT_EQ(parseLevelIndex("12"), 12);
    EXPECT_EQ(parseLevelIndex(""), 0);
    EXPECT_EQ(parseLevelIndex("-3"), 0);
    EXPECT_EQ(parseLevelIndex("4x"), 0);
    EXPECT_EQ(parseLevelIndex("99999999999999999999"), 0);
}

// A level set held in memory, played the way the main window plays one: loading a level
// switches to game mode, and switching modes runs a field pass.
class FakeFlow : public SessionFlow {
  public:
    FakeFlow(Session& session, std::vector<Board> levels)
        : session_(session), board_(session.board), levels_(std::move(levels)) {}

    int index = 0;
    std::vector<std::string> modes;
    std::vector<int> captions;
    int loads = 0;
    int reloads = 0;
    bool undoEnabled = false;
    bool timerEnabled = false;
    // Runs at the start of a reload.
    std::function<void()> onReload;

    bool blastTimerEnabled() override { return timerEnabled; }
    void setBlastTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void setUndoEnabled(bool enabled) override { undoEnabled = enabled; }
    void returnToEditor() override { switchMode(kModeEdit); }
    void advanceToNextLevel() override {
        index = nextLevelIndex(index, static_cast<int>(levels_.size()));
        load();
        captions.push_back(index);
    }
    void reloadLevel() override {
        ++reloads;
        if (onReload) onReload();
        load();
    }

    // The chooser's confirmation.
    void choose(int i) {
        session_.winGuard().reset();
        index = i;
        load();
    }

  private:
    void load() {
        ++loads;
        const Board& level = levels_.at(static_cast<std::size_t>(index));
        board_.objectLayer = level.objectLayer;
        board_.floorLayer = level.floorLayer;
        board_.playerX = level.playerX;
        board_.playerY = level.playerY;
        board_.resetForLoadedLevel();
        switchMode(kModeGame);
    }
    void switchMode(const std::string& mode) {
        modes.push_back(mode);
        board_.regim = mode;
        if (mode == kModeEdit) board_.playerDead = 0;
        session_.showpole();
    }

    Session& session_;
    Board& board_;
    std::vector<Board> levels_;
};

// The robot at (1, row) next to a crate whose target is the next cell: Right solves it.
Board oneStepFromWin(int row) {
    Board level;
    level.playerX = 1;
    level.playerY = static_cast<std::uint8_t>(row);
    level.object(2, row) = kCrate;
    level.floor(3, row) = kFloorTarget;
    return level;
}

class WinSequenceTest : public ::testing::Test {
  protected:
    Session session;
    Board& board = session.board;
    RecordingCues cues;

    int wins() const {
        int n = 0;
        for (const CueCall& c : cues.played) n += c.cue == kCueWin;
        return n;
    }
};

TEST_F(WinSequenceTest, RestartOutsideATestRunReloadsFromTheSet) {
    FakeFlow flow(session, {oneStepFromWin(4)});
    session.attach(nullptr, &cues, &flow);
    flow.choose(0);
    board.playerDead = 1;
    board.object(1, 1) = kRock;
    board.takeStartSnapshot();  // a stale snapshot from the editor must not be used
    session.setUndoAvailable(true);
    flow.onReload = [&] {
        EXPECT_EQ(board.playerDead, 0) << "cleared before the reload";
        EXPECT_FALSE(flow.undoEnabled);
    };
    const StepResult r = session.restart();
    EXPECT_EQ(flow.reloads, 1);
    EXPECT_EQ(board.object(1, 1), kEmpty);
    EXPECT_EQ(r.passes, 1) << "the reload draws through the mode switch";
}

TEST_F(WinSequenceTest, WinningTheLastLevelBringsTheFirstBackWithItsNumber) {
    FakeFlow flow(session, {oneStepFromWin(1), oneStepFromWin(2), oneStepFromWin(3)});
    session.attach(nullptr, &cues, &flow);
    flow.choose(2);
    const StepResult r = session.key(kKeyRight);

    EXPECT_TRUE(r.solved);
    EXPECT_EQ(wins(), 1);
    EXPECT_EQ(flow.index, 0);
    EXPECT_EQ(flow.captions, std::vector<int>{0});
    EXPECT_EQ(board.object(2, 1), kCrate);
    EXPECT_EQ(board.playerX, 1);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_FALSE(flow.undoEnabled);
    EXPECT_EQ(cues.played, (std::vector<CueCall>{{kCueMove, false}, {kCueWin, true}}))
        << "win is played to its end";
}

TEST_F(WinSequenceTest, ATestRunsWinReturnsToTheEditorWithTheCapturedLevel) {
    FakeFlow flow(session, {oneStepFromWin(1)});
    session.attach(nullptr, &cues, &flow);
    board.object(6, 6) = kCrate;
    board.floor(7, 6) = kFloorTarget;
    board.playerX = 5;
    board.playerY = 6;
    board.takeStartSnapshot();
    board.testRun = 1;
    board.regim = kModeGame;
    session.key(kKeyRight);

    EXPECT_EQ(wins(), 1);
    EXPECT_EQ(flow.modes, std::vector<std::string>{kModeEdit});
    EXPECT_EQ(board.regim, kModeEdit);
    EXPECT_EQ(board.object(6, 6), kCrate);
    EXPECT_EQ(board.object(7, 6), kEmpty);
    EXPECT_EQ(board.playerX, 5);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.testRun, 1);
    EXPECT_EQ(flow.loads, 0);
    EXPECT_TRUE(flow.captions.empty());
}

TEST_F(WinSequenceTest, CratelessSetAdvancesOneLevelPerMoveInsteadOfRecursing) {
    FakeFlow flow(session, {Board{}, Board{}, Board{}});
    session.attach(nullptr, &cues, &flow);
    flow.choose(0);  // chosen in the chooser: solved at once
    EXPECT_EQ(wins(), 1);
    EXPECT_EQ(flow.index, 1) << "the level loaded by the win is not won at once";

    EXPECT_FALSE(session.showpole().solved) << "a redraw without a move does not win";
    EXPECT_FALSE(session.key(kKeyEscape).solved) << "only an arrow key is a move";
    EXPECT_EQ(wins(), 1);

    for (int expected : {2, 0, 1, 2, 0}) {
        const StepResult r = session.key(kKeyDown);
        EXPECT_TRUE(r.solved);
        EXPECT_EQ(r.passes, 2) << "the move's pass and the next level's, which stops there";
        EXPECT_EQ(flow.index, expected);
    }
    EXPECT_EQ(wins(), 6);
    EXPECT_EQ(flow.captions, (std::vector<int>{1, 2, 0, 1, 2, 0}));
}

TEST_F(WinSequenceTest, MovesOutsideTheGameOrWhileDestroyedDoNotLiftTheGuard) {
    WinGuard guard;
    guard.levelAdvanced();
    board.regim = kModeEdit;
    guard.keyPressed(board, kKeyLeft);
    EXPECT_FALSE(guard.winTestAllowed());
    board.regim = kModeGame;
    board.playerDead = 1;
    guard.keyPressed(board, kKeyLeft);
    EXPECT_FALSE(guard.winTestAllowed());
    board.playerDead = 0;
    guard.keyPressed(board, kKeyLeft);
    EXPECT_TRUE(guard.winTestAllowed());
    guard.levelAdvanced();
    guard.reset();
    EXPECT_TRUE(guard.winTestAllowed());
}

TEST_F(WinSequenceTest, AWinInTheSamePassAsADeathStartsTheNextLevelAlive) {
    // The crate shields the robot from the emitter above; pushing it onto its target puts
    // the robot into the beam.
    Board last = oneStepFromWin(5);
    last.object(2, 0) = kEmitterDown;
    FakeFlow flow(session, {oneStepFromWin(1), last});
    session.attach(nullptr, &cues, &flow);
    flow.choose(1);
    const StepResult r = session.key(kKeyRight);
    EXPECT_TRUE(r.destroyed);
    EXPECT_EQ(r.cues[kCueDeath], 1);
    EXPECT_EQ(wins(), 1);
    EXPECT_EQ(flow.index, 0);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_TRUE(session.key(kKeyUp).handled) << "the next level takes moves";
}

}  // namespace
}  // namespace prismcrate
