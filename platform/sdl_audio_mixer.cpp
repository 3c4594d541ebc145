// The sound mixer over SDL2's own audio device.
//
// libSDL2 is loaded with dlopen when the first mixer opens, not when the program starts:
// it brings some thirty libraries with it (sound servers, codecs, X11 and Wayland
// helpers), and loading them would delay the first window for no sound at all.
//
// The device plays 16-bit stereo at 44.1 kHz, fed by one callback that mixes every voice
// that is sounding. A buffer's samples are converted once, when it is filled, to 16 bits
// at the device's rate (mono stays mono, anything else becomes stereo) and shared by the
// master and its duplicates; each buffer is one voice with its own position, volume and
// pan.
//
// While no voice sounds, the callback waits until one starts instead of returning
// silence, so the audio thread sleeps. Pausing the device would not do that: a paused
// SDL2 device goes on waking its thread for every period to feed the device silence.
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "platform/audio_mixer.h"

namespace prismcrate {
namespace {

constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
constexpr Uint16 kDeviceFrames = 1024;
// Buffers alive at once, masters and duplicates together.
constexpr std::size_t kMaxVoices = 1024;

// The few entries of libSDL2 the mixer uses.
struct SdlLibrary {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;

    // Loads the library on first use; nullptr when it or one of its entries is missing.
    // The library stays loaded for the rest of the process.
    static const SdlLibrary* get() {
        static const SdlLibrary* library = load();
        return library;
    }

  private:
    template <typename F>
    static bool find(void* handle, F& entry, const char* name) {
        entry = reinterpret_cast<F>(dlsym(handle, name));
        return entry != nullptr;
    }

    static const SdlLibrary* load() {
        void* handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return nullptr;
        static SdlLibrary s;
        const bool complete = find(handle, s.SetHint, "SDL_SetHint") &&
                              find(handle, s.InitSubSystem, "SDL_InitSubSystem") &&
                              find(handle, s.QuitSubSystem, "SDL_QuitSubSystem") &&
                              find(handle, s.OpenAudioDevice, "SDL_OpenAudioDevice") &&
                              find(handle, s.PauseAudioDevice, "SDL_PauseAudioDevice") &&
                              find(handle, s.CloseAudioDevice, "SDL_CloseAudioDevice") &&
                              find(handle, s.NewAudioStream, "SDL_NewAudioStream") &&
                              find(handle, s.AudioStreamPut, "SDL_AudioStreamPut") &&
                              find(handle, s.AudioStreamFlush, "SDL_AudioStreamFlush") &&
                              find(handle, s.AudioStreamGet, "SDL_AudioStreamGet") &&
                              find(handle, s.FreeAudioStream, "SDL_FreeAudioStream");
        if (!complete) {
            dlclose(handle);
            return nullptr;
        }
        return &s;
    }
};

// Samples converted to the device's rate: 16-bit, interleaved when stereo.
struct Samples {
    int channels = 1;
    std::vector<Sint16> data;
    std::size_t frames() const { return data.size() / static_cast<std::size_t>(channels); }
};

// What the callback reads and writes of one buffer; guarded by the device's mutex.
struct Voice {
    std::shared_ptr<const Samples> samples;
    std::size_t frame = 0;
    bool sounding = false;
    bool looping = false;
    float left = 1.0f;
    float right = 1.0f;
};

// The one device of the process, opened while any mixer instance holds it. It is never
// destroyed: at exit the audio thread may still be waiting in the callback on its
// condition variable.
class Device {
  public:
    static Device& get() {
        static Device* device = new Device;
        return *device;
    }

    // Everything of the voices is read and written under this lock.
    std::mutex mutex;

    bool acquire() {
        if (users_ > 0) {
            ++users_;
            return true;
        }
        sdl_ = SdlLibrary::get();
        if (!sdl_) return false;
        // SDL would otherwise catch SIGINT and SIGTERM to post a quit event that nothing
        // reads, so the program could no longer be ended by a signal.
        sdl_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        SDL_AudioSpec want{};
        want.freq = kDeviceRate;
        want.format = AUDIO_S16SYS;
        want.channels = kDeviceChannels;
        want.samples = kDeviceFrames;
        want.callback = &Device::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // With no changes allowed, SDL converts to whatever the hardware takes.
        id_ = sdl_->OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) {
            sdl_->QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        users_ = 1;
        // Running from now on; the callback sleeps until a voice sounds.
        sdl_->PauseAudioDevice(id_, 0);
        return true;
    }

    void release() {
        if (users_ == 0 || --users_ > 0) return;
        {
            // The callback must not be waiting when SDL takes the device's lock to stop it.
            const std::lock_guard lock(mutex);
            closing_ = true;
        }
        wake_.notify_all();
        sdl_->CloseAudioDevice(id_);
        sdl_->QuitSubSystem(SDL_INIT_AUDIO);
        id_ = 0;
        const std::lock_guard lock(mutex);
        closing_ = false;
        voices_.clear();
    }

    const SdlLibrary& sdl() const { return *sdl_; }

    // A place for one more voice, or false when there are too many.
    bool add(Voice* voice) {
        const std::lock_guard lock(mutex);
        if (voices_.size() >= kMaxVoices) return false;
        voices_.push_back(voice);
        return true;
    }
    void remove(Voice* voice) {
        const std::lock_guard lock(mutex);
        std::erase(voices_, voice);
    }
    // Called after a voice has started sounding (with the lock released).
    void started() { wake_.notify_one(); }

  private:
    Device() = default;

    static void SDLCALL callback(void* user, Uint8* stream, int length) {
        auto& device = *static_cast<Device*>(user);
        std::unique_lock lock(device.mutex);
        device.wake_.wait(lock, [&device] { return device.closing_ || device.anySounding(); });
        auto* out = reinterpret_cast<Sint16*>(stream);
        std::size_t frames =
            static_cast<std::size_t>(std::max(length, 0)) / (sizeof(Sint16) * kDeviceChannels);
        if (device.closing_) {
            std::memset(stream, 0, static_cast<std::size_t>(std::max(length, 0)));
            return;
        }
        while (frames > 0) {
            const std::size_t part = std::min<std::size_t>(frames, kDeviceFrames);
            device.mix(out, part);
            out += part * kDeviceChannels;
            frames -= part;
        }
    }

    bool anySounding() const {
        return std::any_of(voices_.begin(), voices_.end(),
                           [](const Voice* v) { return v->sounding; });
    }

    void mix(Sint16* out, std::size_t frames) {
        float* sum = sum_;
        std::fill(sum, sum + frames * kDeviceChannels, 0.0f);
        for (Voice* voice : voices_) {
            if (!voice->sounding) continue;
            const Samples* samples = voice->samples.get();
            const std::size_t total = samples ? samples->frames() : 0;
            std::size_t done = 0;
            while (done < frames && total > 0) {
                if (voice->frame >= total) {
                    if (!voice->looping) break;
                    voice->frame = 0;
                }
                const std::size_t n = std::min(frames - done, total - voice->frame);
                const Sint16* from = samples->data.data() + voice->frame * samples->channels;
                float* to = sum + done * kDeviceChannels;
                for (std::size_t i = 0; i < n; ++i) {
                    const float l = from[i * samples->channels];
                    const float r = from[i * samples->channels + samples->channels - 1];
                    to[2 * i] += l * voice->left;
                    to[2 * i + 1] += r * voice->right;
                }
                voice->frame += n;
                done += n;
            }
            if (total == 0 || (!voice->looping && voice->frame >= total)) {
                voice->sounding = false;
                voice->frame = 0;
            }
        }
        for (std::size_t i = 0; i < frames * kDeviceChannels; ++i)
            out[i] = static_cast<Sint16>(std::lround(std::clamp(sum[i], -32768.0f, 32767.0f)));
    }

    const SdlLibrary* sdl_ = nullptr;
    int users_ = 0;
    SDL_AudioDeviceID id_ = 0;
    bool closing_ = false;
    std::condition_variable wake_;
    std::vector<Voice*> voices_;
    float sum_[kDeviceFrames * kDeviceChannels] = {};
};

Device& device() {
    return Device::get();
}

class SdlBuffer;

// What one mixer instance has made; closing the instance silences and detaches it all.
struct Instance {
    bool open = false;
    std::set<SdlBuffer*> buffers;
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

// `size` bytes of `format` at the device's rate, or nullptr when SDL cannot convert them
// or memory runs out.
std::shared_ptr<const Samples> convert(const PcmFormat& format, const std::uint8_t* data,
                                       std::size_t size) {
    SDL_AudioFormat from = 0;
    if (!sdlFormatOf(format, from) || format.blockAlign == 0 || format.samplesPerSec == 0)
        return nullptr;
    const SdlLibrary& sdl = device().sdl();
    const int channels = format.channels == 1 ? 1 : 2;
    SDL_AudioStream* stream = sdl.NewAudioStream(
        from, static_cast<Uint8>(format.channels), static_cast<int>(format.samplesPerSec),
        AUDIO_S16SYS, static_cast<Uint8>(channels), kDeviceRate);
    if (!stream) return nullptr;
    struct Free {
        const SdlLibrary& sdl;
        SDL_AudioStream* stream;
        ~Free() { sdl.FreeAudioStream(stream); }
    } free{sdl, stream};

    // The converted length is known beforehand; the buffer's length limit bounds it.
    const std::uint64_t frames = size / format.blockAlign;
    const std::size_t limit =
        static_cast<std::size_t>(frames * kDeviceRate / format.samplesPerSec + kDeviceFrames) *
        static_cast<std::size_t>(channels);
    // Fed in slices, so that SDL's own work buffers stay small whatever the length.
    const std::size_t slice =
        std::max<std::size_t>(1, (64u << 10) / format.blockAlign) * format.blockAlign;
    try {
        auto samples = std::make_shared<Samples>();
        samples->channels = channels;
        samples->data.reserve(limit);
        Sint16 chunk[4096];
        auto drain = [&]() {
            for (;;) {
                const int got = sdl.AudioStreamGet(stream, chunk, sizeof chunk);
                if (got <= 0) return got == 0;
                const std::size_t count = static_cast<std::size_t>(got) / sizeof(Sint16);
                const std::size_t room = limit - samples->data.size();
                samples->data.insert(samples->data.end(), chunk, chunk + std::min(count, room));
            }
        };
        for (std::size_t at = 0; at < size; at += slice) {
            const std::size_t n = std::min(slice, size - at);
            if (sdl.AudioStreamPut(stream, data + at, static_cast<int>(n)) != 0 || !drain())
                return nullptr;
        }
        if (sdl.AudioStreamFlush(stream) != 0 || !drain()) return nullptr;
        samples->data.resize(samples->frames() * static_cast<std::size_t>(channels));
        if (samples->data.empty()) return nullptr;
        return samples;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

class SdlBuffer final : public SoundBuffer {
  public:
    SdlBuffer(std::shared_ptr<Instance> instance, const PcmFormat& format, std::size_t size,
              std::shared_ptr<const Samples> samples = nullptr)
        : instance_(std::move(instance)), format_(format), size_(size) {
        voice_.samples = std::move(samples);
        attached_ = device().add(&voice_);
        instance_->buffers.insert(this);
    }
    ~SdlBuffer() override {
        detach();
        instance_->buffers.erase(this);
    }
    SdlBuffer(const SdlBuffer&) = delete;
    SdlBuffer& operator=(const SdlBuffer&) = delete;

    // Whether the device took the voice (it holds a limited number).
    bool attached() const { return attached_; }

    // Silences the buffer and takes its voice off the device; used when the instance
    // closes.
    void detach() {
        if (attached_) device().remove(&voice_);
        attached_ = false;
        voice_ = Voice{};
        endsAt_ = {};
    }

    bool fill(const std::uint8_t* data, std::size_t size) override {
        if (!usable() || !data || size == 0) return false;
        size = std::min(size, size_);
        size -= size % format_.blockAlign;
        if (size == 0) return false;
        std::shared_ptr<const Samples> samples = convert(format_, data, size);
        if (!samples) return false;
        const std::lock_guard lock(device().mutex);
        voice_.samples = std::move(samples);
        voice_.sounding = false;
        voice_.frame = 0;
        endsAt_ = {};
        return true;
    }

    BufferResult play(bool looping) override {
        if (!usable()) return BufferResult::Failed;
        {
            const std::lock_guard lock(device().mutex);
            if (!voice_.samples) return BufferResult::Failed;
            voice_.sounding = true;
            voice_.looping = looping;
            const std::size_t left =
                voice_.samples->frames() - std::min(voice_.frame, voice_.samples->frames());
            endsAt_ = Clock::now() + std::chrono::milliseconds(left * 1000 / kDeviceRate);
        }
        device().started();
        return BufferResult::Ok;
    }

    BufferResult stop() override {
        if (!usable()) return BufferResult::Failed;
        const std::lock_guard lock(device().mutex);
        voice_.sounding = false;
        endsAt_ = {};
        return BufferResult::Ok;
    }

    BufferResult rewind() override {
        if (!usable()) return BufferResult::Failed;
        const std::lock_guard lock(device().mutex);
        voice_.frame = 0;
        return BufferResult::Ok;
    }

    BufferResult setVolumePan(int volume, int pan) override {
        if (!usable()) return BufferResult::Failed;
        volume = std::clamp(volume, kVolumeMin, 0);
        pan = std::clamp(pan, kPanLeft, kPanRight);
        // Hundredths of a decibel to an amplitude factor.
        auto factor = [](int hundredthsDb) {
            return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
        };
        const float level = volume <= kVolumeMin ? 0.0f : factor(volume);
        const std::lock_guard lock(device().mutex);
        voice_.left = level * (pan > 0 ? factor(-pan) : 1.0f);
        voice_.right = level * (pan < 0 ? factor(pan) : 1.0f);
        return BufferResult::Ok;
    }

    // A voice sounds while it has samples left to mix, and at least as long as its samples
    // last from its start: after a quiet spell the device takes the first periods at once
    // to fill its own buffer, so the mixing ends before the sound does.
    BufferResult status(bool& playing) override {
        playing = false;
        if (!usable()) return BufferResult::Failed;
        const std::lock_guard lock(device().mutex);
        playing = voice_.sounding || Clock::now() < endsAt_;
        return BufferResult::Ok;
    }

    std::uint32_t lengthMs() const override { return soundingMs(format_, size_); }

    std::unique_ptr<SdlBuffer> duplicate() {
        if (!usable()) return nullptr;
        std::shared_ptr<const Samples> samples;
        {
            const std::lock_guard lock(device().mutex);
            samples = voice_.samples;
        }
        if (!samples) return nullptr;
        auto copy = std::make_unique<SdlBuffer>(instance_, format_, size_, std::move(samples));
        if (!copy->attached()) return nullptr;
        return copy;
    }

  private:
    using Clock = std::chrono::steady_clock;

    bool usable() const { return instance_->open && attached_; }

    std::shared_ptr<Instance> instance_;
    PcmFormat format_;
    std::size_t size_;
    bool attached_ = false;
    Voice voice_;
    // Not before this has a play that started sounding ended; the epoch when stopped.
    Clock::time_point endsAt_;
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
        instance_->open = false;
        device().release();
    }

    bool isOpen() const override { return instance_->open; }

    std::unique_ptr<SoundBuffer> createBuffer(const PcmFormat& format, std::size_t size) override {
        if (!instance_->open || size == 0) return nullptr;
        SDL_AudioFormat sdlFormat = 0;
        if (!sdlFormatOf(format, sdlFormat)) return nullptr;
        if (format.channels < 1 || format.channels > 8) return nullptr;
        if (format.samplesPerSec < 1000 || format.samplesPerSec > 384000) return nullptr;
        if (format.blockAlign != format.channels * (format.bitsPerSample / 8)) return nullptr;
        if (size < format.blockAlign || soundingMs(format, size) > kMaxCueMs) return nullptr;
        auto buffer = std::make_unique<SdlBuffer>(instance_, format, size);
        if (!buffer->attached()) return nullptr;
        return buffer;
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
