// The sound mixer over SDL2 audio and SDL2_mixer. A master buffer's samples are converted
// once to the device's format and kept as one mixer chunk; every buffer, the master and
// each duplicate, owns one mixer channel, so duplicates play the shared chunk
// independently. Mixer channels are made on demand.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "platform/audio_mixer.h"

namespace prismcrate {
namespace {

// Limits against hostile format records and runaway copies.
constexpr std::size_t kMaxSampleBytes = 64u << 20;
constexpr int kMaxChannels = 1024;
constexpr int kFirstChannelCount = 16;

// The one device of the process, opened while any mixer instance holds it.
struct Device {
    int users = 0;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    std::vector<bool> channelInUse;

    bool acquire() {
        if (users > 0) {
            ++users;
            return true;
        }
        // SDL would otherwise catch SIGINT and SIGTERM to post a quit event that nothing
        // reads, so the program could no longer be ended by a signal.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        if (Mix_QuerySpec(&frequency, &format, &channels) == 0) {
            Mix_CloseAudio();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        channelInUse.assign(static_cast<std::size_t>(Mix_AllocateChannels(kFirstChannelCount)),
                            false);
        users = 1;
        return true;
    }

    void release() {
        if (users == 0 || --users > 0) return;
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        channelInUse.clear();
    }

    // A free mixer channel, or -1 when there are too many.
    int takeChannel() {
        auto it = std::find(channelInUse.begin(), channelInUse.end(), false);
        if (it == channelInUse.end()) {
            const int have = static_cast<int>(channelInUse.size());
            if (have >= kMaxChannels) return -1;
            const int want = std::min(kMaxChannels, std::max(kFirstChannelCount, have * 2));
            const int got = Mix_AllocateChannels(want);
            if (got <= have) return -1;
            channelInUse.resize(static_cast<std::size_t>(got), false);
            it = channelInUse.begin() + have;
        }
        *it = true;
        return static_cast<int>(it - channelInUse.begin());
    }

    void giveChannel(int channel) {
        if (channel < 0 || channel >= static_cast<int>(channelInUse.size())) return;
        Mix_HaltChannel(channel);
        channelInUse[static_cast<std::size_t>(channel)] = false;
    }
};

Device& device() {
    static Device d;
    return d;
}

class SdlBuffer;
struct Samples;

// What one mixer instance has made; closing the instance silences and detaches it all.
struct Instance {
    bool open = false;
    std::set<SdlBuffer*> buffers;
    std::set<Samples*> samples;
};

// Converted samples shared by a master and its duplicates.
struct Samples {
    explicit Samples(std::shared_ptr<Instance> owner) : instance(std::move(owner)) {
        instance->samples.insert(this);
    }
    ~Samples() {
        freeChunk();
        instance->samples.erase(this);
    }
    Samples(const Samples&) = delete;
    Samples& operator=(const Samples&) = delete;

    void freeChunk() {
        if (chunk) Mix_FreeChunk(chunk);
        chunk = nullptr;
    }

    std::shared_ptr<Instance> instance;
    std::vector<Uint8> bytes;
    Mix_Chunk* chunk = nullptr;
};

bool sdlFormatOf(const PcmFormat& f, SDL_AudioFormat& out) {
    if (f.formatTag == 1) {
        switch (f.bitsPerSample) {
            case 8:
                out = AUDIO_U8;
                return true;
            case 16:
                out = AUDIO_S16LSB;
                return true;
            case 32:
                out = AUDIO_S32LSB;
                return true;
            default:
                return false;
        }
    }
    if (f.formatTag == 3 && f.bitsPerSample == 32) {
        out = AUDIO_F32LSB;
        return true;
    }
    return false;
}

class SdlBuffer final : public SoundBuffer {
  public:
    SdlBuffer(std::shared_ptr<Instance> instance, const PcmFormat& format, std::size_t size,
              int channel)
        : instance_(std::move(instance)), format_(format), size_(size), channel_(channel) {
        instance_->buffers.insert(this);
    }
    ~SdlBuffer() override {
        detach();
        instance_->buffers.erase(this);
    }

    // Silences the buffer and gives back its channel; used when the instance closes.
    void detach() {
        if (channel_ >= 0) device().giveChannel(channel_);
        channel_ = -1;
        samples_.reset();
    }

    bool fill(const std::uint8_t* data, std::size_t size) override {
        if (!usable() || !data || size == 0) return false;
        SDL_AudioFormat srcFormat = 0;
        if (!sdlFormatOf(format_, srcFormat)) return false;
        const std::size_t frame = format_.blockAlign;
        size = std::min(size, size_);
        size -= size % frame;
        if (size == 0) return false;
        Device& d = device();
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, srcFormat, static_cast<Uint8>(format_.channels),
                              static_cast<int>(format_.samplesPerSec), d.format,
                              static_cast<Uint8>(d.channels), d.frequency) < 0)
            return false;
        auto samples = std::make_shared<Samples>(instance_);
        const std::size_t capacity = size * static_cast<std::size_t>(std::max(cvt.len_mult, 1));
        samples->bytes.assign(capacity, 0);
        std::copy(data, data + size, samples->bytes.begin());
        std::size_t converted = size;
        if (cvt.needed) {
            cvt.buf = samples->bytes.data();
            cvt.len = static_cast<int>(size);
            if (SDL_ConvertAudio(&cvt) != 0) return false;
            converted = static_cast<std::size_t>(std::max(cvt.len_cvt, 0));
        }
        samples->bytes.resize(converted);
        if (converted == 0) return false;
        samples->chunk =
            Mix_QuickLoad_RAW(samples->bytes.data(), static_cast<Uint32>(samples->bytes.size()));
        if (!samples->chunk) return false;
        Mix_HaltChannel(channel_);
        samples_ = std::move(samples);
        return true;
    }

    BufferResult play(bool looping) override {
        if (!usable() || !samples_ || !samples_->chunk) return BufferResult::Failed;
        if (Mix_PlayChannel(channel_, samples_->chunk, looping ? -1 : 0) < 0)
            return BufferResult::Failed;
        return BufferResult::Ok;
    }

    BufferResult stop() override {
        if (!usable()) return BufferResult::Failed;
        Mix_HaltChannel(channel_);
        return BufferResult::Ok;
    }

    // Every start plays the chunk from its first sample.
    BufferResult rewind() override { return usable() ? BufferResult::Ok : BufferResult::Failed; }

    BufferResult setVolumePan(int volume, int pan) override {
        if (!usable()) return BufferResult::Failed;
        volume = std::clamp(volume, kVolumeMin, 0);
        pan = std::clamp(pan, kPanLeft, kPanRight);
        // Hundredths of a decibel to an amplitude factor.
        auto factor = [](int hundredthsDb) { return std::pow(10.0, hundredthsDb / 2000.0); };
        const int level = volume <= kVolumeMin
                              ? 0
                              : static_cast<int>(std::lround(MIX_MAX_VOLUME * factor(volume)));
        Mix_Volume(channel_, level);
        const double left = pan > 0 ? factor(-pan) : 1.0;
        const double right = pan < 0 ? factor(pan) : 1.0;
        Mix_SetPanning(channel_, static_cast<Uint8>(std::lround(255 * left)),
                       static_cast<Uint8>(std::lround(255 * right)));
        return BufferResult::Ok;
    }

    BufferResult status(bool& playing) override {
        playing = false;
        if (!usable()) return BufferResult::Failed;
        playing = Mix_Playing(channel_) != 0;
        return BufferResult::Ok;
    }

    std::uint32_t lengthMs() const override { return soundingMs(format_, size_); }

    std::unique_ptr<SdlBuffer> duplicate() {
        if (!usable() || !samples_ || !samples_->chunk) return nullptr;
        const int channel = device().takeChannel();
        if (channel < 0) return nullptr;
        auto copy = std::make_unique<SdlBuffer>(instance_, format_, size_, channel);
        copy->samples_ = samples_;
        return copy;
    }

  private:
    bool usable() const { return instance_->open && channel_ >= 0; }

    std::shared_ptr<Instance> instance_;
    PcmFormat format_;
    std::size_t size_;
    int channel_;
    std::shared_ptr<Samples> samples_;
};

class SdlAudioMixer final : public AudioMixer {
  public:
    ~SdlAudioMixer() override { close(); }

    bool open() override {
        if (instance_->open) return true;
        if (!device().acquire()) return false;
        instance_->open = true;
        return true;
    }

    void close() override {
        if (!instance_->open) return;
        for (SdlBuffer* buffer : instance_->buffers) buffer->detach();
        for (Samples* samples : instance_->samples) samples->freeChunk();
        instance_->open = false;
        device().release();
    }

    bool isOpen() const override { return instance_->open; }

    std::unique_ptr<SoundBuffer> createBuffer(const PcmFormat& format, std::size_t size) override {
        if (!instance_->open || size == 0 || size > kMaxSampleBytes) return nullptr;
        SDL_AudioFormat sdlFormat = 0;
        if (!sdlFormatOf(format, sdlFormat)) return nullptr;
        if (format.channels < 1 || format.channels > 8) return nullptr;
        if (format.samplesPerSec < 1000 || format.samplesPerSec > 384000) return nullptr;
        if (format.blockAlign != format.channels * (format.bitsPerSample / 8)) return nullptr;
        if (size < format.blockAlign) return nullptr;
        const int channel = device().takeChannel();
        if (channel < 0) return nullptr;
        return std::make_unique<SdlBuffer>(instance_, format, size, channel);
    }

    std::unique_ptr<SoundBuffer> duplicate(SoundBuffer& master) override {
        auto* ours = dynamic_cast<SdlBuffer*>(&master);
        if (!instance_->open || !ours) return nullptr;
        return ours->duplicate();
    }

  private:
    std::shared_ptr<Instance> instance_ = std::make_shared<Instance>();
};

}  // namespace

std::unique_ptr<AudioMixer> makeSdlAudioMixer() {
    return std::make_unique<SdlAudioMixer>();
}

}  // namespace prismcrate
