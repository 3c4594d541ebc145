#include "platform/form_setup.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace prismcrate {
namespace {

// Centres its window on the desktop at the window's first showing.
class FirstShowCentring : public QObject {
  public:
    explicit FirstShowCentring(QWidget& form) : QObject(&form), form_(form) {
        form.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &form_ && event->type() == QEvent::Show && !done_) {
            done_ = true;
            if (QScreen* screen = form_.screen()) {
                const QRect area = screen->availableGeometry();
                const QSize size = form_.frameGeometry().size();
                form_.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
            }
        }
        return false;
    }

  private:
    QWidget& form_;
    bool done_ = false;
};

// Sees every key event of the application and hands those meant for its form's widgets
// to the preview.
class KeyPreviewFilter : public QObject {
  public:
    KeyPreviewFilter(QWidget& form, KeyPreview preview)
        : QObject(&form), form_(form), preview_(std::move(preview)) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* target = static_cast<QWidget*>(watched);
        if (target->window() != &form_) return false;
        return preview_(target, *static_cast<QKeyEvent*>(event));
    }

  private:
    QWidget& form_;
    KeyPreview preview_;
};

}  // namespace

void setUpForm(QWidget& form, const QString& caption, FormBorder border, QSize clientSize) {
    form.setWindowTitle(caption);
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    switch (border) {
        case FormBorder::Single:
            flags |= Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                     Qt::WindowCloseButtonHint;
            break;
        case FormBorder::Dialog:
            flags |= Qt::Dialog;
            break;
        case FormBorder::DialogWithClose:
            flags |= Qt::Dialog | Qt::WindowCloseButtonHint;
            break;
    }
    form.setWindowFlags(flags);
    QFont font = QApplication::font();
    font.setPointSize(8);
    form.setFont(font);
    if (clientSize.isValid()) form.setFixedSize(clientSize);
    new FirstShowCentring(form);
}

void setKeyPreview(QWidget& form, KeyPreview preview) {
    new KeyPreviewFilter(form, std::move(preview));
}

}  // namespace prismcrate
