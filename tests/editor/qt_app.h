// The one QApplication of a widget test binary.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace prismcrate::testing {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "prismcrate_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Declared as a fixture's first member, it makes the application before any widget member.
struct QtAppFirst {
    QtAppFirst() { qtApp(); }
};

// Runs f from the event loop as soon as the modal loop that is about to start is running.
inline void whenModal(std::function<void()> f) {
    QTimer::singleShot(0, qApp, std::move(f));
}

}  // namespace prismcrate::testing
