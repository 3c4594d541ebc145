// A clock driven by hand and a sound mixer that plays nothing but keeps the books: every
// buffer it made, when each was started, and what was done to it. A buffer "sounds" from
// its start until the fake clock has passed its length.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "platform/clock.h"

namespace prismcrate::testing {

class FakeClock : public Clock {
  public:
    std::uint32_t now = 0;
    std::vector<std::uint32_t> sleeps;
    // Called after every sleep with the new time.
    std::function<void(std::uint32_t)> afterSleep;

    std::uint32_t nowMs() override { return now; }
    void sleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
        if (afterSleep) afterSleep(now);
    }
};

// Puts a clock in place for the lifetime of the guard.
class ClockGuard {
  public:
    explicit ClockGuard(Clock* clock) : previous_(setClock(clock)) {}
    ~ClockGuard() { setClock(previous_); }
    ClockGuard(const ClockGuard&) = delete;
    ClockGuard& operator=(const ClockGuard&) = delete;

  private:
    Clock* previous_;
};

struct FakeBufferState {
    int id = 0;
    int masterId = 0;  // 0 for a master, else the master it was duplicated from
    PcmFormat format;
    std::size_t size = 0;
    std::vector<std::uint8_t> samples;
    bool filled = false;
    bool playing = false;
    bool looping = false;
    std::uint32_t startedAt = 0;
    bool lost = false;   // the mixer lost its memory
    bool stuck = false;  // never reports the end (a device that stopped answering)
    bool alive = true;
    int plays = 0, stops = 0, rewinds = 0;
    int volume = 1, pan = 1;
};

class FakeMixer : public AudioMixer {
  public:
    explicit FakeMixer(FakeClock& clock) : clock_(clock) {}

    bool openResult = true;
    bool createFails = false;
    bool fillFails = false;
    bool opened = false;
    int opens = 0;
    int closes = 0;
    // Every buffer ever made, in order.
    std::vector<std::shared_ptr<FakeBufferState>> buffers;
    std::vector<std::string> log;

    bool open() override {
        ++opens;
        opened = openResult;
        return opened;
    }
    void close() override {
        if (opened) ++closes;
        opened = false;
    }
    bool isOpen() const override { return opened; }

    std::unique_ptr<SoundBuffer> createBuffer(const PcmFormat& format, std::size_t size) override;
    std::unique_ptr<SoundBuffer> duplicate(SoundBuffer& master) override;

    std::vector<std::shared_ptr<FakeBufferState>> copiesOf(int masterId) const {
        std::vector<std::shared_ptr<FakeBufferState>> out;
        for (const auto& b : buffers)
            if (b->masterId == masterId) out.push_back(b);
        return out;
    }
    std::vector<std::shared_ptr<FakeBufferState>> masters() const { return copiesOf(0); }

    bool sounding(const FakeBufferState& b) const {
        if (!b.playing || b.lost) return false;
        if (b.looping || b.stuck) return true;
        return clock_.now - b.startedAt < soundingMs(b.format, b.size);
    }

    FakeClock& clock() { return clock_; }

  private:
    FakeClock& clock_;
};

class FakeBuffer : public SoundBuffer {
  public:
    FakeBuffer(FakeMixer& mixer, std::shared_ptr<FakeBufferState> state)
        : mixer_(mixer), state_(std::move(state)) {}
    ~FakeBuffer() override { state_->alive = false; }

    bool fill(const std::uint8_t* samples, std::size_t size) override {
        if (mixer_.fillFails) return false;
        state_->samples.assign(samples, samples + size);
        state_->filled = true;
        return true;
    }
    BufferResult play(bool looping) override {
        if (state_->lost) return BufferResult::Lost;
        ++state_->plays;
        state_->playing = true;
        state_->looping = looping;
        state_->startedAt = mixer_.clock().now;
        mixer_.log.push_back("play " + std::to_string(state_->id));
        return BufferResult::Ok;
    }
    BufferResult stop() override {
        if (state_->lost) return BufferResult::Lost;
        ++state_->stops;
        state_->playing = false;
        mixer_.log.push_back("stop " + std::to_string(state_->id));
        return BufferResult::Ok;
    }
    BufferResult rewind() override {
        if (state_->lost) return BufferResult::Lost;
        ++state_->rewinds;
        return BufferResult::Ok;
    }
    BufferResult setVolumePan(int volume, int pan) override {
        if (state_->lost) return BufferResult::Lost;
        state_->volume = volume;
        state_->pan = pan;
        return BufferResult::Ok;
    }
    BufferResult status(bool& playing) override {
        playing = false;
        if (state_->lost) return BufferResult::Lost;
        playing = mixer_.sounding(*state_);
        return BufferResult::Ok;
    }
    std::uint32_t lengthMs() const override { return soundingMs(state_->format, state_->size); }

    const std::shared_ptr<FakeBufferState>& state() const { return state_; }

  private:
    FakeMixer& mixer_;
    std::shared_ptr<FakeBufferState> state_;
};

inline std::unique_ptr<SoundBuffer> FakeMixer::createBuffer(const PcmFormat& format,
                                                            std::size_t size) {
    if (!opened || createFails || size == 0 || format.blockAlign == 0 || format.samplesPerSec == 0)
        return nullptr;
    auto state = std::make_shared<FakeBufferState>();
    state->id = static_cast<int>(buffers.size()) + 1;
    state->format = format;
    state->size = size;
    buffers.push_back(state);
    return std::make_unique<FakeBuffer>(*this, state);
}

inline std::unique_ptr<SoundBuffer> FakeMixer::duplicate(SoundBuffer& master) {
    auto* fake = dynamic_cast<FakeBuffer*>(&master);
    if (!opened || !fake || fake->state()->lost || !fake->state()->filled) return nullptr;
    auto state = std::make_shared<FakeBufferState>();
    state->id = static_cast<int>(buffers.size()) + 1;
    state->masterId = fake->state()->id;
    state->format = fake->state()->format;
    state->size = fake->state()->size;
    state->samples = fake->state()->samples;
    state->filled = true;
    buffers.push_back(state);
    return std::make_unique<FakeBuffer>(*this, state);
}

}  // namespace prismcrate::testing
