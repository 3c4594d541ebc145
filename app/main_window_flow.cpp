// The main window's game flow: undo and restart, the start-up tick, the redraw timers, and
// what the session asks of the window: the blast redraw timer, the undo command, the
// advance to the next level, the return to the editor and the reload for a restart.
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "app/main_window.h"
#include "app/solver_commands.h"
#include "editor/title_dialog.h"
#include "field/field.h"
#include "game/flow.h"
#include "levels/chooser_dialog.h"
#include "levels/level_files.h"
#include "levels/progress.h"
#include "media/dx_timer.h"
#include "platform/error_box.h"

namespace prismcrate {
namespace {

// The start-up check looks for the standard set relative to the current directory.
const char* const kStandardSetCheck = "./levels/standart.lvp";

}  // namespace

void TForm1::Exit1Click() {
    session.undo();
    if (solverCommands) solverCommands->positionChanged();
}

void TForm1::Restartlevel1Click() {
    session.restart();
    if (solverCommands) solverCommands->positionChanged();
}

void TForm1::DXTimer1Timer(TCustomDXTimer*, int) {
    // One more field pass, then the timer stops; a death that pass finds is drawn as the
    // wreck by a further pass at once.
    session.serveBlastRedraw();
    if (solverCommands) solverCommands->positionChanged();
}

void TForm1::DXTimer2Timer(TCustomDXTimer*, int) {
    needDialogs();
    if (!QFileInfo::exists(QString::fromLatin1(kStandardSetCheck))) {
        // No standard set: the program ends at once, without a message.
        DXTimer2->setEnabled(false);
        close();
        return;
    }
    if (!startFile_.empty()) {
        // Once, and with the timer stopped: the boxes and dialogs below run message
        // loops, in which a further tick would start the game a second time.
        const std::string file = std::move(startFile_);
        startFile_.clear();
        DXTimer2->setEnabled(false);
        if (openStartFile(file)) return;
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
    canvas().present();
    DXTimer2->setEnabled(false);
}

bool TForm1::openStartFile(const std::string& file) {
    needDialogs();
    if (!Form2) return false;
    const bool level =
        file.size() >= 4 && QString::fromLatin1(file.substr(file.size() - 4))
                                    .compare(QStringLiteral(".lev"), Qt::CaseInsensitive) == 0;
    try {
        if (level) {
            // The editor with the level open, as "Открыть..." opens it; the standard set is
            // the current set, to which "Закрыть редактор" leads.
            Board loaded = board;
            std::string title;
            if (loadLevelFile(file, loaded, title) != RecordStatus::Loaded) {
                showErrorBox(QStringLiteral("Файл %1 не является файлом уровня")
                                 .arg(QFile::decodeName(QByteArray::fromStdString(file))));
                return false;
            }
            Form2->setCurrentSetFile(standardSetFile());
            N2Click();
            putRecordOnBoard(recordFromBoard(loaded, title), board);
            board.takeStartSnapshot();
            board.resetForLoadedLevel();
            if (Form3) Form3->setTitleBytes(title);
            setEditedLevel(file, false);
            showpole();
            return true;
        }
        Form2->loadSetFile(file);
        if (progress_) progress_->recordOpened(file);
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
        return false;
    }
    // The named set in the chooser, as the standard set would be.
    board.regim = kModeTitle;
    changeregim();
    if (!Form2->isVisible()) Form2->exec();
    canvas().present();
    return true;
}

void TForm1::DXTimer3Timer(TCustomDXTimer*, int) {
    showpole();
    DXTimer3->setEnabled(false);
}

// SessionFlow.

bool TForm1::blastTimerEnabled() {
    return DXTimer1->Enabled();
}

void TForm1::setBlastTimerEnabled(bool enabled) {
    DXTimer1->setEnabled(enabled);
}

void TForm1::setUndoEnabled(bool enabled) {
    Exit1->setEnabled(enabled);
}

void TForm1::returnToEditor() {
    board.regim = kModeEdit;
    changeregim();
}

void TForm1::advanceToNextLevel() {
    needDialogs();
    if (progress_) progress_->recordSolved(currentSetFile(), currentLevel());
    const int next = nextLevelIndex(currentLevel(), Form2 ? Form2->levelRows() : 1);
    if (Form2) Form2->setCurrentLevel(next);
    loadlevfromlvp();
    showLevelNumber(next);
}

void TForm1::reloadLevel() {
    loadlevfromlvp();
}

}  // namespace prismcrate
