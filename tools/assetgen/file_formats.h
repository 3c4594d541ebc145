// Writers for the two file formats the game's assets use: Windows bitmaps (24 bits per
// pixel, or 8 bits with a 256-entry colour table) and RIFF WAVE with 8-bit mono samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace prismcrate::assetgen {

using Bytes = std::vector<std::uint8_t>;

// Bytes of one stored row: the row's bits rounded up to whole 32-bit words.
int bmpStride(int width, int bitsPerPixel);

// A 24-bit bitmap file: 14-byte file header, 40-byte info header, rows bottom-up in
// blue-green-red order, each row padded with zeros to the stride. `pixels` holds the rows
// top-down and has width x height entries.
Bytes encodeBmp24(int width, int height, const std::vector<Rgb>& pixels);

// An 8-bit bitmap file with a 256-entry colour table (unused entries black). `indices` holds
// the rows top-down; `colours` has at most 256 entries.
Bytes encodeBmp8(int width, int height, const std::vector<std::uint8_t>& indices,
                 const std::vector<Rgb>& colours);

// A RIFF WAVE file: a 16-byte "fmt " chunk (PCM, one channel, 8 bits unsigned, byte rate
// equal to the sample rate, block alignment 1) and a "data" chunk of the samples.
Bytes encodeWav8(std::uint32_t sampleRate, const std::vector<std::uint8_t>& samples);

// Writes the bytes to a file; throws std::runtime_error naming the file on failure.
void writeFile(const std::string& path, const Bytes& bytes);

}  // namespace prismcrate::assetgen
