// The main window: the playing field, the editor's palette, the status panel and the two
// menu bars, and the glue between the handlers and the game state.
#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

#include "app/timage.h"
#include "editor/painting.h"
#include "game/board.h"
#include "game/flow.h"
#include "game/host.h"
#include "levels/file_dialog.h"
#include "media/dximagelist.h"
#include "media/dxdraw.h"

namespace prismcrate {

class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TCustomDXTimer;
class TDXTimer;
class TDXSound;
class TDXWaveList;

class TForm1 : public QMainWindow, public Host {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs are created after the main window, each once for the whole run.
    void setDialogs(TForm2* form2, TForm3* form3, TForm4* form4, TForm5* form5);

    // The one game state of the program.
    Board board;

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
    QAction* N15 = nullptr;

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

    // Game flow: undo ("Отменить ход") and restart ("Новая"); the guard that keeps a level
    // brought in by the win sequence from being won before the player's first move on it.
    void Exit1Click();
    void Restartlevel1Click();
    WinGuard winGuard;

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

    // Level files and level sets.
    void savelevel();
    void loadlevel();
    void loadlevfromlvp();
    void LoadLevel1Click();
    // Applies `regim` to the window.
    void changeregim();

    // The file dialogs of savelevel and loadlevel.
    TFileDialog OpenDialog1{TFileDialog::Kind::Open, QStringLiteral("*.lev"),
                            QStringLiteral("lev")};
    TFileDialog SaveDialog1{TFileDialog::Kind::Save, QStringLiteral("*.lev"),
                            QStringLiteral("lev")};

    // Host.
    void drawPattern(int sheet, int pattern, int x, int y) override;
    void flip() override;
    void playCue(int cue, bool wait) override;
    void stopCue(int cue) override;
    bool blastTimerEnabled() override;
    void enableBlastTimer() override;
    void showpole() override;
    void winSequence() override;
    void setUndoEnabled(bool enabled) override;
    void closeMainWindow() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void createControls();
    void createSheets();
    void createMenus();
    void createSoundAndTimers();
    void drawHitMask();
    void createEditor();

    QMenuBar* currentMenu_ = nullptr;
    bool centred_ = false;
};

// Maps a Qt key to the virtual-key code the move rules use, or 0 for keys they ignore.
int virtualKeyFromQt(int qtKey);

}  // namespace prismcrate
