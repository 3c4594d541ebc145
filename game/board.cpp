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
    // The answer does not depend on the order the cells are looked at.
    using namespace layer_scan;
    for (int first = 0; first < kCellCount; first += kWordCells) {
        if (!anyByte(word(objectLayer, first), kCrate)) continue;
        for (int i = first; i < first + kWordCells; ++i)
            if (objectLayer[i] == kCrate && floorLayer[i] != kFloorTarget) return false;
    }
    return true;
}

}  // namespace prismcrate
