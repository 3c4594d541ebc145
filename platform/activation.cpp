#include "platform/activation.h"

#include <QGuiApplication>
#include <QPointer>
#include <map>

namespace prismcrate::activation {
namespace {

struct State {
    bool known = false;
    bool active = true;
    int nextKey = 1;
    std::map<int, Listener> listeners;
    QPointer<QGuiApplication> connectedTo;
};

State& state() {
    static State s;
    return s;
}

// Follows the application's state once a QGuiApplication exists.
void connectToApplication() {
    State& s = state();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || s.connectedTo == app) return;
    s.connectedTo = app;
    if (!s.known) {
        s.known = true;
        s.active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    }
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app,
                     [](Qt::ApplicationState st) { setActive(st == Qt::ApplicationActive); });
}

}  // namespace

bool isActive() {
    connectToApplication();
    return state().active;
}

int addListener(Listener listener) {
    connectToApplication();
    State& s = state();
    const int key = s.nextKey++;
    s.listeners.emplace(key, std::move(listener));
    return key;
}

void removeListener(int key) {
    state().listeners.erase(key);
}

void setActive(bool active) {
    connectToApplication();
    State& s = state();
    if (s.known && s.active == active) return;
    s.known = true;
    s.active = active;
    // Listeners may add or remove listeners while being told; walk by key.
    int key = 0;
    for (;;) {
        auto it = s.listeners.upper_bound(key);
        if (it == s.listeners.end()) break;
        key = it->first;
        const Listener listener = it->second;
        listener(active);
        if (s.active != active) break;  // a listener changed the state again
    }
}

}  // namespace prismcrate::activation
