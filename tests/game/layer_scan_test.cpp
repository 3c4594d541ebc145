#include "game/layer_scan.h"

#include <gtest/gtest.h>

namespace prismcrate {
namespace {

using namespace layer_scan;

// Every pair of byte values in two neighbouring cells (a borrow runs from a lower byte
// into the next), at every place in the word and among every kind of filler: the word
// tests say yes exactly when a byte holds the code, and the per-byte mask marks exactly
// the bytes that do.
TEST(LayerScan, WordTestsAreExact) {
    const std::uint8_t fillers[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    const std::uint8_t codes[] = {kCrate, kGateOpen, kGateClosed};
    const std::uint8_t pairs[] = {kPlateReleased, kEmitterLeft, kEmitterRight};
    int wrong = 0;
    for (std::uint8_t filler : fillers) {
        for (int at = 0; at < kWordCells - 1; ++at) {
            for (int a = 0; a < 256; ++a) {
                for (int b = 0; b < 256; ++b) {
                    std::uint8_t bytes[kWordCells];
                    std::memset(bytes, filler, sizeof bytes);
                    bytes[at] = static_cast<std::uint8_t>(a);
                    bytes[at + 1] = static_cast<std::uint8_t>(b);
                    std::uint64_t w;
                    std::memcpy(&w, bytes, sizeof w);
                    for (std::uint8_t code : codes) {
                        bool holds = false;
                        std::uint64_t mask = 0;
                        for (int i = 0; i < kWordCells; ++i) {
                            holds |= bytes[i] == code;
                            if (bytes[i] == code) mask |= std::uint64_t{0x80} << (8 * i);
                        }
                        wrong += anyByte(w, code) != holds;
                        wrong += bytesEqual(w, code) != mask;
                    }
                    for (std::uint8_t even : pairs) {
                        bool holds = false;
                        for (std::uint8_t byte : bytes) holds |= byte == even || byte == even + 1;
                        wrong += anyBytePair(w, even) != holds;
                    }
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace prismcrate
