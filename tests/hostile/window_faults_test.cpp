// The main window's file commands under file-system faults, the way a user meets them:
// the menu command runs from the event loop of the program's own application object, and
// an error that escapes it reaches the error box (diverted to a recorder here).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <filesystem>

#include "app/application.h"
#include "app/main_window.h"
#include "editor/title_dialog.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/level_files.h"
#include "platform/error_box.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TApplication& application() {
    static int argc = 1;
    static char name[] = "test_hostile_window";
    static char* argv[] = {name, nullptr};
    static TApplication* app = new TApplication(argc, argv);
    return *app;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

struct ErrorBoxRecorder {
    QStringList texts;
    ErrorBoxSink previous;
    ErrorBoxRecorder() {
        previous = setErrorBoxSink([this](const QString& t) { texts << t; });
    }
    ~ErrorBoxRecorder() { setErrorBoxSink(previous); }
};

// Permission checks as an ordinary user while this lives (root passes every one of them).
class OrdinaryUser {
  public:
    OrdinaryUser() {
        if (::geteuid() == 0) {
            dropped_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
        }
    }
    ~OrdinaryUser() {
        if (dropped_) {
            (void)!::seteuid(0);
            (void)!::setegid(0);
        }
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  private:
    bool dropped_ = false;
};

LevelRecord level(const std::string& title, int robot) {
    LevelRecord r;
    r.title = title;
    r.objectLayer[cellIndex(robot, 0)] = kCrate;
    r.floorLayer[cellIndex(robot, 1)] = kFloorTarget;
    r.playerX = static_cast<std::uint8_t>(robot);
    r.playerY = 5;
    return r;
}

class WindowFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        form.setDialogs(&form2, &form3, &form4, nullptr);
        ::chmod(temp.path().c_str(), 0755);
    }

    // Triggers a menu command from the event loop, as a click on it would.
    void trigger(QAction* action) {
        QMetaObject::invokeMethod(action, "trigger", Qt::QueuedConnection);
        QCoreApplication::processEvents();
    }

    TApplication& app = application();  // before any widget
    TForm1 form;
    TForm2 form2{&form};
    TForm3 form3{&form};
    TForm4 form4{&form};
    TempFolder temp;
    ErrorBoxRecorder errors;
};

TEST_F(WindowFaults, SavingIntoAReadOnlyFolderShowsTheErrorAndKeepsTheOldFile) {
    const fs::path folder = temp.path() / "levels";
    fs::create_directory(folder);
    const std::string path = (folder / "mine.lev").string();
    const Bytes old = encodeLevelRecord(level("mine", 4));
    writeBytes(path, old);
    ::chmod(folder.c_str(), 0555);

    form.board.regim = kModeEdit;
    form.changeregim();
    putRecordOnBoard(level("edited", 9), form.board);
    form3.setTitle(QStringLiteral("edited"));
    form.SaveDialog1.runner = [&](const TFileDialog&) { return q(path); };
    {
        OrdinaryUser user;
        trigger(form.N16);
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(errors.texts, QStringList{q("Cannot create file " + path + ".")});
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "mine.lev");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_EQ(form.board.playerX, 9) << "the edited level is still there to be saved elsewhere";
    EXPECT_EQ(form.board.regim, kModeEdit);
}

TEST_F(WindowFaults, BuildingASetIntoAReadOnlyFolderShowsTheErrorAndKeepsTheOldSet) {
    const std::string source = temp.file("a.lev");
    writeBytes(source, encodeLevelRecord(level("a", 1)));
    const fs::path folder = temp.path() / "sets";
    fs::create_directory(folder);
    const std::string target = (folder / "old.lvp").string();
    writeBytes(target, {1, 2, 3, 0xFF});
    ::chmod(folder.c_str(), 0555);

    form4.OpenDialog1.runner = [&](const TFileDialog&) { return q(source); };
    form4.Button1Click();
    form4.SaveDialog1.runner = [&](const TFileDialog&) { return q(target); };
    {
        OrdinaryUser user;
        QMetaObject::invokeMethod(form4.Button2, "click", Qt::QueuedConnection);
        QCoreApplication::processEvents();
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(errors.texts, QStringList{q("Cannot create file " + target + ".")});
    EXPECT_EQ(readBytes(target), (Bytes{1, 2, 3, 0xFF}));
    EXPECT_EQ(form4.rows(), QStringList{q(source)}) << "the list is kept for another try";
}

// The chooser confirmed level 2 of a set; then the set changed before the level loaded.
class SetChangedBeforeLoading : public WindowFaults {
  protected:
    void SetUp() override {
        WindowFaults::SetUp();
        Bytes set;
        for (int i = 0; i < 3; ++i) appendSetEntry(set, encodeLevelRecord(level("L", i + 1)));
        writeBytes(path, set);
        form2.Edit1->setText(q(path));
        form2.Edit2->setText(QStringLiteral("2"));
        putRecordOnBoard(level("on the board", 15), form.board);
        form3.setTitle(QStringLiteral("on the board"));
        form.board.regim = kModeEdit;
        form.changeregim();
    }
    void expectBoardKept() const {
        EXPECT_EQ(form.board.playerX, 15);
        EXPECT_EQ(form.board.objectLayer, level("", 15).objectLayer);
        EXPECT_EQ(form3.title(), "on the board");
    }

    std::string path = temp.file("set.lvp");
};

TEST_F(SetChangedBeforeLoading, RemovedSetShowsCannotOpenAndKeepsTheEditor) {
    fs::remove(path);
    trigger(form.N17);  // "Закрыть редактор" loads the current level of the current set
    EXPECT_EQ(errors.texts, QStringList{q("Cannot open file " + path + ".")});
    expectBoardKept();
    EXPECT_EQ(form.board.regim, kModeEdit) << "the command stopped where the file failed";

    // Once the set is back the same command goes on into the game.
    Bytes set;
    for (int i = 0; i < 3; ++i) appendSetEntry(set, encodeLevelRecord(level("L", i + 1)));
    writeBytes(path, set);
    errors.texts.clear();
    trigger(form.N17);
    EXPECT_TRUE(errors.texts.isEmpty());
    EXPECT_EQ(form.board.playerX, 3);
    EXPECT_EQ(form.board.regim, kModeGame);
}

TEST_F(SetChangedBeforeLoading, SetCutShortPlaysOnWithThePreviousBoard) {
    Bytes set;
    appendSetEntry(set, encodeLevelRecord(level("L", 1)));
    writeBytes(path, set);
    trigger(form.N17);
    EXPECT_TRUE(errors.texts.isEmpty()) << "a level past the last one is no error";
    expectBoardKept();
    EXPECT_EQ(form.board.regim, kModeGame);
}

TEST_F(SetChangedBeforeLoading, SetTurnedToJunkOrMadeUnreadableNeverCrashes) {
    writeBytes(path, Bytes(5000, 0xFE));
    trigger(form.N17);
    EXPECT_TRUE(errors.texts.isEmpty());
    expectBoardKept();
    EXPECT_EQ(form.board.regim, kModeGame);

    form.board.regim = kModeEdit;
    form.changeregim();
    ::chmod(path.c_str(), 0600);
    {
        OrdinaryUser user;
        trigger(form.N17);
    }
    EXPECT_EQ(errors.texts, QStringList{q("Cannot open file " + path + ".")});
    expectBoardKept();
}

// A set in a folder whose name is not UTF-8 (cp1251 "Уровни"), as a Russian user's older
// files may be: Qt's text cannot hold the name, and the chooser still lists and loads it.
TEST_F(WindowFaults, SetInAFolderNamedInCp1251IsListedAndLoaded) {
    const std::string folder = temp.path().string() + "/\xD3\xF0\xEE\xE2\xED\xE8";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/set.lvp";
    Bytes set;
    for (int i = 0; i < 3; ++i) appendSetEntry(set, encodeLevelRecord(level("L", i + 4)));
    writeBytes(path, set);

    form2.loadSetFile(path);
    EXPECT_EQ(form2.currentSetFile(), path);
    EXPECT_EQ(form2.levelCount(), 3);
    form2.FormShow();  // showing lists the current set again
    EXPECT_EQ(form2.levelCount(), 3);
    form2.StringGrid1SelectCell(2);
    form2.Button1Click();
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join("|").toStdString();
    EXPECT_EQ(form.board.playerX, 6) << "level 3 is on the board";
    EXPECT_EQ(form.board.regim, kModeGame);
}

TEST_F(WindowFaults, SetOfMoreLevelsThanTheListHoldsSaysSo) {
    const std::string path = temp.file("big.lvp");
    Bytes set;
    for (std::size_t i = 0; i <= kMaxListedLevels; ++i)
        appendSetEntry(set, Bytes{0x4B, 0xB1, 0x01, 0x00, 0});
    writeBytes(path, set);
    form2.loadlevels(q(path));
    EXPECT_EQ(form2.StringGrid1->rowCount(), static_cast<int>(kMaxListedLevels));
    EXPECT_TRUE(errors.texts.isEmpty()) << "said once the event loop runs";
    QCoreApplication::processEvents();
    EXPECT_EQ(errors.texts,
              QStringList{"В наборе больше 100000 уровней; в списке только первые 100000."});
}

// The window's sprite sheets, read from assets/ in the current folder.
TEST(SheetFaults, ADamagedSheetIsReportedOnceAndTheGameGoesOn) {
    application();
    TempFolder temp;
    fs::create_directory(temp.path() / "assets");
    writeBytes((temp.path() / "assets/tiles1.bmp").string(), {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8});
    fs::copy_file(std::string(PRISMCRATE_RUN_DIR) + "/assets/tiles2.bmp",
                  temp.path() / "assets/tiles2.bmp");
    const fs::path previous = fs::current_path();
    fs::current_path(temp.path());
    ErrorBoxRecorder errors;
    {
        TForm1 form;
        EXPECT_EQ(errors.texts, QStringList{"DIB is invalid."});
        EXPECT_TRUE(form.DXImageList1->Items[0].Picture.Empty());
        EXPECT_FALSE(form.DXImageList1->Items[1].Picture.Empty());
        form.show();
        form.showpole();
        QCoreApplication::processEvents();
        EXPECT_EQ(errors.texts.size(), 1) << "once, not at every frame";
    }
    fs::current_path(previous);
}

}  // namespace
}  // namespace prismcrate
