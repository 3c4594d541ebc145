// Small helpers shared by the checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/checks.h"

namespace prismcrate::fuzz {

// The text is only copied when the invariant is broken: checks run in tight loops.
inline void require(bool holds, std::string_view what) {
    if (!holds) throw InvariantBroken(std::string(what));
}

// Hands out the input one byte at a time, then zeros: a generator that turns any input
// into a well-defined structure, so the fuzzer's mutations steer what is built.
class Source {
  public:
    explicit Source(Input input) : input_(input) {}
    std::uint8_t next() { return pos_ < input_.size() ? input_[pos_++] : 0; }

  private:
    Input input_;
    std::size_t pos_ = 0;
};

inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace prismcrate::fuzz
