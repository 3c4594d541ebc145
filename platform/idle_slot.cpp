#include "platform/idle_slot.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <vector>

#include "platform/error_box.h"

namespace prismcrate::idle_slot {
namespace {

struct Entry {
    const void* owner = nullptr;
    Routine routine;
};

struct Slot {
    Entry active;
    // Routines displaced by later ones, the last displaced at the back.
    std::vector<Entry> waiting;
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
    if (!s.active.routine) {
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

// Starts or stops the idle timer to match whether a routine is in the slot.
void follow() {
    Slot& s = slot();
    if (!s.active.routine) {
        if (s.timer) s.timer->stop();
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (!s.timer) {
        s.timer = new QTimer(app);
        s.timer->setInterval(0);
        QObject::connect(s.timer, &QTimer::timeout, s.timer, &onTimeout);
    }
    if (!s.timer->isActive()) s.timer->start();
}

void dropWaiting(const void* owner) {
    std::vector<Entry>& waiting = slot().waiting;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [owner](const Entry& e) { return e.owner == owner; }),
                  waiting.end());
}

}  // namespace

void fill(const void* owner, Routine routine) {
    Slot& s = slot();
    if (!routine) {
        release(owner);
        return;
    }
    dropWaiting(owner);
    if (s.active.routine && s.active.owner != owner) s.waiting.push_back(std::move(s.active));
    s.active = Entry{owner, std::move(routine)};
    follow();
}

void release(const void* owner) {
    Slot& s = slot();
    dropWaiting(owner);
    if (s.active.routine && s.active.owner == owner) {
        s.active = Entry{};
        if (!s.waiting.empty()) {
            s.active = std::move(s.waiting.back());
            s.waiting.pop_back();
        }
    }
    follow();
}

void clear() {
    Slot& s = slot();
    s.active = Entry{};
    s.waiting.clear();
    follow();
}

bool isFilled() {
    return static_cast<bool>(slot().active.routine);
}

const void* owner() {
    return slot().active.owner;
}

bool runOnce() {
    Slot& s = slot();
    if (!s.active.routine) return false;
    if (s.reporting) return true;
    // A copy: the routine may empty or refill the slot while it runs.
    const Routine routine = s.active.routine;
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
