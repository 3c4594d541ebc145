// Small test levels drawn as a few rows of characters, one character per cell with both
// layers in it, put at the field's top-left corner:
//   ' ' floor   '#' wall   '%' steel   'g' gate   '$' crate   '*' crate on a target
//   '.' target  '@' robot  '+' robot on a target  'r' rock   'R' rock on a plate
//   '_' plate   '\' '/' mirrors   '<' '^' '>' 'v' emitters   'b' bomb
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "levels/level_record.h"

namespace prismcrate::testing {

inline LevelRecord sketchLevel(const std::vector<std::string>& rows, std::string title = "") {
    LevelRecord level;
    level.title = std::move(title);
    for (std::size_t y = 0; y < rows.size() && y < kFieldSize; ++y) {
        for (std::size_t x = 0; x < rows[y].size() && x < kFieldSize; ++x) {
            std::uint8_t object = kEmpty;
            std::uint8_t floor = kFloorPlain;
            switch (rows[y][x]) {
                case ' ':
                    break;
                case '#':
                    object = kWall;
                    break;
                case '%':
                    object = kSteel;
                    break;
                case 'g':
                    object = kGateClosed;
                    break;
                case '$':
                    object = kCrate;
                    break;
                case '*':
                    object = kCrate;
                    floor = kFloorTarget;
                    break;
                case '.':
                    floor = kFloorTarget;
                    break;
                case '+':
                    floor = kFloorTarget;
                    [[fallthrough]];
                case '@':
                    level.playerX = static_cast<std::uint8_t>(x);
                    level.playerY = static_cast<std::uint8_t>(y);
                    break;
                case 'r':
                    object = kRock;
                    break;
                case 'R':
                    object = kRock;
                    floor = kPlateReleased;
                    break;
                case '_':
                    floor = kPlateReleased;
                    break;
                case '\\':
                    object = kMirrorFalling;
                    break;
                case '/':
                    object = kMirrorRising;
                    break;
                case '<':
                    object = kEmitterLeft;
                    break;
                case '^':
                    object = kEmitterUp;
                    break;
                case '>':
                    object = kEmitterRight;
                    break;
                case 'v':
                    object = kEmitterDown;
                    break;
                case 'b':
                    object = kBomb;
                    break;
                default:
                    std::abort();
            }
            const int cell = cellIndex(static_cast<int>(x), static_cast<int>(y));
            level.objectLayer[cell] = object;
            level.floorLayer[cell] = floor;
        }
    }
    return level;
}

}  // namespace prismcrate::testing
