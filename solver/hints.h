// What the window asks of the solver while a level is played or edited: the lost-position
// check after a move, a solution laid out over the positions it passes (for hints and for
// playing a solution back), and the level as a test run starts it. No Qt: the window runs
// these on copies of its board, on worker threads, and the tests call the very same
// functions.
#pragma once

#include <string>
#include <vector>

#include "game/board.h"
#include "solver/solver.h"

namespace prismcrate::solver {

// What the lost-position warning may spend after each move: a few hundred milliseconds at
// most, and a bounded number of positions, whatever the machine.
LostCheckBudget lostWarningBudget();

// Whether the warning "this level can no longer be solved from here" belongs to the
// position on `board` (at rest: no blast redraw pending). Only a proof raises it: a
// search that runs out of its budget says nothing. A destroyed robot needs no warning (the
// wreck says it), and a solved level none either.
bool positionProvedLost(const Board& board, const LostCheckBudget& budget = lostWarningBudget());

// The parts of a board that decide what the keys do from here: both layers, the robot's
// cell and whether it is destroyed. Facing and pose change nothing.
struct Position {
    Layer objects{};
    Layer floor{};
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    std::uint8_t dead = 0;

    static Position of(const Board& board);
    bool operator==(const Position&) const = default;
};

// The level on `level` (an edited board, say) as a test run starts it: facing down in the
// walking pose, game mode, the robot intact, and the loading pass with every blast redraw
// it asks for served.
Board loadedForPlay(const Board& level);

// The virtual-key code of a solution letter (l u r d, either case), or 0.
int keyForMoveLetter(char letter);

// A solution from one position, with the position before each of its keys, as a headless
// session plays them. A board that stands at one of those positions (the start, or any
// later one) has the rest of the solution ahead of it.
class SolutionLine {
  public:
    SolutionLine() = default;
    // Plays `moves` from `start`. Throws std::invalid_argument on a letter that is no
    // move, and std::logic_error unless the last key, and no earlier one, solves the level.
    SolutionLine(const Board& start, const std::string& moves);

    // The step whose position is the one on `board`, or -1 when none is.
    int stepAt(const Board& board) const;
    // The key of step `step` (0 .. size() - 1).
    int keyAt(int step) const { return keys_.at(static_cast<std::size_t>(step)); }
    int size() const { return static_cast<int>(keys_.size()); }
    bool empty() const { return keys_.empty(); }

  private:
    std::vector<Position> before_;
    std::vector<int> keys_;
};

}  // namespace prismcrate::solver
