// The move rules on their own: what one key does to the board and what it asks of the
// session (a field pass, the "move" cue, the undo command, closing the window).
#include "game/moves.h"

#include <gtest/gtest.h>

namespace prismcrate {
namespace {

class MovesTest : public ::testing::Test {
  protected:
    Board board;
    // What the keys asked for: field passes, "move" cues, undo renewals, closes.
    int showpoles = 0;
    int moveCues = 0;
    int undoRenewals = 0;
    int closes = 0;

    void SetUp() override {
        board.regim = kModeGame;
        board.playerX = 5;
        board.playerY = 5;
        board.playerDir = kDown;
    }
    MoveOutcome press(int key) {
        const MoveOutcome out = applyMove(board, key);
        if (out.ignored) return out;
        if (out.closeRequested) {
            ++closes;
            return out;
        }
        moveCues += out.pushed;
        undoRenewals += out.moved;
        ++showpoles;
        return out;
    }
};

TEST_F(MovesTest, FreeStepMovesTurnsAndRenewsUndo) {
    board.pushPose = 1;
    board.floor(4, 5) = kPlateReleased;  // floors play no part
    board.object(9, 9) = kRock;
    press(kKeyLeft);
    EXPECT_EQ(board.playerX, 4);
    EXPECT_EQ(board.playerY, 5);
    EXPECT_EQ(board.playerDir, kLeft);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(undoRenewals, 1);
    EXPECT_EQ(board.undoX, 5);
    EXPECT_EQ(board.undoY, 5);
    EXPECT_EQ(board.undoDir, kDown);
    EXPECT_EQ(board.undoPushPose, 1);
    EXPECT_EQ(board.undoObjectLayer, board.objectLayer);
    EXPECT_EQ(moveCues, 0);
    EXPECT_EQ(showpoles, 1);
}

TEST_F(MovesTest, EachArrowStepsInItsDirection) {
    const struct {
        int key, dir, dx, dy;
    } cases[] = {{kKeyLeft, kLeft, -1, 0},
                 {kKeyUp, kUp, 0, -1},
                 {kKeyRight, kRight, 1, 0},
                 {kKeyDown, kDown, 0, 1}};
    for (const auto& c : cases) {
        board.playerX = 5;
        board.playerY = 5;
        press(c.key);
        EXPECT_EQ(board.playerDir, c.dir);
        EXPECT_EQ(board.playerX, 5 + c.dx);
        EXPECT_EQ(board.playerY, 5 + c.dy);
    }
}

TEST_F(MovesTest, StepAgainstTheBorderTurnsButKeepsTheCellAndUndoState) {
    const struct {
        int key, x, y, dir;
    } cases[] = {{kKeyLeft, 0, 7, kLeft},
                 {kKeyUp, 7, 0, kUp},
                 {kKeyRight, 19, 7, kRight},
                 {kKeyDown, 7, 19, kDown}};
    for (const auto& c : cases) {
        board.playerX = c.x;
        board.playerY = c.y;
        board.playerDir = c.dir == kDown ? kUp : kDown;
        board.pushPose = 1;
        undoRenewals = 0;
        press(c.key);
        EXPECT_EQ(board.playerX, c.x);
        EXPECT_EQ(board.playerY, c.y);
        EXPECT_EQ(board.playerDir, c.dir);
        EXPECT_EQ(board.pushPose, 0) << "the walking pose is taken at the border";
        EXPECT_EQ(undoRenewals, 0) << "undo keeps its state";
    }
    EXPECT_EQ(showpoles, 4);
}

TEST_F(MovesTest, BlockedStepDoesNotEvenTurn) {
    for (std::uint8_t code :
         {kWall, kEmitterLeft, kEmitterUp, kEmitterRight, kEmitterDown, kSteel, kGateClosed}) {
        board.object(5, 4) = code;
        board.playerDir = kRight;
        board.pushPose = 1;
        press(kKeyUp);
        EXPECT_EQ(board.playerX, 5);
        EXPECT_EQ(board.playerY, 5);
        EXPECT_EQ(board.playerDir, kRight) << int(code);
        EXPECT_EQ(board.pushPose, 1) << "a pushing pose stays pushing";
        EXPECT_EQ(board.object(5, 4), code);
    }
    EXPECT_EQ(undoRenewals, 0);
    EXPECT_EQ(moveCues, 0);
    EXPECT_EQ(showpoles, 7) << "a refused step is still redrawn";
}

TEST_F(MovesTest, EveryPushableCodeIsPushedOneCell) {
    for (std::uint8_t code : {kCrate, kRock, kMirrorFalling, kMirrorRising, kBomb}) {
        board.objectLayer.fill(0);
        board.playerX = 5;
        board.playerY = 5;
        board.object(6, 5) = code;
        board.floor(6, 5) = kFloorTarget;
        board.floor(7, 5) = kPlateReleased;
        moveCues = 0;
        press(kKeyRight);
        EXPECT_EQ(board.playerX, 6);
        EXPECT_EQ(board.object(6, 5), kEmpty);
        EXPECT_EQ(board.object(7, 5), code);
        EXPECT_EQ(board.floor(6, 5), kFloorTarget) << "floors stay where they are";
        EXPECT_EQ(board.floor(7, 5), kPlateReleased);
        EXPECT_EQ(board.pushPose, 1);
        EXPECT_EQ(moveCues, 1);
    }
}

TEST_F(MovesTest, RefusedPushesLeaveEverythingAsItWas) {
    // Beyond the object: the border, then every non-empty code.
    board.playerX = 1;
    board.object(0, 5) = kCrate;
    board.pushPose = 0;
    board.playerDir = kDown;
    press(kKeyLeft);
    EXPECT_EQ(board.playerX, 1);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.object(0, 5), kCrate);

    for (int beyond = 1; beyond <= 12; ++beyond) {
        board.objectLayer.fill(0);
        board.playerX = 5;
        board.object(5, 6) = kBomb;
        board.object(5, 7) = static_cast<std::uint8_t>(beyond);
        press(kKeyDown);
        EXPECT_EQ(board.playerY, 5) << beyond;
        EXPECT_EQ(board.object(5, 6), kBomb);
        EXPECT_EQ(board.object(5, 7), beyond);
    }
    EXPECT_EQ(moveCues, 0);
    EXPECT_EQ(undoRenewals, 0);
}

TEST_F(MovesTest, WorkedPushAndItsUndoSnapshot) {
    board.object(4, 5) = kCrate;
    board.floor(4, 5) = kFloorTarget;
    const Layer before = board.objectLayer;
    press(kKeyLeft);
    EXPECT_EQ(board.playerX, 4);
    EXPECT_EQ(board.object(3, 5), kCrate);
    EXPECT_EQ(board.object(4, 5), kEmpty);
    EXPECT_EQ(board.floor(4, 5), kFloorTarget);
    EXPECT_EQ(board.pushPose, 1);
    EXPECT_EQ(undoRenewals, 1);
    EXPECT_EQ(board.undoObjectLayer, before);
    EXPECT_EQ(board.undoX, 5);
    EXPECT_EQ(board.undoY, 5);
    EXPECT_EQ(board.undoDir, kDown);
    EXPECT_EQ(board.undoPushPose, 0);

    // A second Left with a wall behind the crate: refused, the robot stays in place
    // facing left in the pushing pose and the undo snapshot is untouched.
    board.object(2, 5) = kWall;
    const Layer afterFirst = board.objectLayer;
    press(kKeyLeft);
    EXPECT_EQ(board.playerX, 4);
    EXPECT_EQ(board.playerDir, kLeft);
    EXPECT_EQ(board.pushPose, 1);
    EXPECT_EQ(board.objectLayer, afterFirst);
    EXPECT_EQ(board.undoObjectLayer, before);
    EXPECT_EQ(undoRenewals, 1);
    EXPECT_EQ(moveCues, 1);
}

TEST_F(MovesTest, UnknownCodesAreWalkedOnto) {
    board.object(5, 6) = 200;
    press(kKeyDown);
    EXPECT_EQ(board.playerY, 6);
    EXPECT_EQ(board.object(5, 6), 200);
}

TEST_F(MovesTest, KeysAreIgnoredOutsideGameAndWhileDestroyed) {
    for (const std::string mode : {"edit", "title", "", "Game"}) {
        board.regim = mode;
        for (int key : {kKeyLeft, kKeyUp, kKeyRight, kKeyDown, kKeyEscape}) press(key);
    }
    board.regim = kModeGame;
    board.playerDead = 1;
    for (int key : {kKeyLeft, kKeyUp, kKeyRight, kKeyDown, kKeyEscape}) press(key);
    EXPECT_EQ(board.playerX, 5);
    EXPECT_EQ(board.playerY, 5);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(showpoles, 0);
    EXPECT_EQ(closes, 0);
}

TEST_F(MovesTest, EscapeClosesWithoutRedrawAndOtherKeysDoNothing) {
    EXPECT_TRUE(press(65).ignored);
    EXPECT_TRUE(press(13).ignored);
    EXPECT_EQ(showpoles, 0);
    EXPECT_EQ(closes, 0);
    press(kKeyEscape);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(showpoles, 0);
}

}  // namespace
}  // namespace prismcrate
