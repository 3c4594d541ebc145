// A RIFF WAVE sound: its format record and its sample bytes, with the reader and writer
// of the file image. The reader works on a byte buffer and uses no Qt, so a fuzzer can
// drive it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "platform/error.h"

namespace prismcrate {

// The largest wave file that is read: a minute of 16-bit stereo at 48 kHz takes 11 MiB.
inline constexpr std::size_t kMaxWaveFileBytes = std::size_t{16} << 20;

// "Wave is invalid".
class EWaveStreamError : public Error {
  public:
    EWaveStreamError() : Error("Wave is invalid") {}
};

struct WaveImage {
    // The body of the "fmt " chunk exactly as stored (at least 16 bytes when present).
    std::vector<std::uint8_t> format;
    // The body of the "data" chunk.
    std::vector<std::uint8_t> data;
};

// Reads a RIFF WAVE image. It must begin with "RIFF", a 32-bit size (not checked) and
// "WAVE"; then chunks follow, each an 8-byte header (4-letter id, 32-bit little-endian
// size) and its body. "fmt " is taken whole as the format record, "data" as the samples,
// any other chunk is skipped by its size; a later "fmt " or "data" replaces an earlier
// one. Reading ends when no further chunk header can be read. Odd-sized chunks written
// with a zero padding byte after them are read as well as those written without one.
// Throws EWaveStreamError when the image does not begin as above, when a "fmt " record
// is shorter than 16 bytes, when a "fmt " or "data" body runs past the end of the image,
// and when the samples would sound longer than kMaxCueMs by the format record's rate
// and frame size (a cue is a short sound; a long one would only cost memory when it is
// prepared for playing). Never reads outside [bytes, bytes + size).
WaveImage readWaveImage(const std::uint8_t* bytes, std::size_t size);

// "RIFF", size, "WAVE", the "fmt " chunk (when there is a format record) and the "data"
// chunk.
std::vector<std::uint8_t> writeWaveImage(const WaveImage& image);

// The fields of a format record; all zero when the record is missing.
PcmFormat pcmFormatOf(const std::vector<std::uint8_t>& format);

// One sound as a component holds it.
class TWave {
  public:
    TWave() = default;

    const std::vector<std::uint8_t>& FormatRecord() const { return image_.format; }
    const std::vector<std::uint8_t>& Data() const { return image_.data; }
    PcmFormat Format() const { return pcmFormatOf(image_.format); }
    std::size_t Size() const { return image_.data.size(); }
    bool Empty() const { return image_.data.empty(); }

    void SetPCM(const PcmFormat& format, std::vector<std::uint8_t> samples);
    void Clear() { image_ = {}; }

    // The whole file image. LoadFromBytes replaces the sound only when the image reads
    // without error.
    void LoadFromBytes(const std::uint8_t* bytes, std::size_t size);
    std::vector<std::uint8_t> SaveToBytes() const { return writeWaveImage(image_); }

    // Files: EFOpenError / EFCreateError when the file cannot be opened or made, or is
    // not a regular file; EWaveStreamError when its content is not a wave. Files above
    // kMaxWaveFileBytes are refused as not a wave without being read.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

  private:
    WaveImage image_;
};

}  // namespace prismcrate
