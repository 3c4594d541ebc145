// The two sprite sheets of the field: strips of 24 by 24 patterns on the colour key.
#pragma once

#include <vector>

#include "tools/assetgen/canvas.h"

namespace prismcrate::assetgen {

inline constexpr int kCell = 24;
inline constexpr int kTiles1Count = 27;
inline constexpr int kTiles2Count = 11;

// The colour a sprite's edge pixels are blended towards: the plain floor they stand on.
Color floorColour();

// A strip of patterns, each kCell by kCell, left to right; pixels are rows top-down.
struct Sheet {
    int count = 0;
    std::vector<Rgb> pixels;

    int width() const { return count * kCell; }
    int height() const { return kCell; }
    // The kCell x kCell pixels of pattern n, rows top-down.
    std::vector<Rgb> pattern(int n) const;
};

// Robots, floors, wall, crates, mirrors, emitters, rock, bomb, steel block, gates, plates
// and the wreck, in the order the field draws them by number.
Sheet drawTiles1();
// Beams, the blast and the wall edge strips.
Sheet drawTiles2();

// Beam pixels: the two greens a beam line is made of.
inline constexpr Rgb kBeamBright{0, 255, 0};
inline constexpr Rgb kBeamDim{0, 210, 0};

}  // namespace prismcrate::assetgen
