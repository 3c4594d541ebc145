// The one game state shared by the main window, the move rules, the field pass, the
// beam tracer, the editor and the level loaders.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace prismcrate {

constexpr int kFieldSize = 20;
constexpr int kCellCount = kFieldSize * kFieldSize;
// Side of a cell in pixels; every pixel computation of the field and the palette uses it.
constexpr int cellSize = 24;

// The cell of column x, row y is byte x*20 + y of a layer: the cells of one column are
// adjacent. Every sweep over the field still visits rows outer, columns inner.
using Layer = std::array<std::uint8_t, kCellCount>;

constexpr int cellIndex(int x, int y) {
    return x * kFieldSize + y;
}
constexpr bool onField(int x, int y) {
    return x >= 0 && x < kFieldSize && y >= 0 && y < kFieldSize;
}

// Directions, shared by the robot's facing and a beam's travel.
enum Direction : std::uint8_t { kLeft = 1, kUp = 2, kRight = 3, kDown = 4 };

// Object codes.
enum ObjectCode : std::uint8_t {
    kEmpty = 0,
    kWall = 1,
    kCrate = 2,
    kRock = 3,
    kMirrorFalling = 4,  // top-left to bottom-right
    kMirrorRising = 5,   // bottom-left to top-right
    kEmitterLeft = 6,
    kEmitterUp = 7,
    kEmitterRight = 8,
    kEmitterDown = 9,
    kBomb = 10,
    kSteel = 11,
    kGateClosed = 12,
};

// Floor codes.
enum FloorCode : std::uint8_t {
    kFloorPlain = 0,
    kFloorTarget = 1,
    kPlateReleased = 2,
    kPlatePressed = 3,
    kGateOpen = 4,
};

// Code classes; each is a fixed set.
constexpr bool isBlocking(std::uint8_t code) {
    return code == kWall || (code >= kEmitterLeft && code <= kEmitterDown) || code == kSteel ||
           code == kGateClosed;
}
constexpr bool isPushable(std::uint8_t code) {
    return code == kCrate || code == kRock || code == kMirrorFalling || code == kMirrorRising ||
           code == kBomb;
}
constexpr bool beamPasses(std::uint8_t code) {
    return code == kEmpty || code == kMirrorFalling || code == kMirrorRising || code == kBomb;
}
constexpr bool survivesBlast(std::uint8_t code) {
    return code == kCrate || code == kSteel || code == kGateClosed;
}

// The main window's modes.
inline const std::string kModeGame = "game";
inline const std::string kModeEdit = "edit";
inline const std::string kModeTitle = "title";

struct Board {
    Layer objectLayer{};
    Layer floorLayer{};
    std::uint8_t playerX = 0;
    std::uint8_t playerY = 0;
    std::uint8_t playerDir = kDown;
    std::uint8_t pushPose = 0;

    std::uint8_t playerDead = 0;
    std::uint8_t wreckShown = 0;
    std::uint8_t testRun = 0;

    // Start snapshot: facing down and walking pose are implied.
    Layer startObjectLayer{};
    Layer startFloorLayer{};
    std::uint8_t startX = 0;
    std::uint8_t startY = 0;

    // Undo snapshot, one move deep.
    Layer undoObjectLayer{};
    std::uint8_t undoX = 0;
    std::uint8_t undoY = 0;
    std::uint8_t undoDir = 0;
    std::uint8_t undoPushPose = 0;
    Layer preMoveObjectLayer{};

    // "title", "game" or "edit"; empty until start-up switches to "title".
    std::string regim;

    std::uint8_t& object(int x, int y) { return objectLayer[cellIndex(x, y)]; }
    std::uint8_t object(int x, int y) const { return objectLayer[cellIndex(x, y)]; }
    std::uint8_t& floor(int x, int y) { return floorLayer[cellIndex(x, y)]; }
    std::uint8_t floor(int x, int y) const { return floorLayer[cellIndex(x, y)]; }
    bool robotAt(int x, int y) const { return playerX == x && playerY == y; }

    // Facing down, walking pose: done by both level loaders.
    void resetForLoadedLevel();
    void takeStartSnapshot();
    void restoreStartSnapshot();
    // Every cell of both layers 0, robot at (0, 0); the facing is left alone.
    void clearField();
    // A level is solved when no crate stands on a floor other than a target.
    bool solved() const;
};

// Pixel to cell along one axis.
constexpr int pixelToCell(int pixel) {
    return pixel / cellSize;
}

}  // namespace prismcrate
