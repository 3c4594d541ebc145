// The solver in the main window: hints in the game, the lost-position warning, and the
// editor's solvability check with its window, its playback and its cancelling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <chrono>
#include <functional>

#include "app/main_window.h"
#include "app/solver_commands.h"
#include "editor/title_dialog.h"
#include "game/moves.h"
#include "levels/chooser_dialog.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "media/dx_timer.h"
#include "platform/error_box.h"
#include "tests/campaign/sketch.h"
#include "tests/editor/qt_app.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Three crates to push, then the second level, told apart by its rock.
const LevelRecord kFirst = sketchLevel({
    "%%%%%%%%%",  //
    "%       %",  //
    "% $ $ $ %",  //
    "%@ . . .%",  //
    "%%%%%%%%%",
});
const LevelRecord kSecond = sketchLevel({"%%%%%%", "%@$ .%", "%  r %", "%%%%%%"});
// Pushed up ("ru"), the crate can only slide along the ring, off the target row.
const LevelRecord kRing = sketchLevel({
    "%%%%%%%",  //
    "%     %",  //
    "% $ . %",  //
    "%@    %",  //
    "%%%%%%%",
});
// An open field with rocks: a search through it takes far longer than any test.
LevelRecord bigField() {
    std::vector<std::string> rows(20, std::string(20, ' '));
    rows[10][10] = '@';
    for (const auto& [x, y] : {std::pair{4, 4}, {15, 15}, {4, 15}, {15, 4}}) rows[y][x] = '$';
    for (const auto& [x, y] : {std::pair{1, 1}, {18, 18}, {1, 18}, {18, 1}}) rows[y][x] = '.';
    for (int i = 0; i < 24; ++i) rows[2 + (i * 7) % 16][2 + (i * 11) % 16] = 'r';
    rows[10][10] = '@';
    return sketchLevel(rows);
}

bool holds(const Board& board, const LevelRecord& level) {
    return board.objectLayer == level.objectLayer && board.floorLayer == level.floorLayer &&
           board.playerX == level.playerX && board.playerY == level.playerY;
}

class SolverWindowTest : public ::testing::Test {
  protected:
    SolverWindowTest() {
        form.setDialogs(&form2, &form3, nullptr, nullptr);
        form.DXTimer2->setEnabled(false);
        setErrorBoxSink([this](const QString& text) { errors.push_back(text); });
    }
    ~SolverWindowTest() override { setErrorBoxSink({}); }

    void play(const std::vector<LevelRecord>& levels, int index = 0) {
        const std::string path = folder.file("set.lvp");
        std::vector<std::uint8_t> set;
        for (const LevelRecord& level : levels) appendSetEntry(set, encodeLevelRecord(level));
        testing::writeBytes(path, set);
        form2.loadlevels(QString::fromStdString(path));
        form2.selectedLevelRow = index;
        form2.Button1Click();
    }
    // The level in the editor: entered from the game, or after "Создать" there.
    void edit(const LevelRecord& level) {
        if (form.board.regim == kModeEdit) {
            form.N13->trigger();
        } else {
            form.board.regim = kModeGame;
            form.N2Click();
        }
        putRecordOnBoard(level, form.board);
        form.showpole();
    }
    SolverCommands& solver() { return *form.solverCommands; }
    QString notice() { return solver().Label1->isHidden() ? QString() : solver().Label1->text(); }
    bool idle() { return solver().searches().threads() == 0; }

    testing::QtAppFirst appFirst;
    testing::TempFolder folder;
    TForm1 form;
    TForm2 form2{&form};
    TForm3 form3{&form};
    std::vector<QString> errors;
};

TEST_F(SolverWindowTest, HintsSolveTheLevelOneKeyAtATimeAndTheGameGoesOn) {
    play({kFirst, kSecond});
    solver().Hint1->trigger();
    EXPECT_TRUE(solver().hintSearching());
    EXPECT_EQ(notice(), "Поиск...");
    ASSERT_TRUE(waitFor([&] { return !solver().hintSearching(); }));
    EXPECT_TRUE(form.board.playerX != 1 || form.board.playerY != 3) << "the first hint moved";
    EXPECT_TRUE(form.Exit1->isEnabled()) << "a hinted move is a move: it can be taken back";

    // The rest of the solution is known: every further hint is a key at once.
    int hints = 1;
    while (form.currentLevel() == 0 && hints < 40) {
        const Board before = form.board;
        solver().Hint1->trigger();
        ++hints;
        EXPECT_FALSE(solver().hintSearching()) << "hint " << hints;
        EXPECT_FALSE(before.objectLayer == form.board.objectLayer &&
                     before.playerX == form.board.playerX && before.playerY == form.board.playerY)
            << "hint " << hints;
    }
    EXPECT_EQ(form.currentLevel(), 1);
    EXPECT_TRUE(holds(form.board, kSecond));
    EXPECT_TRUE(errors.empty());
}

TEST_F(SolverWindowTest, AHintForAPositionLeftMeanwhileIsDropped) {
    play({kFirst});
    solver().Hint1->trigger();
    form.FormKeyDown(kKeyUp);  // the player moves before the answer is in
    EXPECT_FALSE(solver().hintSearching()) << "the move cancels the search";
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    EXPECT_EQ(form.board.playerX, 1);
    EXPECT_EQ(form.board.playerY, 2) << "only the player's move was made";
}

TEST_F(SolverWindowTest, ALostPositionIsWarnedOfUntilTheMoveIsTakenBack) {
    play({kRing});
    form.FormKeyDown(kKeyRight);
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    EXPECT_EQ(notice(), QString()) << "the level can still be solved";

    form.FormKeyDown(kKeyUp);  // the crate against the ring
    ASSERT_TRUE(waitFor([&] { return !notice().isEmpty(); }));
    EXPECT_EQ(notice(),
              "Из этой позиции уровень не решить. Отмените ход (Ctrl+Z) или начните "
              "заново (F2).");
    // A key that changes nothing keeps it; a hint says the same and moves nothing.
    form.FormKeyDown(kKeyUp);
    EXPECT_FALSE(notice().isEmpty());
    const Board lost = form.board;
    solver().Hint1->trigger();
    ASSERT_TRUE(waitFor([&] { return !solver().hintSearching(); }));
    EXPECT_TRUE(form.board.objectLayer == lost.objectLayer && form.board.playerX == lost.playerX &&
                form.board.playerY == lost.playerY);
    EXPECT_TRUE(notice().startsWith("Из этой позиции уровень не решить."));

    form.Exit1->trigger();
    EXPECT_EQ(notice(), QString()) << "gone with the undo, at once";
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    EXPECT_EQ(notice(), QString());

    // Lost still after taking back a push along the ring: with no undo left, only the
    // restart is offered, and the restart clears the warning.
    form.FormKeyDown(kKeyUp);
    form.FormKeyDown(kKeyRight);
    form.FormKeyDown(kKeyUp);
    form.FormKeyDown(kKeyLeft);  // the crate along the ring into the corner
    ASSERT_TRUE(waitFor([&] { return !notice().isEmpty(); }));
    form.Exit1->trigger();
    ASSERT_TRUE(waitFor([&] { return !notice().isEmpty(); }));
    EXPECT_EQ(notice(), "Из этой позиции уровень не решить. Начните заново (F2).");
    form.Restartlevel1->trigger();
    EXPECT_EQ(notice(), QString());
    EXPECT_TRUE(holds(form.board, kRing));
}

TEST_F(SolverWindowTest, TheCheckReportsAndPlaysItsSolutionIntoTheTestRunsWin) {
    TSolveForm& check = solver().solveForm();
    edit(sketchLevel({"%%%%%", "%$  %", "% @.%", "%%%%%"}));
    solver().N23->trigger();
    EXPECT_TRUE(check.isVisible());
    EXPECT_EQ(check.Label1->text(), "Идёт поиск решения...");
    ASSERT_TRUE(waitFor([&] { return !solver().checking(); }));
    EXPECT_EQ(check.Label1->text(), "Уровень нерешаем.");
    EXPECT_TRUE(check.Button1->isHidden());
    EXPECT_EQ(check.Button2->text(), "Закрыть");

    edit(kFirst);
    EXPECT_FALSE(check.isVisible()) << "\"Создать\" ends the check of the level before";
    solver().N23->trigger();
    ASSERT_TRUE(waitFor([&] { return !solver().checking(); }));
    EXPECT_EQ(check.Label1->text(), "Уровень решаем.");
    // A plain crate level is searched push by push, and the answer says so.
    EXPECT_TRUE(check.Label2->text().startsWith("Наименьшее число толчков: "))
        << check.Label2->text().toStdString();
    ASSERT_FALSE(check.Button1->isHidden());

    // Played back as a test run: the win brings the editor back with the level as it was.
    solver().playbackInterval = 5;
    check.Button1->click();
    EXPECT_FALSE(check.isVisible());
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.board.testRun, 1);
    EXPECT_TRUE(solver().playing());
    ASSERT_TRUE(waitFor([&] { return form.board.regim == kModeEdit; }));
    EXPECT_FALSE(solver().playing());
    EXPECT_TRUE(holds(form.board, kFirst));

    // A key stops the playback and is not played itself; the test run stays where it is.
    solver().N23->trigger();
    ASSERT_TRUE(waitFor([&] { return !solver().checking(); }));
    solver().playbackInterval = 50;
    check.Button1->click();
    ASSERT_TRUE(waitFor([&] { return !holds(form.board, kFirst); }));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&form, &key);
    EXPECT_FALSE(solver().playing());
    const Board stopped = form.board;
    waitFor([] { return false; }, 200);
    EXPECT_EQ(form.board.regim, kModeGame);
    EXPECT_EQ(form.board.objectLayer, stopped.objectLayer);
    EXPECT_EQ(form.board.playerX, stopped.playerX);
}

TEST_F(SolverWindowTest, CancellingPaintingAndChangesEndTheCheckAtOnce) {
    TSolveForm& check = solver().solveForm();
    edit(bigField());
    solver().N23->trigger();
    ASSERT_TRUE(waitFor([&] { return check.Label2->text() != checkProgress(0, 0); }))
        << "progress is shown while the search runs";
    check.Button2->click();  // "Отмена"
    EXPECT_FALSE(solver().checking());
    EXPECT_FALSE(check.isVisible());
    EXPECT_EQ(form.board.regim, kModeEdit);
    ASSERT_TRUE(waitFor([&] { return idle(); }, 5000)) << "the search stops promptly";

    // Painting on the field.
    solver().N23->trigger();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 12), QPointF(12, 12), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(form.DXDraw1, &press);
    EXPECT_FALSE(solver().checking());
    EXPECT_FALSE(check.isVisible());

    // Leaving the editor, for a test run.
    solver().N23->trigger();
    form.N18->trigger();
    EXPECT_FALSE(solver().checking());
    EXPECT_FALSE(check.isVisible());

    // "Создать" with the level kept ("Отмена" to saving its changes) keeps the check; a
    // new level ends it.
    edit(kFirst);
    form.setEditedLevel({}, true);
    solver().N23->trigger();
    ASSERT_TRUE(waitFor([&] { return !solver().checking(); }));
    for (const auto& [answer, kept] : {std::pair{"Отмена", true}, {"Не сохранять", false}}) {
        QTimer::singleShot(0, [answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == QString::fromUtf8(answer)) button->click();
        });
        form.N13->trigger();
        EXPECT_EQ(check.isVisible(), kept) << answer;
    }

    // A board changed behind the check's back: its answer is dropped.
    edit(kFirst);
    solver().N23->trigger();
    form.board.object(6, 1) = kWall;
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    EXPECT_FALSE(check.isVisible());

    // A board the solver refuses: the error is shown, nothing breaks.
    form.board.playerX = kFieldSize;
    solver().N23->trigger();
    ASSERT_TRUE(waitFor([&] { return !solver().checking(); }));
    EXPECT_EQ(check.Label1->text(), "Проверка не удалась.");
    EXPECT_FALSE(check.Label2->text().isEmpty());
    EXPECT_TRUE(errors.empty());
}

TEST(SolverWindowClose, ClosingTheWindowEndsARunningSearchPromptly) {
    testing::qtApp();
    const auto began = std::chrono::steady_clock::now();
    {
        TForm1 form;
        form.DXTimer2->setEnabled(false);
        form.board.regim = kModeGame;
        form.N2Click();
        putRecordOnBoard(bigField(), form.board);
        form.solverCommands->N23->trigger();
        waitFor([] { return false; }, 300);
        ASSERT_TRUE(form.solverCommands->checking());
        form.close();
        EXPECT_FALSE(form.solverCommands->checking());
    }
    // The check alone may run 30 s; cancelled, its thread ends within moments.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
}

TEST(SolveFormTexts, TheAnswerNamesWhatItProvedShortest) {
    const auto solved = [](solver::Metric metric, bool optimal, bool movesOptimal) {
        solver::Result result;
        result.status = solver::Status::Solved;
        result.metric = metric;
        result.moveCount = 12;
        result.pushCount = 3;
        result.optimal = optimal;
        result.movesOptimal = movesOptimal;
        return checkDetails(result).section(QLatin1Char('\n'), 0, 0);
    };
    const QString moves = QStringLiteral("12\u00A0ходов"), pushes = QStringLiteral("3\u00A0толчка");
    EXPECT_EQ(solved(solver::Metric::Moves, true, false),
              "Наименьшее число ходов: " + moves + ", из них " + pushes + ".");
    EXPECT_EQ(
        solved(solver::Metric::Pushes, true, true),
        "Наименьшее число толчков: " + pushes + "; при нём наименьшее число ходов: " + moves + ".");
    EXPECT_EQ(solved(solver::Metric::Pushes, true, false),
              "Наименьшее число толчков: " + pushes + "; ходов: " + moves +
                  " (наименьшее ли это число, не проверено).");
    EXPECT_EQ(
        solved(solver::Metric::Pushes, false, false),
        "Найдено решение: " + moves + ", из них " + pushes + "; кратчайшее ли оно, не доказано.");
}

TEST(SolveFormTexts, CountsTakeTheRussianPluralAndKeepTheirWordOnTheLine) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {1, "ход"},    {2, "хода"}, {4, "хода"},  {5, "ходов"},   {11, "ходов"},  {12, "ходов"},
        {14, "ходов"}, {21, "ход"}, {22, "хода"}, {111, "ходов"}, {112, "ходов"}, {0, "ходов"},
    };
    for (const auto& [n, word] : cases)
        EXPECT_EQ(countOf(n, "ход", "хода", "ходов"),
                  QString::number(n) + QChar(0x00A0) + QString::fromUtf8(word))
            << n;
}

}  // namespace
}  // namespace prismcrate
