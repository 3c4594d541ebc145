#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/help_window.h"
#include "app/solver_commands.h"
#include "editor/title_dialog.h"
#include "field/field.h"
#include "game/moves.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/level_files.h"
#include "levels/progress.h"
#include "levels/title_text.h"
#include "media/dx_timer.h"
#include "platform/error_box.h"
#include "platform/form_setup.h"
#include "platform/paths.h"

namespace prismcrate {

int virtualKeyFromQt(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape:
            return kKeyEscape;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        default:
            return 0;
    }
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    // Single-line border, system menu and minimise box, no maximise box; FormCreate fixes
    // the size.
    setUpForm(*this, QStringLiteral("Prismcrate"), FormBorder::Single);

    createMenus();
    createControls();
    createSoundAndTimers();
    createEditor();
    solverCommands = std::make_unique<SolverCommands>(*this);
    displayCanvas_ = std::make_unique<TDXFieldCanvas>(*DXImageList1, *DXDraw1);
    waveCues_ = std::make_unique<TDXWaveCues>(*DXWaveList1);
    setOutputs(nullptr, nullptr);
    OpenDialog1.followsLevelFolders = true;
    SaveDialog1.followsLevelFolders = true;
    // Every key pressed while the main window is active reaches FormKeyDown first, and
    // the keys it handles never move the focus between controls.
    setKeyPreview(*this, [this](QWidget*, QKeyEvent& key) {
        if (!isActiveWindow()) return false;
        const int vk = virtualKeyFromQt(key.key());
        if (vk == 0) return false;
        FormKeyDown(vk);
        return true;
    });
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::setOutputs(FieldCanvas* canvas, CuePlayer* cues) {
    canvas_ = canvas ? canvas : displayCanvas_.get();
    cues_ = cues ? cues : waveCues_.get();
    session.attach(canvas_, cues_, this);
}

void TForm1::setDialogs(TForm2* form2, TForm3* form3, TForm4* form4, TForm5* form5) {
    Form2 = form2;
    Form3 = form3;
    if (Form2) {
        // The chooser's confirmation loads the level, shows its number and arms the
        // redraw that follows once the chooser has left the screen.
        Form2->loadlevfromlvp = [this] { loadlevfromlvp(); };
        Form2->setLevelCaption = [this](const QString& caption) { Panel3->setText(caption); };
        Form2->enableDXTimer3 = [this] { DXTimer3->setEnabled(true); };
        Form2->solvedLevels = [this](const std::string& file) {
            return progress_ ? progress_->forSet(file).solved : std::set<long long>();
        };
        Form2->setOpened = [this](const std::string& file) {
            if (progress_) progress_->recordOpened(file);
        };
    }
    Form4 = form4;
    Form5 = form5;
}

void TForm1::needDialogs() const {
    if (!dialogsWanted_) return;
    dialogsWanted_ = false;
    auto* self = const_cast<TForm1*>(this);
    self->setDialogs(new TForm2(self), new TForm3(self), new TForm4(self), new TForm5(self));
}

void TForm1::createMenus() {
    auto* menus = new QWidget(this);
    auto* menuLayout = new QVBoxLayout(menus);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->setSpacing(0);

    MainMenu1 = new QMenuBar(menus);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Level1 = MainMenu1->addMenu(QStringLiteral("&Игра"));
    Level1->setObjectName(QStringLiteral("Level1"));
    Restartlevel1 = Level1->addAction(QStringLiteral("Новая"));
    Restartlevel1->setShortcut(QKeySequence(Qt::Key_F2));
    LoadLevel1 = Level1->addAction(QStringLiteral("Загрузить уровень..."));
    LoadLevel1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    N1 = Level1->addSeparator();
    Exit1 = Level1->addAction(QStringLiteral("Отменить ход"));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Exit1->setEnabled(false);
    N3 = Level1->addSeparator();
    N4 = Level1->addAction(QStringLiteral("Выход"));
    N2 = MainMenu1->addAction(QStringLiteral("&Редактор"));
    N5 = MainMenu1->addMenu(QStringLiteral("&Справка"));
    N6 = N5->addAction(QStringLiteral("О программе..."));
    N5->addSeparator();
    Help1 = N5->addAction(QStringLiteral("Как играть"));
    Help1->setShortcut(QKeySequence(Qt::Key_F1));

    MainMenu2 = new QMenuBar(menus);
    MainMenu2->setObjectName(QStringLiteral("MainMenu2"));
    N7 = MainMenu2->addMenu(QStringLiteral("&Файл"));
    N13 = N7->addAction(QStringLiteral("Создать"));
    N13->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    N9 = N7->addAction(QStringLiteral("Открыть..."));
    N9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    N16 = N7->addAction(QStringLiteral("Сохранить..."));
    N16->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    N22 = N7->addSeparator();
    N21 = N7->addAction(QStringLiteral("Создать набор уровней"));
    N19 = N7->addSeparator();
    N17 = N7->addAction(QStringLiteral("Закрыть редактор"));
    N11 = N7->addSeparator();
    N12 = N7->addAction(QStringLiteral("Выход"));
    N8 = MainMenu2->addMenu(QStringLiteral("&Уровень"));
    N18 = N8->addAction(QStringLiteral("Запустить"));
    N20 = N8->addAction(QStringLiteral("Изменить название"));
    N14 = MainMenu2->addMenu(QStringLiteral("&Справка"));
    N15 = N14->addAction(QStringLiteral("О программе..."));
    N14->addSeparator();
    Help2 = N14->addAction(QStringLiteral("Как играть"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));

    menuLayout->addWidget(MainMenu1);
    menuLayout->addWidget(MainMenu2);
    setMenuWidget(menus);
    setWindowMenu(MainMenu1);

    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(N12, &QAction::triggered, this, &TForm1::N12Click);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(Help1, &QAction::triggered, this, &TForm1::HelpClick);
    connect(Help2, &QAction::triggered, this, &TForm1::HelpClick);
    connect(N15, &QAction::triggered, this, &TForm1::N15Click);
    connect(LoadLevel1, &QAction::triggered, this, &TForm1::LoadLevel1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(Restartlevel1, &QAction::triggered, this, &TForm1::Restartlevel1Click);
}

void TForm1::setWindowMenu(QMenuBar* menu) {
    // A hidden menu bar's shortcuts do not react, so only the window's menu answers to
    // Ctrl+O and the other keys.
    currentMenu_ = menu;
    MainMenu1->setVisible(menu == MainMenu1);
    MainMenu2->setVisible(menu == MainMenu2);
}

void TForm1::createControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    client->setPalette(pal);
    setCentralWidget(client);

    Bevel2 = new QFrame(client);
    Bevel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel2->move(1, 1);

    DXDraw1 = new TDXDraw(client);
    DXDraw1->move(2, 2);
    DXDraw1->resize(100, 100);
    createSheets();

    Panel2 = new QFrame(client);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->move(486, 1);
    Panel3 = new QLabel(Panel2);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setAlignment(Qt::AlignCenter);
    Panel3->setGeometry(8, 8, 97, 25);
    QFont bold = Panel3->font();
    bold.setBold(true);
    Panel3->setFont(bold);

    Panel1 = new QFrame(client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Image2 = new TImage(Panel1);
    Image2->move(5, 5);
    Image2->hide();
    Image3 = new TImage(Panel1);
    Image3->move(5, 5);
    Image3->hide();

    for (QWidget* w : client->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
}

void TForm1::createSheets() {
    // Both sheets: 24-pixel patterns in one row, purple drawn as transparent. They are cut
    // into patterns when DXDraw1 starts at the first showing of the window. A sheet file
    // that cannot be read leaves its sheet empty, and its patterns draw nothing; the
    // reader's error is shown once, here, before the start-up tick is armed (a file that
    // is not there at all, as beside the test programs, is passed over in silence).
    DXImageList1 = new TDXImageList(this);
    for (const char* name : {"tiles1", "tiles2"}) {
        TPictureCollectionItem& item = DXImageList1->Items.Add();
        item.Name = name;
        item.PatternWidth = 24;
        item.PatternHeight = 0;
        item.Transparent = true;
        item.SetTransparentColor(clPurple);
        const std::string path = assetPath(std::string(name) + ".bmp");
        try {
            item.Picture.LoadFromFile(path);
        } catch (const Error& e) {
            item.Picture.Clear();
            if (fileExists(path)) showErrorBox(QString::fromUtf8(e.what()));
        }
    }
    DXImageList1->SetDXDraw(DXDraw1);
}

void TForm1::FormCreate() {
    // Layout from the cell size.
    DXDraw1->resize(cellSize * 20, cellSize * 20);
    Bevel2->resize(DXDraw1->width() + 2, DXDraw1->height() + 2);
    const int paletteSide = (cellSize + 1) * 4 + 3;
    Image2->resize(paletteSide, paletteSide);
    Panel1->resize(Image2->width() + 10, Image2->height() + 10);
    Panel1->move(DXDraw1->width() + 6, DXDraw1->height() - Panel1->height() + 3);
    Panel2->setGeometry(DXDraw1->width() + 6, Panel2->y(), Panel1->width(),
                        DXDraw1->height() - Panel1->height() - 1);
    client->setFixedSize(DXDraw1->width() + Panel1->width() + 7, DXDraw1->height() + 4);
    board.playerDir = kDown;
    Image3->resize(Image2->width(), Image2->height());
    drawHitMask();
    Bevel2->lower();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The start-up tick (title screen and the chooser) comes 10 ms later.
    DXTimer2->setEnabled(true);
}

void TForm1::drawHitMask() {
    QImage mask(Image3->width(), Image3->height(), QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter painter(&mask);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const int left = (cellSize + 1) * i + 2;
            const int top = (cellSize + 1) * j + 2;
            // Right and bottom edges excluded: a cellSize by cellSize square.
            painter.fillRect(left, top, cellSize, cellSize, Qt::black);
        }
    }
    painter.end();
    Image3->setPicture(mask);
}

void TForm1::FormKeyDown(int key) {
    if (session.key(key).closeRequested) close();
    if (solverCommands) solverCommands->positionChanged();
}

void TForm1::N4Click() {
    close();
}
void TForm1::N12Click() {
    close();
}

void TForm1::N6Click() {
    needDialogs();
    if (Form5 && !Form5->isVisible()) Form5->exec();
}
void TForm1::N15Click() {
    N6Click();
}

THelpForm* TForm1::helpForm() {
    if (!helpForm_) helpForm_ = new THelpForm(*DXImageList1, this);
    return helpForm_;
}

void TForm1::HelpClick() {
    helpForm()->showHelp();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The edited level is lost with the window, in the editor and during a test run (a
    // window that was never shown has nothing to ask about).
    const bool editing = board.regim == kModeEdit || board.testRun;
    if (editing && isVisible() && !confirmDropEdits()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

namespace {
// The level title is kept by the title dialog, as cp1251 bytes in the files.
std::string levelTitle(const TForm3* form3) {
    return form3 ? form3->titleBytes() : std::string();
}
void setLevelTitle(TForm3* form3, const std::string& title) {
    if (form3) form3->setTitleBytes(title);
}
}  // namespace

LevelRecord TForm1::editedRecord() const {
    needDialogs();
    if (board.regim == kModeEdit || !board.testRun)
        return recordFromBoard(board, levelTitle(Form3));
    Board edited;
    edited.objectLayer = board.startObjectLayer;
    edited.floorLayer = board.startFloorLayer;
    edited.playerX = board.startX;
    edited.playerY = board.startY;
    return recordFromBoard(edited, levelTitle(Form3));
}

bool TForm1::savelevel() {
    if (!SaveDialog1.Execute(this)) return false;
    const std::string file = nativePath(SaveDialog1.FileName);
    saveLevelFile(file, editedRecord());
    setEditedLevel(file, false);
    return true;
}

bool TForm1::loadlevel() {
    if (!OpenDialog1.Execute(this)) return false;
    needDialogs();
    const std::string file = nativePath(OpenDialog1.FileName);
    std::string title = levelTitle(Form3);
    if (loadLevelFile(file, board, title) != RecordStatus::Loaded) return false;
    setLevelTitle(Form3, title);
    setEditedLevel(file, false);
    showpole();
    return true;
}

void TForm1::setEditedLevel(std::string file, bool changed) {
    editedFile_ = std::move(file);
    editedChanged_ = changed;
    updateCaption();
}

void TForm1::updateCaption() {
    QString caption = QStringLiteral("Prismcrate");
    if (board.regim == kModeEdit) {
        const QString name =
            editedFile_.empty()
                ? QStringLiteral("Новый уровень")
                : QFileInfo(QFile::decodeName(QByteArray::fromStdString(editedFile_))).fileName();
        caption +=
            QStringLiteral(" - ") + name + (editedChanged_ ? QStringLiteral("*") : QString());
    }
    setWindowTitle(caption);
}

bool TForm1::confirmDropEdits() {
    if (!editedChanged_) return true;
    // A new level that is still empty holds nothing to lose.
    if (editedFile_.empty() &&
        encodeLevelRecord(editedRecord()) == encodeLevelRecord(recordFromBoard(Board{}, {})))
        return true;
    const QString question =
        editedFile_.empty()
            ? QStringLiteral("Новый уровень не сохранён. Сохранить его?")
            : QStringLiteral("Уровень «%1» изменён. Сохранить изменения?")
                  .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(editedFile_)))
                           .fileName());
    QMessageBox box(QMessageBox::Question, QStringLiteral("Prismcrate"), question,
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("unsavedQuestion"));
    QPushButton* save = box.addButton(QStringLiteral("Сохранить"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("Не сохранять"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard) return true;
    if (box.clickedButton() != save) return false;
    try {
        return savelevel();
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
        return false;
    }
}

std::string TForm1::currentSetFile() const {
    needDialogs();
    return Form2 ? Form2->currentSetFile() : std::string();
}

int TForm1::currentLevel() const {
    needDialogs();
    return Form2 ? Form2->currentLevel() : 0;
}

void TForm1::showLevelNumber(int index) {
    Panel3->setText(levelCaption(index));
}

void TForm1::loadlevfromlvp() {
    needDialogs();
    std::string title = levelTitle(Form3);
    if (loadLevelFromSetFile(currentSetFile(), currentLevel(), board, title) ==
        SetLevelStatus::Loaded) {
        setLevelTitle(Form3, title);
        if (progress_) progress_->recordPlayed(currentSetFile(), currentLevel());
    }
    // Whether or not a level was read, play goes on in game mode.
    board.regim = kModeGame;
    changeregim();
}

void TForm1::LoadLevel1Click() {
    // A level picked during a test run ends it, and the edited level with it.
    if (board.testRun) {
        if (!confirmDropEdits()) return;
        setEditedLevel({}, false);
    }
    // A level the player picks is tested for a win at once, whatever came before it.
    session.winGuard().reset();
    board.playerDead = 0;
    session.setUndoAvailable(false);
    board.testRun = 0;
    needDialogs();
    if (Form2 && !Form2->isVisible()) Form2->exec();
}

void TForm1::changeregim() {
    // Opening the editor ends the level that the win sequence may have brought in.
    if (board.regim == kModeEdit) session.winGuard().reset();
    if (board.regim == kModeTitle) {
        setWindowMenu(MainMenu1);
        Image2->hide();
        drawTitleField(canvas());
    }
    if (board.regim == kModeEdit) {
        Panel3->setText(QString());
        board.playerDead = 0;
        setWindowMenu(MainMenu2);
        Image2->show();
        editor.selectedTool = kToolRobot;
        showpole();
        showeditpanel();
    }
    if (board.regim == kModeGame) {
        setWindowMenu(MainMenu1);
        Image2->hide();
        showpole();
    }
    updateCaption();
    if (solverCommands) solverCommands->modeChanged();
}

void TForm1::showpole() {
    session.showpole();
}

}  // namespace prismcrate
