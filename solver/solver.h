// Searches over game positions: whether a level can be solved, and its shortest solution.
//
// An answer of `Unsolvable` is a proof: it comes only from a search that exhausted every
// position reachable under the game's own rules, pruned only where pruning is provably
// sound. A search stopped by a limit answers `Unknown`.
//
// The successor of a position is exactly what a headless game session does for one arrow
// key, with every pass, blast, plate and gate it causes; a position whose robot is
// destroyed leads nowhere, and a position is solved when the game's win test says so.
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
enum class StopReason { None, Time, Memory, Cancelled, States };

struct Progress {
    std::uint64_t states = 0;  // positions stored so far
    int depth = 0;             // no solution is shorter than this (moves, or pushes)
    double seconds = 0;        // elapsed
};

struct Options {
    Metric metric = Metric::Automatic;
    double seconds = 0;                              // time limit; 0 means none
    std::size_t memoryBytes = std::size_t{1} << 30;  // the search's own memory limit
    std::uint64_t maxStates = 0;                     // positions to store at most; 0: no limit
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
    std::uint64_t states = 0;  // positions stored
    double seconds = 0;
    std::size_t peakBytes = 0;
};

// Walls, steel blocks, crates, targets and the robot only: no other object and no floor
// mark but targets. Walking has no effect on such a level, so it can be searched push by
// push. When it is not, `why` (if given) names the first cell that makes it otherwise.
bool isPlainCrateLevel(const Board& board, std::string* why = nullptr);

// Solves the level on `board` as it would be played from there: game mode, the robot
// alive, the field as the last key (or the level's loading pass) left it. Any position
// will do, facing and pose being irrelevant; so the first letter of a solution from the
// position on the field is a hint. A position whose robot is destroyed is unsolvable; one
// already solved has the empty solution.
// Throws std::invalid_argument when the robot's cell lies off the field, or when
// Metric::Pushes is asked for a level that is not a plain crate level; std::logic_error
// would report a fault of the solver itself (a position it cannot represent), never an
// answer. Safe to run on a worker thread: it shares nothing with other searches.
Result solve(const Board& board, const Options& options = {});

// Solves a level as it is loaded for play: the robot faces down in the walking pose, the
// mode becomes game and the loading pass runs (a level solved by that pass has the empty
// solution; one whose robot it destroys is unsolvable), then solve() from there.
Result solveLevel(const Board& loaded, const Options& options = {});

// How much a bounded "is this position lost?" check may spend.
struct LostCheckBudget {
    std::uint64_t states = 200'000;
    double seconds = 0.5;
    std::size_t memoryBytes = std::size_t{64} << 20;
    const std::atomic<bool>* cancel = nullptr;
};

// Whether the position on `board` can no longer be solved. `Unsolvable` is a proof that it
// is lost; `Solved` proves it is not (with a shortest solution); `Unknown` means the
// budget ran out first and nothing is known.
Result proveLost(const Board& board, const LostCheckBudget& budget = {});

// Names for reports: "solved", "unsolvable", "unknown"; "time", "memory", "cancelled",
// "states", "" for None; "moves", "pushes", "automatic".
const char* statusName(Status status);
const char* stopReasonName(StopReason reason);
const char* metricName(Metric metric);

}  // namespace prismcrate::solver
