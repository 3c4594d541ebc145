// The five sound cues, synthesised as 8-bit unsigned mono samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prismcrate::assetgen {

struct Cue {
    std::string name;  // file name without ".wav"
    std::uint32_t rate = 0;
    std::vector<std::uint8_t> samples;
};

// explosion, click, move, death, win: in the order of the game's wave list, each with its
// sample rate and exact length.
std::vector<Cue> synthesiseCues();

// Turns a signal into unsigned 8-bit samples: it is scaled so its largest excursion is
// `peak` of full scale (0..1), centred on 128. Silence stays at 128.
std::vector<std::uint8_t> toUnsigned8(const std::vector<double>& signal, double peak);

}  // namespace prismcrate::assetgen
