// What the program's five windows share: the caption, a fixed frame, the font, centring on
// the desktop the first time the window is shown, and key preview for those that have it.
#pragma once

#include <QSize>
#include <QString>
#include <functional>

class QKeyEvent;
class QWidget;

namespace prismcrate {

enum class FormBorder {
    // Single-line border with the system menu and the minimise box; no maximise box.
    Single,
    // A dialog frame: title bar only, the system menu's Close disabled.
    Dialog,
    // A dialog frame that keeps its close button.
    DialogWithClose,
};

// Caption, border and the font ("MS Sans Serif" 8 pt: the desktop's sans-serif at 8
// points); the window is placed in the middle of the desktop when it is first shown. A
// valid `clientSize` fixes the window's size; otherwise the window fixes it itself.
void setUpForm(QWidget& form, const QString& caption, FormBorder border, QSize clientSize = {});

// Key preview: every key pressed in the form or one of its widgets reaches `preview` first,
// with the widget it was sent to; returning true swallows the key. (A key that nobody
// takes goes on to the widget's parents and passes the preview again on its way.)
using KeyPreview = std::function<bool(QWidget* target, QKeyEvent& key)>;
void setKeyPreview(QWidget& form, KeyPreview preview);

}  // namespace prismcrate
