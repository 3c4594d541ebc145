#include <gtest/gtest.h>

#include "tests/field/field_fixture.h"

namespace prismcrate {
namespace {

using testing::at;
using testing::beam;
using testing::Draw;

class BeamTest : public testing::FieldTest {
  protected:
    void trace() { showbeam(board, rec, rec); }
};

TEST_F(BeamTest, WorkedPathTurnsBlastsAndRunsOnThroughTheBlast) {
    board.object(2, 5) = kEmitterRight;
    board.object(6, 5) = kMirrorFalling;
    board.object(6, 8) = kBomb;
    board.object(6, 12) = kWall;
    trace();

    const std::vector<Draw> expected = {
        beam(0, 3, 5), beam(0, 4, 5), beam(0, 5, 5), beam(4, 6, 5),  // turned down
        beam(1, 6, 6), beam(1, 6, 7),
        // The bomb's cross, in sweep order, over the segment already at (6, 7).
        beam(6, 6, 7), beam(6, 5, 8), beam(6, 6, 8), beam(6, 7, 8), beam(6, 6, 9),
        // The beam goes on through the blast and stops at the wall.
        beam(1, 6, 9), beam(1, 6, 10), beam(1, 6, 11)};
    EXPECT_EQ(rec.draws, expected);
    EXPECT_EQ(board.object(6, 8), kEmpty);
    EXPECT_EQ(board.object(6, 5), kMirrorFalling);
    EXPECT_EQ(board.object(6, 12), kWall);
    EXPECT_EQ(board.object(2, 5), kEmitterRight);
    EXPECT_EQ(rec.played, std::vector<int>{kCueExplosion});
    EXPECT_TRUE(rec.timerEnabled);
    EXPECT_EQ(rec.showpoles, 0);
    EXPECT_EQ(board.playerDead, 0);
}

TEST_F(BeamTest, EachMirrorArrivalLeavesByTheTableAndDrawsItsPattern) {
    const struct {
        std::uint8_t mirror, arriving, leaving;
        int pattern;
    } cases[] = {
        {kMirrorFalling, kLeft, kUp, 2},    {kMirrorFalling, kUp, kLeft, 4},
        {kMirrorFalling, kRight, kDown, 4}, {kMirrorFalling, kDown, kRight, 2},
        {kMirrorRising, kLeft, kDown, 3},   {kMirrorRising, kUp, kRight, 3},
        {kMirrorRising, kRight, kUp, 5},    {kMirrorRising, kDown, kLeft, 5},
    };
    // Emitter cell that sends a beam into (10, 10) moving in each direction, and the
    // step of each direction.
    const int fromX[] = {0, 12, 10, 8, 10}, fromY[] = {0, 10, 12, 10, 8};
    const int dx[] = {0, -1, 0, 1, 0}, dy[] = {0, 0, -1, 0, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "mirror " << int(c.mirror) << " arriving " << int(c.arriving));
        board = Board{};
        board.regim = kModeGame;
        board.playerX = board.playerY = 19;
        rec.draws.clear();
        board.object(10, 10) = c.mirror;
        board.object(fromX[c.arriving], fromY[c.arriving]) =
            static_cast<std::uint8_t>(kEmitterLeft + c.arriving - 1);
        trace();

        EXPECT_EQ(drawsAt(10, 10), std::vector<Draw>{beam(c.pattern, 10, 10)});
        const int straight = (c.leaving == kLeft || c.leaving == kRight) ? 0 : 1;
        const int nx = 10 + dx[c.leaving], ny = 10 + dy[c.leaving];
        EXPECT_EQ(drawsAt(nx, ny), std::vector<Draw>{beam(straight, nx, ny)});
        // The beam runs on to the border in its new direction.
        const int ex = c.leaving == kLeft ? 0 : c.leaving == kRight ? 19 : 10;
        const int ey = c.leaving == kUp ? 0 : c.leaving == kDown ? 19 : 10;
        EXPECT_EQ(drawsAt(ex, ey), std::vector<Draw>{beam(straight, ex, ey)});
        EXPECT_EQ(board.object(10, 10), c.mirror);
    }
}

TEST_F(BeamTest, EmittersOnTheBorderFacingOutDrawNothing) {
    board.object(0, 3) = kEmitterLeft;
    board.object(4, 0) = kEmitterUp;
    board.object(19, 7) = kEmitterRight;
    board.object(9, 19) = kEmitterDown;
    trace();
    EXPECT_TRUE(rec.draws.empty());
    EXPECT_TRUE(rec.played.empty());
}

TEST_F(BeamTest, EmittersFacingEachOtherStopAtEachOther) {
    board.object(3, 4) = kEmitterRight;
    board.object(9, 4) = kEmitterLeft;
    trace();
    const std::vector<Draw> expected = {beam(0, 4, 4), beam(0, 5, 4), beam(0, 6, 4), beam(0, 7, 4),
                                        beam(0, 8, 4), beam(0, 8, 4), beam(0, 7, 4), beam(0, 6, 4),
                                        beam(0, 5, 4), beam(0, 4, 4)};
    EXPECT_EQ(rec.draws, expected);
}

TEST_F(BeamTest, StoppingObjectsEndTheBeamInFrontAndStayPut) {
    const std::uint8_t codes[] = {kWall, kCrate, kRock, kEmitterUp, kSteel, kGateClosed, 13, 255};
    for (std::uint8_t code : codes) {
        SCOPED_TRACE(int(code));
        board.objectLayer.fill(0);
        rec.draws.clear();
        board.object(2, 9) = kEmitterDown;
        board.object(2, 12) = code;
        trace();
        // An emitter in the way fires its own beam upwards over the same cells.
        const std::vector<Draw> own = {beam(1, 2, 10), beam(1, 2, 11)};
        std::vector<Draw> expected = own;
        if (code == kEmitterUp) expected.insert(expected.end(), {beam(1, 2, 11), beam(1, 2, 10)});
        EXPECT_EQ(rec.draws, expected);
        EXPECT_EQ(board.object(2, 12), code);
        EXPECT_TRUE(rec.played.empty());
    }
}

TEST_F(BeamTest, BombNextToTheEmitterRemovesItAndTheBeamGoesOn) {
    board.object(2, 2) = kEmitterRight;
    board.object(3, 2) = kBomb;
    trace();
    EXPECT_EQ(board.object(2, 2), kEmpty);
    EXPECT_EQ(board.object(3, 2), kEmpty);
    std::vector<Draw> expected = {beam(6, 3, 1), beam(6, 2, 2), beam(6, 3, 2), beam(6, 4, 2),
                                  beam(6, 3, 3)};
    for (int x = 4; x < kFieldSize; ++x) expected.push_back(beam(0, x, 2));
    EXPECT_EQ(rec.draws, expected);
}

TEST_F(BeamTest, EmitterRemovedByAnEarlierBlastFiresNothing) {
    board.object(5, 1) = kEmitterDown;
    board.object(5, 3) = kBomb;
    board.object(6, 3) = kEmitterRight;  // in the bomb's cross, later in the sweep
    trace();
    EXPECT_EQ(board.object(6, 3), kEmpty);
    for (int x = 7; x < kFieldSize; ++x) EXPECT_TRUE(drawsAt(x, 3).empty()) << x;

    // Without the bomb the same emitter fires.
    board.objectLayer.fill(0);
    board.object(6, 3) = kEmitterRight;
    rec.draws.clear();
    trace();
    EXPECT_EQ(drawsAt(7, 3), std::vector<Draw>{beam(0, 7, 3)});
}

TEST_F(BeamTest, LaterBeamsSeeTheBoardEarlierBlastsLeft) {
    // The first beam's blast removes the wall that would stop the second beam.
    board.object(10, 0) = kEmitterDown;
    board.object(10, 2) = kBomb;
    board.object(0, 3) = kEmitterRight;
    board.object(10, 3) = kWall;
    trace();
    EXPECT_EQ(board.object(10, 3), kEmpty);
    EXPECT_EQ(drawsAt(19, 3), std::vector<Draw>{beam(0, 19, 3)});
}

TEST_F(BeamTest, ChainReactionSpreadsByEachBombsCrossAndSparesSurvivors) {
    board.object(10, 0) = kEmitterDown;
    board.object(10, 3) = kBomb;  // hit by the beam
    board.object(11, 3) = kBomb;  // chained by (10, 3)
    board.object(12, 3) = kBomb;  // chained by (11, 3)
    board.object(12, 4) = kBomb;  // chained by (12, 3)
    board.object(9, 3) = kCrate;
    board.object(13, 3) = kSteel;
    board.object(12, 5) = kGateClosed;
    board.object(11, 2) = kWall;
    board.object(12, 2) = kRock;
    board.object(11, 4) = kMirrorFalling;
    board.object(13, 4) = kEmitterLeft;  // later in the scan: removed before its turn
    board.object(10, 4) = 13;            // out of range: removed, the beam runs on
    board.object(9, 2) = kWall;          // diagonal neighbours stay
    board.object(9, 4) = kRock;
    board.object(14, 3) = kWall;  // beyond every cross
    // A second, separate explosion in the same call.
    board.object(0, 15) = kEmitterRight;
    board.object(5, 15) = kBomb;
    for (int i = 0; i < kCellCount; ++i) board.floorLayer[i] = static_cast<std::uint8_t>(i % 7);
    const Layer floors = board.floorLayer;

    trace();

    const std::vector<Draw> blast = {beam(6, 10, 2), beam(6, 11, 2), beam(6, 12, 2), beam(6, 9, 3),
                                     beam(6, 10, 3), beam(6, 11, 3), beam(6, 12, 3), beam(6, 13, 3),
                                     beam(6, 10, 4), beam(6, 11, 4), beam(6, 12, 4), beam(6, 13, 4),
                                     beam(6, 12, 5)};
    std::vector<Draw> expected = {beam(1, 10, 1), beam(1, 10, 2)};
    expected.insert(expected.end(), blast.begin(), blast.end());
    for (int y = 4; y < kFieldSize; ++y) expected.push_back(beam(1, 10, y));
    for (int x = 1; x < 5; ++x) expected.push_back(beam(0, x, 15));
    expected.insert(expected.end(), {beam(6, 5, 14), beam(6, 4, 15), beam(6, 5, 15), beam(6, 6, 15),
                                     beam(6, 5, 16)});
    for (int x = 6; x < kFieldSize; ++x) expected.push_back(beam(0, x, 15));
    EXPECT_EQ(rec.draws, expected);

    EXPECT_EQ(board.object(9, 3), kCrate);
    EXPECT_EQ(board.object(13, 3), kSteel);
    EXPECT_EQ(board.object(12, 5), kGateClosed);
    for (auto [x, y] :
         {std::pair{10, 3}, {11, 3}, {12, 3}, {12, 4}, {11, 2}, {12, 2}, {11, 4}, {13, 4}, {10, 4}})
        EXPECT_EQ(board.object(x, y), kEmpty) << x << "," << y;
    EXPECT_EQ(board.object(9, 2), kWall);
    EXPECT_EQ(board.object(9, 4), kRock);
    EXPECT_EQ(board.object(14, 3), kWall);
    EXPECT_EQ(board.object(5, 15), kEmpty);
    EXPECT_EQ(board.floorLayer, floors);
    EXPECT_EQ(rec.played, std::vector<int>{kCueExplosion});
    EXPECT_EQ(rec.timerEnables, 1);
}

TEST_F(BeamTest, BeamThroughTheRobotKillsOnceInGameAndRunsOn) {
    board.playerX = 6;
    board.playerY = 4;
    board.object(0, 4) = kEmitterRight;
    board.object(6, 0) = kEmitterDown;  // a second beam through the same cell
    board.wreckShown = 1;               // keep the nested pass out of this test
    trace();
    EXPECT_EQ(board.playerDead, 1);
    EXPECT_EQ(rec.played, std::vector<int>{kCueDeath});
    EXPECT_EQ(drawsAt(19, 4), std::vector<Draw>{beam(0, 19, 4)});
    EXPECT_EQ(drawsAt(6, 19), std::vector<Draw>{beam(1, 6, 19)});
    EXPECT_EQ(rec.showpoles, 0);
}

TEST_F(BeamTest, BeamAndBlastSpareTheRobotOutsideTheGame) {
    for (const std::string& mode : {kModeEdit, kModeTitle}) {
        board = Board{};
        board.regim = mode;
        board.playerX = 6;
        board.playerY = 4;
        board.object(0, 4) = kEmitterRight;
        board.object(7, 4) = kBomb;  // the beam crosses the robot, then the blast covers it
        rec.played.clear();
        trace();
        EXPECT_EQ(board.playerDead, 0) << mode;
        EXPECT_EQ(rec.played, std::vector<int>{kCueExplosion}) << mode;
        EXPECT_EQ(board.object(7, 4), kEmpty) << mode;
        EXPECT_EQ(rec.showpoles, 0) << mode;
    }
}

TEST_F(BeamTest, BlastKillsTheRobotWithoutTheBeamReachingIt) {
    board.playerX = 7;
    board.playerY = 9;
    board.object(8, 0) = kEmitterDown;
    board.object(8, 9) = kBomb;  // the robot stands in its cross
    board.object(8, 12) = kWall;
    trace();
    EXPECT_EQ(board.playerDead, 1);
    EXPECT_EQ(rec.played, (std::vector<int>{kCueDeath, kCueExplosion}));
    // The blast redraw is pending, so the wreck waits for it.
    EXPECT_TRUE(rec.timerEnabled);
    EXPECT_EQ(rec.showpoles, 0);
}

TEST_F(BeamTest, DeathWithNoBlastPendingRunsOneImmediateSecondPass) {
    board.playerX = 5;
    board.playerY = 5;
    board.playerDir = kLeft;
    board.object(0, 5) = kEmitterRight;
    showpole(board, rec, rec);

    EXPECT_EQ(board.playerDead, 1);
    EXPECT_EQ(board.wreckShown, 1);
    EXPECT_EQ(rec.showpoles, 1);
    EXPECT_EQ(rec.flips, 2);
    EXPECT_EQ(rec.played, std::vector<int>{kCueDeath});
    // First the living robot, then the wreck of the nested pass, each with the beam
    // over it.
    const std::vector<Draw> robot = {at(kTiles1, 8, 5, 5), at(kTiles1, 0, 5, 5),  beam(0, 5, 5),
                                     at(kTiles1, 8, 5, 5), at(kTiles1, 26, 5, 5), beam(0, 5, 5)};
    EXPECT_EQ(drawsAt(5, 5), robot);
}

TEST_F(BeamTest, NoSecondPassWhileTheBlastRedrawIsPending) {
    // The blast timer's own pass: the timer is still enabled while it runs.
    rec.timerEnabled = true;
    board.playerX = 5;
    board.playerY = 5;
    board.object(0, 5) = kEmitterRight;
    board.object(0, 10) = kEmitterRight;
    board.object(3, 10) = kBomb;
    showpole(board, rec, rec);
    EXPECT_EQ(board.playerDead, 1);
    EXPECT_EQ(rec.showpoles, 0);
    EXPECT_EQ(rec.flips, 1);
    EXPECT_EQ(rec.played, (std::vector<int>{kCueDeath, kCueExplosion}));
    EXPECT_EQ(rec.timerEnables, 0);  // not restarted
    // The robot is still drawn whole in this pass.
    EXPECT_EQ(drawsAt(5, 5)[1], at(kTiles1, 3, 5, 5));
}

TEST_F(BeamTest, BeamLoopingBackToItsOwnEmitterStops) {
    // A square of mirrors with the emitter on its top side.
    board.object(5, 5) = kMirrorRising;
    board.object(10, 5) = kMirrorFalling;
    board.object(10, 10) = kMirrorRising;
    board.object(5, 10) = kMirrorFalling;
    board.object(7, 5) = kEmitterRight;
    trace();
    // 2 + 4 + 4 + 4 + 1 cells between the mirrors, and the 4 mirrors.
    EXPECT_EQ(rec.draws.size(), 19u);
    EXPECT_EQ(rec.draws.back(), beam(0, 6, 5));
}

TEST_F(BeamTest, CircuitOpenedByABlastEnds) {
    board.object(5, 5) = kMirrorRising;
    board.object(10, 5) = kMirrorFalling;
    board.object(10, 10) = kMirrorRising;
    board.object(5, 10) = kMirrorFalling;
    board.object(7, 5) = kEmitterRight;
    board.object(8, 5) = kBomb;  // its blast takes the emitter away: the square is closed
    board.playerX = 10;
    board.playerY = 7;  // on the circuit
    trace();

    std::vector<Draw> expected = {beam(6, 8, 4), beam(6, 7, 5), beam(6, 8, 5), beam(6, 9, 5),
                                  beam(6, 8, 6)};
    // Once round the square from the bomb's cell, then back into (9, 5) moving right.
    expected.push_back(beam(0, 9, 5));
    expected.push_back(beam(4, 10, 5));
    for (int y = 6; y < 10; ++y) expected.push_back(beam(1, 10, y));
    expected.push_back(beam(5, 10, 10));
    for (int x = 9; x > 5; --x) expected.push_back(beam(0, x, 10));
    expected.push_back(beam(2, 5, 10));
    for (int y = 9; y > 5; --y) expected.push_back(beam(1, 5, y));
    expected.push_back(beam(3, 5, 5));
    for (int x = 6; x < 9; ++x) expected.push_back(beam(0, x, 5));
    EXPECT_EQ(rec.draws, expected);
    EXPECT_EQ(board.object(7, 5), kEmpty);
    // The robot on the circuit is hit once, however long the beam would run.
    EXPECT_EQ(rec.played, (std::vector<int>{kCueDeath, kCueExplosion}));
}

TEST_F(BeamTest, CircuitEndsAfterEachOfSeveralBlasts) {
    // Two bombs on the circuit: the second blast opens the square again and the trace
    // starts a fresh watch, still ending.
    board.object(5, 5) = kMirrorRising;
    board.object(12, 5) = kMirrorFalling;
    board.object(12, 12) = kMirrorRising;
    board.object(5, 12) = kMirrorFalling;
    board.object(7, 5) = kEmitterRight;
    board.object(8, 5) = kBomb;
    board.object(12, 9) = kBomb;
    trace();
    EXPECT_EQ(board.object(8, 5), kEmpty);
    EXPECT_EQ(board.object(12, 9), kEmpty);
    EXPECT_EQ(rec.played, std::vector<int>{kCueExplosion});
    EXPECT_LT(rec.draws.size(), 200u);
    // The last segment is the one before the first cell entered twice since the last blast.
    EXPECT_EQ(rec.draws.back(), beam(1, 12, 9));
}

}  // namespace
}  // namespace prismcrate
