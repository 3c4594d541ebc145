// The frame timer: calls OnTimer again and again, at least Interval milliseconds apart,
// from the idle time of the event loop. A running timer sits in the application's one
// idle slot; starting another timer takes the slot from it, and when that one stops the
// slot goes back to the timer it displaced, which then ticks as soon as its interval
// (counted from its own start) has passed.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

namespace prismcrate {

class TCustomDXTimer : public QObject {
  public:
    using TimerEvent = std::function<void(TCustomDXTimer* sender, int lagCount)>;
    using Event = std::function<void(TCustomDXTimer* sender)>;

    // Enabled true, Interval 1000, ActiveOnly true; not yet running. A timer read from
    // stored data is set up between BeginLoading() and Loaded(), which starts it when it
    // is enabled.
    explicit TCustomDXTimer(QObject* owner = nullptr);
    ~TCustomDXTimer() override;

    bool Enabled() const { return enabled_; }
    // True starts the timer, false stops it; the value it already has changes nothing.
    // While loading, only records the value.
    void setEnabled(bool enabled);

    int Interval() const { return interval_; }
    // Stored as max(value, 0); takes effect at the next idle pass.
    void setInterval(int interval);

    // When true, the timer pauses while the application is not the active one.
    bool ActiveOnly() const { return activeOnly_; }
    void setActiveOnly(bool activeOnly) { activeOnly_ = activeOnly; }

    // Ticks per second over the last span of at least one second; 0 before the first.
    int FrameRate() const { return frameRate_; }

    TimerEvent OnTimer;
    Event OnActivate;
    Event OnDeactivate;

    void BeginLoading() { loading_ = true; }
    void Loaded();

    // Whether the timer is started (it ticks while its routine is in the idle slot, and
    // waits its turn while a timer started later holds the slot).
    bool Running() const { return running_; }

  private:
    void start();
    void stop();
    void install();
    void tick();
    void activationChanged(bool active);

    bool enabled_ = true;
    int interval_ = 1000;
    std::uint32_t divisor_ = 1000;
    bool activeOnly_ = true;
    bool loading_ = false;
    bool running_ = false;
    std::uint32_t oldTime_ = 0;
    std::uint32_t frameStart_ = 0;
    std::uint32_t frameCount_ = 0;
    int frameRate_ = 0;
    int activationKey_ = 0;
};

class TDXTimer : public TCustomDXTimer {
  public:
    using TCustomDXTimer::TCustomDXTimer;
};

// n / d rounded to the nearest integer, halves to the even neighbour (d > 0).
std::int64_t roundHalfEven(std::uint64_t n, std::uint64_t d);

}  // namespace prismcrate
