#include "game/board.h"

#include "game/layer_scan.h"

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
    return !layer_scan::anyObjectOffFloor(objectLayer, floorLayer, kCrate, kFloorTarget);
}

}  // namespace prismcrate
