#include "platform/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace prismcrate {
namespace {
ErrorBoxSink& sinkSlot() {
    static ErrorBoxSink sink;
    return sink;
}
}  // namespace

QString errorBoxText(const QString& message) {
    if (message.endsWith(QLatin1Char('.'))) return message;
    return message + QLatin1Char('.');
}

void showErrorBox(const QString& message) {
    const QString text = errorBoxText(message);
    if (sinkSlot()) {
        sinkSlot()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Prismcrate"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

ErrorBoxSink setErrorBoxSink(ErrorBoxSink sink) {
    ErrorBoxSink previous = std::move(sinkSlot());
    sinkSlot() = std::move(sink);
    return previous;
}

void runReportingErrors(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
    }
}

}  // namespace prismcrate
