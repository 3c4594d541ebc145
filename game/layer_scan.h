// Walking a layer eight cells at a time: a word of eight cell codes is tested at once for
// the codes a pass looks for, and only words that hold one are looked at cell by cell. The
// tests are exact (no word holding such a code is ever skipped); the passes use them where
// the order in which cells are visited does not matter.
#pragma once

#include <cstdint>
#include <cstring>

#include "game/board.h"

namespace prismcrate::layer_scan {

constexpr int kWordCells = 8;
static_assert(kCellCount % kWordCells == 0);

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// The eight cells from index `first` as one word.
inline std::uint64_t word(const Layer& layer, int first) {
    std::uint64_t w;
    std::memcpy(&w, layer.data() + first, sizeof w);
    return w;
}

// Whether any byte of `w` is 0 (exact as a yes or no).
constexpr bool anyZeroByte(std::uint64_t w) {
    return ((w - kOnes) & ~w & kHighs) != 0;
}

// The high bit of every byte of `w` that is zero, and no other bit (exact per byte).
constexpr std::uint64_t zeroBytes(std::uint64_t w) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    return ~(((w & kLow7) + kLow7) | w) & kHighs;
}

// The high bit of every byte of `w` that equals `code` (exact per byte).
constexpr std::uint64_t bytesEqual(std::uint64_t w, std::uint8_t code) {
    return zeroBytes(w ^ (kOnes * code));
}

// Whether any byte of `w` equals `code`.
constexpr bool anyByte(std::uint64_t w, std::uint8_t code) {
    return anyZeroByte(w ^ (kOnes * code));
}

// Whether any byte of `w` is `code` or `code` + 1, for an even `code`.
constexpr bool anyBytePair(std::uint64_t w, std::uint8_t evenCode) {
    return anyZeroByte((w & (kOnes * 0xFE)) ^ (kOnes * evenCode));
}

}  // namespace prismcrate::layer_scan
