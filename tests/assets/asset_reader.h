// A strict little reader for the asset files, used only by the tests: it keeps every header
// field so the tests can check them, and refuses anything it does not expect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace prismcrate::assetgen::testing {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::string& path);

struct BmpFile {
    std::uint32_t fileSize = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    std::vector<Rgb> colourTable;       // 8-bit files only
    std::vector<std::uint8_t> indices;  // 8-bit files only, rows top-down
    std::vector<Rgb> pixels;            // rows top-down
    bool paddingIsZero = true;          // every row's padding bytes are 0

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Reads an uncompressed bottom-up bitmap of 8 or 24 bits with a 40-byte info header.
std::optional<BmpFile> parseBmp(const Bytes& bytes);

struct WavFile {
    std::uint32_t riffSize = 0;
    std::uint32_t fmtSize = 0;
    std::uint16_t format = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::vector<std::string> chunkOrder;
    std::vector<std::uint8_t> samples;
};

// Reads a RIFF WAVE file chunk by chunk.
std::optional<WavFile> parseWav(const Bytes& bytes);

// A 24 x 24 pattern cut out of a sheet, rows top-down.
std::vector<Rgb> patternOf(const BmpFile& sheet, int n);

}  // namespace prismcrate::assetgen::testing
