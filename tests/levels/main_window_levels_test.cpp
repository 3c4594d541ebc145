#include <gtest/gtest.h>

#include <QDir>
#include <QTimer>

#include "app/main_window.h"
#include "editor/title_dialog.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/cp1251.h"
#include "levels/level_files.h"
#include "levels/progress.h"
#include "platform/error_box.h"
#include "media/dx_timer.h"
#include "platform/error.h"
#include "tests/levels/level_fixtures.h"
#include "tests/levels/qt_app.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::readBytes;
using testing::sampleLevel;
using testing::TempFolder;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

LevelRecord numbered(const std::string& title, int n) {
    LevelRecord level = sampleLevel(utf8ToCp1251(title).bytes);
    level.playerX = static_cast<std::uint8_t>(n);
    level.objectLayer[cellIndex(10, n)] = kRock;
    return level;
}

// The main window with its chooser, title dialog and builder.
struct Window {
    TForm1 form;
    TForm2 form2{&form};
    TForm3 form3{&form};
    TForm4 form4{&form};
    Window() { form.setDialogs(&form2, &form3, &form4, nullptr); }

    bool boardHolds(const LevelRecord& level) const {
        return form.board.objectLayer == level.objectLayer &&
               form.board.floorLayer == level.floorLayer && form.board.playerX == level.playerX &&
               form.board.playerY == level.playerY;
    }
};

class MainWindowLevels : public ::testing::Test {
  protected:
    void SetUp() override { testing::qtApp(); }

    // A set of four levels, the second titled with "я" (0xFF in the file).
    std::string writeSet() {
        Bytes set;
        for (int i = 0; i < 4; ++i) {
            levels.push_back(numbered(i == 1 ? "Моя я" : "L" + std::to_string(i + 1), i + 1));
            appendSetEntry(set, encodeLevelRecord(levels.back()));
        }
        const std::string path = folder.file("set.lvp");
        testing::writeBytes(path, set);
        return path;
    }

    TempFolder folder;
    std::vector<LevelRecord> levels;
};

TEST_F(MainWindowLevels, FileDialogsOfTheMainWindow) {
    Window w;
    EXPECT_EQ(w.form.OpenDialog1.kind, TFileDialog::Kind::Open);
    EXPECT_EQ(w.form.SaveDialog1.kind, TFileDialog::Kind::Save);
    for (const TFileDialog* d : {&w.form.OpenDialog1, &w.form.SaveDialog1}) {
        EXPECT_EQ(d->Filter, "*.lev");
        EXPECT_EQ(d->DefaultExt, "lev");
        EXPECT_EQ(d->InitialDir, "./levels");
    }
}

TEST_F(MainWindowLevels, SaveThenLoadALevelFile) {
    Window w;
    putRecordOnBoard(numbered("", 3), w.form.board);
    w.form3.setTitle("Ёж и я");
    const std::string path = folder.file("saved.lev");
    w.form.SaveDialog1.runner = [&](const TFileDialog&) { return q(path); };
    w.form.savelevel();
    const LevelRecord expected = recordFromBoard(w.form.board, utf8ToCp1251("Ёж и я").bytes);
    EXPECT_EQ(readBytes(path), encodeLevelRecord(expected));

    w.form.SaveDialog1.runner = [](const TFileDialog&) { return QString(); };
    std::filesystem::remove(path);
    w.form.savelevel();
    EXPECT_FALSE(std::filesystem::exists(path)) << "a cancelled dialog writes nothing";

    testing::writeBytes(path, encodeLevelRecord(expected));
    Window other;
    other.form.board.regim = kModeEdit;
    other.form.board.playerDir = kLeft;
    other.form.OpenDialog1.runner = [&](const TFileDialog&) { return q(path); };
    other.form.loadlevel();
    EXPECT_TRUE(other.boardHolds(expected));
    EXPECT_EQ(other.form3.title(), "Ёж и я");
    EXPECT_EQ(other.form.board.startObjectLayer, expected.objectLayer);
    EXPECT_EQ(other.form.board.startX, 3);
    EXPECT_EQ(other.form.board.playerDir, kDown);
    EXPECT_EQ(other.form.board.regim, kModeEdit) << "loading a level file keeps the mode";
}

TEST_F(MainWindowLevels, LoadingAFileWithTheWrongMagicChangesNothing) {
    Window w;
    putRecordOnBoard(numbered("", 4), w.form.board);
    w.form.board.takeStartSnapshot();
    w.form3.setTitle("kept");
    const Board before = w.form.board;
    testing::writeBytes(folder.file("bad.lev"), {'n', 'o', 'p', 'e'});
    w.form.OpenDialog1.runner = [&](const TFileDialog&) { return q(folder.file("bad.lev")); };
    w.form.loadlevel();
    EXPECT_EQ(w.form.board.objectLayer, before.objectLayer);
    EXPECT_EQ(w.form.board.startObjectLayer, before.startObjectLayer);
    EXPECT_EQ(w.form3.title(), "kept");
}

TEST_F(MainWindowLevels, SaveThatCannotCreateTheFileThrows) {
    Window w;
    // The message names the file in full, also when the dialog gave a relative name.
    const std::string cwd = QDir::currentPath().toStdString();
    for (const auto& [given, named] :
         {std::pair{folder.file("no/such.lev"), folder.file("no/such.lev")},
          std::pair{std::string("no-such-folder/x.lev"), cwd + "/no-such-folder/x.lev"}}) {
        w.form.SaveDialog1.runner = [&](const TFileDialog&) { return q(given); };
        try {
            w.form.savelevel();
            ADD_FAILURE() << "no error";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + named);
        }
    }
}

TEST_F(MainWindowLevels, LoadlevfromlvpLoadsTheChoosersLevelAndPlays) {
    Window w;
    const std::string path = writeSet();
    w.form2.Edit1->setText(q(path));
    w.form2.Edit2->setText("2");
    w.form.board.playerDir = kUp;
    w.form.board.pushPose = 1;
    w.form.board.startObjectLayer[7] = kSteel;
    w.form.setWindowMenu(w.form.MainMenu2);
    w.form.Image2->show();
    w.form.loadlevfromlvp();
    EXPECT_TRUE(w.boardHolds(levels[2])) << "the level after the title with 'я'";
    EXPECT_EQ(w.form3.title(), "L3");
    EXPECT_EQ(w.form.board.playerDir, kDown);
    EXPECT_EQ(w.form.board.pushPose, 0);
    EXPECT_EQ(w.form.board.startObjectLayer[7], kSteel) << "the start snapshot is left alone";
    EXPECT_EQ(w.form.board.regim, kModeGame);
    EXPECT_EQ(w.form.windowMenu(), w.form.MainMenu1);
    EXPECT_TRUE(w.form.Image2->isHidden());

    for (int i = 0; i < 4; ++i) {
        w.form2.Edit2->setText(QString::number(i));
        w.form.loadlevfromlvp();
        EXPECT_TRUE(w.boardHolds(levels[i])) << "index " << i;
    }
}

TEST_F(MainWindowLevels, IndexPastTheLastLevelKeepsThePreviousBoardInPlay) {
    Window w;
    w.form2.Edit1->setText(q(writeSet()));
    w.form2.Edit2->setText("1");
    w.form.loadlevfromlvp();
    w.form.board.playerDir = kLeft;
    w.form.board.regim = kModeEdit;
    w.form2.Edit2->setText("4");
    w.form.loadlevfromlvp();
    EXPECT_TRUE(w.boardHolds(levels[1]));
    EXPECT_EQ(w.form3.title(), "Моя я");
    EXPECT_EQ(w.form.board.playerDir, kLeft);
    EXPECT_EQ(w.form.board.regim, kModeGame);
}

TEST_F(MainWindowLevels, DamagedRobotInASetKeepsThePreviousBoard) {
    Window w;
    Bytes damaged = encodeLevelRecord(numbered("bad", 2));
    damaged[damaged.size() - 2] = 40;
    Bytes set;
    appendSetEntry(set, damaged);
    testing::writeBytes(folder.file("d.lvp"), set);
    putRecordOnBoard(numbered("", 5), w.form.board);
    w.form2.Edit1->setText(q(folder.file("d.lvp")));
    w.form2.Edit2->setText("0");
    w.form.loadlevfromlvp();
    EXPECT_TRUE(w.boardHolds(numbered("", 5)));
    EXPECT_EQ(w.form.board.regim, kModeGame);
}

TEST_F(MainWindowLevels, ChooserConfirmationLoadsAndCaptionsTheLevel) {
    Window w;
    w.form2.loadlevels(q(writeSet()));
    w.form2.show();
    w.form2.StringGrid1->setCurrentCell(2, 0);
    ASSERT_FALSE(w.form.DXTimer3->Enabled());
    w.form2.Button1->click();
    EXPECT_TRUE(w.boardHolds(levels[2]));
    EXPECT_EQ(w.form.Panel3->text(), "Уровень: 3");
    EXPECT_TRUE(w.form.DXTimer3->Enabled()) << "the field is drawn again after the chooser";
    EXPECT_EQ(w.form.board.regim, kModeGame);
}

TEST_F(MainWindowLevels, LoadLevelCommandClearsFlagsAndShowsTheChooser) {
    Window w;
    w.form2.loadlevels(q(writeSet()));
    w.form.board.playerDead = 1;
    w.form.board.testRun = 1;
    w.form.Exit1->setEnabled(true);
    bool shown = false;
    QTimer::singleShot(0, &w.form2, [&] {
        shown = w.form2.isVisible();
        EXPECT_EQ(w.form.board.playerDead, 0);
        EXPECT_EQ(w.form.board.testRun, 0);
        EXPECT_FALSE(w.form.Exit1->isEnabled());
        w.form2.Button1->click();
    });
    w.form.LoadLevel1->trigger();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(w.form2.isVisible());
    EXPECT_TRUE(w.boardHolds(levels[0]));
    EXPECT_EQ(w.form.Panel3->text(), "Уровень: 1");
}

// The chooser's column of level numbers.
QStringList numbers(const TForm2& chooser) {
    QStringList texts;
    for (int r = 0; r < chooser.StringGrid1->rowCount(); ++r)
        texts << chooser.StringGrid1->item(r, 0)->text();
    return texts;
}

TEST_F(MainWindowLevels, ProgressIsKeptForWinsAndTickedInTheChooser) {
    const std::string set = writeSet();
    ProgressFile progress(folder.file("config/progress"));
    Window w;
    w.form.setProgress(&progress);
    w.form2.loadlevels(q(set));
    EXPECT_EQ(numbers(w.form2), (QStringList{"1", "2", "3", "4"}));
    w.form2.StringGrid1->setCurrentCell(2, 0);
    w.form2.show();
    w.form2.Button1->click();
    EXPECT_EQ(progress.forSet(set), (SetProgress{2, {}})) << "level 3 reached";
    w.form.advanceToNextLevel();  // as a win does
    EXPECT_EQ(w.form.currentLevel(), 3);
    EXPECT_EQ(progress.forSet(set), (SetProgress{3, {2}}));
    w.form2.FormShow();
    EXPECT_EQ(numbers(w.form2), (QStringList{"1", "2", "✓ 3", "4"}));

    // A test run's win is no level of the set.
    w.form.board.testRun = 1;
    w.form.returnToEditor();
    EXPECT_EQ(progress.forSet(set), (SetProgress{3, {2}}));
}

TEST_F(MainWindowLevels, CommandLineFileOpensTheSetOrTheLevelOrIsReported) {
    const std::string set = writeSet();
    const std::string level = folder.file("one.LEV");
    saveLevelFile(level, numbered("Один", 7));
    const std::string junk = folder.file("junk.lev");
    testing::writeBytes(junk, {'j', 'u', 'n', 'k'});
    ProgressFile progress(folder.file("progress"));
    QStringList errors;
    const ErrorBoxSink previous = setErrorBoxSink([&](const QString& t) { errors << t; });

    {  // A set: listed in the chooser, which is shown as at start-up; the set counts as opened.
        Window w;
        w.form.setProgress(&progress);
        bool shown = false;
        QTimer::singleShot(0, &w.form2, [&] {
            shown = w.form2.isVisible();
            w.form2.Button1->click();
        });
        EXPECT_TRUE(w.form.openStartFile(set));
        EXPECT_TRUE(shown);
        EXPECT_EQ(w.form.currentSetFile(), set);
        EXPECT_TRUE(w.boardHolds(levels[0]));
        EXPECT_EQ(progress.read().count(canonicalPath(set)), 1u);
    }
    {  // A level: in the editor, as "Открыть..." opens it.
        Window w;
        EXPECT_TRUE(w.form.openStartFile(level));
        EXPECT_EQ(w.form.board.regim, kModeEdit);
        EXPECT_TRUE(w.boardHolds(numbered("Один", 7)));
        EXPECT_EQ(w.form3.title(), "Один");
        EXPECT_EQ(w.form.editedFile(), level);
        EXPECT_FALSE(w.form.editedChanged());
        EXPECT_EQ(w.form.windowTitle(), "Prismcrate - one.LEV");
    }
    EXPECT_TRUE(errors.isEmpty());
    // Files that cannot be opened: the error box, and the start goes on as usual.
    struct Case {
        std::string file;
        QString error;
    };
    const Case cases[] = {
        {folder.file("missing.lvp"), "Cannot open file " + q(folder.file("missing.lvp")) + "."},
        {folder.file("missing.lev"), "Cannot open file " + q(folder.file("missing.lev")) + "."},
        {folder.path().string(), "Cannot open file " + q(folder.path().string()) + "."},
        {junk, "Файл " + q(junk) + " не является файлом уровня."},
    };
    for (const Case& c : cases) {
        Window w;
        errors.clear();
        EXPECT_FALSE(w.form.openStartFile(c.file));
        EXPECT_EQ(errors, QStringList{c.error});
        EXPECT_NE(w.form.board.regim, kModeEdit);
    }
    setErrorBoxSink(previous);
}

}  // namespace
}  // namespace prismcrate
