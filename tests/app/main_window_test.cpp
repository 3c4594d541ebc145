#include "app/main_window.h"
#include "app/solver_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>

#include "app/about_box.h"
#include "app/application.h"
#include "app/help_window.h"
#include "editor/title_dialog.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "media/dximagelist.h"
#include "platform/deferred_icon_style.h"

namespace prismcrate {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { app(); }
};

TEST_F(MainWindowTest, LayoutNumbers) {
    TForm1 form;
    EXPECT_EQ(form.windowTitle(), "Prismcrate");
    EXPECT_EQ(form.client->size(), QSize(600, 484));
    EXPECT_EQ(form.DXDraw1->geometry(), QRect(2, 2, 480, 480));
    EXPECT_EQ(form.Bevel2->geometry(), QRect(1, 1, 482, 482));
    EXPECT_EQ(form.Panel1->geometry(), QRect(486, 370, 113, 113));
    EXPECT_EQ(form.Panel2->geometry(), QRect(486, 1, 113, 366));
    EXPECT_EQ(form.Panel3->geometry(), QRect(8, 8, 97, 25));
    EXPECT_EQ(form.Image2->geometry(), QRect(5, 5, 103, 103));
    EXPECT_EQ(form.Image3->geometry(), QRect(5, 5, 103, 103));
    EXPECT_TRUE(form.Image2->isHidden());
    EXPECT_TRUE(form.Image3->isHidden());
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    form.show();
    EXPECT_EQ(form.client->size(), QSize(600, 484));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the window cannot be resized";
}

TEST_F(MainWindowTest, HitMaskIsBlackExactlyInsideTheSixteenCells) {
    TForm1 form;
    const QImage& mask = form.Image3->picture();
    ASSERT_EQ(mask.size(), QSize(103, 103));
    auto insideCell = [](int p) {
        for (int c = 0; c < 4; ++c)
            if (p >= 25 * c + 2 && p <= 25 * c + 25) return true;
        return false;
    };
    int black = 0;
    for (int y = 0; y < 103; ++y) {
        for (int x = 0; x < 103; ++x) {
            const QRgb pixel = mask.pixel(x, y) & 0xFFFFFF;
            const bool expectBlack = insideCell(x) && insideCell(y);
            ASSERT_EQ(pixel, expectBlack ? 0x000000u : 0xFFFFFFu) << x << "," << y;
            black += expectBlack;
        }
    }
    EXPECT_EQ(black, 16 * 24 * 24);
}

TEST_F(MainWindowTest, MenusCaptionsShortcutsAndStates) {
    TForm1 form;
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_EQ(form.Level1->title(), "&Игра");
    EXPECT_EQ(form.Restartlevel1->text(), "Новая");
    EXPECT_EQ(form.Restartlevel1->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(form.LoadLevel1->text(), "Загрузить уровень...");
    EXPECT_EQ(form.LoadLevel1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_TRUE(form.N1->isSeparator());
    EXPECT_EQ(form.Exit1->text(), "Отменить ход");
    EXPECT_EQ(form.Exit1->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_FALSE(form.Exit1->isEnabled());
    EXPECT_TRUE(form.N3->isSeparator());
    EXPECT_EQ(form.N4->text(), "Выход");
    EXPECT_EQ(form.N2->text(), "&Редактор");
    EXPECT_EQ(form.N2->menu(), nullptr);
    EXPECT_EQ(form.N5->title(), "&Справка");
    EXPECT_EQ(form.N6->text(), "О программе...");

    EXPECT_EQ(form.N7->title(), "&Файл");
    EXPECT_EQ(form.N13->text(), "Создать");
    EXPECT_EQ(form.N13->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(form.N9->text(), "Открыть...");
    EXPECT_EQ(form.N9->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(form.N16->text(), "Сохранить...");
    EXPECT_EQ(form.N16->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_TRUE(form.N22->isSeparator());
    EXPECT_EQ(form.N21->text(), "Создать набор уровней");
    EXPECT_TRUE(form.N19->isSeparator());
    EXPECT_EQ(form.N17->text(), "Закрыть редактор");
    EXPECT_TRUE(form.N11->isSeparator());
    EXPECT_EQ(form.N12->text(), "Выход");
    EXPECT_EQ(form.N8->title(), "&Уровень");
    EXPECT_EQ(form.N18->text(), "Запустить");
    EXPECT_EQ(form.N20->text(), "Изменить название");
    EXPECT_EQ(form.N14->title(), "&Справка");
    EXPECT_EQ(form.N15->text(), "О программе...");
    // "Как играть" follows the about command in both help menus, with F1.
    for (QMenu* help : {form.N5, form.N14}) {
        const QList<QAction*> items = help->actions();
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(items[0], help == form.N5 ? form.N6 : form.N15);
        EXPECT_TRUE(items[1]->isSeparator());
        EXPECT_EQ(items[2]->text(), "Как играть");
        EXPECT_EQ(items[2]->shortcut(), QKeySequence(Qt::Key_F1));
    }

    const QList<QAction*> game = form.Level1->actions();
    ASSERT_EQ(game.size(), 7);
    EXPECT_EQ(game[0], form.Restartlevel1);
    EXPECT_EQ(game[3], form.Exit1);
    // The solver's commands: the hint after the undo, the check last in the level menu.
    EXPECT_EQ(game[4], form.solverCommands->Hint1);
    EXPECT_EQ(form.solverCommands->Hint1->text(), "Подсказка");
    EXPECT_EQ(form.solverCommands->Hint1->shortcut(), QKeySequence("Ctrl+H"));
    EXPECT_EQ(game[6], form.N4);
    EXPECT_EQ(form.N8->actions().back(), form.solverCommands->N23);
    EXPECT_EQ(form.solverCommands->N23->text(), "Проверить решаемость");
    EXPECT_EQ(form.solverCommands->N23->shortcut(), QKeySequence("Ctrl+R"));
    const QList<QAction*> file = form.N7->actions();
    ASSERT_EQ(file.size(), 9);
    EXPECT_EQ(file[4], form.N21);
    EXPECT_EQ(file[8], form.N12);
}

TEST_F(MainWindowTest, OnlyTheWindowsMenuIsShown) {
    TForm1 form;
    form.show();
    EXPECT_TRUE(form.MainMenu1->isVisible());
    EXPECT_FALSE(form.MainMenu2->isVisible());
    form.setWindowMenu(form.MainMenu2);
    EXPECT_FALSE(form.MainMenu1->isVisible());
    EXPECT_TRUE(form.MainMenu2->isVisible());
}

TEST_F(MainWindowTest, ArrowKeysReachTheMoveRulesWhateverHasFocus) {
    TForm1 form;
    form.show();
    form.activateWindow();
    QApplication::setActiveWindow(&form);
    form.board.regim = kModeGame;
    form.board.playerX = 3;
    form.board.playerY = 3;
    form.board.object(10, 10) = kCrate;  // off any target, so no move wins the level
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(form.Panel3, &right);
    EXPECT_EQ(form.board.playerX, 4);
    EXPECT_TRUE(form.Exit1->isEnabled());
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::sendEvent(&form, &down);
    EXPECT_EQ(form.board.playerY, 4) << "Shift does not matter";
}

TEST_F(MainWindowTest, VirtualKeyMapping) {
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Escape), 27);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Left), 37);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Up), 38);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Right), 39);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Down), 40);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_A), 0);
}

TEST_F(MainWindowTest, DialogsMadeWhenNeededAreMadeOnceAtTheFirstUseAndWired) {
    TForm1 form;
    form.makeDialogsWhenNeeded();
    EXPECT_FALSE(form.Form2 || form.Form3 || form.Form4 || form.Form5);
    EXPECT_EQ(form.currentLevel(), 0);
    ASSERT_TRUE(form.Form2 && form.Form3 && form.Form4 && form.Form5);
    for (QWidget* dialog : {static_cast<QWidget*>(form.Form2), static_cast<QWidget*>(form.Form3),
                            static_cast<QWidget*>(form.Form4), static_cast<QWidget*>(form.Form5)})
        EXPECT_EQ(dialog->parentWidget(), &form);
    EXPECT_TRUE(form.Form2->loadlevfromlvp && form.Form2->enableDXTimer3);
    TForm2* chooser = form.Form2;
    form.currentSetFile();
    form.editedRecord();
    EXPECT_EQ(form.Form2, chooser);
    EXPECT_EQ(form.findChildren<TForm2*>().size(), 1);
}

TEST_F(MainWindowTest, HowToPlayShowsEachObjectFromTheSheets) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(PRISMCRATE_SOURCE_DIR));  // where assets/ is
    TForm1 form;
    QDir::setCurrent(previous);
    form.Help1->trigger();
    THelpForm* help = form.helpForm();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "Как играть");
    EXPECT_FALSE(help->isModal()) << "the game goes on beside it";
    form.Help2->trigger();
    EXPECT_EQ(form.findChildren<THelpForm*>().size(), 1);

    TPictureCollectionItem& tiles1 = form.DXImageList1->Items[0];
    ASSERT_FALSE(tiles1.Picture.Empty());
    // Every object has its picture; the robot's is its sheet pattern over the floor's,
    // twice the size, the key colour left out.
    for (int i = 0; i < int(helpObjects().size()); ++i) {
        const auto* label = help->findChild<QLabel*>(QStringLiteral("picture%1").arg(i));
        ASSERT_TRUE(label);
        EXPECT_EQ(label->pixmap().size(), QSize(48, 48)) << helpObjects()[i].name;
    }
    const QImage robot = helpPicture(*form.DXImageList1, helpObjects()[0]);
    ASSERT_EQ(std::string(helpObjects()[0].name), "Робот");
    int keyed = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const QRgb sprite = tiles1.Picture.ScanLine(y)[3 * 24 + x] | 0xFF000000u;
            const QRgb floor = tiles1.Picture.ScanLine(y)[8 * 24 + x] | 0xFF000000u;
            const bool key = sprite == 0xFF800080u;
            keyed += key;
            ASSERT_EQ(robot.pixel(2 * x + 1, 2 * y), key ? floor : sprite) << x << "," << y;
        }
    }
    EXPECT_GT(keyed, 0);
}

// The deferred toolbar extension icons draw as the style's own, at every size and in
// every mode; the other standard icons come from the style unchanged.
TEST_F(MainWindowTest, DeferredIconsDrawAsTheStylesOwn) {
    DeferredIconStyle style;
    QStyle& base = *style.baseStyle();
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_MessageBoxWarning, QStyle::SP_DirOpenIcon}) {
        SCOPED_TRACE(which);
        const QIcon ours = style.standardIcon(which);
        const QIcon theirs = base.standardIcon(which);
        ASSERT_FALSE(theirs.isNull());
        EXPECT_FALSE(ours.isNull());
        EXPECT_EQ(ours.availableSizes(), theirs.availableSizes());
        for (const int side : {8, 16, 32})
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
                EXPECT_EQ(ours.pixmap(side, mode).toImage(), theirs.pixmap(side, mode).toImage())
                    << side << " " << mode;
        const QIcon copy = ours;  // copies share the icon read once
        EXPECT_EQ(copy.pixmap(16).toImage(), theirs.pixmap(16).toImage());
    }
}

TEST_F(MainWindowTest, ToolkitTextsAreRussianWhenTheTranslationsAreThere) {
    EXPECT_FALSE(installToolkitTranslations(app(), QStringLiteral("/nonexistent")));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Open");
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + QStringLiteral("/qtbase_ru.qm")))
        GTEST_SKIP() << "Qt's Russian translations are not installed";
    ASSERT_TRUE(installToolkitTranslations(app()));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Открыть");
}

}  // namespace
}  // namespace prismcrate
