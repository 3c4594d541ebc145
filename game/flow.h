// Game flow rules the session and the window share: the level that follows another in a
// set, the chooser's level position as text, and the guard that keeps a level brought in
// by the win sequence from being won before the player's first move on it.
#pragma once

#include <string_view>

#include "game/board.h"

namespace prismcrate {

// The level that follows level `current` in a set of `levelCount` levels: the next one,
// or the first after the last.
int nextLevelIndex(int current, int levelCount);

// Reads the decimal level position that the chooser keeps; anything that is not a plain
// non-negative number reads as 0.
int parseLevelIndex(std::string_view text);

// Keeps the win sequence from running away on levels that are solved as soon as they
// appear (no crate, or every crate already on a target). A level brought in by the win
// sequence is not tested for a win until the player has made a move on it, so a set of
// such levels advances one level per move instead of recursing through the field pass
// without end.
class WinGuard {
  public:
    // The win sequence is about to load the next level.
    void levelAdvanced() { fresh_ = true; }
    // A key press reached the move rules; an arrow key accepted in game mode with the
    // robot intact is the player's move.
    void keyPressed(const Board& board, int key);
    // Entering the editor or choosing a level ends the level that was on the field.
    void reset() { fresh_ = false; }
    // Whether a solved field may start the win sequence now.
    bool winTestAllowed() const { return !fresh_; }

  private:
    bool fresh_ = false;
};

}  // namespace prismcrate
