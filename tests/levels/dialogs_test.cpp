#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <sstream>

#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/cp1251.h"
#include "levels/level_files.h"
#include "levels/level_folders.h"
#include "platform/error.h"
#include "platform/error_box.h"
#include "platform/paths.h"
#include "tests/levels/level_fixtures.h"
#include "tests/levels/qt_app.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::readBytes;
using testing::sampleLevel;
using testing::TempFolder;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Writes a set of levels with the given titles (UTF-8) and returns its path.
std::string writeSet(const TempFolder& folder, const std::string& name,
                     const std::vector<std::string>& titles) {
    Bytes set;
    for (const std::string& title : titles)
        appendSetEntry(set, encodeLevelRecord(sampleLevel(utf8ToCp1251(title).bytes)));
    const std::string path = folder.file(name);
    testing::writeBytes(path, set);
    return path;
}

QStringList column(const QTableWidget* grid, int c) {
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
    return texts;
}

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

// A chooser whose confirmation is recorded instead of reaching a main window.
struct RecordedChooser {
    TForm2 form;
    int loads = 0;
    QString caption;
    int timerArmed = 0;
    RecordedChooser() {
        form.loadlevfromlvp = [this] { ++loads; };
        form.setLevelCaption = [this](const QString& c) { caption = c; };
        form.enableDXTimer3 = [this] { ++timerArmed; };
    }
};

// Diverts the error box for the life of the object.
struct ErrorBoxRecorder {
    QStringList texts;
    ErrorBoxSink previous;
    ErrorBoxRecorder() {
        previous = setErrorBoxSink([this](const QString& t) { texts << t; });
    }
    ~ErrorBoxRecorder() { setErrorBoxSink(previous); }
};

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::qtApp(); }
};

TEST_F(DialogTest, ChooserLayout) {
    TForm2 form;
    EXPECT_EQ(form.windowTitle(), "Выберите уровень");
    EXPECT_EQ(form.size(), QSize(428, 335));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.Edit1->geometry(), QRect(8, 8, 329, 21));
    EXPECT_FALSE(form.Edit1->isEnabled());
    EXPECT_EQ(form.Edit1->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(form.Edit1->text(), "Edit1");
    EXPECT_TRUE(form.Edit2->isHidden());
    EXPECT_EQ(form.Edit2->text(), "0");
    EXPECT_EQ(form.Button2->text(), "Открыть");
    EXPECT_EQ(form.Button2->geometry(), QRect(345, 7, 75, 23));
    EXPECT_EQ(form.Button1->text(), "OK");
    EXPECT_EQ(form.Button1->geometry(), QRect(346, 305, 75, 23));
    const QTableWidget* grid = form.StringGrid1;
    EXPECT_EQ(grid->geometry(), QRect(8, 40, 412, 257));
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->columnWidth(0), 40);
    EXPECT_EQ(grid->columnWidth(1), 368);
    EXPECT_EQ(grid->rowHeight(0), 16);
    EXPECT_FALSE(grid->horizontalHeader()->isVisibleTo(&form));
    EXPECT_FALSE(grid->verticalHeader()->isVisibleTo(&form));
    EXPECT_FALSE(grid->showGrid());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form.selectedLevelRow, 0);
    EXPECT_EQ(form.OpenDialog1.kind, TFileDialog::Kind::Open);
    EXPECT_EQ(form.OpenDialog1.Filter, "*.lvp");
    EXPECT_EQ(form.OpenDialog1.DefaultExt, "lvp");
    EXPECT_EQ(form.OpenDialog1.InitialDir, "./levels");
}

TEST_F(DialogTest, ChooserListsNumbersAndTitlesOrHashNumber) {
    TempFolder folder;
    const std::string path = writeSet(folder, "three.lvp", {"Первый", "", "Третий"});
    TForm2 form;
    form.loadlevels(q(path));
    EXPECT_EQ(form.Edit1->text(), q(path));
    EXPECT_EQ(column(form.StringGrid1, 0), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(form.StringGrid1, 1), (QStringList{"Первый", "#2", "Третий"}));
    EXPECT_EQ(form.levelCount(), 3);
}

TEST_F(DialogTest, ChooserListMatchesTheLevelTool) {
    const std::string path = std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp";
    TForm2 form;
    form.loadlevels(q(path));
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args = {"list", path};
    ASSERT_EQ(runLevelsTool(args, out, err), 0);
    QStringList lines;
    for (int r = 0; r < form.StringGrid1->rowCount(); ++r)
        lines << column(form.StringGrid1, 0)[r] + "\t" + column(form.StringGrid1, 1)[r];
    EXPECT_EQ(lines.join("\n") + "\n", q(out.str()));
}

TEST_F(DialogTest, ChooserEmptySetShowsOneEmptyRow) {
    TempFolder folder;
    TForm2 form;
    form.loadlevels(q(writeSet(folder, "three.lvp", {"a", "b", "c"})));
    form.StringGrid1->setCurrentCell(2, 0);
    ASSERT_EQ(form.selectedLevelRow, 2);
    form.loadlevels(q(writeSet(folder, "empty.lvp", {})));
    EXPECT_EQ(form.levelCount(), 0);
    EXPECT_EQ(column(form.StringGrid1, 0), QStringList{""});
    EXPECT_EQ(column(form.StringGrid1, 1), QStringList{""});
    EXPECT_EQ(form.selectedLevelRow, 0) << "the remembered row comes back into the list";
}

TEST_F(DialogTest, ChooserShorterListKeepsTheSelectionOnARealRow) {
    TempFolder folder;
    TForm2 form;
    form.loadlevels(q(writeSet(folder, "five.lvp", {"a", "b", "c", "d", "e"})));
    form.StringGrid1->setCurrentCell(4, 0);
    form.loadlevels(q(writeSet(folder, "two.lvp", {"x", "y"})));
    EXPECT_EQ(form.selectedLevelRow, 1);
    EXPECT_EQ(form.StringGrid1->currentRow(), 1);
    form.loadlevels(q(writeSet(folder, "five.lvp", {"a", "b", "c", "d", "e"})));
    EXPECT_EQ(form.selectedLevelRow, 1) << "a longer list leaves the selection alone";
}

TEST_F(DialogTest, ConfirmingWithoutASelectionLoadsTheFirstLevel) {
    TempFolder folder;
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "s.lvp", {"a", "b"})));
    chooser.form.show();
    chooser.form.Button1->click();
    EXPECT_FALSE(chooser.form.isVisible());
    EXPECT_EQ(chooser.form.Edit2->text(), "0");
    EXPECT_EQ(chooser.loads, 1);
    EXPECT_EQ(chooser.caption, "Уровень: 1");
    EXPECT_EQ(chooser.timerArmed, 1);
}

TEST_F(DialogTest, ConfirmingTheSixthRowWritesFiveAndShowsSix) {
    TempFolder folder;
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "s.lvp", {"1", "2", "3", "4", "5", "6", "7"})));
    chooser.form.show();
    chooser.form.StringGrid1->setCurrentCell(5, 1);
    EXPECT_EQ(chooser.form.selectedLevelRow, 5);
    chooser.form.Button1->click();
    EXPECT_EQ(chooser.form.Edit2->text(), "5");
    EXPECT_EQ(chooser.caption, "Уровень: 6");
}

TEST_F(DialogTest, EnterInTheListConfirmsLikeOk) {
    TempFolder folder;
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        RecordedChooser chooser;
        chooser.form.loadlevels(q(writeSet(folder, "s.lvp", {"a", "b", "c"})));
        chooser.form.show();
        chooser.form.StringGrid1->setCurrentCell(2, 0);
        sendKey(chooser.form.StringGrid1, key);
        EXPECT_FALSE(chooser.form.isVisible());
        EXPECT_EQ(chooser.form.Edit2->text(), "2");
        EXPECT_EQ(chooser.loads, 1);
        EXPECT_EQ(chooser.caption, "Уровень: 3");
        EXPECT_EQ(chooser.timerArmed, 1);
    }
}

TEST_F(DialogTest, TheListHasTheFocusWhenTheChooserOpens) {
    TempFolder folder;
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "s.lvp", {"a", "b"})));
    chooser.form.show();
    EXPECT_EQ(chooser.form.focusWidget(), chooser.form.StringGrid1);
    EXPECT_FALSE(chooser.form.Button2->autoDefault()) << "Enter must not open another set";
    sendKey(chooser.form.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(chooser.loads, 1);
}

TEST_F(DialogTest, SelectingARowNeverScrollsTheListSideways) {
    TempFolder folder;
    std::vector<std::string> titles;
    for (int i = 0; i < 30; ++i) titles.push_back("level " + std::to_string(i));
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "long.lvp", titles)));
    chooser.form.show();
    QApplication::processEvents();
    chooser.form.StringGrid1->setCurrentCell(20, 1);
    chooser.form.StringGrid1->scrollToItem(chooser.form.StringGrid1->item(20, 1));
    QApplication::processEvents();
    EXPECT_EQ(chooser.form.StringGrid1->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(chooser.form.selectedLevelRow, 20);
}

TEST_F(DialogTest, ConfirmingWithoutAnExistingSetDoesNothing) {
    RecordedChooser chooser;
    chooser.form.show();
    chooser.form.Button1->click();
    EXPECT_TRUE(chooser.form.isVisible());
    EXPECT_EQ(chooser.loads, 0);
    EXPECT_EQ(chooser.timerArmed, 0);
    EXPECT_EQ(chooser.form.Edit2->text(), "0");
}

TEST_F(DialogTest, ChooserCanOnlyBeLeftByConfirming) {
    TempFolder folder;
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "s.lvp", {"a"})));
    chooser.form.show();
    sendKey(&chooser.form, Qt::Key_Escape);
    sendKey(chooser.form.StringGrid1, Qt::Key_Escape);
    sendKey(&chooser.form, Qt::Key_F4, Qt::AltModifier);
    sendKey(chooser.form.Button1, Qt::Key_F4, Qt::AltModifier);
    chooser.form.close();
    chooser.form.reject();
    EXPECT_TRUE(chooser.form.isVisible());
    EXPECT_EQ(chooser.loads, 0);

    // Modally: a close request does not end the dialog's loop, a confirmation does.
    QTimer::singleShot(0, &chooser.form, [&] {
        chooser.form.close();
        sendKey(&chooser.form, Qt::Key_Escape);
        QTimer::singleShot(0, &chooser.form, [&] { chooser.form.Button1->click(); });
    });
    EXPECT_EQ(chooser.form.exec(), QDialog::Accepted);
    EXPECT_EQ(chooser.loads, 1);
}

TEST_F(DialogTest, OpeningAnotherSetChangesTheListButNotTheLevel) {
    TempFolder folder;
    RecordedChooser chooser;
    chooser.form.loadlevels(q(writeSet(folder, "first.lvp", {"a", "b"})));
    chooser.form.Edit2->setText("1");
    const std::string other = writeSet(folder, "other.lvp", {"x", "y", "z"});
    QString offered;
    chooser.form.OpenDialog1.runner = [&](const TFileDialog& d) {
        offered = d.Filter;
        return q(other);
    };
    chooser.form.Button2->click();
    EXPECT_EQ(offered, "*.lvp");
    EXPECT_EQ(chooser.form.Edit1->text(), q(other));
    EXPECT_EQ(column(chooser.form.StringGrid1, 1), (QStringList{"x", "y", "z"}));
    EXPECT_EQ(chooser.form.Edit2->text(), "1");
    EXPECT_EQ(chooser.loads, 0);

    chooser.form.OpenDialog1.runner = [](const TFileDialog&) { return QString(); };
    chooser.form.Button2->click();
    EXPECT_EQ(chooser.form.Edit1->text(), q(other)) << "a cancelled dialog changes nothing";
}

TEST_F(DialogTest, ShowingRefillsTheListFromTheCurrentSet) {
    TempFolder folder;
    TForm2 form;
    const std::string path = writeSet(folder, "s.lvp", {"a"});
    form.loadlevels(q(path));
    writeSet(folder, "s.lvp", {"a", "new"});
    form.show();
    EXPECT_EQ(column(form.StringGrid1, 1), (QStringList{"a", "new"}));
}

TEST_F(DialogTest, SetThatCannotBeOpenedReachesTheErrorBox) {
    TempFolder folder;
    TForm2 form;
    EXPECT_THROW(form.loadlevels("a"), EFOpenError) << "no standard set beside the test";
    EXPECT_EQ(form.Edit1->text(), programDir() + "levels/standart.lvp");
    EXPECT_EQ(form.Edit1->text(), standardSetPath());

    ErrorBoxRecorder errors;
    const QString folderPath = q(folder.path().string());
    form.OpenDialog1.runner = [&](const TFileDialog&) { return folderPath; };
    form.Button2->click();
    EXPECT_EQ(errors.texts, QStringList{"Cannot open file " + folderPath + "."});
}

TEST_F(DialogTest, BuilderLayout) {
    TForm4 form;
    EXPECT_EQ(form.windowTitle(), "Создание набора уровней");
    EXPECT_EQ(form.size(), QSize(418, 258));
    EXPECT_EQ(form.StringGrid1->geometry(), QRect(8, 8, 321, 241));
    EXPECT_EQ(form.StringGrid1->columnCount(), 2);
    EXPECT_EQ(form.StringGrid1->columnWidth(0) + form.StringGrid1->columnWidth(1), 317);
    EXPECT_EQ(form.StringGrid1->rowHeight(0), 16);
    EXPECT_FALSE(form.StringGrid1->showGrid());
    EXPECT_EQ(form.StringGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form.rows(), QStringList{""});
    EXPECT_EQ(form.Button1->text(), "Добавить");
    EXPECT_EQ(form.Button1->geometry(), QRect(336, 8, 75, 23));
    EXPECT_EQ(form.Button2->text(), "Создать");
    EXPECT_EQ(form.Button2->geometry(), QRect(336, 37, 75, 23));
    EXPECT_EQ(form.OpenDialog1.kind, TFileDialog::Kind::Open);
    EXPECT_EQ(form.OpenDialog1.Filter, "*.lev");
    EXPECT_EQ(form.OpenDialog1.DefaultExt, "lev");
    EXPECT_EQ(form.SaveDialog1.kind, TFileDialog::Kind::Save);
    EXPECT_EQ(form.SaveDialog1.Filter, "*.lvp");
    EXPECT_EQ(form.SaveDialog1.DefaultExt, "lvp");
    EXPECT_EQ(form.SaveDialog1.InitialDir, "./levels");
    EXPECT_TRUE(form.OpenDialog1.followsLevelFolders);
    EXPECT_TRUE(form.SaveDialog1.followsLevelFolders);
}

TEST_F(DialogTest, BuilderShowsEachFilesLevelTitleBesideIt) {
    TempFolder folder;
    const std::string titled = folder.file("titled.lev");
    const std::string untitled = folder.file("untitled.lev");
    const std::string junk = folder.file("junk.lev");
    testing::writeBytes(titled, encodeLevelRecord(sampleLevel(utf8ToCp1251("Ящики").bytes)));
    testing::writeBytes(untitled, encodeLevelRecord(sampleLevel("")));
    testing::writeBytes(junk, {'n', 'o', 't', ' ', 'a', ' ', 'l', 'e', 'v', 'e', 'l'});
    TForm4 form;
    QStringList queue = {q(titled), q(untitled), q(junk), q(folder.file("gone.lev"))};
    form.OpenDialog1.runner = [&](const TFileDialog&) { return queue.takeFirst(); };
    for (int i = 0; i < 4; ++i) form.Button1Click();
    EXPECT_EQ(form.titles(),
              (QStringList{"Ящики", "(без названия)", "(не уровень)", "(не читается)"}));
    form.StringGrid1->setCurrentCell(0, 0);
    sendKey(form.StringGrid1, Qt::Key_Delete);
    EXPECT_EQ(form.rows().first(), q(untitled));
    EXPECT_EQ(form.titles().first(), "(без названия)") << "titles move with their files";
}

TEST_F(DialogTest, LevelFoldersStartWhereTheUserMayWriteAndThenWhereTheLastFileWas) {
    TempFolder folder;
    const QString writable = q(folder.file("program-levels"));
    QDir().mkpath(writable);
    testing::writeBytes(folder.file("a-file"), {1});
    const QString user = q(folder.file("data/prismcrate/levels"));
    struct Case {
        QString program;
        QString expected;
    };
    const Case cases[] = {
        {writable, writable},               // the program's folder may be written
        {q(folder.file("missing")), user},  // no such folder: the user's, made now
        {q(folder.file("a-file")), user},   // not a folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        QDir(q(folder.file("data"))).removeRecursively();
        LevelFolders folders(user);
        EXPECT_EQ(folders.startFolder(c.program), c.expected);
        EXPECT_EQ(QFileInfo(user).isDir(), c.expected == user) << "made only when needed";
        folders.remember(q(folder.file("elsewhere/one.lev")));
        EXPECT_EQ(folders.startFolder(c.program), q(folder.file("elsewhere")));
    }
    if (::geteuid() != 0) {
        // Read-only for the user (root may write anywhere, so this holds for others only).
        QFile::setPermissions(writable, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(LevelFolders(user).startFolder(writable), user);
        QFile::setPermissions(
            writable, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The dialogs that follow the folders start there and remember the chosen file's.
    TFileDialog dialog(TFileDialog::Kind::Save, "*.lev", "lev", q(folder.file("missing")));
    dialog.followsLevelFolders = true;
    QString startedIn;
    dialog.runner = [&](const TFileDialog& d) {
        startedIn = d.StartedIn;
        return q(folder.file("chosen/x.lev"));
    };
    levelFolders() = LevelFolders(user);
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(startedIn, user);
    EXPECT_EQ(dialog.FileName, q(folder.file("chosen/x.lev")));
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(startedIn, q(folder.file("chosen")));
    levelFolders() = LevelFolders();
}

TEST_F(DialogTest, ChooserTicksTheSolvedLevels) {
    TempFolder folder;
    const std::string set = writeSet(folder, "s.lvp", {"one", "", "three"});
    RecordedChooser chooser;
    std::string asked;
    chooser.form.solvedLevels = [&](const std::string& file) {
        asked = file;
        return std::set<long long>{0, 2, 7};
    };
    chooser.form.loadlevels(q(set));
    EXPECT_EQ(asked, set);
    EXPECT_EQ(column(chooser.form.StringGrid1, 0), (QStringList{"✓ 1", "2", "✓ 3"}));
    EXPECT_EQ(column(chooser.form.StringGrid1, 1), (QStringList{"one", "#2", "three"}));
}

TEST_F(DialogTest, BuilderAddFillsTheEmptyFirstRowThenAppends) {
    TForm4 form;
    QString next = "/x/one.lev";
    form.OpenDialog1.runner = [&](const TFileDialog&) { return next; };
    form.Button1->click();
    EXPECT_EQ(form.rows(), QStringList{"/x/one.lev"});
    next = "/x/two.lev";
    form.Button1->click();
    EXPECT_EQ(form.rows(), (QStringList{"/x/one.lev", "/x/two.lev"}));
    next.clear();
    form.Button1->click();
    EXPECT_EQ(form.rows().size(), 2) << "a cancelled dialog adds nothing";
    next = "relative.lev";
    form.Button1->click();
    EXPECT_EQ(form.rows().last(), QDir::current().absoluteFilePath("relative.lev"));
}

TEST_F(DialogTest, BuilderDeleteRemovesTheSelectedRow) {
    TForm4 form;
    QStringList queue = {"/a.lev", "/b.lev", "/c.lev"};
    form.OpenDialog1.runner = [&](const TFileDialog&) { return queue.takeFirst(); };
    for (int i = 0; i < 3; ++i) form.Button1Click();
    form.StringGrid1->setCurrentCell(1, 0);
    EXPECT_EQ(form.selectedFileRow, 1);
    sendKey(form.StringGrid1, Qt::Key_Backspace);
    sendKey(form.StringGrid1, Qt::Key_A);
    EXPECT_EQ(form.rows().size(), 3) << "only Delete removes";
    sendKey(form.StringGrid1, Qt::Key_Delete);
    EXPECT_EQ(form.rows(), (QStringList{"/a.lev", "/c.lev"}));
    EXPECT_EQ(form.selectedFileRow, 1);
    sendKey(form.StringGrid1, Qt::Key_Delete);
    EXPECT_EQ(form.rows(), QStringList{"/a.lev"});
    EXPECT_EQ(form.selectedFileRow, 0) << "the selection moves onto the new last row";
}

TEST_F(DialogTest, BuilderDeletingTheOnlyRowLeavesOneEmptyRowAndCreateDoesNothing) {
    TForm4 form;
    form.OpenDialog1.runner = [](const TFileDialog&) { return QString("/only.lev"); };
    form.Button1Click();
    sendKey(form.StringGrid1, Qt::Key_Delete);
    EXPECT_EQ(form.rows(), QStringList{""});
    int asked = 0;
    form.SaveDialog1.runner = [&](const TFileDialog&) {
        ++asked;
        return QString("/tmp/never.lvp");
    };
    form.Button2->click();
    EXPECT_EQ(asked, 0);
}

TEST_F(DialogTest, BuilderCreatesTheSetInListOrderAndKeepsTheList) {
    TempFolder folder;
    std::vector<Bytes> levels;
    QStringList files;
    for (const char* name : {"b.lev", "a.lev", "c.lev"}) {
        levels.push_back(encodeLevelRecord(sampleLevel(name)));
        testing::writeBytes(folder.file(name), levels.back());
        files << q(folder.file(name));
    }
    TForm4 form;
    QStringList queue = files;
    form.OpenDialog1.runner = [&](const TFileDialog&) { return queue.takeFirst(); };
    for (int i = 0; i < 3; ++i) form.Button1Click();
    const std::string target = folder.file("made.lvp");
    form.SaveDialog1.runner = [&](const TFileDialog&) { return q(target); };
    form.show();
    form.Button2->click();
    Bytes expected;
    for (const Bytes& level : levels) appendSetEntry(expected, level);
    EXPECT_EQ(readBytes(target), expected);
    EXPECT_EQ(form.rows(), files);

    form.hide();
    form.show();
    EXPECT_EQ(form.rows(), files) << "the list is kept between openings";
}

TEST_F(DialogTest, BuilderFailureShowsTheErrorAndKeepsTheOldSet) {
    TempFolder folder;
    const std::string good = folder.file("good.lev");
    testing::writeBytes(good, encodeLevelRecord(sampleLevel("g")));
    const std::string target = folder.file("set.lvp");
    testing::writeBytes(target, {7, 7});
    TForm4 form;
    QStringList queue = {q(good), q(folder.file("gone.lev"))};
    form.OpenDialog1.runner = [&](const TFileDialog&) { return queue.takeFirst(); };
    form.Button1Click();
    form.Button1Click();
    form.SaveDialog1.runner = [&](const TFileDialog&) { return q(target); };

    ErrorBoxRecorder errors;
    form.Button2->click();
    EXPECT_EQ(errors.texts, QStringList{q("Cannot open file " + folder.file("gone.lev") + ".")});
    EXPECT_EQ(readBytes(target), (Bytes{7, 7}));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"good.lev", "set.lvp"}));

    form.SaveDialog1.runner = [&](const TFileDialog&) { return q(folder.file("no/set.lvp")); };
    errors.texts.clear();
    form.Button2->click();
    EXPECT_EQ(errors.texts,
              QStringList{q("Cannot create file " + folder.file("no/set.lvp") + ".")});
}

TEST_F(DialogTest, FileDialogSettingsReachTheRealDialog) {
    QFileDialog open;
    TFileDialog(TFileDialog::Kind::Open, "*.lev", "lev").configure(open);
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.nameFilters(), QStringList{"*.lev"});
    EXPECT_EQ(open.defaultSuffix(), "lev");

    QFileDialog save;
    TFileDialog(TFileDialog::Kind::Save, "*.lvp", "lvp", QDir::tempPath()).configure(save);
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite)) << "asks before overwriting";
    EXPECT_EQ(save.nameFilters(), QStringList{"*.lvp"});
    EXPECT_EQ(save.defaultSuffix(), "lvp");
    EXPECT_EQ(QDir(save.directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
}

}  // namespace
}  // namespace prismcrate
