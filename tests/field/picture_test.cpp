// One field pass on a prepared board through the real sheets, compared pixel for pixel
// with a picture the test composes itself from the sheet patterns.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/field/sheet_field.h"

namespace prismcrate {
namespace {

constexpr int kSide = kFieldSize * cellSize;
constexpr std::uint32_t kKey = 0xFF800080u;  // purple, the sheets' transparent colour

struct Placed {
    int sheet, pattern, x, y;  // cell coordinates
};

// The expected frame: the patterns pasted one after another with the key skipped.
std::vector<std::uint32_t> compose(testing::SheetField& host, const std::vector<Placed>& draws) {
    std::vector<std::uint32_t> frame(std::size_t(kSide) * kSide, 0xFF000000u);
    for (const Placed& d : draws) {
        const DibImage& sheet = host.sheet(d.sheet);
        for (int py = 0; py < cellSize; ++py) {
            for (int px = 0; px < cellSize; ++px) {
                const std::uint32_t p = sheet.pixel(d.pattern * cellSize + px, py);
                if (p != kKey)
                    frame[std::size_t(d.y * cellSize + py) * kSide + d.x * cellSize + px] = p;
            }
        }
    }
    return frame;
}

TEST(FieldPicture, PassThroughTheRealSheetsMatchesTheComposedFrame) {
    Board board;
    board.regim = kModeGame;
    board.playerX = 10;
    board.playerY = 8;
    board.playerDir = kRight;
    board.pushPose = 1;
    // Floors and the objects on them.
    board.floor(1, 1) = kFloorTarget;
    board.object(1, 1) = kCrate;
    board.object(2, 1) = kCrate;
    board.floor(3, 1) = kPlateReleased;
    board.floor(4, 1) = kPlateReleased;
    board.object(4, 1) = kRock;  // pressed by this pass, which opens the gate
    board.object(5, 1) = kGateClosed;
    board.floor(6, 1) = kFloorTarget;
    board.object(15, 5) = kSteel;
    // A corner wall and a block of walls.
    board.object(0, 0) = kWall;
    for (int y = 3; y < 5; ++y)
        for (int x = 8; x < 10; ++x) board.object(x, y) = kWall;
    // A beam turned down into a bomb, and one turned right.
    board.object(0, 10) = kEmitterRight;
    board.object(5, 10) = kMirrorFalling;
    board.object(5, 14) = kBomb;
    board.object(12, 19) = kEmitterUp;
    board.object(12, 12) = kMirrorRising;

    testing::SheetField host(board, PRISMCRATE_SOURCE_DIR "/assets");
    ASSERT_TRUE(host.dxdraw().Initialized());
    ASSERT_EQ(host.backSurface().Width(), kSide);
    showpole(board, host, host.canvas());
    ASSERT_EQ(host.played, (std::vector<int>{kCueClick, kCueExplosion}));

    // The picture as it should be, written out cell by cell.
    std::vector<Placed> draws;
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            int floor = 8;
            if ((x == 1 || x == 6) && y == 1) floor = 9;
            if (x == 3 && y == 1) floor = 24;
            if (x == 4 && y == 1) floor = 25;
            if (x == 5 && y == 1) floor = 23;
            draws.push_back({kTiles1, floor, x, y});
            auto object = [&](int sheet, int pattern) { draws.push_back({sheet, pattern, x, y}); };
            if (x == 0 && y == 0) object(kTiles1, 10), object(kTiles2, 9), object(kTiles2, 10);
            if (x == 1 && y == 1) object(kTiles1, 12);
            if (x == 2 && y == 1) object(kTiles1, 11);
            if (x == 4 && y == 1) object(kTiles1, 19);
            if (x >= 8 && x <= 9 && y >= 3 && y <= 4) {
                object(kTiles1, 10);
                if (x == 8) object(kTiles2, 7);
                if (y == 3) object(kTiles2, 8);
                if (x == 9) object(kTiles2, 9);
                if (y == 4) object(kTiles2, 10);
            }
            if (x == 15 && y == 5) object(kTiles1, 21);
            if (x == 0 && y == 10) object(kTiles1, 17);
            if (x == 5 && y == 10) object(kTiles1, 13);
            if (x == 5 && y == 14) object(kTiles1, 20);
            if (x == 12 && y == 19) object(kTiles1, 16);
            if (x == 12 && y == 12) object(kTiles1, 14);
        }
    }
    draws.push_back({kTiles1, 6, 10, 8});  // pushing, facing right
    // First beam: right, down at the mirror, through the bomb's blast to the border.
    for (int x = 1; x < 5; ++x) draws.push_back({kTiles2, 0, x, 10});
    draws.push_back({kTiles2, 4, 5, 10});
    for (int y = 11; y < 14; ++y) draws.push_back({kTiles2, 1, 5, y});
    for (auto [x, y] : {std::pair{5, 13}, {4, 14}, {5, 14}, {6, 14}, {5, 15}})
        draws.push_back({kTiles2, 6, x, y});
    for (int y = 15; y < kFieldSize; ++y) draws.push_back({kTiles2, 1, 5, y});
    // Second beam: up, right at the mirror, to the border.
    for (int y = 18; y > 12; --y) draws.push_back({kTiles2, 1, 12, y});
    draws.push_back({kTiles2, 3, 12, 12});
    for (int x = 13; x < kFieldSize; ++x) draws.push_back({kTiles2, 0, x, 12});

    const std::vector<std::uint32_t> expected = compose(host, draws);
    const soft2d::Surface& surface = *host.backSurface().ISurface();
    int mismatches = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const std::uint32_t want = expected[std::size_t(y) * kSide + x];
            const std::uint32_t got = surface.pixel(x, y);
            if (want != got && mismatches++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") cell (" << x / cellSize << ", "
                              << y / cellSize << "): " << std::hex << got << " instead of " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);

    // The frame was presented: the control shows the back surface.
    const soft2d::Surface& shown = *host.dxdraw().Primary().ISurface();
    EXPECT_EQ(shown.pixel(5 * cellSize + 12, 17 * cellSize + 3),
              surface.pixel(5 * cellSize + 12, 17 * cellSize + 3));
    // The sheets really drew: a beam pixel is green, a blast cell is not the floor.
    const std::uint32_t beamPixel = surface.pixel(15 * cellSize + 3, 12 * cellSize + 11);
    EXPECT_TRUE(beamPixel == 0xFF00FF00u || beamPixel == 0xFF00D200u) << std::hex << beamPixel;
    EXPECT_NE(surface.pixel(4 * cellSize + 12, 14 * cellSize + 12),
              surface.pixel(3 * cellSize + 12, 14 * cellSize + 12));
}

}  // namespace
}  // namespace prismcrate
