#include "solver/hints.h"

#include <cctype>
#include <stdexcept>

#include "game/moves.h"
#include "game/session.h"

namespace prismcrate::solver {

LostCheckBudget lostWarningBudget() {
    LostCheckBudget budget;
    budget.states = 20'000;
    budget.seconds = 0.2;
    budget.memoryBytes = std::size_t{32} << 20;
    return budget;
}

bool positionProvedLost(const Board& board, const LostCheckBudget& budget) {
    if (board.playerDead || board.solved()) return false;
    return proveLost(board, budget).status == Status::Unsolvable;
}

Position Position::of(const Board& board) {
    Position p;
    p.objects = board.objectLayer;
    p.floor = board.floorLayer;
    p.x = board.playerX;
    p.y = board.playerY;
    p.dead = board.playerDead;
    return p;
}

Board loadedForPlay(const Board& level) {
    Session session;
    session.board = level;
    session.board.playerDead = 0;
    session.board.resetForLoadedLevel();
    session.startLevel();
    // A headless session leaves the redraw of a blast that won the level pending.
    if (session.blastRedrawPending()) session.serveBlastRedraw();
    return session.board;
}

int keyForMoveLetter(char letter) {
    switch (std::tolower(static_cast<unsigned char>(letter))) {
        case 'l':
            return kKeyLeft;
        case 'u':
            return kKeyUp;
        case 'r':
            return kKeyRight;
        case 'd':
            return kKeyDown;
        default:
            return 0;
    }
}

SolutionLine::SolutionLine(const Board& start, const std::string& moves) {
    Session session;
    session.board = start;
    session.board.regim = kModeGame;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const int key = keyForMoveLetter(moves[i]);
        if (key == 0) throw std::invalid_argument("a solution letter that is no move");
        before_.push_back(Position::of(session.board));
        keys_.push_back(key);
        const StepResult step = session.key(key);
        if (step.solved != (i + 1 == moves.size()))
            throw std::logic_error("a solution that does not solve its level with its last key");
        if (session.blastRedrawPending()) session.serveBlastRedraw();
    }
}

int SolutionLine::stepAt(const Board& board) const {
    const Position now = Position::of(board);
    for (std::size_t i = 0; i < before_.size(); ++i)
        if (before_[i] == now) return static_cast<int>(i);
    return -1;
}

}  // namespace prismcrate::solver
