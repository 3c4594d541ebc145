// The solver in the main window: "Подсказка" (Ctrl+H) in the game menu, the lost-position
// warning after each move, and "Проверить решаемость" (Ctrl+R) in the editor's level menu
// with its window and the playing back of a solution in a test run.
//
// The board is read and written on the interface thread only: every search gets a copy,
// runs on a worker thread (SearchThreads) and comes back as a queued call, and its answer
// is used only while the board still holds the position it was computed for. Whatever
// moves the game on (a key, undo, restart, a new level, a change of mode) cancels the
// searches made for the position before; closing the window cancels all of them, and
// destroying this object waits for their threads.
//
// The window calls positionChanged() after each key, undo, restart and blast redraw, and
// modeChanged() at the end of every mode change; the rest it finds by itself (painting on
// the field, "Создать" and "Открыть..." in the editor, the window closing).
#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QTimer>
#include <optional>

#include "app/search_threads.h"
#include "app/solve_form.h"
#include "solver/hints.h"

namespace prismcrate {

class TForm1;

class SolverCommands : public QObject {
  public:
    explicit SolverCommands(TForm1& form);
    ~SolverCommands() override;

    QAction* Hint1 = nullptr;  // "Подсказка", Ctrl+H, in "&Игра" after "Отменить ход"
    QAction* N23 = nullptr;  // "Проверить решаемость", Ctrl+R, last in "&Уровень"
    QLabel* Label1 = nullptr;  // in Panel2 below Panel3: "Поиск...", the warning
    // The check's window, made when the first check starts rather than with the main
    // window: most sessions never check a level.
    TSolveForm& solveForm();

    // Hooks of the window.
    void positionChanged();
    void modeChanged();

    // Handlers.
    void Hint1Click();
    void N23Click();

    // What is going on, for the tests.
    bool hintSearching() const { return hintJob_ != 0; }
    bool lostChecking() const { return lostJob_ != 0; }
    bool checking() const { return checkJob_ != 0; }
    bool playing() const { return playing_; }
    SearchThreads& searches() { return threads_; }
    // Time between two keys of a solution played back.
    int playbackInterval = 180;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setMessage(const QString& text);
    void showNotice();
    void startLostCheck();
    void lostChecked(const Board& searched, const SearchOutcome& outcome);
    void hintFound(const Board& searched, const SearchOutcome& outcome);
    QString lostText() const;

    void checkDone(const Board& searched, const SearchOutcome& outcome);
    void checkProgress();
    void closeCheck();
    void playSolution();
    void playbackTick();
    void stopPlayback();
    void shutDown();

    TForm1& form_;
    SearchThreads threads_;
    TSolveForm* SolveForm = nullptr;

    // The game: the position last seen and whether its check has been started.
    std::optional<solver::Position> last_;
    bool checked_ = false;
    SearchThreads::Id lostJob_ = 0;
    SearchThreads::Id hintJob_ = 0;
    solver::SolutionLine hintLine_;
    QString message_;

    // The editor's check and the solution it found, for the level it was made on.
    SearchThreads::Id checkJob_ = 0;
    QElapsedTimer checkClock_;
    QTimer progressTimer_;
    Board checkedLevel_;
    solver::SolutionLine checkLine_;

    // Playing a solution back in the test run.
    QTimer playbackTimer_;
    solver::SolutionLine playLine_;
    bool playing_ = false;
    bool swallowKey_ = false;
};

}  // namespace prismcrate
