#include "game/flow.h"

#include <charconv>

#include "game/moves.h"

namespace prismcrate {
namespace {

bool isArrowKey(int key) {
    return key == kKeyLeft || key == kKeyUp || key == kKeyRight || key == kKeyDown;
}

}  // namespace

int nextLevelIndex(int current, int levelCount) {
    if (current < 0) return 0;
    return current < levelCount - 1 ? current + 1 : 0;
}

int parseLevelIndex(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0) return 0;
    return value;
}

void WinGuard::keyPressed(const Board& board, int key) {
    if (!fresh_) return;
    if (board.regim == kModeGame && !board.playerDead && isArrowKey(key)) fresh_ = false;
}

}  // namespace prismcrate
