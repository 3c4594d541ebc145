// The main window's game flow: undo and restart, the start-up tick, the redraw timers and
// the win sequence.
#include <QFileInfo>
#include <QString>

#include "app/main_window.h"
#include "game/flow.h"
#include "levels/chooser_dialog.h"
#include "media/dx_timer.h"

namespace prismcrate {
namespace {

// The start-up check looks for the standard set relative to the current directory.
const char* const kStandardSetCheck = "./levels/standart.lvp";

// The level set in use as the win sequence sees it: the chooser keeps the position and
// the list, the main window loads levels, switches modes and shows the level number.
class WindowLevelFlow : public LevelFlow {
  public:
    explicit WindowLevelFlow(TForm1& form) : form_(form) {}

    int currentLevelIndex() override {
        return form_.Form2 ? parseLevelIndex(form_.Form2->Edit2->text().toStdString()) : 0;
    }
    void setCurrentLevelIndex(int index) override {
        if (form_.Form2) form_.Form2->Edit2->setText(QString::number(index));
    }
    int levelCount() override { return form_.Form2 ? form_.Form2->StringGrid1->rowCount() : 1; }
    void loadCurrentLevel() override { form_.loadlevfromlvp(); }
    void switchMode(const std::string& mode) override {
        form_.board.regim = mode;
        form_.changeregim();
    }
    void showLevelNumber(int index) override {
        form_.Panel3->setText(QStringLiteral("Уровень: ") + QString::number(index + 1));
    }

  private:
    TForm1& form_;
};

}  // namespace

void TForm1::Exit1Click() {
    prismcrate::Exit1Click(board, *this);
}

void TForm1::Restartlevel1Click() {
    prismcrate::Restartlevel1Click(board, *this, [this] { loadlevfromlvp(); });
}

void TForm1::DXTimer1Timer(TCustomDXTimer*, int) {
    showpole();
    DXTimer1->setEnabled(false);
}

void TForm1::DXTimer2Timer(TCustomDXTimer*, int) {
    if (!QFileInfo::exists(QString::fromLatin1(kStandardSetCheck))) {
        // No standard set: the program ends at once, without a message.
        DXTimer2->setEnabled(false);
        close();
        return;
    }
    board.regim = kModeTitle;
    changeregim();
    if (Form2) {
        try {
            Form2->loadlevels(QStringLiteral("a"));
        } catch (...) {
            // The error box that reports this runs its own message loop; a tick inside it
            // would fail the same way and open another box, without end.
            DXTimer2->setEnabled(false);
            throw;
        }
        // This tick comes again from inside the chooser's message loop; that second entry
        // finds the chooser showing and only stops the timer.
        if (!Form2->isVisible()) Form2->exec();
    }
    flip();
    DXTimer2->setEnabled(false);
}

void TForm1::DXTimer3Timer(TCustomDXTimer*, int) {
    showpole();
    DXTimer3->setEnabled(false);
}

void TForm1::winSequence() {
    WindowLevelFlow flow(*this);
    prismcrate::winSequence(board, *this, flow, winGuard);
}

}  // namespace prismcrate
