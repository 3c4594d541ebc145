// The move-level search: fewest key presses, every key played through a headless game
// session. Sound wherever walking has effects (plates, beams), so it serves every level.
#pragma once

#include <string>
#include <vector>

#include "game/board.h"
#include "solver/solver.h"

namespace prismcrate::solver {

// A* over positions from `start` (robot alive, not solved yet, on the field), with the
// lower bound of estimate.h.
Result searchMoves(const Board& start, const Options& options);

// Plays `dirs` (1 left .. 4 down) from `start` through a game session and writes them as
// move letters, capitals for pushes. Throws std::logic_error unless the last key, and no
// earlier one, solves the level with every key handled.
std::string moveLetters(const Board& start, const std::vector<int>& dirs, int& pushes);

}  // namespace prismcrate::solver
