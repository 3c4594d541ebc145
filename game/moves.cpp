#include "game/moves.h"

namespace prismcrate {
namespace {

// One step from (x, y) in direction dir, or false at the field's border.
bool stepFrom(int dir, int& x, int& y) {
    switch (dir) {
        case kLeft:
            if (x > 0) return --x, true;
            return false;
        case kUp:
            if (y > 0) return --y, true;
            return false;
        case kRight:
            if (x < kFieldSize - 1) return ++x, true;
            return false;
        case kDown:
            if (y < kFieldSize - 1) return ++y, true;
            return false;
        default:
            return false;
    }
}

}  // namespace

MoveOutcome applyMove(Board& board, int key) {
    MoveOutcome out;
    if (board.regim != kModeGame || board.playerDead) return out;

    const std::uint8_t prevDir = board.playerDir;
    const std::uint8_t prevPose = board.pushPose;
    switch (key) {
        case kKeyEscape:
            out.ignored = false;
            out.closeRequested = true;
            return out;
        case kKeyLeft:
            board.playerDir = kLeft;
            break;
        case kKeyUp:
            board.playerDir = kUp;
            break;
        case kKeyRight:
            board.playerDir = kRight;
            break;
        case kKeyDown:
            board.playerDir = kDown;
            break;
        default:
            return out;
    }
    out.ignored = false;

    const std::uint8_t prevX = board.playerX;
    const std::uint8_t prevY = board.playerY;
    auto putBack = [&] {
        board.playerX = prevX;
        board.playerY = prevY;
        board.playerDir = prevDir;
        board.pushPose = prevPose;
        out.refused = true;
    };

    int x = board.playerX;
    int y = board.playerY;
    stepFrom(board.playerDir, x, y);
    board.playerX = static_cast<std::uint8_t>(x);
    board.playerY = static_cast<std::uint8_t>(y);

    board.preMoveObjectLayer = board.objectLayer;
    board.pushPose = 0;

    const std::uint8_t code = board.object(x, y);
    if (isBlocking(code)) {
        putBack();
    } else if (isPushable(code)) {
        board.pushPose = 1;
        int nx = x;
        int ny = y;
        if (stepFrom(board.playerDir, nx, ny) && board.object(nx, ny) == kEmpty) {
            board.object(x, y) = kEmpty;
            board.object(nx, ny) = code;
            out.pushed = true;
        } else {
            putBack();
        }
    }

    if (board.playerX != prevX || board.playerY != prevY) {
        out.moved = true;
        board.undoObjectLayer = board.preMoveObjectLayer;
        board.undoX = prevX;
        board.undoY = prevY;
        board.undoDir = prevDir;
        board.undoPushPose = prevPose;
    }
    return out;
}

void FormKeyDown(Board& board, Host& host, int key) {
    const MoveOutcome move = applyMove(board, key);
    if (move.ignored) return;
    if (move.closeRequested) {
        host.closeMainWindow();
        return;
    }
    if (move.pushed) {
        host.stopCue(kCueMove);
        host.playCue(kCueMove, false);
    }
    if (move.moved) host.setUndoEnabled(true);
    host.showpole();
}

}  // namespace prismcrate
