// The push search with a choice of clock, for measurements that must not depend on how
// busy the machine is.
#pragma once

#include "game/board.h"
#include "solver/solver.h"

namespace prismcrate::solver::push {

enum class ClockKind {
    Wall,       // time limits and Result::seconds on the wall clock (solvePushes)
    ThreadCpu,  // on the processor time of the calling thread
};

// solvePushes (solver/push_search.h) with its time measured on `clock`.
Result solvePushes(const Board& board, const Options& options, ClockKind clock);

}  // namespace prismcrate::solver::push
