// The push-level search for plain crate levels (walls, crates, targets and the robot
// only): fewest pushes, then fewest moves. On such levels walking changes nothing, so a
// position can stand for every cell the robot can walk to.
//
// Hook: solve() sends plain crate levels here for Metric::Pushes and Metric::Automatic.
// The push-level search (solver/push/) defines this function; until it is merged,
// push_search_pending.cpp stands in for it.
#pragma once

#include "game/board.h"
#include "solver/solver.h"

namespace prismcrate::solver {

// `board` is a plain crate level (isPlainCrateLevel), its robot alive on the field and the
// level not solved yet. The result's `metric` tells which metric the search used.
Result solvePushes(const Board& board, const Options& options);

}  // namespace prismcrate::solver
