// The one QApplication of the test binary (offscreen).
#pragma once

#include <QApplication>

namespace prismcrate::testing {

inline QApplication& testApp() {
    static int argc = 1;
    static char name[] = "test_timer_sound";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace prismcrate::testing
