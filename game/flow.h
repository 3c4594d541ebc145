// Undo, restart and the win sequence as rules over the board; the main window supplies the
// level set, the mode switch and the status caption through LevelFlow.
#pragma once

#include <string>

#include "game/board.h"
#include "game/host.h"

namespace prismcrate {

// Takes back the last move that changed the robot's cell: the object layer, the robot's
// cell, facing and pose come back from the undo snapshot, the robot lives again, and the
// undo command is disabled (the snapshot is one move deep). The floor layer stays as it
// is; the field pass that ends the undo re-derives plates and gates from it.
void Exit1Click(Board& board, Host& host);

// Starts the level again. The robot lives again and undo is disabled; during a test run
// the start snapshot is put back (facing down, walking) and drawn; otherwise
// reloadFromSet reads the level from its set file and switches to game mode.
template <typename Reload>
void Restartlevel1Click(Board& board, Host& host, Reload&& reloadFromSet) {
    board.playerDead = 0;
    host.setUndoEnabled(false);
    if (board.testRun) {
        board.restoreStartSnapshot();
        host.showpole();
    } else {
        reloadFromSet();
    }
}

// The level that follows level `current` in a set of `levelCount` levels: the next one,
// or the first after the last.
int nextLevelIndex(int current, int levelCount);

// Reads the decimal level position that the chooser keeps; anything that is not a plain
// non-negative number reads as 0.
int parseLevelIndex(const std::string& text);

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
    // Entering the editor ends the level that was on the field.
    void reset() { fresh_ = false; }
    // Whether a solved field may start the win sequence now.
    bool winTestAllowed() const { return !fresh_; }

  private:
    bool fresh_ = false;
};

// What the win sequence needs from the main window beyond Host: the current set's level
// position and size, loading a level of the set, switching modes and the status caption.
class LevelFlow {
  public:
    virtual ~LevelFlow() = default;
    virtual int currentLevelIndex() = 0;
    virtual void setCurrentLevelIndex(int index) = 0;
    virtual int levelCount() = 0;
    // Loads the current level of the current set and switches to game mode.
    virtual void loadCurrentLevel() = 0;
    // Sets the mode and applies it to the window.
    virtual void switchMode(const std::string& mode) = 0;
    // "Уровень: " followed by index + 1.
    virtual void showLevelNumber(int index) = 0;
};

// Runs when the field pass finds the level solved in game mode. Unless the guard holds
// it back, plays "win" to its end, then returns to the editor with the start snapshot
// after a test run, or loads the next level of the set (after the last, the first) with
// the robot alive, its number in the status caption and undo disabled. Returns whether
// the sequence ran.
bool winSequence(Board& board, Host& host, LevelFlow& flow, WinGuard& guard);

// Draws the title screen: plain floor in every cell, row by row, then presents it. No
// robot and no beams.
void drawTitleField(Host& host);

}  // namespace prismcrate
