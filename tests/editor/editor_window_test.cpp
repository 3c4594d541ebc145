// The editor inside the main window: the palette, painting through the field pass, and
// the commands of the editor menu.
#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "app/about_box.h"
#include "app/main_window.h"
#include "editor/palette.h"
#include "editor/title_dialog.h"
#include "game/moves.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/level_files.h"
#include "media/dx_timer.h"
#include "tests/editor/qt_app.h"

namespace prismcrate {
namespace {

using testing::whenModal;

int mid(int cell) {
    return cell * cellSize + cellSize / 2;
}

class EditorWindowTest : public ::testing::Test {
  protected:
    EditorWindowTest() {
        form.setDialogs(&form2, &form3, &form4, &form5);
        form3.errorMessage = [this](QWidget*, const QString& text) { messages.push_back(text); };
    }
    void enterEditorFromPlay() {
        form.board.regim = kModeGame;
        form.N2Click();
    }
    // Answers the question about unsaved changes that the next command asks.
    void answerUnsaved(const QString& button) {
        whenModal([button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box && box->objectName() == QStringLiteral("unsavedQuestion"));
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button) return b->click();
            FAIL() << "no button " << button.toStdString();
        });
    }
    void paint(int tool, int x, int y) {
        form.editor.selectedTool = tool;
        form.DXDraw1MouseDown(mbLeft, 0, mid(x), mid(y));
        form.DXDraw1MouseUp(mbLeft, 0, mid(x), mid(y));
    }
    // Runs from the source folder so that the palette picture is found among the assets.
    struct SourceDir {
        SourceDir() {
            testing::qtApp();
            previous = QDir::currentPath();
            QDir::setCurrent(QStringLiteral(PRISMCRATE_SOURCE_DIR));
        }
        ~SourceDir() { QDir::setCurrent(previous); }
        QString previous;
    } sourceDir;
    TForm1 form;
    TForm2 form2{&form};
    TForm3 form3{&form};
    TForm4 form4{&form};
    TForm5 form5{&form};
    std::vector<QString> messages;
};

TEST_F(EditorWindowTest, PaletteShowsTheShippedPictureWithTheGridAndTheSelection) {
    const QImage asset(QStringLiteral("assets/palette.bmp"));
    ASSERT_FALSE(asset.isNull());
    enterEditorFromPlay();
    EXPECT_FALSE(form.Image2->isHidden());
    const QImage& shown = form.Image2->picture();
    ASSERT_EQ(shown.size(), QSize(103, 103));
    // Cell interiors are the picture's own pixels.
    for (int p : {2, 14, 25, 27, 60, 77, 100})
        for (int q : {2, 30, 55, 99}) EXPECT_EQ(shown.pixel(p, q), asset.pixel(p, q));
    EXPECT_EQ(shown.pixel(1, 1), kPaletteSelectionColour) << "the robot tool is selected";
    EXPECT_EQ(shown.pixel(26, 40), kPaletteGridColour);
}

TEST_F(EditorWindowTest, PaletteClickMovesTheOutlineAndLeavesNoOtherCellRed) {
    enterEditorFromPlay();
    for (int tool : {9, 3, 15, 0, 12}) {
        const int c = tool % 4, r = tool / 4;
        form.Image2MouseDown(Qt::LeftButton, 25 * c + 2 + (tool * 7) % 24, 25 * r + 14);
        EXPECT_EQ(form.editor.selectedTool, tool);
        const QImage& shown = form.Image2->picture();
        const int left = 25 * c + 1, top = 25 * r + 1;
        for (int i = 1; i <= 101; ++i) {
            for (int line : {1, 26, 51, 76, 101}) {
                for (const QPoint p : {QPoint(line, i), QPoint(i, line)}) {
                    const bool outline = ((p.x() == left || p.x() == left + 25) && p.y() >= top &&
                                          p.y() <= top + 25) ||
                                         ((p.y() == top || p.y() == top + 25) && p.x() >= left &&
                                          p.x() <= left + 25);
                    ASSERT_EQ(shown.pixel(p),
                              outline ? kPaletteSelectionColour : kPaletteGridColour)
                        << "tool " << tool << " at " << p.x() << "," << p.y();
                }
            }
        }
    }
}

TEST_F(EditorWindowTest, PaletteClickBetweenCellsOrOnTheBorderSelectsNothingButRedraws) {
    enterEditorFromPlay();
    form.Image2MouseDown(Qt::LeftButton, 60, 60);
    ASSERT_EQ(form.editor.selectedTool, 10);
    const QPoint misses[] = {{1, 1},  {26, 60},   {60, 51},  {0, 40},
                             {40, 0}, {102, 102}, {101, 13}, {76, 76}};
    for (const QPoint p : misses) {
        form.Image2->picture().setPixel(26, 10, 0xFF123456);  // spoil a grid pixel
        form.Image2MouseDown(Qt::RightButton, p.x(), p.y());
        EXPECT_EQ(form.editor.selectedTool, 10) << p.x() << "," << p.y();
        EXPECT_EQ(form.Image2->picture().pixel(26, 10), kPaletteGridColour)
            << "the palette is redrawn";
    }
}

TEST_F(EditorWindowTest, PaintedObjectOnAPlateOpensTheGatesAtOnce) {
    enterEditorFromPlay();
    paint(kToolPlate, 5, 5);
    paint(kToolGate, 8, 8);
    paint(kToolGate, 9, 2);
    EXPECT_EQ(form.board.object(8, 8), kGateClosed);
    paint(kToolRock, 5, 5);
    EXPECT_EQ(form.board.floor(5, 5), kPlatePressed);
    EXPECT_EQ(form.board.object(8, 8), kEmpty);
    EXPECT_EQ(form.board.floor(8, 8), kGateOpen);
    EXPECT_EQ(form.board.floor(9, 2), kGateOpen);
    form.DXDraw1MouseDown(mbRight, 0, mid(5), mid(5));
    form.DXDraw1MouseUp(mbRight, 0, mid(5), mid(5));
    EXPECT_EQ(form.board.object(8, 8), kGateClosed) << "removing the rock closes them again";
    EXPECT_EQ(form.board.floor(8, 8), kFloorPlain);
}

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               QPoint at) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST_F(EditorWindowTest, MouseOnTheFieldControlPaintsAndErases) {
    enterEditorFromPlay();
    form.editor.selectedTool = kToolWall;
    QWidget* field = form.DXDraw1;
    sendMouse(field, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {mid(3), mid(4)});
    sendMouse(field, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {mid(6), mid(4)});
    sendMouse(field, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {900, mid(5)});
    sendMouse(field, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {900, mid(5)});
    EXPECT_EQ(form.board.object(3, 4), kWall);
    EXPECT_EQ(form.board.object(6, 4), kWall);
    EXPECT_EQ(form.board.object(19, 5), kWall);
    EXPECT_EQ(form.editor.leftHeld, 0);
    sendMouse(field, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {mid(9), mid(9)});
    EXPECT_EQ(form.board.object(9, 9), kEmpty);

    sendMouse(field, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {mid(3), mid(4)});
    sendMouse(field, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {mid(6), mid(4)});
    sendMouse(field, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {mid(6), mid(4)});
    EXPECT_EQ(form.board.object(3, 4), kEmpty);
    EXPECT_EQ(form.board.object(6, 4), kEmpty);
    EXPECT_EQ(form.editor.rightHeld, 0);
}

TEST_F(EditorWindowTest, FieldClicksInGameModeChangeNothing) {
    enterEditorFromPlay();
    paint(kToolCrate, 3, 3);
    form.board.regim = kModeGame;
    const Board before = form.board;
    form.editor.selectedTool = kToolWall;
    form.DXDraw1MouseDown(mbLeft, 0, mid(4), mid(4));
    form.DXDraw1MouseMove(ssLeft, mid(5), mid(4));
    form.DXDraw1MouseUp(mbLeft, 0, mid(5), mid(4));
    form.DXDraw1MouseDown(mbRight, 0, mid(3), mid(3));
    EXPECT_EQ(form.board.objectLayer, before.objectLayer);
    EXPECT_EQ(form.board.floorLayer, before.floorLayer);
}

TEST_F(EditorWindowTest, EnteringTheEditorFromPlay) {
    form.board.regim = kModeGame;
    form.board.object(4, 4) = kCrate;
    form.board.floor(6, 1) = kFloorTarget;
    form.board.playerX = 7;
    form.board.playerY = 9;
    form.board.playerDir = kLeft;
    form.board.pushPose = 1;
    form.board.playerDead = 1;
    form3.setTitle(QStringLiteral("Старый"));
    form.editor.selectedTool = 7;
    form.Panel3->setText(QStringLiteral("Уровень: 3"));

    form.N2Click();
    EXPECT_EQ(form.board.regim, kModeEdit);
    EXPECT_EQ(form.windowMenu(), form.MainMenu2);
    EXPECT_EQ(form.board.objectLayer, Layer{});
    EXPECT_EQ(form.board.floorLayer, Layer{});
    EXPECT_EQ(form.board.playerX, 0);
    EXPECT_EQ(form.board.playerY, 0);
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.pushPose, 0);
    EXPECT_EQ(form.board.playerDead, 0);
    EXPECT_EQ(form3.title(), QString());
    EXPECT_EQ(form.editor.selectedTool, kToolRobot);
    EXPECT_EQ(form.Panel3->text(), QString());
}

TEST_F(EditorWindowTest, TestRunThenEditorShowsTheLevelAsCaptured) {
    enterEditorFromPlay();
    form3.setTitle(QStringLiteral("Проба"));
    paint(kToolRobot, 2, 2);
    paint(kToolCrate, 3, 2);
    paint(kToolTarget, 6, 2);
    paint(kToolWall, 2, 5);
    const Board edited = form.board;

    form.N18Click();
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_TRUE(form.Image2->isHidden());
    EXPECT_EQ(form.board.testRun, 1);
    EXPECT_EQ(form.Panel3->text(), QString()) << "the level caption stays empty";
    form.FormKeyDown(39);  // push the crate right
    form.FormKeyDown(39);
    ASSERT_EQ(form.board.object(5, 2), kCrate);

    form.N2Click();
    EXPECT_EQ(form.board.regim, kModeEdit);
    EXPECT_EQ(form.board.objectLayer, edited.objectLayer);
    EXPECT_EQ(form.board.floorLayer, edited.floorLayer);
    EXPECT_EQ(form.board.playerX, 2);
    EXPECT_EQ(form.board.playerY, 2);
    EXPECT_EQ(form.board.playerDir, kDown);
    EXPECT_EQ(form.board.testRun, 1) << "only closing the editor ends the test run";
    EXPECT_EQ(form3.title(), QStringLiteral("Проба")) << "the title stays";
}

TEST_F(EditorWindowTest, UndoIsDisabledAfterAMoveThenEditorThenTestRun) {
    form.board.regim = kModeGame;
    form.board.playerX = 3;
    form.board.playerY = 3;
    form.board.object(10, 10) = kCrate;  // off any target, so the move wins nothing
    form.FormKeyDown(40);
    ASSERT_TRUE(form.Exit1->isEnabled());
    form.N2Click();
    form.N18Click();
    EXPECT_FALSE(form.Exit1->isEnabled());
}

TEST_F(EditorWindowTest, NewLevelKeepsTheToolAndFacingAndClearsTheTitle) {
    enterEditorFromPlay();
    form3.setTitle(QStringLiteral("Уровень"));
    paint(kToolCrate, 4, 4);
    paint(kToolRobot, 9, 9);
    form.Image2MouseDown(Qt::LeftButton, 30, 30);  // the crate
    form.board.playerDir = kUp;
    form.board.takeStartSnapshot();
    answerUnsaved(QStringLiteral("Не сохранять"));
    form.N13Click();
    EXPECT_EQ(form3.title(), QString());
    EXPECT_EQ(form.board.objectLayer, Layer{});
    EXPECT_EQ(form.board.playerX, 0);
    EXPECT_EQ(form.board.playerY, 0);
    EXPECT_EQ(form.board.playerDir, kUp);
    EXPECT_EQ(form.board.startObjectLayer[cellIndex(4, 4)], kCrate) << "snapshot kept";
    EXPECT_EQ(form.editor.selectedTool, kToolCrate);
    EXPECT_EQ(form.Image2->picture().pixel(26, 26), kPaletteSelectionColour);
}

TEST_F(EditorWindowTest, CloseEditorShowsTheSetsLevelWithItsNumber) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Board level;
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        level.clearField();
        level.object(i + 1, 1) = kCrate;
        level.floor(i + 1, 2) = kFloorTarget;
        level.playerX = static_cast<std::uint8_t>(10 + i);
        const std::string file = dir.filePath(QString("l%1.lev").arg(i)).toStdString();
        saveLevelFile(file, recordFromBoard(level, "Level " + std::to_string(i)));
        files.push_back(file);
    }
    const QString set = dir.filePath(QStringLiteral("set.lvp"));
    buildLevelSetFile(set.toStdString(), files);
    form2.Edit1->setText(set);
    form2.Edit2->setText(QStringLiteral("1"));

    enterEditorFromPlay();
    paint(kToolWall, 7, 7);
    form.N18Click();
    form.N2Click();
    ASSERT_EQ(form.board.testRun, 1);
    answerUnsaved(QStringLiteral("Не сохранять"));
    form.N17Click();
    EXPECT_EQ(form.Panel3->text(), QStringLiteral("Уровень: 2"));
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.windowMenu(), form.MainMenu1);
    EXPECT_EQ(form.board.testRun, 0);
    EXPECT_FALSE(form.Exit1->isEnabled());
    EXPECT_EQ(form.board.object(2, 1), kCrate);
    EXPECT_EQ(form.board.object(7, 7), kEmpty);
    EXPECT_EQ(form.board.playerX, 11);
    EXPECT_EQ(form3.titleBytes(), "Level 1");
}

TEST_F(EditorWindowTest, RenameRefusesThirtyOneCharactersAndClosesOnThirty) {
    enterEditorFromPlay();
    bool ran = false;
    whenModal([&] {
        ASSERT_TRUE(form3.isVisible());
        form.N20Click();  // already showing: nothing happens
        form3.Edit1->setText(QString(31, QChar(u'ы')));
        form3.Edit1KeyDown(Qt::Key_Return);
        EXPECT_TRUE(form3.isVisible());
        form3.Edit1->backspace();
        ran = true;
        form3.Edit1KeyDown(Qt::Key_Return);
    });
    form.N20Click();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(form3.isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Название не может быть больше 30 символов."));
    EXPECT_EQ(form3.titleBytes(), std::string(30, '\xFB'));
}

TEST_F(EditorWindowTest, BuilderAndAboutBoxOpenModallyOnlyWhenHidden) {
    enterEditorFromPlay();
    int shown = 0;
    whenModal([&] {
        shown += form4.isVisible();
        form.N21Click();
        form4.done(QDialog::Accepted);
    });
    form.N21->trigger();
    whenModal([&] {
        shown += form5.isVisible();
        form.N15Click();
        form5.Button1->click();
    });
    form.N15->trigger();
    EXPECT_EQ(shown, 2);
}

TEST_F(EditorWindowTest, SaveAndOpenKeepTheDrawnLevel) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    enterEditorFromPlay();
    form3.setTitle(QStringLiteral("Ящик"));
    paint(kToolRobot, 4, 6);
    paint(kToolCrate, 5, 6);
    paint(kToolTarget, 5, 6);
    paint(kToolEmitterDown, 12, 0);
    const Board drawn = form.board;
    const QString file = dir.filePath(QStringLiteral("drawn.lev"));
    form.SaveDialog1.runner = [&](const TFileDialog&) { return file; };
    form.N16Click();
    form.N13Click();
    ASSERT_EQ(form.board.object(5, 6), kEmpty);
    form.OpenDialog1.runner = [&](const TFileDialog&) { return file; };
    form.N9Click();
    EXPECT_EQ(form.board.objectLayer, drawn.objectLayer);
    EXPECT_EQ(form.board.floorLayer, drawn.floorLayer);
    EXPECT_EQ(form.board.playerX, 4);
    EXPECT_EQ(form.board.playerY, 6);
    EXPECT_EQ(form3.title(), QStringLiteral("Ящик"));
    EXPECT_EQ(form.board.regim, kModeEdit);
}

TEST_F(EditorWindowTest, CaptionNamesTheEditedFileAndMarksChanges) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("named.lev"));
    EXPECT_EQ(form.windowTitle(), "Prismcrate");
    enterEditorFromPlay();
    EXPECT_EQ(form.windowTitle(), "Prismcrate - Новый уровень");
    paint(kToolRobot, 0, 0);  // the robot on its own cell: nothing changes
    EXPECT_FALSE(form.editedChanged());
    paint(kToolCrate, 3, 3);
    EXPECT_EQ(form.windowTitle(), "Prismcrate - Новый уровень*");
    form.SaveDialog1.runner = [&](const TFileDialog&) { return file; };
    form.N16Click();
    EXPECT_EQ(form.windowTitle(), "Prismcrate - named.lev");
    EXPECT_EQ(form.editedFile(), file.toStdString());
    // A test run and the way back are no changes; a new title is.
    form.N18Click();
    EXPECT_EQ(form.windowTitle(), "Prismcrate");
    form.FormKeyDown(kKeyRight);
    form.N2Click();
    EXPECT_EQ(form.windowTitle(), "Prismcrate - named.lev");
    whenModal([&] {
        form3.Edit1->setText(QStringLiteral("Новое"));
        form3.Button1Click();
    });
    form.N20Click();
    EXPECT_TRUE(form.editedChanged());
    // A new level counts as a change, but an empty one is dropped without a question.
    form.SaveDialog1.runner = [&](const TFileDialog&) { return file; };
    answerUnsaved(QStringLiteral("Сохранить"));
    form.N13Click();
    EXPECT_EQ(form.windowTitle(), "Prismcrate - Новый уровень*");
    form.OpenDialog1.runner = [&](const TFileDialog&) { return file; };
    form.N9Click();
    EXPECT_EQ(form3.title(), QStringLiteral("Новое")) << "saved before the new level came";
    EXPECT_EQ(form.windowTitle(), "Prismcrate - named.lev");
}

TEST_F(EditorWindowTest, UnsavedChangesAreAskedAboutBeforeTheyAreDropped) {
    form.DXTimer2->setEnabled(false);  // no start-up in the middle of this
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.lev"));
    const QString saved = dir.filePath(QStringLiteral("saved.lev"));
    saveLevelFile(other.toStdString(), recordFromBoard(Board{}, "Other"));
    const QString set = dir.filePath(QStringLiteral("set.lvp"));
    buildLevelSetFile(set.toStdString(), {other.toStdString()});
    form2.Edit1->setText(set);
    struct Command {
        const char* name;
        std::function<void()> run;
        std::function<bool()> done;
    };
    const Command commands[] = {
        {"Создать", [&] { form.N13Click(); }, [&] { return form.board.object(3, 3) == kEmpty; }},
        {"Открыть",
         [&] {
             form.OpenDialog1.runner = [&](const TFileDialog&) { return other; };
             form.N9Click();
         },
         [&] { return form3.title() == QStringLiteral("Other"); }},
        {"Закрыть редактор", [&] { form.N17Click(); },
         [&] { return form.board.regim == kModeGame; }},
        {"Выход", [&] { form.close(); }, [&] { return !form.isVisible(); }},
    };
    struct Answer {
        const char* button;
        QString saveAs;  // what the save dialog gives; empty cancels it
        bool goesOn;
    };
    const Answer answers[] = {
        {"Отмена", {}, false},
        {"Не сохранять", {}, true},
        {"Сохранить", saved, true},
        {"Сохранить", {}, false},
    };
    for (const Command& command : commands) {
        for (const Answer& answer : answers) {
            SCOPED_TRACE(std::string(command.name) + " / " + answer.button);
            QFile::remove(saved);
            form.show();
            enterEditorFromPlay();
            form3.setTitle(QStringLiteral("Drawn"));
            paint(kToolWall, 3, 3);
            ASSERT_TRUE(form.editedChanged());
            form.SaveDialog1.runner = [&](const TFileDialog&) { return answer.saveAs; };
            answerUnsaved(QString::fromUtf8(answer.button));
            command.run();
            EXPECT_EQ(command.done(), answer.goesOn);
            EXPECT_EQ(QFile::exists(saved), !answer.saveAs.isEmpty());
            if (!answer.goesOn) {
                EXPECT_EQ(form.board.object(3, 3), kWall) << "nothing dropped";
            }
        }
    }
}

TEST_F(EditorWindowTest, PaletteToolsNameThemselves) {
    const QString expected[] = {"Робот",       "Пол",         "Цель",         "Сталь",
                                "Стена",       "Ящик",        "Камень",       "Бомба",
                                "Ворота",      "Плита",       "Зеркало \\",   "Зеркало /",
                                "Лазер влево", "Лазер вверх", "Лазер вправо", "Лазер вниз"};
    for (int tool = 0; tool < kToolCount; ++tool) {
        const int x = 25 * (tool % 4) + 14, y = 25 * (tool / 4) + 14;
        EXPECT_EQ(form.Image2->toolTipAt(x, y), expected[tool]);
    }
    EXPECT_EQ(form.Image2->toolTipAt(26, 14), QString()) << "a grid line names nothing";
}

}  // namespace
}  // namespace prismcrate
