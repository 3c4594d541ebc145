// The one application object of a widget test binary.
#pragma once

#include <QApplication>

namespace prismcrate::testing {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "test_levels_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace prismcrate::testing
