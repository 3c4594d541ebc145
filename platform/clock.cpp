#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace prismcrate {
namespace {

class SystemClock final : public Clock {
  public:
    std::uint32_t nowMs() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
    }
    void sleepMs(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

Clock*& slot() {
    static Clock* current = nullptr;
    return current;
}

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

Clock& currentClock() {
    Clock* c = slot();
    return c ? *c : systemClock();
}

Clock* setClock(Clock* clock) {
    Clock* previous = slot();
    slot() = clock;
    return previous;
}

}  // namespace prismcrate
