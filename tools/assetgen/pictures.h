// The pictures outside the sheets: the editor's tool palette, the about-box picture and
// the program icon.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/sprites.h"

namespace prismcrate::assetgen {

inline constexpr int kPaletteSize = 103;
inline constexpr int kPalettePitch = kCell + 1;
inline constexpr Rgb kSilver{192, 192, 192};

// One layer of a palette cell: pattern `pattern` of tiles1 (sheet 0) or tiles2 (sheet 1).
struct Layer {
    int sheet = 0;
    int pattern = 0;
};

// What tool t (0..15, row by row) shows: the layers the field would draw for what the tool
// places on a plain floor, bottom first.
std::vector<Layer> toolLayers(int tool);

// The 103 x 103 palette on silver: tool (r, c) in the 24 x 24 cell at (25c+2, 25r+2).
std::vector<Rgb> drawPalette(const Sheet& tiles1, const Sheet& tiles2);

// The about picture and the icon share one scene: a worker in a red cap pushing a brown
// crate, seen from the side, laid out on a 32 by 32 grid and drawn at `size` pixels.
// The about picture is on white with a strip of ground; the icon has no background.
inline constexpr int kAboutSize = 32;
Canvas drawAboutScene(int size, bool withBackground);

// A picture reduced to at most 256 colours: the colour table and one index per pixel.
struct IndexedImage {
    std::vector<Rgb> colours;
    std::vector<std::uint8_t> indices;
};
IndexedImage reduceColours(const std::vector<Rgb>& pixels);

}  // namespace prismcrate::assetgen
