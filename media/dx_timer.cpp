#include "media/dx_timer.h"

#include <algorithm>
#include <limits>

#include "platform/activation.h"
#include "platform/clock.h"
#include "platform/idle_slot.h"

namespace prismcrate {

std::int64_t roundHalfEven(std::uint64_t n, std::uint64_t d) {
    const std::uint64_t q = n / d;
    const std::uint64_t r = n % d;
    const std::uint64_t twice = 2 * r;
    if (twice > d || (twice == d && (q & 1u) != 0)) return static_cast<std::int64_t>(q + 1);
    return static_cast<std::int64_t>(q);
}

TCustomDXTimer::TCustomDXTimer(QObject* owner) : QObject(owner) {
    activationKey_ = activation::addListener([this](bool active) { activationChanged(active); });
}

TCustomDXTimer::~TCustomDXTimer() {
    stop();
    activation::removeListener(activationKey_);
}

void TCustomDXTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (loading_) return;
    if (enabled)
        start();
    else
        stop();
}

void TCustomDXTimer::setInterval(int interval) {
    interval_ = std::max(interval, 0);
    divisor_ = static_cast<std::uint32_t>(std::max(interval, 1));
}

void TCustomDXTimer::Loaded() {
    loading_ = false;
    if (enabled_) start();
}

void TCustomDXTimer::start() {
    stop();
    if (!activeOnly_ || activation::isActive()) install();
    running_ = true;
}

void TCustomDXTimer::stop() {
    if (!running_) return;
    // A timer that another one displaced from the slot gets it back here, with its own
    // measurement intact: a running timer is never left without its ticks.
    idle_slot::release(this);
    running_ = false;
}

void TCustomDXTimer::install() {
    idle_slot::fill(this, [this] { tick(); });
    oldTime_ = currentClock().nowMs();
    frameStart_ = oldTime_;
}

void TCustomDXTimer::tick() {
    const std::uint32_t now = currentClock().nowMs();
    // Unsigned 32-bit difference: the clock's wrap-around does no harm.
    const std::uint32_t elapsed = now - oldTime_;
    if (elapsed < static_cast<std::uint32_t>(interval_)) return;
    oldTime_ = now;
    const std::uint32_t lag = std::max<std::uint32_t>(elapsed / divisor_, 1);
    const int lagCount =
        static_cast<int>(std::min<std::uint32_t>(lag, std::numeric_limits<std::int32_t>::max()));

    ++frameCount_;
    const std::uint32_t span = std::max<std::uint32_t>(now - frameStart_, 1);
    if (span >= 1000) {
        frameRate_ = static_cast<int>(roundHalfEven(std::uint64_t{frameCount_} * 1000, span));
        frameCount_ = 0;
        frameStart_ = now;
    }
    if (OnTimer) OnTimer(this, lagCount);
}

void TCustomDXTimer::activationChanged(bool active) {
    if (active) {
        if (OnActivate) OnActivate(this);
        if (running_ && activeOnly_) install();
    } else {
        if (OnDeactivate) OnDeactivate(this);
        if (running_ && activeOnly_) idle_slot::release(this);
    }
}

}  // namespace prismcrate
