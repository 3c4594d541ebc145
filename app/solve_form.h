// The editor's solvability check window "Проверка решаемости": while the search runs it
// shows what has been explored so far and offers "Отмена"; then the answer, with
// "Показать решение" when there is a solution to play. It is not modal: the editor stays
// usable, and whatever the editor does to the level ends the check.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <cstdint>
#include <functional>

#include "solver/solver.h"

namespace prismcrate {

// The limits of the editor's check and of a hint's search, and how the answers are worded.
struct SearchLimits {
    double seconds = 30;
    std::size_t memoryBytes = std::size_t{512} << 20;
};
constexpr SearchLimits kSearchLimits{};

// "1 ход", "2 хода", "5 ходов".
QString countOf(std::uint64_t n, const char* one, const char* few, const char* many);
// The headline and the details of a check's answer.
QString checkHeadline(const solver::Result& result);
QString checkDetails(const solver::Result& result);
// While the search runs: "Просмотрено позиций: N, прошло S с".
QString checkProgress(std::uint64_t states, double seconds);

class TSolveForm : public QDialog {
    Q_OBJECT
  public:
    explicit TSolveForm(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;        // headline
    QLabel* Label2 = nullptr;        // progress, then the details of the answer
    QPushButton* Button1 = nullptr;  // "Показать решение"
    QPushButton* Button2 = nullptr;  // "Отмена" while searching, "Закрыть" afterwards
    QProgressBar* ProgressBar1 = nullptr;  // running while the search runs

    // The window's states.
    void showSearching();
    void showProgress(std::uint64_t states, double seconds);
    void showResult(const solver::Result& result);
    void showError(const QString& text);
    bool searching() const { return searching_; }

    // What the buttons ask of the owner. Cancelling and closing (the button, Escape, the
    // window's close box) both come here.
    std::function<void()> onPlay;
    std::function<void()> onClose;

    void Button1Click();
    void Button2Click();
    void reject() override;

  private:
    bool searching_ = false;
};

}  // namespace prismcrate
