#include "editor/commands.h"

namespace prismcrate {

bool enterEditor(Board& board) {
    board.playerDead = 0;
    const bool fresh = !board.testRun;
    if (fresh) {
        board.clearField();
    } else {
        board.restoreStartSnapshot();
    }
    board.playerDir = kDown;
    board.pushPose = 0;
    board.regim = kModeEdit;
    return fresh;
}

void newLevel(Board& board) {
    board.clearField();
}

void startTestRun(Board& board) {
    board.testRun = 1;
    board.takeStartSnapshot();
    board.regim = kModeGame;
}

}  // namespace prismcrate
