#include <gtest/gtest.h>

#include "tests/field/field_fixture.h"

namespace prismcrate {
namespace {

using testing::at;
using testing::beam;
using testing::Draw;

class FieldPassTest : public testing::FieldTest {
  protected:
    void pass() { showpole(board, rec, rec); }
    // The draws of one cell after its floor: the object and its edges.
    std::vector<Draw> overFloor(int x, int y) const {
        std::vector<Draw> d = drawsAt(x, y);
        if (!d.empty()) d.erase(d.begin());
        return d;
    }
};

TEST_F(FieldPassTest, EmptyFieldDrawsEveryFloorInSweepOrderThenRobotThenFlips) {
    board.playerX = 3;
    board.playerY = 4;
    board.playerDir = kDown;
    pass();
    ASSERT_EQ(rec.draws.size(), 401u);
    int i = 0;
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x) EXPECT_EQ(rec.draws[i++], at(kTiles1, 8, x, y));
    EXPECT_EQ(rec.draws.back(), at(kTiles1, 3, 3, 4));
    EXPECT_EQ(rec.flips, 1);
    EXPECT_TRUE(rec.played.empty());
    EXPECT_EQ(rec.showpoles, 0);
}

TEST_F(FieldPassTest, FloorsAndObjectsDrawTheirPatterns) {
    board.regim = kModeEdit;  // no win test, no plate under anything
    const int floorPattern[] = {8, 9, 24, 23};
    const std::uint8_t floors[] = {kFloorPlain, kFloorTarget, kPlateReleased, kGateOpen};
    for (int i = 0; i < 4; ++i) board.floor(i, 0) = floors[i];
    board.playerX = 3;  // holds the open gate open
    board.playerY = 0;
    board.floor(4, 0) = 5;
    board.floor(5, 0) = 200;
    const int objectPattern[] = {-1, 10, 11, 19, 13, 14, 15, 16, 17, 18, 20, 21, 22};
    for (int code = 1; code <= 12; ++code) board.object(code, 2) = static_cast<std::uint8_t>(code);
    board.object(13, 2) = 13;
    board.object(14, 2) = 255;
    pass();

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(drawsAt(i, 0).front(), at(kTiles1, floorPattern[i], i, 0)) << i;
    // Floor codes out of range draw nothing at all for the cell.
    for (int x : {4, 5})
        for (const Draw& d : drawsAt(x, 0)) EXPECT_NE(d.sheet, kTiles1) << x;
    for (int code = 1; code <= 12; ++code) {
        const std::vector<Draw> d = drawsAt(code, 2);
        ASSERT_GE(d.size(), 2u) << code;
        EXPECT_EQ(d[0], at(kTiles1, 8, code, 2));
        EXPECT_EQ(d[1], at(kTiles1, objectPattern[code], code, 2)) << code;
    }
    for (int x : {13, 14}) {
        std::vector<Draw> tiles1;
        for (const Draw& d : drawsAt(x, 2))
            if (d.sheet == kTiles1) tiles1.push_back(d);
        EXPECT_EQ(tiles1, std::vector<Draw>{at(kTiles1, 8, x, 2)}) << x;
    }
}

TEST_F(FieldPassTest, CrateIsBlueOnATargetAndOrangeElsewhere) {
    board.regim = kModeEdit;
    board.object(1, 1) = kCrate;
    board.floor(1, 1) = kFloorTarget;
    board.object(2, 1) = kCrate;
    board.object(3, 1) = kCrate;
    board.floor(3, 1) = kGateOpen;
    pass();
    EXPECT_EQ(drawsAt(1, 1), (std::vector<Draw>{at(kTiles1, 9, 1, 1), at(kTiles1, 12, 1, 1)}));
    EXPECT_EQ(drawsAt(2, 1), (std::vector<Draw>{at(kTiles1, 8, 2, 1), at(kTiles1, 11, 2, 1)}));
    EXPECT_EQ(drawsAt(3, 1), (std::vector<Draw>{at(kTiles1, 23, 3, 1), at(kTiles1, 11, 3, 1)}));
}

TEST_F(FieldPassTest, WallEdgesOnlyTowardsNonWallCellsInsideTheField) {
    board.regim = kModeEdit;
    for (int y = 5; y < 8; ++y)
        for (int x = 5; x < 8; ++x) board.object(x, y) = kWall;
    board.object(0, 0) = kWall;
    board.object(19, 19) = kWall;
    board.object(10, 10) = kWall;
    board.object(11, 10) = kRock;
    board.playerX = 0;
    board.playerY = 19;
    pass();

    auto wall = [](int x, int y, std::initializer_list<int> edges) {
        std::vector<Draw> d = {at(kTiles1, 10, x, y)};
        for (int e : edges) d.push_back(at(kTiles2, e, x, y));
        return d;
    };
    EXPECT_EQ(overFloor(10, 10), wall(10, 10, {7, 8, 9, 10}));
    EXPECT_EQ(overFloor(0, 0), wall(0, 0, {9, 10}));
    EXPECT_EQ(overFloor(19, 19), wall(19, 19, {7, 8}));
    EXPECT_EQ(overFloor(5, 5), wall(5, 5, {7, 8}));
    EXPECT_EQ(overFloor(6, 5), wall(6, 5, {8}));
    EXPECT_EQ(overFloor(7, 5), wall(7, 5, {8, 9}));
    EXPECT_EQ(overFloor(5, 6), wall(5, 6, {7}));
    EXPECT_EQ(overFloor(6, 6), wall(6, 6, {}));
    EXPECT_EQ(overFloor(7, 6), wall(7, 6, {9}));
    EXPECT_EQ(overFloor(5, 7), wall(5, 7, {7, 10}));
    EXPECT_EQ(overFloor(6, 7), wall(6, 7, {10}));
    EXPECT_EQ(overFloor(7, 7), wall(7, 7, {9, 10}));
}

TEST_F(FieldPassTest, RobotPosesWreckAndWreckShown) {
    board.regim = kModeEdit;
    board.playerX = 2;
    board.playerY = 7;
    for (int pose = 0; pose < 2; ++pose) {
        for (int dir = kLeft; dir <= kDown; ++dir) {
            rec.draws.clear();
            board.playerDir = static_cast<std::uint8_t>(dir);
            board.pushPose = static_cast<std::uint8_t>(pose);
            pass();
            EXPECT_EQ(rec.draws.back(), at(kTiles1, dir - 1 + 4 * pose, 2, 7));
            EXPECT_EQ(board.wreckShown, 0);
        }
    }
    for (int dir : {0, 5, 255}) {
        rec.draws.clear();
        board.playerDir = static_cast<std::uint8_t>(dir);
        pass();
        EXPECT_EQ(rec.draws.size(), 400u) << dir;
    }
    rec.draws.clear();
    board.playerDir = 0;  // the wreck does not depend on the facing
    board.playerDead = 1;
    pass();
    EXPECT_EQ(rec.draws.back(), at(kTiles1, 26, 2, 7));
    EXPECT_EQ(board.wreckShown, 1);
}

TEST_F(FieldPassTest, RobotOutsideTheFieldIsNotDrawnAndPressesNothing) {
    board.playerX = 20;
    board.playerY = 250;
    board.floor(0, 0) = kPlateReleased;
    pass();
    EXPECT_EQ(rec.draws.size(), 400u);
    EXPECT_EQ(board.floor(0, 0), kPlateReleased);
}

TEST_F(FieldPassTest, CrateOnAPlateClicksOnceAndStaysPressed) {
    board.object(4, 4) = kCrate;
    board.floor(4, 4) = kPlateReleased;
    pass();
    EXPECT_EQ(board.floor(4, 4), kPlatePressed);
    EXPECT_EQ(rec.played, std::vector<int>{kCueClick});
    EXPECT_EQ(drawsAt(4, 4).front(), at(kTiles1, 25, 4, 4));
    pass();
    EXPECT_EQ(board.floor(4, 4), kPlatePressed);
    EXPECT_EQ(rec.played, std::vector<int>{kCueClick});
    // Any object is weight, also one the tables do not know.
    board.object(4, 4) = 13;
    board.object(5, 5) = kRock;
    board.floor(5, 5) = kPlateReleased;
    board.object(6, 6) = kCrate;
    board.floor(6, 6) = kPlateReleased;
    pass();
    EXPECT_EQ(count(kCueClick), 3);
    EXPECT_EQ(board.floor(4, 4), kPlatePressed);
}

TEST_F(FieldPassTest, RobotOnAPlateClicksOnEveryPass) {
    board.playerX = 3;
    board.playerY = 3;
    board.floor(3, 3) = kPlateReleased;
    pass();
    pass();
    pass();
    EXPECT_EQ(count(kCueClick), 3);
    EXPECT_EQ(board.floor(3, 3), kPlatePressed);
    board.playerX = 4;  // steps off
    rec.draws.clear();
    pass();
    EXPECT_EQ(count(kCueClick), 3);
    EXPECT_EQ(board.floor(3, 3), kPlateReleased);
    EXPECT_EQ(drawsAt(3, 3).front(), at(kTiles1, 24, 3, 3));
}

TEST_F(FieldPassTest, OnePressedPlateOpensEveryGateAndReleasingClosesTheEmptyOnes) {
    board.playerX = 0;
    board.playerY = 0;
    board.floor(0, 0) = kPlateReleased;
    board.object(10, 2) = kGateClosed;
    board.object(3, 17) = kGateClosed;
    board.object(15, 9) = kGateClosed;
    board.floor(15, 9) = kFloorTarget;  // opening overwrites any floor
    pass();
    for (auto [x, y] : {std::pair{10, 2}, {3, 17}, {15, 9}}) {
        EXPECT_EQ(board.object(x, y), kEmpty);
        EXPECT_EQ(board.floor(x, y), kGateOpen);
        EXPECT_EQ(drawsAt(x, y), std::vector<Draw>{at(kTiles1, 23, x, y)});
    }

    // A crate in one open gate and the robot in another hold them open.
    board.object(10, 2) = kCrate;
    board.playerX = 3;
    board.playerY = 17;
    rec.draws.clear();
    pass();
    EXPECT_EQ(board.floor(0, 0), kPlateReleased);
    EXPECT_EQ(board.floor(10, 2), kGateOpen);
    EXPECT_EQ(board.floor(3, 17), kGateOpen);
    EXPECT_EQ(board.object(3, 17), kEmpty);
    EXPECT_EQ(board.object(15, 9), kGateClosed);
    EXPECT_EQ(board.floor(15, 9), kFloorPlain);
    EXPECT_EQ(drawsAt(15, 9), (std::vector<Draw>{at(kTiles1, 8, 15, 9), at(kTiles1, 22, 15, 9)}));

    // Emptied, they close on the next pass.
    board.object(10, 2) = kEmpty;
    board.playerX = 5;
    pass();
    EXPECT_EQ(board.object(10, 2), kGateClosed);
    EXPECT_EQ(board.object(3, 17), kGateClosed);
    EXPECT_EQ(board.floor(3, 17), kFloorPlain);
}

TEST_F(FieldPassTest, GatesOpenBeforeTheBeamsOfTheSamePass) {
    board.object(0, 8) = kEmitterRight;
    board.object(6, 8) = kGateClosed;
    board.object(1, 1) = kRock;
    board.floor(1, 1) = kPlateReleased;
    board.playerX = 12;
    board.playerY = 8;
    pass();
    EXPECT_EQ(board.floor(6, 8), kGateOpen);
    EXPECT_EQ(board.playerDead, 1);
    EXPECT_EQ(rec.played, (std::vector<int>{kCueClick, kCueDeath}));
}

TEST_F(FieldPassTest, ClosingGateStopsTheBeamInTheSamePass) {
    board.object(0, 8) = kEmitterRight;
    board.floor(6, 8) = kGateOpen;
    board.floor(1, 1) = kPlatePressed;  // nothing on it any more
    board.playerX = 12;
    board.playerY = 8;
    pass();
    EXPECT_EQ(board.floor(1, 1), kPlateReleased);
    EXPECT_EQ(board.object(6, 8), kGateClosed);
    EXPECT_EQ(board.playerDead, 0);
    EXPECT_EQ(sheetDraws(kTiles2).back(), beam(0, 5, 8));
}

TEST_F(FieldPassTest, BlastRemovingTheWeightReleasesThePlateOnlyNextPass) {
    board.object(0, 3) = kEmitterRight;
    board.object(5, 3) = kBomb;
    board.object(5, 4) = kRock;  // in the bomb's cross
    board.floor(5, 4) = kPlateReleased;
    board.object(12, 12) = kGateClosed;
    pass();
    EXPECT_EQ(board.object(5, 4), kEmpty);
    EXPECT_EQ(board.floor(5, 4), kPlatePressed);
    EXPECT_EQ(board.floor(12, 12), kGateOpen);
    EXPECT_TRUE(rec.timerEnabled);

    // The blast redraw.
    pass();
    EXPECT_EQ(board.floor(5, 4), kPlateReleased);
    EXPECT_EQ(board.object(12, 12), kGateClosed);
    EXPECT_EQ(count(kCueClick), 1);
}

TEST_F(FieldPassTest, WinTestRunsOnlyInGameAfterTheFlip) {
    board.object(4, 4) = kCrate;
    board.floor(4, 4) = kFloorTarget;
    board.floor(5, 5) = kFloorTarget;  // an empty target does not matter
    int flipsAtWin = -1;
    rec.onWin = [&] { flipsAtWin = rec.flips; };
    pass();
    EXPECT_EQ(rec.wins, 1);
    EXPECT_EQ(flipsAtWin, 1);

    board.regim = kModeEdit;
    pass();
    EXPECT_EQ(rec.wins, 1);

    board.regim = kModeGame;
    board.object(6, 6) = kCrate;  // a crate off target
    pass();
    EXPECT_EQ(rec.wins, 1);

    // A level with no crate at all is solved; a dead robot does not stop the test.
    board.objectLayer.fill(0);
    board.playerDead = 1;
    pass();
    EXPECT_EQ(rec.wins, 2);
}

TEST_F(FieldPassTest, WinSequenceCanRunANestedPassOnTheNextLevel) {
    board.object(4, 4) = kCrate;
    board.floor(4, 4) = kFloorTarget;
    rec.onWin = [&] {
        if (rec.wins > 1) return;
        board.objectLayer.fill(0);
        board.floorLayer.fill(0);
        board.object(8, 8) = kCrate;  // the next level is not solved
        showpole(board, rec, rec);
    };
    pass();
    EXPECT_EQ(rec.wins, 1);
    EXPECT_EQ(rec.flips, 2);
    // Each pass: 400 floors, one crate, the robot.
    EXPECT_EQ(rec.draws.size(), 2u * 402u);
}

TEST(TitleFieldTest, PlainFloorInEveryCellRowByRowThenOneFlip) {
    testing::RecordingCanvas canvas;
    drawTitleField(canvas);
    ASSERT_EQ(canvas.draws.size(), 400u);
    for (int i = 0; i < 400; ++i) {
        const int y = i / 20;
        const int x = i % 20;
        EXPECT_EQ(canvas.draws[i], (Draw{kTiles1, 8, x * 24, y * 24}));
    }
    EXPECT_EQ(canvas.flips, 1);
}

}  // namespace
}  // namespace prismcrate
