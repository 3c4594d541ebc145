#include "platform/audio_mixer.h"

#include <algorithm>

namespace prismcrate {

std::uint32_t soundingMs(const PcmFormat& format, std::size_t bytes) {
    if (format.samplesPerSec == 0 || format.blockAlign == 0) return 0;
    const std::uint64_t frames = bytes / format.blockAlign;
    const std::uint64_t ms = frames * 1000u / format.samplesPerSec;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
}

}  // namespace prismcrate
