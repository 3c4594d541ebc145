// The millisecond clock and the sleep the frame timer and the sound cues use. The clock
// is a 32-bit millisecond count that wraps around about every 49.7 days; code that
// measures spans subtracts two readings as unsigned 32-bit numbers. Tests replace the
// clock to drive time by hand.
#pragma once

#include <cstdint>

namespace prismcrate {

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual std::uint32_t nowMs() = 0;
    // Blocks the calling thread for about `ms` milliseconds.
    virtual void sleepMs(std::uint32_t ms) = 0;
};

// The steady system clock truncated to 32 bits, and a real sleep.
Clock& systemClock();

// The clock in use: the system clock unless a test has put another in its place.
Clock& currentClock();

// Puts `clock` in place of the current one (nullptr restores the system clock) and
// returns the previous one. The caller keeps ownership.
Clock* setClock(Clock* clock);

}  // namespace prismcrate
