// The push-level search for plain crate levels.
//
// A plain crate level holds walls, steel blocks, crates and nothing else, on plain floor
// and targets: no rocks, mirrors, bombs, emitters or gates, no plates and no open gates.
// Steel blocks behave exactly like walls there (nothing can blast them), so they are
// walls to the search. In such a level walking has no effect, and a solution is a
// sequence of pushes with the shortest walks between them.
//
// solvePushes looks for a solution with the fewest pushes and, among all solutions with
// that many pushes, the fewest moves (steps and pushes together). What it proves is in the
// result:
//   optimal       the fewest pushes (A* with an admissible, consistent bound, and only
//                 pruning that keeps a push-optimal solution from every solvable position);
//   movesOptimal  also the fewest moves among all solutions with that many pushes (a second
//                 A* over exact robot cells, within a budget of its own: about twice the
//                 time the first took, at least 50 ms).
// When the first search runs out of its share of the time limit (30 %) or of memory,
// greedy searches look for any solution with the rest: Solved with `optimal` false.
// Unsolvable comes only from a search that exhausted every position under sound pruning.
// A search stopped by a limit or the cancel flag answers Unknown.
#pragma once

#include <string>

#include "game/board.h"
#include "solver/solver.h"

namespace prismcrate::solver {

// Solves a plain crate level from the board's robot cell and crates; a board that is not a
// plain crate level gives Unknown at once. Honours the time and memory limits, the cancel
// flag and the progress callback of `options`; its metric is always Metric::Pushes.
Result solvePushes(const Board& board, const Options& options);

}  // namespace prismcrate::solver
