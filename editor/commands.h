// What the editor's commands do to the board. The main window adds the title, the menus
// and the redraw around them.
#pragma once

#include "game/board.h"

namespace prismcrate {

// Entering the editor ("&Редактор"): the robot is intact again; coming back from a test
// run restores the board captured when it started, otherwise the field is emptied with
// the robot in the top-left cell. Facing down, walking pose, mode "edit"; testRun keeps
// its value. Returns true when the title is to be emptied too (no test run).
bool enterEditor(Board& board);

// "Создать": every cell empty, the robot in the top-left cell. Facing, start snapshot and
// testRun are left as they are.
void newLevel(Board& board);

// "Запустить": testRun set, the edited board captured in the start snapshot, mode "game".
void startTestRun(Board& board);

}  // namespace prismcrate
