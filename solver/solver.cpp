#include "solver/solver.h"

#include <stdexcept>

#include "solver/hints.h"
#include "solver/move_search.h"
#include "solver/push_search.h"

namespace prismcrate::solver {

Result solve(const Board& board, const Options& options) {
    if (!onField(board.playerX, board.playerY))
        throw std::invalid_argument("the robot's cell lies outside the field");
    const bool plain = isPlainCrateLevel(board);
    if (options.metric == Metric::Pushes && !plain)
        throw std::invalid_argument(
            "fewest pushes is searched only on plain crate levels (walls, crates, targets "
            "and the robot); search this level for fewest moves");
    const bool byPushes =
        options.metric == Metric::Pushes || (options.metric == Metric::Automatic && plain);

    Result result;
    result.metric = byPushes ? Metric::Pushes : Metric::Moves;
    // No key reaches the rules once the robot is destroyed.
    if (board.playerDead) {
        result.status = Status::Unsolvable;
        return result;
    }
    if (board.solved()) {
        result.status = Status::Solved;
        result.optimal = result.movesOptimal = true;
        return result;
    }
    return byPushes ? solvePushes(board, options) : searchMoves(board, options);
}

Result solveLevel(const Board& loaded, const Options& options) {
    if (!onField(loaded.playerX, loaded.playerY))
        throw std::invalid_argument("the robot's cell lies outside the field");
    return solve(loadedForPlay(loaded), options);
}

Result proveLost(const Board& board, const LostCheckBudget& budget) {
    Options options;
    options.metric = Metric::Moves;
    options.seconds = budget.seconds;
    options.memoryBytes = budget.memoryBytes;
    options.maxStates = budget.states;
    options.cancel = budget.cancel;
    return solve(board, options);
}

const char* statusName(Status status) {
    switch (status) {
        case Status::Solved:
            return "solved";
        case Status::Unsolvable:
            return "unsolvable";
        case Status::Unknown:
            break;
    }
    return "unknown";
}

const char* stopReasonName(StopReason reason) {
    switch (reason) {
        case StopReason::Time:
            return "time";
        case StopReason::Memory:
            return "memory";
        case StopReason::Cancelled:
            return "cancelled";
        case StopReason::States:
            return "states";
        case StopReason::None:
            break;
    }
    return "";
}

const char* metricName(Metric metric) {
    switch (metric) {
        case Metric::Moves:
            return "moves";
        case Metric::Pushes:
            return "pushes";
        case Metric::Automatic:
            break;
    }
    return "automatic";
}

}  // namespace prismcrate::solver
