// Searches over game positions: whether a level can be solved, and its shortest solution.
//
// An answer of `Unsolvable` is a proof: it comes only from a search that exhausted every
// position reachable under the game's own rules, pruned only where pruning is provably
// sound. A search stopped by a limit answers `Unknown`.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "game/board.h"

namespace prismcrate::solver {

enum class Status { Solved, Unsolvable, Unknown };

// What a solution is shortest in.
enum class Metric {
    Automatic,  // pushes (then moves) for plain crate levels, moves otherwise
    Moves,      // fewest key presses
    Pushes,     // fewest pushes, then fewest moves; plain crate levels only
};

// Why a search ended without an answer.
enum class StopReason { None, Time, Memory, Cancelled };

struct Progress {
    std::uint64_t states = 0;  // positions explored so far
    int depth = 0;             // current search depth (moves, or pushes)
    double seconds = 0;        // elapsed
};

struct Options {
    Metric metric = Metric::Automatic;
    double seconds = 0;                              // time limit; 0 means none
    std::size_t memoryBytes = std::size_t{1} << 30;  // the search's own memory limit
    const std::atomic<bool>* cancel = nullptr;       // set from another thread to stop
    std::function<void(const Progress&)> progress;   // called now and then, on the search's thread
};

struct Result {
    Status status = Status::Unknown;
    StopReason stoppedBy = StopReason::None;
    Metric metric = Metric::Moves;  // the metric the search used
    // Lower case a step, upper case a push: l u r d / L U R D, as the level tool's replay
    // reads them. Empty when the level is solved as it stands.
    std::string moves;
    int moveCount = 0;
    int pushCount = 0;
    // A Solved result proved shortest in the search's metric: the fewest moves for
    // Metric::Moves, the fewest pushes for Metric::Pushes.
    bool optimal = false;
    // Metric::Pushes: the moves are proved the fewest among all solutions with that many
    // pushes as well.
    bool movesOptimal = false;
    std::uint64_t states = 0;
    double seconds = 0;
    std::size_t peakBytes = 0;
};

// Solves the level on `board` as it would be played from there: game mode, the robot
// alive, the field at rest after its loading pass.
Result solve(const Board& board, const Options& options = {});

}  // namespace prismcrate::solver
