// Stand-in for the push-level search until solver/push/ is merged: delete this file then
// (the push-level search defines solvePushes itself).
//
// Meanwhile plain crate levels are searched move by move, which is sound on them too; the
// result says so in its metric (Metric::Moves), so nobody takes it for fewest pushes.
#include "solver/move_search.h"
#include "solver/push_search.h"

namespace prismcrate::solver {

Result solvePushes(const Board& board, const Options& options) {
    return searchMoves(board, options);
}

}  // namespace prismcrate::solver
