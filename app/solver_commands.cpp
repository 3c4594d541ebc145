#include "app/solver_commands.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <stdexcept>

#include "app/main_window.h"

namespace prismcrate {
namespace {

// Only the layers and the robot's cell make the edited level.
bool sameLevel(const Board& a, const Board& b) {
    return a.objectLayer == b.objectLayer && a.floorLayer == b.floorLayer &&
           a.playerX == b.playerX && a.playerY == b.playerY;
}

// A hint is the first key of a solution with the fewest key presses, whatever the level. The
// check lets the solver choose: a plain crate level is searched push by push, which decides
// far larger levels, and its answer names the fewest pushes (then moves) it found.
solver::Options searchOptions(SearchControl& control, solver::Metric metric) {
    solver::Options options;
    options.metric = metric;
    options.seconds = kSearchLimits.seconds;
    options.memoryBytes = kSearchLimits.memoryBytes;
    options.cancel = &control.cancel;
    options.progress = [&control](const solver::Progress& progress) {
        control.states = progress.states;
        control.seconds = progress.seconds;
    };
    return options;
}

QString limitReached(const solver::Result& result) {
    if (result.stoppedBy == solver::StopReason::Memory)
        return QStringLiteral("поиску не хватило %1\u00A0МБ памяти")
            .arg(kSearchLimits.memoryBytes >> 20);
    return QStringLiteral("поиск не уложился в %1\u00A0с")
        .arg(static_cast<int>(kSearchLimits.seconds));
}

}  // namespace

SolverCommands::SolverCommands(TForm1& form) : form_(form) {
    Hint1 = new QAction(QStringLiteral("Подсказка"), form.Level1);
    Hint1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    form.Level1->insertAction(form.N3, Hint1);
    N23 = form.N8->addAction(QStringLiteral("Проверить решаемость"));
    N23->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(Hint1, &QAction::triggered, this, &SolverCommands::Hint1Click);
    connect(N23, &QAction::triggered, this, &SolverCommands::N23Click);
    // A new or opened level ends a check of the one before. These run after the window's
    // own handlers, which may have kept the level (the player said "Отмена" to saving it).
    for (QAction* action : {form.N13, form.N9})
        connect(action, &QAction::triggered, this, [this] {
            if (!sameLevel(form_.board, checkedLevel_)) closeCheck();
        });

    Label1 = new QLabel(form.Panel2);
    Label1->setGeometry(8, 41, 97, 160);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    Label1->setPalette(red);
    Label1->hide();

    progressTimer_.setInterval(100);
    connect(&progressTimer_, &QTimer::timeout, this, &SolverCommands::checkProgress);
    connect(&playbackTimer_, &QTimer::timeout, this, &SolverCommands::playbackTick);

    // Keys and clicks that stop a solution played back, painting on the field, and the
    // window closing.
    qApp->installEventFilter(this);
}

SolverCommands::~SolverCommands() {
    if (SolveForm) {
        SolveForm->onPlay = nullptr;
        SolveForm->onClose = nullptr;
    }
    threads_.cancelAll();
}

TSolveForm& SolverCommands::solveForm() {
    if (!SolveForm) {
        SolveForm = new TSolveForm(&form_);
        SolveForm->onPlay = [this] { playSolution(); };
        SolveForm->onClose = [this] { closeCheck(); };
    }
    return *SolveForm;
}

// The game.

QString SolverCommands::lostText() const {
    return form_.session.undoAvailable()
               ? QStringLiteral(
                     "Из этой позиции уровень не решить. Отмените ход (Ctrl+Z) или начните "
                     "заново (F2).")
               : QStringLiteral("Из этой позиции уровень не решить. Начните заново (F2).");
}

void SolverCommands::setMessage(const QString& text) {
    message_ = text;
    showNotice();
}

void SolverCommands::showNotice() {
    const QString text = hintJob_ != 0 ? QStringLiteral("Поиск...") : message_;
    Label1->setText(text);
    Label1->setVisible(!text.isEmpty() && form_.board.regim == kModeGame);
}

void SolverCommands::positionChanged() {
    if (form_.board.regim != kModeGame) return;
    const solver::Position now = solver::Position::of(form_.board);
    if (now != last_) {
        // The answers for the position before are of no use any more.
        last_ = now;
        checked_ = false;
        threads_.cancel(hintJob_);
        hintJob_ = 0;
        threads_.cancel(lostJob_);
        lostJob_ = 0;
        setMessage(QString());
    }
    // A blast redraw still to come changes the field once more: its own call comes then.
    if (checked_ || playing_ || form_.board.playerDead || form_.session.blastRedrawPending())
        return;
    checked_ = true;
    startLostCheck();
}

void SolverCommands::startLostCheck() {
    const Board position = form_.board;
    lostJob_ = threads_.start(
        [position](SearchControl& control) {
            solver::LostCheckBudget budget = solver::lostWarningBudget();
            budget.cancel = &control.cancel;
            solver::Result result;
            result.status = solver::positionProvedLost(position, budget)
                                ? solver::Status::Unsolvable
                                : solver::Status::Unknown;
            return result;
        },
        [this, position](const SearchOutcome& outcome) { lostChecked(position, outcome); });
}

void SolverCommands::lostChecked(const Board& searched, const SearchOutcome& outcome) {
    lostJob_ = 0;
    if (form_.board.regim != kModeGame ||
        solver::Position::of(form_.board) != solver::Position::of(searched))
        return;
    // Only a proof raises the warning; a failed check says nothing.
    if (outcome.error.empty() && outcome.result.status == solver::Status::Unsolvable)
        setMessage(lostText());
}

void SolverCommands::Hint1Click() {
    if (form_.board.regim != kModeGame || hintJob_ != 0) return;
    // The field is at rest before anything is searched or played: a pending blast redraw
    // is served now, as its tick would.
    if (form_.session.blastRedrawPending()) form_.DXTimer1Timer(nullptr, 0);
    if (form_.board.regim != kModeGame) return;
    const int step = hintLine_.stepAt(form_.board);
    if (step >= 0) {
        form_.FormKeyDown(hintLine_.keyAt(step));
        return;
    }
    const Board position = form_.board;
    hintJob_ = threads_.start(
        [position](SearchControl& control) {
            return solver::solve(position, searchOptions(control, solver::Metric::Moves));
        },
        [this, position](const SearchOutcome& outcome) { hintFound(position, outcome); });
    showNotice();
}

void SolverCommands::hintFound(const Board& searched, const SearchOutcome& outcome) {
    hintJob_ = 0;
    showNotice();
    // A position left since the search began gets nothing from it, and no key is played
    // behind a dialog (the chooser, say) that the player has opened meanwhile.
    if (form_.board.regim != kModeGame ||
        solver::Position::of(form_.board) != solver::Position::of(searched) ||
        QApplication::activeModalWidget())
        return;
    if (!outcome.error.empty()) {
        setMessage(
            QStringLiteral("Подсказка не удалась: %1").arg(QString::fromStdString(outcome.error)));
        return;
    }
    const solver::Result& result = outcome.result;
    switch (result.status) {
        case solver::Status::Solved:
            try {
                hintLine_ = solver::SolutionLine(searched, result.moves);
            } catch (const std::exception& e) {
                setMessage(
                    QStringLiteral("Подсказка не удалась: %1").arg(QString::fromUtf8(e.what())));
                return;
            }
            if (!hintLine_.empty()) form_.FormKeyDown(hintLine_.keyAt(0));
            return;
        case solver::Status::Unsolvable:
            setMessage(lostText());
            return;
        case solver::Status::Unknown:
            setMessage(QStringLiteral("Подсказка не найдена: %1.").arg(limitReached(result)));
            return;
    }
}

void SolverCommands::modeChanged() {
    threads_.cancel(hintJob_);
    hintJob_ = 0;
    threads_.cancel(lostJob_);
    lostJob_ = 0;
    last_.reset();
    checked_ = false;
    setMessage(QString());
    if (form_.board.regim != kModeGame) stopPlayback();
    // The editor's check is about the level as it stood in the editor.
    closeCheck();
}

// The editor's check.

void SolverCommands::N23Click() {
    if (form_.board.regim != kModeEdit) return;
    closeCheck();
    const Board level = form_.board;
    checkedLevel_ = level;
    solveForm().showSearching();
    solveForm().show();
    checkClock_.start();
    progressTimer_.start();
    checkJob_ = threads_.start(
        [level](SearchControl& control) {
            return solver::solveLevel(level, searchOptions(control, solver::Metric::Automatic));
        },
        [this, level](const SearchOutcome& outcome) { checkDone(level, outcome); });
}

void SolverCommands::checkProgress() {
    if (const SearchControl* control = threads_.control(checkJob_))
        solveForm().showProgress(control->states, checkClock_.elapsed() / 1000.0);
}

void SolverCommands::checkDone(const Board& searched, const SearchOutcome& outcome) {
    checkJob_ = 0;
    progressTimer_.stop();
    if (form_.board.regim != kModeEdit || !sameLevel(form_.board, searched)) {
        closeCheck();
        return;
    }
    if (!outcome.error.empty()) {
        solveForm().showError(QString::fromStdString(outcome.error));
        return;
    }
    if (outcome.result.status == solver::Status::Solved && !outcome.result.moves.empty()) {
        try {
            checkLine_ =
                solver::SolutionLine(solver::loadedForPlay(searched), outcome.result.moves);
        } catch (const std::exception& e) {
            solveForm().showError(QString::fromUtf8(e.what()));
            return;
        }
    }
    solveForm().showResult(outcome.result);
}

void SolverCommands::closeCheck() {
    threads_.cancel(checkJob_);
    checkJob_ = 0;
    progressTimer_.stop();
    checkLine_ = {};
    if (SolveForm && SolveForm->isVisible()) SolveForm->hide();
}

void SolverCommands::playSolution() {
    if (form_.board.regim != kModeEdit || checkLine_.empty() ||
        !sameLevel(form_.board, checkedLevel_)) {
        solveForm().showError(
            QStringLiteral("Уровень изменён после проверки: проверьте его снова."));
        return;
    }
    solver::SolutionLine line = checkLine_;
    closeCheck();
    form_.activateWindow();
    // Exactly as "Запустить"; then one key of the solution after another.
    form_.N18Click();
    if (form_.board.regim != kModeGame) return;
    playLine_ = std::move(line);
    playing_ = true;
    playbackTimer_.start(playbackInterval);
}

void SolverCommands::playbackTick() {
    if (!playing_) return;
    if (form_.board.regim != kModeGame) {
        stopPlayback();
        return;
    }
    // The field comes to rest first, as it does between a player's keys.
    if (form_.session.blastRedrawPending()) return;
    const int step = playLine_.stepAt(form_.board);
    if (step < 0) {
        // The field is not where the solution goes: nothing more is played.
        stopPlayback();
        return;
    }
    form_.FormKeyDown(playLine_.keyAt(step));
}

void SolverCommands::stopPlayback() {
    if (!playing_) return;
    playing_ = false;
    playbackTimer_.stop();
    playLine_ = {};
    positionChanged();
}

void SolverCommands::shutDown() {
    stopPlayback();
    closeCheck();
    threads_.cancelAll();
    hintJob_ = lostJob_ = 0;
}

bool SolverCommands::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Any key stops a solution played back, and does nothing else: not even a
            // shortcut.
            if (playing_) {
                stopPlayback();
                swallowKey_ = true;
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress:
            if (playing_ || swallowKey_) {
                stopPlayback();
                swallowKey_ = false;
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (playing_) {
                stopPlayback();
                return true;
            }
            // Painting or erasing changes the level under a check.
            if (watched == form_.DXDraw1 && form_.board.regim == kModeEdit) closeCheck();
            break;
        case QEvent::Close:
            if (watched == &form_) shutDown();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace prismcrate
