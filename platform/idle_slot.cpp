#include "platform/idle_slot.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <exception>

#include "platform/error_box.h"

namespace prismcrate::idle_slot {
namespace {

struct Slot {
    Routine routine;
    const void* owner = nullptr;
    bool reporting = false;
    // Zero-timeout timer, a child of the application so that it goes with it.
    QPointer<QTimer> timer;
};

Slot& slot() {
    static Slot s;
    return s;
}

void onTimeout() {
    Slot& s = slot();
    if (!s.routine) {
        if (s.timer) s.timer->stop();
        return;
    }
    // Re-arm before running the routine: the event dispatcher does not deliver a timer
    // again while its own event is still being handled, and the routine may run a modal
    // dialog whose loop must go on receiving idle passes. Restarting registers a fresh
    // timer that those nested loops can fire.
    if (s.timer) s.timer->start();
    runOnce();
}

void ensureTimer() {
    Slot& s = slot();
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (!s.timer) {
        s.timer = new QTimer(app);
        s.timer->setInterval(0);
        QObject::connect(s.timer, &QTimer::timeout, s.timer, &onTimeout);
    }
    if (!s.timer->isActive()) s.timer->start();
}

}  // namespace

void fill(const void* owner, Routine routine) {
    Slot& s = slot();
    s.routine = std::move(routine);
    s.owner = s.routine ? owner : nullptr;
    if (s.routine)
        ensureTimer();
    else if (s.timer)
        s.timer->stop();
}

void clear() {
    Slot& s = slot();
    s.routine = nullptr;
    s.owner = nullptr;
    if (s.timer) s.timer->stop();
}

bool isFilled() {
    return static_cast<bool>(slot().routine);
}

const void* owner() {
    return slot().owner;
}

bool runOnce() {
    Slot& s = slot();
    if (!s.routine) return false;
    if (s.reporting) return true;
    // A copy: the routine may empty or refill the slot while it runs.
    const Routine routine = s.routine;
    try {
        routine();
    } catch (const std::exception& e) {
        s.reporting = true;
        try {
            showErrorBox(QString::fromUtf8(e.what()));
        } catch (...) {
            s.reporting = false;
            throw;
        }
        s.reporting = false;
    }
    return true;
}

}  // namespace prismcrate::idle_slot
