#include "app/application.h"

#include <exception>

#include "platform/error_box.h"

namespace prismcrate {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Prismcrate"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
    }
    return true;
}

}  // namespace prismcrate
