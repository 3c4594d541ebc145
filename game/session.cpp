#include "game/session.h"

#include "game/moves.h"

namespace prismcrate {
namespace {

// The part of the board that a step can change and that the result compares.
struct Position {
    Layer objects;
    Layer floor;
    std::uint8_t x, y, dir, pose;

    explicit Position(const Board& b)
        : objects(b.objectLayer),
          floor(b.floorLayer),
          x(b.playerX),
          y(b.playerY),
          dir(b.playerDir),
          pose(b.pushPose) {}
    bool sameAs(const Board& b) const {
        return x == b.playerX && y == b.playerY && dir == b.playerDir && pose == b.pushPose &&
               objects == b.objectLayer && floor == b.floorLayer;
    }
};

// A headless blast redraw can only be asked for again by a pass in which a bomb went
// off, and every bomb goes off once; this bound is never reached by a real board.
constexpr int kMaxRedraws = kCellCount + 1;

}  // namespace

void Session::attach(FieldCanvas* canvas, CuePlayer* cues, SessionFlow* flow) {
    canvas_ = canvas;
    cuePlayer_ = cues;
    flow_ = flow;
    headlessTimer_ = false;
}

template <class Body>
StepResult Session::run(Body&& body) {
    if (current_) {
        // A call from inside another one reports into the outer result.
        body();
        return {};
    }
    StepResult result;
    const Position before(board);
    current_ = &result;
    try {
        body();
        // A solved level ends play; the window hands off to the next level at once.
        if (!flow_ && !result.solved) settleHeadless();
    } catch (...) {
        current_ = nullptr;
        throw;
    }
    current_ = nullptr;
    result.boardChanged = !before.sameAs(board);
    return result;
}

void Session::settleHeadless() {
    for (int i = 0; i < kMaxRedraws && headlessTimer_; ++i) {
        pass();
        headlessTimer_ = false;
        if (board.playerDead && !board.wreckShown) pass();
    }
}

StepResult Session::startLevel() {
    if (!flow_) {
        levelObjects_ = board.objectLayer;
        levelFloor_ = board.floorLayer;
        levelX_ = board.playerX;
        levelY_ = board.playerY;
    }
    return run([this] {
        board.regim = kModeGame;
        pass();
    });
}

StepResult Session::key(int key) {
    return run([this, key] {
        winGuard_.keyPressed(board, key);
        const MoveOutcome move = applyMove(board, key);
        if (move.ignored) return;
        current_->handled = true;
        if (move.closeRequested) {
            current_->closeRequested = true;
            return;
        }
        current_->moved = move.moved;
        current_->pushed = move.pushed;
        current_->refused = move.refused;
        if (move.pushed) {
            if (cuePlayer_) cuePlayer_->stopCue(kCueMove);
            countCue(kCueMove);
            if (cuePlayer_) cuePlayer_->playCue(kCueMove, false);
        }
        if (move.moved) setUndoAvailable(true);
        pass();
    });
}

StepResult Session::showpole() {
    return run([this] { pass(); });
}

StepResult Session::serveBlastRedraw() {
    return run([this] {
        pass();
        setBlastTimer(false);
        if (board.playerDead && !board.wreckShown) pass();
    });
}

StepResult Session::undo() {
    return run([this] {
        board.playerDead = 0;
        setUndoAvailable(false);
        board.objectLayer = board.undoObjectLayer;
        board.playerX = board.undoX;
        board.playerY = board.undoY;
        board.playerDir = board.undoDir;
        board.pushPose = board.undoPushPose;
        pass();
    });
}

StepResult Session::restart() {
    return run([this] {
        board.playerDead = 0;
        setUndoAvailable(false);
        if (board.testRun) {
            board.restoreStartSnapshot();
            pass();
        } else if (flow_) {
            flow_->reloadLevel();
        } else {
            board.objectLayer = levelObjects_;
            board.floorLayer = levelFloor_;
            board.playerX = levelX_;
            board.playerY = levelY_;
            board.resetForLoadedLevel();
            board.regim = kModeGame;
            pass();
        }
    });
}

void Session::setUndoAvailable(bool available) {
    undoAvailable_ = available;
    if (flow_) flow_->setUndoEnabled(available);
}

bool Session::blastRedrawPending() {
    return flow_ ? flow_->blastTimerEnabled() : headlessTimer_;
}

void Session::setBlastTimer(bool enabled) {
    if (flow_)
        flow_->setBlastTimerEnabled(enabled);
    else
        headlessTimer_ = enabled;
}

void Session::pass() {
    const bool wasDead = board.playerDead != 0;
    if (current_) ++current_->passes;
    if (canvas_)
        prismcrate::showpole(board, *this, *canvas_);
    else
        showpoleRulesOnly(board, *this);
    if (current_ && !wasDead && board.playerDead) current_->destroyed = true;
}

void Session::countCue(int cue) {
    if (!current_ || cue < 0 || cue >= kCueCount) return;
    std::uint8_t& n = current_->cues[static_cast<std::size_t>(cue)];
    if (n < 255) ++n;
}

void Session::playCue(int cue) {
    countCue(cue);
    if (cuePlayer_) cuePlayer_->playCue(cue, false);
}

void Session::enableBlastTimer() {
    setBlastTimer(true);
}

void Session::nestedPass() {
    pass();
}

void Session::levelSolved() {
    if (!winGuard_.winTestAllowed()) return;
    if (current_) current_->solved = true;
    countCue(kCueWin);
    if (!flow_) return;
    if (cuePlayer_) cuePlayer_->playCue(kCueWin, true);
    if (board.testRun) {
        board.restoreStartSnapshot();
        flow_->returnToEditor();
        return;
    }
    // A robot destroyed in the winning pass must not carry over to the next level.
    board.playerDead = 0;
    winGuard_.levelAdvanced();
    flow_->advanceToNextLevel();
    setUndoAvailable(false);
}

}  // namespace prismcrate
