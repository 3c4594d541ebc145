// The main window's editor: the palette, painting on the field, and the commands of the
// editor menu.
#include <QString>

#include "app/about_box.h"
#include "app/main_window.h"
#include "editor/commands.h"
#include "editor/palette.h"
#include "editor/title_dialog.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "media/bitmap_picture.h"
#include "platform/paths.h"

namespace prismcrate {
namespace {

MouseButton editorButton(TMouseButton button) {
    switch (button) {
        case mbLeft:
            return MouseButton::Left;
        case mbRight:
            return MouseButton::Right;
        default:
            return MouseButton::Middle;
    }
}

}  // namespace

void TForm1::createEditor() {
    Image2->setPicture(readBitmapPicture(assetPath("palette.bmp")));
    Image2->onMouseDown = [this](Qt::MouseButton button, int x, int y) {
        Image2MouseDown(button, x, y);
    };
    // Each tool names itself where the palette takes a click.
    Image2->toolTipAt = [this](int x, int y) {
        if (selectToolAt(Image3->picture(), x, y, -1) < 0) return QString();
        return toolName(paletteToolAt(x, y));
    };
    DXDraw1->OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
        DXDraw1MouseDown(button, shift, x, y);
    };
    DXDraw1->OnMouseMove = [this](TMouseButton, TShiftState shift, int x, int y) {
        DXDraw1MouseMove(shift, x, y);
    };
    DXDraw1->OnMouseUp = [this](TMouseButton button, TShiftState shift, int x, int y) {
        DXDraw1MouseUp(button, shift, x, y);
    };

    connect(N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(N13, &QAction::triggered, this, &TForm1::N13Click);
    connect(N9, &QAction::triggered, this, &TForm1::N9Click);
    connect(N16, &QAction::triggered, this, &TForm1::N16Click);
    connect(N21, &QAction::triggered, this, &TForm1::N21Click);
    connect(N17, &QAction::triggered, this, &TForm1::N17Click);
    connect(N18, &QAction::triggered, this, &TForm1::N18Click);
    connect(N20, &QAction::triggered, this, &TForm1::N20Click);
}

void TForm1::showeditpanel() {
    drawEditPanel(Image2->picture(), editor.selectedTool);
    Image2->update();
}

void TForm1::Image2MouseDown(Qt::MouseButton, int x, int y) {
    editor.selectedTool = selectToolAt(Image3->picture(), x, y, editor.selectedTool);
    showeditpanel();
}

void TForm1::leftmouse() {
    prismcrate::leftmouse(
        board, [this] { showpole(); }, editor);
}

void TForm1::noteEdited(const Board& before) {
    if (board.regim != kModeEdit || editedChanged_) return;
    if (board.objectLayer != before.objectLayer || board.floorLayer != before.floorLayer ||
        board.playerX != before.playerX || board.playerY != before.playerY)
        setEditedLevel(editedFile_, true);
}

void TForm1::DXDraw1MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
    if (Button == mbNone) return;
    const Board before = board;
    fieldMouseDown(
        board, [this] { showpole(); }, editor, editorButton(Button), X, Y);
    noteEdited(before);
}

void TForm1::DXDraw1MouseMove(TShiftState, int X, int Y) {
    if (!editor.leftHeld && !editor.rightHeld) return;
    const Board before = board;
    fieldMouseMove(
        board, [this] { showpole(); }, editor, X, Y);
    noteEdited(before);
}

void TForm1::DXDraw1MouseUp(TMouseButton Button, TShiftState, int, int) {
    if (Button == mbNone) return;
    fieldMouseUp(board, editor, editorButton(Button));
}

void TForm1::N2Click() {
    if (enterEditor(board)) {
        needDialogs();
        // A fresh empty level; coming back from a test run keeps the edited one.
        if (Form3) Form3->setTitle(QString());
        editedFile_.clear();
        editedChanged_ = false;
    }
    changeregim();
}

void TForm1::N13Click() {
    if (!confirmDropEdits()) return;
    needDialogs();
    if (Form3) Form3->setTitle(QString());
    newLevel(board);
    setEditedLevel({}, true);
    showpole();
}

void TForm1::N9Click() {
    if (!confirmDropEdits()) return;
    loadlevel();
}

void TForm1::N16Click() {
    savelevel();
}

void TForm1::N21Click() {
    needDialogs();
    if (Form4 && !Form4->isVisible()) Form4->exec();
}

void TForm1::N17Click() {
    if (!confirmDropEdits()) return;
    setEditedLevel({}, false);
    showLevelNumber(currentLevel());
    board.testRun = 0;
    session.setUndoAvailable(false);
    loadlevfromlvp();
}

void TForm1::N18Click() {
    startTestRun(board);
    session.setUndoAvailable(false);
    changeregim();
}

void TForm1::N20Click() {
    needDialogs();
    if (!Form3 || Form3->isVisible()) return;
    const std::string before = Form3->titleBytes();
    Form3->exec();
    if (Form3->titleBytes() != before) setEditedLevel(editedFile_, true);
}

}  // namespace prismcrate
