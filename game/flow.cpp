#include "game/flow.h"

#include <charconv>

#include "game/moves.h"

namespace prismcrate {
namespace {

constexpr int kPlainFloorPattern = 8;

bool isArrowKey(int key) {
    return key == kKeyLeft || key == kKeyUp || key == kKeyRight || key == kKeyDown;
}

}  // namespace

void Exit1Click(Board& board, Host& host) {
    board.playerDead = 0;
    host.setUndoEnabled(false);
    board.objectLayer = board.undoObjectLayer;
    board.playerX = board.undoX;
    board.playerY = board.undoY;
    board.playerDir = board.undoDir;
    board.pushPose = board.undoPushPose;
    host.showpole();
}

int nextLevelIndex(int current, int levelCount) {
    if (current < 0) return 0;
    return current < levelCount - 1 ? current + 1 : 0;
}

int parseLevelIndex(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0) return 0;
    return value;
}

void WinGuard::keyPressed(const Board& board, int key) {
    if (board.regim == kModeGame && !board.playerDead && isArrowKey(key)) fresh_ = false;
}

bool winSequence(Board& board, Host& host, LevelFlow& flow, WinGuard& guard) {
    if (!guard.winTestAllowed()) return false;
    host.playCue(kCueWin, true);
    if (board.testRun) {
        board.restoreStartSnapshot();
        flow.switchMode(kModeEdit);
        return true;
    }
    const int next = nextLevelIndex(flow.currentLevelIndex(), flow.levelCount());
    flow.setCurrentLevelIndex(next);
    // A robot destroyed in the winning pass must not carry over to the next level.
    board.playerDead = 0;
    guard.levelAdvanced();
    flow.loadCurrentLevel();
    flow.showLevelNumber(next);
    host.setUndoEnabled(false);
    return true;
}

void drawTitleField(Host& host) {
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x)
            host.drawPattern(kTiles1, kPlainFloorPattern, x * cellSize, y * cellSize);
    host.flip();
}

}  // namespace prismcrate
