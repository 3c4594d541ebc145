#include "editor/commands.h"

#include <gtest/gtest.h>

namespace prismcrate {
namespace {

Board playedBoard() {
    Board board;
    board.regim = kModeGame;
    board.object(3, 4) = kRock;
    board.floor(5, 6) = kPlatePressed;
    board.playerX = 8;
    board.playerY = 9;
    board.playerDir = kRight;
    board.pushPose = 1;
    board.playerDead = 1;
    board.undoObjectLayer[cellIndex(1, 1)] = kBomb;
    return board;
}

TEST(EditorCommands, EnteringOutsideATestRunStartsAnEmptyLevel) {
    Board board = playedBoard();
    board.takeStartSnapshot();
    EXPECT_TRUE(enterEditor(board)) << "the title is emptied too";
    EXPECT_EQ(board.regim, kModeEdit);
    EXPECT_EQ(board.objectLayer, Layer{});
    EXPECT_EQ(board.floorLayer, Layer{});
    EXPECT_EQ(board.playerX, 0);
    EXPECT_EQ(board.playerY, 0);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(board.testRun, 0);
    EXPECT_EQ(board.startObjectLayer[cellIndex(3, 4)], kRock) << "the snapshot is not touched";
}

TEST(EditorCommands, TestRunCapturesTheBoardAndEnteringAgainRestoresIt) {
    Board board = playedBoard();
    board.regim = kModeEdit;
    board.playerDead = 0;
    const Board edited = board;
    startTestRun(board);
    EXPECT_EQ(board.regim, kModeGame);
    EXPECT_EQ(board.testRun, 1);
    EXPECT_EQ(board.startObjectLayer, edited.objectLayer);
    EXPECT_EQ(board.startFloorLayer, edited.floorLayer);
    EXPECT_EQ(board.startX, 8);
    EXPECT_EQ(board.startY, 9);
    EXPECT_EQ(board.playerDir, kRight) << "the robot keeps its facing";

    // Play changes the board, the robot dies.
    board.object(3, 4) = kEmpty;
    board.object(4, 4) = kRock;
    board.floor(5, 6) = kPlateReleased;
    board.playerX = 2;
    board.playerDead = 1;
    board.pushPose = 1;

    EXPECT_FALSE(enterEditor(board)) << "the title stays";
    EXPECT_EQ(board.regim, kModeEdit);
    EXPECT_EQ(board.objectLayer, edited.objectLayer);
    EXPECT_EQ(board.floorLayer, edited.floorLayer);
    EXPECT_EQ(board.playerX, 8);
    EXPECT_EQ(board.playerY, 9);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(board.testRun, 1) << "testRun keeps its value";
}

TEST(EditorCommands, NewLevelEmptiesTheFieldAndKeepsEverythingElse) {
    Board board = playedBoard();
    board.regim = kModeEdit;
    board.testRun = 1;
    board.takeStartSnapshot();
    newLevel(board);
    EXPECT_EQ(board.objectLayer, Layer{});
    EXPECT_EQ(board.floorLayer, Layer{});
    EXPECT_EQ(board.playerX, 0);
    EXPECT_EQ(board.playerY, 0);
    EXPECT_EQ(board.playerDir, kRight);
    EXPECT_EQ(board.testRun, 1);
    EXPECT_EQ(board.startObjectLayer[cellIndex(3, 4)], kRock);
    EXPECT_EQ(board.regim, kModeEdit);
}

}  // namespace
}  // namespace prismcrate
