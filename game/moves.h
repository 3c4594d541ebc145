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

// Handles one key press: ignored unless the mode is "game" and the robot is intact;
// Escape closes the main window; an arrow key turns and steps the robot, pushes one
// movable object or is refused, renews the undo snapshot when the robot's cell changed
// and ends with one field pass.
void FormKeyDown(Board& board, Host& host, int key);

}  // namespace prismcrate
