#include "game/flow.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/moves.h"
#include "tests/game/recording_host.h"

namespace prismcrate {
namespace {

using testing::RecordingHost;

class UndoRestartTest : public ::testing::Test {
  protected:
    Board board;
    RecordingHost host;

    void SetUp() override {
        board.regim = kModeGame;
        board.playerX = 5;
        board.playerY = 5;
        board.playerDir = kDown;
    }
};

TEST_F(UndoRestartTest, UndoAfterAPushPutsObjectRobotFacingAndPoseBack) {
    board.object(7, 5) = kCrate;
    board.floor(9, 9) = kFloorTarget;
    FormKeyDown(board, host, kKeyRight);  // walk to (6,5), facing right
    FormKeyDown(board, host, kKeyRight);  // push the crate from (7,5) to (8,5)
    ASSERT_EQ(board.object(8, 5), kCrate);
    ASSERT_EQ(board.pushPose, 1);
    board.floor(3, 3) = kGateOpen;  // the floor layer is not part of the snapshot
    const int passes = host.showpoles;

    Exit1Click(board, host);
    EXPECT_EQ(board.object(7, 5), kCrate);
    EXPECT_EQ(board.object(8, 5), kEmpty);
    EXPECT_EQ(board.playerX, 6);
    EXPECT_EQ(board.playerY, 5);
    EXPECT_EQ(board.playerDir, kRight);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.floor(3, 3), kGateOpen);
    EXPECT_EQ(board.floor(9, 9), kFloorTarget);
    EXPECT_EQ(host.undoEnabled, 0);
    EXPECT_EQ(host.showpoles, passes + 1);
}

TEST_F(UndoRestartTest, UndoRevivesTheRobotAndIsDisabledUntilTheNextRealMove) {
    FormKeyDown(board, host, kKeyUp);  // (5,4)
    board.playerDead = 1;
    board.object(5, 3) = kWall;  // say a blast changed things after the move
    Exit1Click(board, host);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(board.object(5, 3), kEmpty);
    EXPECT_EQ(host.undoEnabled, 0);

    // Refused and border steps leave the disabled state alone.
    board.object(5, 4) = kSteel;
    FormKeyDown(board, host, kKeyUp);
    EXPECT_EQ(host.undoEnabled, 0);
    FormKeyDown(board, host, kKeyLeft);  // a real move: undo is back
    EXPECT_EQ(host.undoEnabled, 1);
}

TEST_F(UndoRestartTest, RefusedAndBorderStepsKeepTheLastRealMoveForUndo) {
    board.playerX = 1;
    board.playerY = 0;
    FormKeyDown(board, host, kKeyLeft);  // (0,0)
    board.object(1, 0) = kWall;
    FormKeyDown(board, host, kKeyUp);     // border
    FormKeyDown(board, host, kKeyLeft);   // border
    FormKeyDown(board, host, kKeyRight);  // wall: not even a turn
    EXPECT_EQ(board.playerDir, kLeft);
    Exit1Click(board, host);
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

    FormKeyDown(board, host, kKeyLeft);
    board.object(2, 2) = kEmpty;
    board.floor(3, 3) = kPlatePressed;
    board.floor(4, 4) = kFloorPlain;
    board.pushPose = 1;
    board.playerDead = 1;
    host.showpoles = 0;
    int reloads = 0;

    Restartlevel1Click(board, host, [&] { ++reloads; });
    EXPECT_EQ(reloads, 0);
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
    EXPECT_EQ(host.undoEnabled, 0);
    EXPECT_EQ(host.showpoles, 1);
}

TEST_F(UndoRestartTest, RestartOutsideATestRunReloadsFromTheSet) {
    board.playerDead = 1;
    board.object(1, 1) = kRock;
    board.takeStartSnapshot();  // a stale snapshot from the editor must not be used
    board.object(1, 1) = kEmpty;
    int reloads = 0;
    Restartlevel1Click(board, host, [&] {
        ++reloads;
        EXPECT_EQ(board.playerDead, 0) << "cleared before the reload";
        EXPECT_EQ(host.undoEnabled, 0);
    });
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(board.object(1, 1), kEmpty);
    EXPECT_EQ(host.showpoles, 0) << "the reload draws through the mode switch";
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

// A level set held in memory; loading a level runs a field pass that tests for a win
// the way the real field pass does.
class FakeFlow : public LevelFlow {
  public:
    FakeFlow(Board& board, RecordingHost& host, WinGuard& guard, std::vector<Board> levels)
        : board_(board), host_(host), guard_(guard), levels_(std::move(levels)) {}

    int index = 0;
    std::vector<std::string> modes;
    std::vector<int> captions;
    int loads = 0;
    int wins = 0;
    int maxDepth = 0;

    int currentLevelIndex() override { return index; }
    void setCurrentLevelIndex(int i) override { index = i; }
    int levelCount() override { return static_cast<int>(levels_.size()); }
    void loadCurrentLevel() override {
        ++loads;
        const Board& level = levels_.at(static_cast<std::size_t>(index));
        board_.objectLayer = level.objectLayer;
        board_.floorLayer = level.floorLayer;
        board_.playerX = level.playerX;
        board_.playerY = level.playerY;
        board_.resetForLoadedLevel();
        switchMode(kModeGame);
    }
    void switchMode(const std::string& mode) override {
        modes.push_back(mode);
        board_.regim = mode;
        if (mode == kModeEdit) board_.playerDead = 0;
        pass();
    }
    void showLevelNumber(int i) override { captions.push_back(i); }

    // The win test at the end of a field pass.
    void pass() {
        if (board_.regim != kModeGame || !board_.solved()) return;
        ++depth_;
        maxDepth = std::max(maxDepth, depth_);
        if (winSequence(board_, host_, *this, guard_)) ++wins;
        --depth_;
    }

  private:
    Board& board_;
    RecordingHost& host_;
    WinGuard& guard_;
    std::vector<Board> levels_;
    int depth_ = 0;
};

Board levelWithCrateAt(int x, int y) {
    Board level;
    level.object(x, y) = kCrate;
    level.floor(x + 1, y) = kFloorTarget;
    return level;
}

class WinSequenceTest : public ::testing::Test {
  protected:
    Board board;
    RecordingHost host;
    WinGuard guard;
};

TEST_F(WinSequenceTest, WinningTheLastLevelBringsTheFirstBackWithItsNumber) {
    FakeFlow flow(board, host, guard,
                  {levelWithCrateAt(1, 1), levelWithCrateAt(2, 2), levelWithCrateAt(3, 3)});
    flow.index = 2;
    flow.loadCurrentLevel();
    board.object(3, 3) = kEmpty;
    board.object(4, 3) = kCrate;  // on its target
    board.pushPose = 1;
    guard.keyPressed(board, kKeyRight);
    flow.pass();

    EXPECT_EQ(flow.wins, 1);
    EXPECT_EQ(flow.index, 0);
    EXPECT_EQ(flow.captions, std::vector<int>{0});
    EXPECT_EQ(board.object(1, 1), kCrate);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(host.undoEnabled, 0);
    ASSERT_EQ(host.played, std::vector<int>{kCueWin});
}

TEST_F(WinSequenceTest, ATestRunsWinReturnsToTheEditorWithTheCapturedLevel) {
    FakeFlow flow(board, host, guard, {levelWithCrateAt(1, 1)});
    board.object(6, 6) = kCrate;
    board.floor(7, 6) = kFloorTarget;
    board.playerX = 5;
    board.playerY = 6;
    board.takeStartSnapshot();
    board.testRun = 1;
    board.regim = kModeGame;
    board.playerDir = kRight;
    board.object(6, 6) = kEmpty;
    board.object(7, 6) = kCrate;
    board.playerX = 6;
    board.pushPose = 1;
    board.playerDead = 1;
    flow.pass();

    EXPECT_EQ(flow.wins, 1);
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
    FakeFlow flow(board, host, guard, {Board{}, Board{}, Board{}});
    flow.loadCurrentLevel();  // chosen in the chooser: solved at once
    EXPECT_EQ(flow.wins, 1);
    EXPECT_EQ(flow.index, 1);
    EXPECT_EQ(host.played.size(), 1u) << "the level loaded by the win is not won at once";
    EXPECT_EQ(flow.maxDepth, 2) << "its own pass runs nested and stops there";

    flow.pass();  // a redraw without a move (restart, a timer) does not win either
    EXPECT_EQ(flow.wins, 1);
    guard.keyPressed(board, kKeyEscape);
    flow.pass();
    EXPECT_EQ(flow.wins, 1) << "only an arrow key is a move";

    for (int expected : {2, 0, 1, 2, 0}) {
        guard.keyPressed(board, kKeyDown);
        flow.pass();
        EXPECT_EQ(flow.index, expected);
    }
    EXPECT_EQ(flow.wins, 6);
    EXPECT_EQ(host.played.size(), 6u);
    EXPECT_EQ(flow.maxDepth, 2);
    EXPECT_EQ(flow.captions, (std::vector<int>{1, 2, 0, 1, 2, 0}));
}

TEST_F(WinSequenceTest, MovesOutsideTheGameOrWhileDestroyedDoNotLiftTheGuard) {
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
    FakeFlow flow(board, host, guard, {levelWithCrateAt(1, 1), levelWithCrateAt(2, 2)});
    board.regim = kModeGame;
    board.playerDead = 1;  // the beam got the robot in the winning pass
    flow.pass();
    EXPECT_EQ(flow.wins, 1);
    EXPECT_EQ(flow.index, 1);
    EXPECT_EQ(board.playerDead, 0);
    guard.keyPressed(board, kKeyUp);
    EXPECT_TRUE(guard.winTestAllowed()) << "the next level takes moves";
}

TEST(TitleFieldTest, PlainFloorInEveryCellRowByRowThenOneFlip) {
    RecordingHost host;
    drawTitleField(host);
    ASSERT_EQ(host.draws.size(), 400u);
    for (int i = 0; i < 400; ++i) {
        const int y = i / 20;
        const int x = i % 20;
        EXPECT_EQ(host.draws[i], (testing::Draw{kTiles1, 8, x * 24, y * 24}));
    }
    EXPECT_EQ(host.flips, 1);
    EXPECT_EQ(host.showpoles, 0);
}

}  // namespace
}  // namespace prismcrate
