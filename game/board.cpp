#include "game/board.h"

namespace prismcrate {

void Board::resetForLoadedLevel() {
    playerDir = kDown;
    pushPose = 0;
}

void Board::takeStartSnapshot() {
    startObjectLayer = objectLayer;
    startFloorLayer = floorLayer;
    startX = playerX;
    startY = playerY;
}

void Board::restoreStartSnapshot() {
    objectLayer = startObjectLayer;
    floorLayer = startFloorLayer;
    playerX = startX;
    playerY = startY;
    resetForLoadedLevel();
}

void Board::clearField() {
    objectLayer.fill(0);
    floorLayer.fill(0);
    playerX = 0;
    playerY = 0;
}

bool Board::solved() const {
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x)
            if (object(x, y) == kCrate && floor(x, y) != kFloorTarget) return false;
    return true;
}

}  // namespace prismcrate
