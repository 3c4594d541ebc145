// The game flow inside the main window: undo and restart through the game menu, the
// modes, the start-up tick with the chooser, the redraw timers, death and the win
// sequence, on real level sets written into temporary folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "editor/title_dialog.h"
#include "game/moves.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "media/dx_timer.h"
#include "platform/error_box.h"
#include "tests/game/recorders.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

using testing::TempFolder;

QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "test_flow";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// A level from rows of the text form; rows left out, and the ends of short rows, are
// empty plain floor.
LevelRecord makeLevel(std::vector<std::string> objects, std::vector<std::string> floor = {}) {
    std::string text = "Title:\nObjects:\n";
    for (int y = 0; y < kFieldSize; ++y) {
        std::string row = y < static_cast<int>(objects.size()) ? objects[y] : "";
        row.resize(kFieldSize, '-');
        text += row + "\n";
    }
    text += "Floor:\n";
    for (int y = 0; y < kFieldSize; ++y) {
        std::string row = y < static_cast<int>(floor.size()) ? floor[y] : "";
        row.resize(kFieldSize, '-');
        text += row + "\n";
    }
    return parseLevelText(text).at(0).record;
}

// Robot at (3, 5) next to a crate at (4, 5), whose target is (5, 5): Right solves it.
// `mark` puts a rock in row 19 so that levels of a set can be told apart.
LevelRecord oneStepFromWin(int mark) {
    LevelRecord level = makeLevel({"", "", "", "", "", "---@$"}, {"", "", "", "", "", "-----."});
    level.objectLayer[cellIndex(mark, 19)] = kRock;
    return level;
}

// Robot at (1, 1) with a crate far from its target: plain walking ground.
LevelRecord walkingGround() {
    return makeLevel({"", "-@", "", "", "", "", "", "", "", "", "----------$"},
                     {"", "", "", "", "", "", "", "", "", "", "", "", "------------."});
}

void writeSet(const std::string& path, const std::vector<LevelRecord>& levels) {
    std::vector<std::uint8_t> set;
    for (const LevelRecord& level : levels) appendSetEntry(set, encodeLevelRecord(level));
    testing::writeBytes(path, set);
}

bool holds(const Board& board, const LevelRecord& level) {
    return board.objectLayer == level.objectLayer && board.floorLayer == level.floorLayer &&
           board.playerX == level.playerX && board.playerY == level.playerY;
}

// Runs the event loop until `done` holds or the time is up; returns `done()`.
bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The main window with what its session drew and played recorded on the way to the real
// display and sound.
class FlowForm : public TForm1 {
  public:
    using CueCall = testing::CueCall;
    FlowForm() { setOutputs(&canvas_, &cues_); }
    ~FlowForm() override { setOutputs(nullptr, nullptr); }

    std::vector<CueCall> cues;
    int flips = 0;
    int titleDraws = 0;   // patterns drawn while the mode is "title"
    int titleFloors = 0;  // of which plain floor of the first sheet
    int closes = 0;
    // Runs while "win" is being waited for, standing in for the user at the keyboard.
    std::function<void()> whileWinPlays;

    int winsPlayed() const {
        int n = 0;
        for (const CueCall& c : cues) n += c.cue == kCueWin;
        return n;
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++closes;
        TForm1::closeEvent(event);
    }

  private:
    struct Canvas : FieldCanvas {
        FlowForm& form;
        explicit Canvas(FlowForm& f) : form(f) {}
        void drawPattern(int sheet, int pattern, int x, int y) override {
            if (form.board.regim == kModeTitle) {
                ++form.titleDraws;
                if (sheet == kTiles1 && pattern == 8) ++form.titleFloors;
            }
            form.displayCanvas().drawPattern(sheet, pattern, x, y);
        }
        void present() override {
            ++form.flips;
            form.displayCanvas().present();
        }
    };
    struct Cues : CuePlayer {
        FlowForm& form;
        explicit Cues(FlowForm& f) : form(f) {}
        void playCue(int cue, bool wait) override {
            form.cues.push_back({cue, wait});
            if (cue == kCueWin && wait && form.whileWinPlays) form.whileWinPlays();
            form.waveCues().playCue(cue, wait);
        }
        void stopCue(int cue) override { form.waveCues().stopCue(cue); }
    };
    Canvas canvas_{*this};
    Cues cues_{*this};
};

// Makes the folder the current directory for the life of the object.
struct CurrentDir {
    explicit CurrentDir(const std::string& path) : previous(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(path));
    }
    ~CurrentDir() { QDir::setCurrent(previous); }
    QString previous;
};

// Collects the toolkit's warnings while it lives, e.g. a second modal run of a dialog
// that is already showing.
class WarningLog {
  public:
    WarningLog() {
        current_ = this;
        previous_ = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    std::vector<QString> messages;

  private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (current_ && type != QtDebugMsg && type != QtInfoMsg) current_->messages.push_back(text);
    }
    static inline WarningLog* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

struct AppFirst {
    AppFirst() { qtApp(); }
};

class FlowWindowTest : public ::testing::Test {
  protected:
    FlowWindowTest() {
        form.setDialogs(&form2, &form3, &form4, nullptr);
        // These tests drive the window directly; the start-up tick has tests of its own.
        form.DXTimer2->setEnabled(false);
        setErrorBoxSink([this](const QString& text) { errors.push_back(text); });
    }
    ~FlowWindowTest() override { setErrorBoxSink({}); }

    // Lists the set in the chooser and confirms level `index`, as the player does.
    void choose(const std::string& path, int index) {
        form2.loadlevels(QString::fromStdString(path));
        form2.selectedLevelRow = index;
        form2.Button1Click();
    }
    void press(int key) { form.FormKeyDown(key); }
    std::string caption() const { return form.Panel3->text().toStdString(); }

    AppFirst appFirst;
    TempFolder folder;
    CurrentDir inFolder{folder.path().string()};
    FlowForm form;
    TForm2 form2{&form};
    TForm3 form3{&form};
    TForm4 form4{&form};
    std::vector<QString> errors;
};

// Undo.

TEST_F(FlowWindowTest, UndoThroughTheMenuTakesBackAPushOnceOnly) {
    const std::string set = folder.file("push.lvp");
    const LevelRecord level = makeLevel({"", "", "", "", "", "--@-r", "", "", "", "", "$"},
                                        {"", "", "", "", "", "", "."});
    writeSet(set, {level});
    choose(set, 0);
    EXPECT_FALSE(form.Exit1->isEnabled()) << "nothing to take back on a fresh level";

    press(kKeyRight);  // (3, 5)
    press(kKeyRight);  // pushes the rock from (4, 5) to (5, 5)
    ASSERT_EQ(form.board.object(5, 5), kRock);
    ASSERT_EQ(form.board.pushPose, 1);
    EXPECT_TRUE(form.Exit1->isEnabled());

    form.Exit1->trigger();
    EXPECT_EQ(form.board.object(4, 5), kRock);
    EXPECT_EQ(form.board.object(5, 5), kEmpty);
    EXPECT_EQ(form.board.playerX, 3);
    EXPECT_EQ(form.board.playerY, 5);
    EXPECT_EQ(form.board.playerDir, kRight);
    EXPECT_EQ(form.board.pushPose, 0);
    EXPECT_FALSE(form.Exit1->isEnabled());

    // A second undo in a row does nothing.
    const Board before = form.board;
    form.Exit1->trigger();
    EXPECT_EQ(form.board.playerX, before.playerX);
    EXPECT_EQ(form.board.playerDir, before.playerDir);
    EXPECT_EQ(form.board.objectLayer, before.objectLayer);
}

TEST_F(FlowWindowTest, RefusedAndBorderStepsLeaveTheUndoCommandAlone) {
    const std::string set = folder.file("border.lvp");
    writeSet(set, {makeLevel({"-@#", "", "", "", "", "", "", "", "", "", "$"},
                             {"", "", "", "", "", "", "", "", "", "", "", "."})});
    choose(set, 0);
    press(kKeyUp);     // border
    press(kKeyRight);  // wall
    EXPECT_FALSE(form.Exit1->isEnabled());
    press(kKeyDown);  // (1, 1)
    EXPECT_TRUE(form.Exit1->isEnabled());
    press(kKeyLeft);  // (0, 1)
    press(kKeyLeft);  // border: turns only
    EXPECT_TRUE(form.Exit1->isEnabled());
    form.Exit1->trigger();
    EXPECT_EQ(form.board.playerX, 1);
    EXPECT_EQ(form.board.playerY, 1);
    EXPECT_EQ(form.board.playerDir, kDown) << "the facing before the last real move";
}

TEST_F(FlowWindowTest, UndoAfterADeathByBlastBringsTheBlastedObjectsBack) {
    // An emitter at (0, 5) fires right; the robot pushes a bomb into the beam and stands
    // next to it when it goes off. The blast takes the wall at (3, 4) and the rock at (4, 5).
    const std::string set = folder.file("blast.lvp");
    const LevelRecord level =
        makeLevel({"", "", "", "", "---#", ">---r", "---b", "", "---@", "", "----------$"},
                  {"", "", "", "", "", "", "", "", "", "", "", "", "."});
    writeSet(set, {level});
    choose(set, 0);
    // The chooser's own redraw comes first, as it does for a player.
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer3->Enabled(); }));
    press(kKeyUp);  // (3, 7)
    press(kKeyUp);  // the bomb to (3, 5), into the beam
    ASSERT_EQ(form.board.playerDead, 1);
    EXPECT_EQ(form.board.object(3, 4), kEmpty);
    EXPECT_EQ(form.board.object(4, 5), kEmpty);
    EXPECT_EQ(form.board.wreckShown, 0);
    ASSERT_TRUE(form.DXTimer1->Enabled()) << "the blast asks for a redraw";

    // The blast aftermath draws the wreck once, 100 ms later, and stops its timer.
    const int flipsBefore = form.flips;
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer1->Enabled(); }));
    EXPECT_EQ(form.flips, flipsBefore + 1);
    EXPECT_EQ(form.board.wreckShown, 1);

    press(kKeyDown);
    EXPECT_EQ(form.board.playerY, 6) << "a destroyed robot ignores the keys";

    form.Exit1->trigger();
    EXPECT_EQ(form.board.playerDead, 0);
    EXPECT_EQ(form.board.object(3, 4), kWall);
    EXPECT_EQ(form.board.object(4, 5), kRock);
    EXPECT_EQ(form.board.object(3, 6), kBomb);
    EXPECT_EQ(form.board.object(3, 5), kEmpty);
    EXPECT_EQ(form.board.playerX, 3);
    EXPECT_EQ(form.board.playerY, 7);
    EXPECT_EQ(form.board.playerDir, kUp);
    press(kKeyDown);
    EXPECT_EQ(form.board.playerY, 8) << "the game goes on";
}

TEST_F(FlowWindowTest, ABlastOnLoadingLeavesTheBlastRedrawWorkingForTheRestOfThePlay) {
    // The loading pass sets off the bomb at (3, 0), so the blast redraw timer starts before
    // the chooser's own redraw timer; later the robot turns the beam of row 10 up into the
    // bomb at (5, 7) with the mirror, and then walks into that beam.
    const std::string set = folder.file("loadblast.lvp");
    writeSet(set, {makeLevel({">--b", "", "", "", "", "", "", "-----b", "", "", "->", "-----/",
                              "-----@", "", "", "------------$"},
                             {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                              "---------------."})});
    choose(set, 0);
    ASSERT_TRUE(form.DXTimer1->Enabled());
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer1->Enabled() && !form.DXTimer3->Enabled(); }))
        << "both redraws come";

    press(kKeyUp);
    ASSERT_EQ(form.board.object(5, 7), kEmpty) << "the bomb went off";
    const int flips = form.flips;
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer1->Enabled(); }));
    EXPECT_EQ(form.flips, flips + 1) << "the blast is redrawn away";

    press(kKeyUp);  // pushes the mirror on: the beam of row 10 meets the robot
    EXPECT_EQ(form.board.playerDead, 1);
    EXPECT_EQ(form.board.wreckShown, 1) << "the wreck is drawn at once";
}

TEST_F(FlowWindowTest, ADeathFoundByTheBlastRedrawIsDrawnAsTheWreck) {
    // The mirror pushed up turns the beam of row 5 into the bomb, whose blast clears the
    // rock out of the beam coming down column 4; that beam, traced first, only reaches the
    // robot in the blast redraw.
    const std::string set = folder.file("redrawdeath.lvp");
    writeSet(set, {makeLevel({"", "", "----v", "----r", "----b", "-->", "----/", "----@", "", "",
                              "----------$"},
                             {"", "", "", "", "", "", "", "", "", "", "", "", "------------."})});
    choose(set, 0);
    press(kKeyUp);
    ASSERT_EQ(form.board.playerDead, 0);
    ASSERT_TRUE(form.DXTimer1->Enabled());
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer1->Enabled(); }));
    EXPECT_EQ(form.board.playerDead, 1);
    EXPECT_EQ(form.board.wreckShown, 1) << "the field at rest shows the wreck";
}

TEST_F(FlowWindowTest, UndoingTheStepThatClosedAGateLeavesPlainFloorWhereTheGateWas) {
    // The robot starts on the only plate, which holds the gate at (10, 10) open.
    const std::string set = folder.file("gate.lvp");
    LevelRecord level = makeLevel({"", "", "", "", "", "-----@"}, {"", "", "", "", "", "-----_"});
    level.objectLayer[cellIndex(10, 10)] = kGateClosed;
    level.objectLayer[cellIndex(15, 15)] = kCrate;
    writeSet(set, {level});
    choose(set, 0);
    ASSERT_EQ(form.board.object(10, 10), kEmpty);
    ASSERT_EQ(form.board.floor(10, 10), kGateOpen);

    press(kKeyRight);  // off the plate: the gate closes
    ASSERT_EQ(form.board.object(10, 10), kGateClosed);
    ASSERT_EQ(form.board.floor(10, 10), kFloorPlain);

    form.Exit1->trigger();
    EXPECT_EQ(form.board.playerX, 5);
    EXPECT_EQ(form.board.floor(5, 5), kPlatePressed);
    EXPECT_EQ(form.board.object(10, 10), kEmpty);
    EXPECT_EQ(form.board.floor(10, 10), kFloorPlain);

    press(kKeyRight);  // off the plate again: nothing closes, the gate is gone
    EXPECT_EQ(form.board.object(10, 10), kEmpty);
    EXPECT_EQ(form.board.floor(10, 10), kFloorPlain);
}

// Restart.

TEST_F(FlowWindowTest, RestartDuringATestRunRestoresTheCapturedLevel) {
    form.board.regim = kModeGame;
    form.N2Click();
    // A rock that the robot pushes onto a plate, and the crate it pushes off its line.
    LevelRecord level = oneStepFromWin(7);
    level.objectLayer[cellIndex(3, 7)] = kRock;
    level.floorLayer[cellIndex(3, 8)] = kPlateReleased;
    putRecordOnBoard(level, form.board);
    form.N18Click();
    ASSERT_EQ(form.board.regim, kModeGame);
    ASSERT_EQ(form.board.testRun, 1);

    press(kKeyDown);   // (3, 6)
    press(kKeyDown);   // pushes the rock from (3, 7) onto the plate at (3, 8)
    press(kKeyRight);  // (4, 7)
    press(kKeyUp);     // (4, 6)
    press(kKeyUp);     // pushes the crate from (4, 5) to (4, 4)
    ASSERT_EQ(form.board.object(4, 4), kCrate);
    ASSERT_EQ(form.board.floor(3, 8), kPlatePressed);
    EXPECT_TRUE(form.Exit1->isEnabled());

    form.Restartlevel1->trigger();
    EXPECT_TRUE(holds(form.board, level));
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.pushPose, 0);
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.board.testRun, 1);
    EXPECT_FALSE(form.Exit1->isEnabled());
}

TEST_F(FlowWindowTest, RestartOutsideATestRunReadsTheSetFileAgain) {
    const std::string set = folder.file("restart.lvp");
    writeSet(set, {walkingGround(), oneStepFromWin(2)});
    choose(set, 1);
    press(kKeyUp);  // (3, 4)
    press(kKeyRight);
    ASSERT_EQ(form.board.playerX, 4);

    // The author changed the set on disk meanwhile: the restart shows the new level.
    const LevelRecord changed = oneStepFromWin(9);
    writeSet(set, {walkingGround(), changed});
    form.Restartlevel1->trigger();
    EXPECT_TRUE(holds(form.board, changed));
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_FALSE(form.Exit1->isEnabled());
    EXPECT_EQ(form.winsPlayed(), 0);
}

TEST_F(FlowWindowTest, RestartBringsADestroyedRobotBack) {
    // An emitter at (2, 0) fires down column 2; the robot walks into the beam.
    const std::string set = folder.file("beam.lvp");
    const LevelRecord level =
        makeLevel({"--v", "", "", "-@", "", "", "", "", "", "", "----------$"},
                  {"", "", "", "", "", "", "", "", "", "", "", "", "."});
    writeSet(set, {level});
    choose(set, 0);
    press(kKeyRight);
    ASSERT_EQ(form.board.playerDead, 1);
    EXPECT_EQ(form.board.wreckShown, 1) << "drawn at once by the second pass";
    EXPECT_TRUE(
        std::count(form.cues.begin(), form.cues.end(), FlowForm::CueCall{kCueDeath, false}));

    form.Restartlevel1->trigger();
    EXPECT_EQ(form.board.playerDead, 0);
    EXPECT_TRUE(holds(form.board, level));
    press(kKeyDown);
    EXPECT_EQ(form.board.playerY, 4);
}

// Modes.

TEST_F(FlowWindowTest, EachModeShowsItsMenuAndOnlyTheGameTakesKeys) {
    const std::string set = folder.file("modes.lvp");
    writeSet(set, {walkingGround()});
    choose(set, 0);
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_TRUE(form.Image2->isHidden());

    // Title: the game menu, no palette, plain floor in every cell and one flip; no robot,
    // no objects, no beams.
    const int flips = form.flips;
    form.board.regim = kModeTitle;
    form.changeregim();
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_TRUE(form.Image2->isHidden());
    EXPECT_EQ(form.titleFloors, 400);
    EXPECT_EQ(form.titleDraws, 400);
    EXPECT_EQ(form.flips, flips + 1);
    press(kKeyDown);
    press(kKeyEscape);
    EXPECT_EQ(form.board.playerY, 1);
    EXPECT_EQ(form.closes, 0);

    // Edit: caption emptied, robot revived, the editor menu and the palette, robot tool.
    form.board.regim = kModeEdit;
    form.board.playerDead = 1;
    form.editor.selectedTool = 5;
    form.changeregim();
    EXPECT_EQ(form.windowMenu(), form.MainMenu2);
    EXPECT_FALSE(form.Image2->isHidden());
    EXPECT_EQ(caption(), "");
    EXPECT_EQ(form.board.playerDead, 0);
    EXPECT_EQ(form.editor.selectedTool, 0);
    press(kKeyDown);
    press(kKeyEscape);
    EXPECT_EQ(form.board.playerY, 1);
    EXPECT_EQ(form.closes, 0);

    // Game again.
    form.board.regim = kModeGame;
    form.changeregim();
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_TRUE(form.Image2->isHidden());
    press(kKeyDown);
    EXPECT_EQ(form.board.playerY, 2);
}

TEST_F(FlowWindowTest, TheChoosersRedrawTimerRunsOnePassAndStops) {
    const std::string set = folder.file("redraw.lvp");
    writeSet(set, {walkingGround()});
    choose(set, 0);
    ASSERT_TRUE(form.DXTimer3->Enabled());
    const int flips = form.flips;
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer3->Enabled(); }));
    EXPECT_EQ(form.flips, flips + 1);
    pump(50);
    EXPECT_EQ(form.flips, flips + 1);
}

// Start-up.

TEST_F(FlowWindowTest, StartUpShowsTheChooserOnceDespiteTheSecondTick) {
    std::filesystem::create_directory(folder.path() / "levels");
    testing::writeBytes(folder.file("levels/standart.lvp"), {});  // only its presence counts
    const auto standard = listLevelSetFile(QFile::encodeName(standardSetPath()).toStdString());
    ASSERT_FALSE(standard.empty()) << "the standard set beside the test program";

    FlowForm start;
    TForm2 chooser{&start};
    TForm3 title{&start};
    start.setDialogs(&chooser, &title, nullptr, nullptr);
    EXPECT_TRUE(start.DXTimer2->Enabled()) << "the creation ends by arming the start-up tick";
    EXPECT_EQ(start.board.regim, "");

    WarningLog warnings;
    int shows = 0;
    struct ShowCounter : QObject {
        std::function<void()> onShow;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show) onShow();
            return false;
        }
    } counter;
    counter.onShow = [&] {
        ++shows;
        // The player looks at the list for a while, so the tick comes round again.
        QTimer::singleShot(120, &chooser, [&] { chooser.Button1Click(); });
    };
    chooser.installEventFilter(&counter);

    start.show();
    ASSERT_TRUE(waitFor([&] {
        return start.board.regim == kModeGame && !chooser.isVisible() &&
               !start.DXTimer2->Enabled() && !start.DXTimer3->Enabled();
    }));
    pump(60);
    EXPECT_EQ(shows, 1);
    for (const QString& w : warnings.messages)
        EXPECT_FALSE(w.contains(QStringLiteral("exec"))) << w.toStdString();
    EXPECT_EQ(start.titleFloors, 800) << "both entries drew the title screen";
    EXPECT_FALSE(start.DXTimer2->Enabled());
    EXPECT_EQ(start.board.regim, kModeGame);
    EXPECT_EQ(start.windowMenu(), start.MainMenu1);
    EXPECT_EQ(start.Panel3->text().toStdString(), "Уровень: 1");
    EXPECT_EQ(chooser.Edit1->text(), standardSetPath());
    std::string titleBytes;
    Board expected;
    ASSERT_EQ(loadLevelFromSetFile(QFile::encodeName(standardSetPath()).toStdString(), 0, expected,
                                   titleBytes),
              SetLevelStatus::Loaded);
    EXPECT_EQ(title.titleBytes(), titleBytes);
    EXPECT_EQ(start.board.playerX, expected.playerX);
    EXPECT_EQ(start.board.playerY, expected.playerY);
    EXPECT_TRUE(errors.empty());
}

TEST_F(FlowWindowTest, AMissingStandardSetEndsTheProgramAtOnce) {
    FlowForm start;
    TForm2 chooser{&start};
    start.setDialogs(&chooser, nullptr, nullptr, nullptr);
    bool timedOut = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    safety.start(3000);
    start.show();
    QApplication::exec();
    safety.stop();
    EXPECT_FALSE(timedOut) << "the event loop ended because the main window closed";
    EXPECT_FALSE(start.isVisible());
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_EQ(start.board.regim, "");
    EXPECT_TRUE(errors.empty()) << "without a message";
}

// The win sequence.

TEST_F(FlowWindowTest, WinningTheLastLevelLeadsToTheFirst) {
    const std::string set = folder.file("three.lvp");
    const std::vector<LevelRecord> levels = {oneStepFromWin(1), oneStepFromWin(2),
                                             oneStepFromWin(3)};
    writeSet(set, levels);
    choose(set, 1);
    EXPECT_EQ(caption(), "Уровень: 2");
    press(kKeyUp);     // (3, 4): a move that solves nothing
    press(kKeyDown);   // back to (3, 5)
    press(kKeyRight);  // the crate onto its target
    ASSERT_EQ(form.winsPlayed(), 1);
    EXPECT_EQ(form.cues.back(), (FlowForm::CueCall{kCueWin, true})) << "played to its end";
    EXPECT_TRUE(holds(form.board, levels[2]));
    EXPECT_EQ(caption(), "Уровень: 3");
    EXPECT_EQ(form2.Edit2->text(), "2");
    EXPECT_FALSE(form.Exit1->isEnabled());

    press(kKeyRight);
    ASSERT_EQ(form.winsPlayed(), 2);
    EXPECT_TRUE(holds(form.board, levels[0]));
    EXPECT_EQ(caption(), "Уровень: 1");
    EXPECT_EQ(form2.Edit2->text(), "0");
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.pushPose, 0);
}

TEST_F(FlowWindowTest, ATestRunsWinReturnsToTheEditorWithTheCapturedLevel) {
    form.board.regim = kModeGame;
    form.N2Click();
    const LevelRecord level = oneStepFromWin(4);
    putRecordOnBoard(level, form.board);
    form.N18Click();
    press(kKeyRight);
    ASSERT_EQ(form.winsPlayed(), 1);
    EXPECT_EQ(form.board.regim, kModeEdit);
    EXPECT_EQ(form.windowMenu(), form.MainMenu2);
    EXPECT_TRUE(holds(form.board, level)) << "as captured, not as solved";
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.pushPose, 0);
    EXPECT_EQ(form.board.testRun, 1);
    EXPECT_EQ(caption(), "");
}

TEST_F(FlowWindowTest, KeysPressedWhileTheFanfarePlaysAreMovesOnTheNextLevel) {
    const std::string set = folder.file("queue.lvp");
    writeSet(set, {oneStepFromWin(1), walkingGround()});
    choose(set, 0);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(waitFor([&] { return form.isActiveWindow(); }));
    form.whileWinPlays = [&] {
        for (int i = 0; i < 2; ++i)
            QCoreApplication::postEvent(
                form.DXDraw1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    };
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(form.DXDraw1, &right);
    ASSERT_EQ(form.winsPlayed(), 1);
    EXPECT_EQ(form.board.playerY, 1) << "nothing handled during the fanfare";
    pump(30);
    EXPECT_EQ(form.board.playerX, 1);
    EXPECT_EQ(form.board.playerY, 3);
    EXPECT_EQ(caption(), "Уровень: 2");
}

TEST_F(FlowWindowTest, KeysPressedWhileATestRunsFanfarePlaysReachTheEditorAndDoNothing) {
    form.board.regim = kModeGame;
    form.N2Click();
    const LevelRecord level = oneStepFromWin(4);
    putRecordOnBoard(level, form.board);
    form.N18Click();
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(waitFor([&] { return form.isActiveWindow(); }));
    form.whileWinPlays = [&] {
        QCoreApplication::postEvent(form.DXDraw1,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
    };
    press(kKeyRight);
    pump(30);
    EXPECT_EQ(form.board.regim, kModeEdit);
    EXPECT_TRUE(holds(form.board, level));
}

TEST_F(FlowWindowTest, ASetWithoutCratesAdvancesOneLevelPerMove) {
    const std::string set = folder.file("empty.lvp");
    std::vector<LevelRecord> levels;
    for (int i = 0; i < 3; ++i) {
        LevelRecord level;
        level.playerX = static_cast<std::uint8_t>(5 + i);
        level.playerY = 5;
        levels.push_back(level);
    }
    writeSet(set, levels);

    // Chosen in the chooser, the first level is won at once; the second stays on the
    // field until the player moves.
    choose(set, 0);
    EXPECT_EQ(form.winsPlayed(), 1);
    EXPECT_TRUE(holds(form.board, levels[1]));
    EXPECT_EQ(form2.Edit2->text(), "1");
    EXPECT_EQ(caption(), "Уровень: 2");
    EXPECT_EQ(form.board.regim, kModeGame);

    // Redraws without a move do not win it.
    ASSERT_TRUE(waitFor([&] { return !form.DXTimer3->Enabled(); }));
    form.Restartlevel1->trigger();
    EXPECT_EQ(form.winsPlayed(), 1);
    EXPECT_TRUE(holds(form.board, levels[1]));

    // Each move wins the level it is made on, round the set.
    const int expected[] = {2, 0, 1, 2};
    for (int i = 0; i < 4; ++i) {
        press(kKeyUp);
        EXPECT_EQ(form.winsPlayed(), 2 + i);
        EXPECT_TRUE(holds(form.board, levels[expected[i]])) << i;
        EXPECT_EQ(caption(), "Уровень: " + std::to_string(expected[i] + 1));
    }

    // A level picked in the chooser is tested at once, like the first one.
    QTimer::singleShot(0, &form2, [&] {
        form2.selectedLevelRow = 0;
        form2.Button1Click();
    });
    form.LoadLevel1->trigger();
    EXPECT_EQ(form.winsPlayed(), 6);
    EXPECT_TRUE(holds(form.board, levels[1]));
}

TEST_F(FlowWindowTest, ANextLevelThatCannotBeReadDoesNotWinAgainAndAgain) {
    const std::string set = folder.file("shrunk.lvp");
    const LevelRecord first = oneStepFromWin(1);
    writeSet(set, {first, walkingGround()});
    choose(set, 0);
    writeSet(set, {first});  // the second level is gone from the disk
    press(kKeyRight);
    EXPECT_EQ(form.winsPlayed(), 1);
    EXPECT_EQ(form2.Edit2->text(), "1");
    EXPECT_EQ(form.board.object(5, 5), kCrate) << "the solved board stays in play";
    EXPECT_EQ(form.board.regim, kModeGame);

    press(kKeyDown);  // the next move wins it again and the set starts over
    EXPECT_EQ(form.winsPlayed(), 2);
    EXPECT_EQ(form2.Edit2->text(), "0");
    EXPECT_TRUE(holds(form.board, first));
}

TEST_F(FlowWindowTest, AWinInThePassThatDestroysTheRobotStartsTheNextLevelAlive) {
    // The crate shields the robot from the emitter at (4, 0); pushing it onto its target
    // puts the robot into the beam.
    const std::string set = folder.file("both.lvp");
    const LevelRecord last =
        makeLevel({"----v", "", "", "", "", "---@$"}, {"", "", "", "", "", "-----."});
    writeSet(set, {walkingGround(), last});
    choose(set, 1);
    press(kKeyRight);
    EXPECT_EQ(std::count(form.cues.begin(), form.cues.end(), FlowForm::CueCall{kCueDeath, false}),
              1);
    ASSERT_EQ(form.winsPlayed(), 1);
    EXPECT_TRUE(holds(form.board, walkingGround()));
    EXPECT_EQ(form.board.playerDead, 0);
    EXPECT_EQ(caption(), "Уровень: 1");
    press(kKeyDown);
    EXPECT_EQ(form.board.playerY, 2) << "the next level takes keys";
}

}  // namespace
}  // namespace prismcrate
