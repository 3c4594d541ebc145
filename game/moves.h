// The move rules: one key press in the main window.
#pragma once

#include "game/board.h"
#include "game/host.h"

namespace prismcrate {

// Virtual-key codes the rules react to.
enum KeyCode : int {
    kKeyEscape = 27,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
};

// What one key press did to the board, before the field pass that follows it.
struct MoveOutcome {
    bool ignored = true;          // not game mode, robot destroyed, or not a key the rules know
    bool closeRequested = false;  // Escape in game mode
    bool moved = false;           // the robot's cell changed (undo snapshot renewed)
    bool pushed = false;          // an object moved one cell ahead of the robot
    bool refused = false;         // a blocking object or an immovable push: nothing changed
};

// The move rules without their effects on the window: checks the mode and the robot,
// turns and steps the robot, pushes one movable object or refuses, and renews the undo
// snapshot when the robot's cell changed. Whoever calls it plays "move" after a push,
// enables the undo command after a move, closes the window on Escape and runs the field
// pass after every arrow key that was not ignored, in that order.
MoveOutcome applyMove(Board& board, int key);

// Handles one key press: ignored unless the mode is "game" and the robot is intact;
// Escape closes the main window; an arrow key turns and steps the robot, pushes one
// movable object or is refused, renews the undo snapshot when the robot's cell changed
// and ends with one field pass.
void FormKeyDown(Board& board, Host& host, int key);

}  // namespace prismcrate
