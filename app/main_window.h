// The main window: the playing field, the editor's palette, the status panel and the two
// menu bars, and the glue between the handlers and the game session. The session runs
// every key, undo, restart and redraw; the window draws it on DXDraw1 through a canvas
// over the sprite sheets, plays its cues from DXWaveList1, and supplies its flow: the
// blast redraw timer DXTimer1, the undo command, the level set and the editor.
#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <memory>
#include <string>

#include "app/timage.h"
#include "editor/painting.h"
#include "game/board.h"
#include "game/session.h"
#include "levels/file_dialog.h"
#include "levels/level_record.h"
#include "media/dxdraw.h"
#include "media/dximagelist.h"
#include "media/field_canvas.h"

namespace prismcrate {

class TForm2;
class TForm3;
class TForm4;
class TForm5;
class THelpForm;
class ProgressFile;
class TCustomDXTimer;
class TDXTimer;
class TDXSound;
class TDXWaveList;
class SolverCommands;

class TForm1 : public QMainWindow, public SessionFlow {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs are created after the main window, each once for the whole run.
    void setDialogs(TForm2* form2, TForm3* form3, TForm4* form4, TForm5* form5);
    // Instead of setDialogs: the window makes the four dialogs itself (as its children)
    // when they are first needed, at the start-up tick or at the first command that uses
    // one, so that it shows without waiting for them.
    void makeDialogsWhenNeeded() { dialogsWanted_ = true; }

    // The one game, and its board: the one game state of the program.
    Session session;
    Board& board = session.board;

    // Where the session draws and sounds: by default the window's own canvas over DXDraw1
    // and cues over DXWaveList1; null restores the default. Tests put recorders between.
    void setOutputs(FieldCanvas* canvas, CuePlayer* cues);
    FieldCanvas& canvas() { return *canvas_; }
    CuePlayer& cues() { return *cues_; }
    TDXFieldCanvas& displayCanvas() { return *displayCanvas_; }
    TDXWaveCues& waveCues() { return *waveCues_; }

    // The dialogs: chooser, title dialog, set builder, about box.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;

    // Controls.
    QWidget* client = nullptr;
    TDXDraw* DXDraw1 = nullptr;
    // The sprite sheets "tiles1" (item 0) and "tiles2" (item 1), bound to DXDraw1.
    TDXImageList* DXImageList1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Panel3 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image3 = nullptr;

    // Sound device with the cues, and the three one-shot frame timers.
    TDXSound* DXSound1 = nullptr;
    TDXWaveList* DXWaveList1 = nullptr;
    TDXTimer* DXTimer1 = nullptr;
    TDXTimer* DXTimer2 = nullptr;
    TDXTimer* DXTimer3 = nullptr;

    // Game menu.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* Level1 = nullptr;
    QAction* Restartlevel1 = nullptr;
    QAction* LoadLevel1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N2 = nullptr;
    QMenu* N5 = nullptr;
    QAction* Help1 = nullptr;  // "Как играть" (F1)
    QAction* N6 = nullptr;

    // Editor menu.
    QMenuBar* MainMenu2 = nullptr;
    QMenu* N7 = nullptr;
    QAction* N13 = nullptr;
    QAction* N9 = nullptr;
    QAction* N16 = nullptr;
    QAction* N22 = nullptr;
    QAction* N21 = nullptr;
    QAction* N19 = nullptr;
    QAction* N17 = nullptr;
    QAction* N11 = nullptr;
    QAction* N12 = nullptr;
    QMenu* N8 = nullptr;
    QAction* N18 = nullptr;
    QAction* N20 = nullptr;
    QMenu* N14 = nullptr;
    QAction* Help2 = nullptr;  // "Как играть" (F1)
    QAction* N15 = nullptr;

    // The "Как играть" window, made at its first showing.
    THelpForm* helpForm();
    void HelpClick();

    // The menu bar that is the window's menu now (MainMenu1 or MainMenu2).
    QMenuBar* windowMenu() const { return currentMenu_; }
    void setWindowMenu(QMenuBar* menu);

    // Handlers.
    void FormCreate();
    void FormKeyDown(int key);
    void FormClose() {}
    void N4Click();
    void N12Click();
    void N6Click();
    void N15Click();
    void DXTimer1Timer(TCustomDXTimer* Sender, int LagCount);
    void DXTimer2Timer(TCustomDXTimer* Sender, int LagCount);
    void DXTimer3Timer(TCustomDXTimer* Sender, int LagCount);

    // Game flow: undo ("Отменить ход") and restart ("Новая").
    void Exit1Click();
    void Restartlevel1Click();
    // One field pass of the session, as every change of the board ends with.
    void showpole();

    // The editor: palette, painting with the mouse and the editor menu's commands.
    EditorState editor;  // selectedTool, mouseX, mouseY, leftHeld, rightHeld
    void showeditpanel();
    void Image2MouseDown(Qt::MouseButton button, int x, int y);
    void leftmouse();
    void DXDraw1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DXDraw1MouseMove(TShiftState Shift, int X, int Y);
    void DXDraw1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void N2Click();
    void N13Click();
    void N9Click();
    void N16Click();
    void N21Click();
    void N17Click();
    void N18Click();
    void N20Click();

    // Level files and level sets. savelevel and loadlevel tell whether a file was
    // written or read.
    bool savelevel();
    bool loadlevel();
    void loadlevfromlvp();
    void LoadLevel1Click();
    // Applies `regim` to the window.
    void changeregim();

    // The current set and level, kept by the chooser; "Уровень: " and the level's number
    // in the status panel.
    std::string currentSetFile() const;
    int currentLevel() const;
    void showLevelNumber(int index);

    // The file dialogs of savelevel and loadlevel.
    TFileDialog OpenDialog1{TFileDialog::Kind::Open, QStringLiteral("*.lev"),
                            QStringLiteral("lev")};
    TFileDialog SaveDialog1{TFileDialog::Kind::Save, QStringLiteral("*.lev"),
                            QStringLiteral("lev")};

    // The level being edited: the file it was opened from or last saved to (bytes; empty
    // for a level not saved yet) and whether it changed since. Painting, a new title and
    // "Создать" change it; a test run and the way back do not.
    const std::string& editedFile() const { return editedFile_; }
    bool editedChanged() const { return editedChanged_; }
    void setEditedLevel(std::string file, bool changed);
    // The level being edited as a level record: the board, or during a test run the board
    // as it was when the run started.
    LevelRecord editedRecord() const;
    // Before the edited level is dropped: when it has changes (and is not a new level that
    // is still empty), asks whether to save them. True when the command may go on ("Сохранить" and
    // the save succeeded, or "Не сохранять"); false for "Отмена" or a save that was cancelled or
    // failed.
    bool confirmDropEdits();
    // The caption: "Prismcrate", and in the editor the edited file's name after it.
    void updateCaption();

    // Where the player's progress is kept; none when null.
    void setProgress(ProgressFile* progress) { progress_ = progress; }
    ProgressFile* progress() const { return progress_; }

    // A level set (.lvp) or level (.lev) named on the command line, opened at start-up in
    // place of the standard set: the set in the chooser, the level in the editor. One that
    // cannot be opened is reported, and the start goes on as usual.
    void setStartFile(std::string file) { startFile_ = std::move(file); }
    // Opens it; false when it could not be opened (the error box has said why).
    bool openStartFile(const std::string& file);

    // The solver's commands: the hint, the lost-position warning, the editor's check.
    std::unique_ptr<SolverCommands> solverCommands;

    // SessionFlow.
    bool blastTimerEnabled() override;
    void setBlastTimerEnabled(bool enabled) override;
    void setUndoEnabled(bool enabled) override;
    void returnToEditor() override;
    void advanceToNextLevel() override;
    void reloadLevel() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void noteEdited(const Board& before);
    // Makes the dialogs now if makeDialogsWhenNeeded asked for them and they are not made
    // yet. Const for the accessors that read the dialogs: making them is not a change of
    // what the window holds, only of when.
    void needDialogs() const;
    void createControls();
    void createSheets();
    void createMenus();
    void createSoundAndTimers();
    void drawHitMask();
    void createEditor();

    QMenuBar* currentMenu_ = nullptr;
    std::unique_ptr<TDXFieldCanvas> displayCanvas_;
    std::unique_ptr<TDXWaveCues> waveCues_;
    FieldCanvas* canvas_ = nullptr;
    CuePlayer* cues_ = nullptr;
    THelpForm* helpForm_ = nullptr;
    mutable bool dialogsWanted_ = false;
    ProgressFile* progress_ = nullptr;
    std::string startFile_;
    std::string editedFile_;
    bool editedChanged_ = false;
};

// Maps a Qt key to the virtual-key code the move rules use, or 0 for keys they ignore.
int virtualKeyFromQt(int qtKey);

}  // namespace prismcrate
