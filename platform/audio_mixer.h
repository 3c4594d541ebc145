// The sound mixer the cues play through. A buffer holds PCM samples in their own format
// and rate; duplicates share the samples of the buffer they were made from but play
// independently. All calls come from the user-interface thread; the mixer plays on its
// own, and the program learns that a buffer has finished by polling it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace prismcrate {

// The fields of a wave's format record that the mixer needs.
struct PcmFormat {
    std::uint16_t formatTag = 0;  // 1: integer PCM, 3: IEEE float
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// How long `bytes` of samples in `format` sound, in milliseconds (0 when the format has
// no rate or frame size).
std::uint32_t soundingMs(const PcmFormat& format, std::size_t bytes);

// The longest sound the mixer takes: samples are converted to the device's rate when a
// buffer is filled, so the length, not the file size, decides the memory a buffer costs.
inline constexpr std::uint32_t kMaxCueMs = 60000;

// The result of one buffer operation. Lost: the mixer has lost the buffer's memory; its
// samples must be loaded again.
enum class BufferResult { Ok, Lost, Failed };

// Volume in hundredths of a decibel, 0 (full) down to -10000 (silence); pan from -10000
// (left only) through 0 (centre) to 10000 (right only).
inline constexpr int kVolumeMin = -10000;
inline constexpr int kPanLeft = -10000;
inline constexpr int kPanRight = 10000;

class SoundBuffer {
  public:
    virtual ~SoundBuffer() = default;

    // Copies `size` sample bytes into the buffer; false when it cannot take them.
    virtual bool fill(const std::uint8_t* samples, std::size_t size) = 0;

    // Starts playing from the current position, once or looping.
    virtual BufferResult play(bool looping) = 0;
    virtual BufferResult stop() = 0;
    // Sets the play position to the first sample.
    virtual BufferResult rewind() = 0;
    virtual BufferResult setVolumePan(int volume, int pan) = 0;

    // Whether the buffer is sounding now. Lost when its memory is gone; a lost buffer
    // never plays again.
    virtual BufferResult status(bool& playing) = 0;

    // How long the samples sound, in milliseconds.
    virtual std::uint32_t lengthMs() const = 0;
};

class AudioMixer {
  public:
    virtual ~AudioMixer() = default;

    // Opens the sound device; false when there is no usable one.
    virtual bool open() = 0;
    // Closes the device; buffers still alive fall silent and report Failed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // An empty buffer of `size` bytes in `format`, or nullptr when the mixer cannot make
    // one (device closed, format it cannot play, no samples, longer than kMaxCueMs).
    virtual std::unique_ptr<SoundBuffer> createBuffer(const PcmFormat& format,
                                                      std::size_t size) = 0;
    // A new buffer sharing the samples of `master`, or nullptr when it cannot be made.
    virtual std::unique_ptr<SoundBuffer> duplicate(SoundBuffer& master) = 0;
};

// The mixer over SDL2's audio device. Every instance shares the one device of the
// process; the device is opened by the first open() and closed with the last close().
// libSDL2 is loaded by the first open(); without it no device opens.
std::unique_ptr<AudioMixer> makeSdlAudioMixer();

}  // namespace prismcrate
