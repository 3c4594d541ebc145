// Whole-layer questions answered eight cells at a time. Only for questions whose answer
// does not depend on the order in which the cells are looked at.
#pragma once

#include <cstdint>
#include <cstring>

#include "game/board.h"

namespace prismcrate::layer_scan {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
static_assert(kCellCount % 8 == 0);

inline std::uint64_t word(const Layer& layer, int i) {
    std::uint64_t w;
    std::memcpy(&w, layer.data() + i, sizeof w);
    return w;
}

// The high bit of every byte of `w` that is zero, and no other bit.
constexpr std::uint64_t zeroBytes(std::uint64_t w) {
    return ~(((w & kLow7) + kLow7) | w) & kHigh;
}

// The high bit of every byte of `w` that equals `code`.
constexpr std::uint64_t bytesEqual(std::uint64_t w, std::uint8_t code) {
    return zeroBytes(w ^ (kOnes * code));
}

// Whether any cell of `layer` holds `code`.
inline bool anyEqual(const Layer& layer, std::uint8_t code) {
    std::uint64_t found = 0;
    for (int i = 0; i < kCellCount; i += 8) found |= bytesEqual(word(layer, i), code);
    return found != 0;
}

// Whether any cell of `layer` holds `code` or `code + 1`; `code` must be even.
inline bool anyPair(const Layer& layer, std::uint8_t code) {
    std::uint64_t found = 0;
    for (int i = 0; i < kCellCount; i += 8)
        found |= bytesEqual(word(layer, i) & (kOnes * 0xFEu), code);
    return found != 0;
}

// Whether any cell holds `object` on a floor other than `floor`.
inline bool anyObjectOffFloor(const Layer& objects, const Layer& floors, std::uint8_t object,
                              std::uint8_t floor) {
    std::uint64_t found = 0;
    for (int i = 0; i < kCellCount; i += 8)
        found |= bytesEqual(word(objects, i), object) & ~bytesEqual(word(floors, i), floor);
    return found != 0;
}

}  // namespace prismcrate::layer_scan
