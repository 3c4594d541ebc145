#include "field/field.h"

#include <array>
#include <cstdint>

namespace prismcrate {
namespace {

// Patterns of the first sheet.
constexpr int kFloorPatterns[] = {8, 9, 24, 25, 23};  // floor codes 0..4
constexpr int kObjectPatterns[] = {
    -1,  // empty
    10,  // wall
    11,  // crate (12 on a target)
    19,  // rock
    13,  // falling mirror
    14,  // rising mirror
    15,  // emitter facing left
    16,  // emitter facing up
    17,  // emitter facing right
    18,  // emitter facing down
    20,  // bomb
    21,  // steel block
    22,  // closed gate
};
constexpr int kBlueCratePattern = 12;
constexpr int kWreckPattern = 26;

// Patterns of the second sheet.
constexpr int kBeamAcross = 0;
constexpr int kBeamAlong = 1;
constexpr int kBeamTopRight = 2;     // falling mirror, beam leaving up or right
constexpr int kBeamRightBottom = 3;  // rising mirror, beam leaving right or down
constexpr int kBeamLeftBottom = 4;   // falling mirror, beam leaving left or down
constexpr int kBeamLeftTop = 5;      // rising mirror, beam leaving left or up
constexpr int kBlastPattern = 6;
constexpr int kEdgeLeft = 7;
constexpr int kEdgeTop = 8;
constexpr int kEdgeRight = 9;
constexpr int kEdgeBottom = 10;

void drawCell(Host& host, int sheet, int pattern, int x, int y) {
    host.drawPattern(sheet, pattern, x * cellSize, y * cellSize);
}

bool isWallAt(const Board& board, int x, int y) {
    return board.object(x, y) == kWall;
}

// Plates: released when nothing weighs on them any more, then pressed by any object or
// by the robot. The robot counts only for pressing, so a plate under it clicks on every
// pass. Returns whether any plate is pressed afterwards.
bool platePass(Board& board, Host& host) {
    bool platePressed = false;
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            std::uint8_t& floor = board.floor(x, y);
            const std::uint8_t object = board.object(x, y);
            if (floor == kPlatePressed && object == kEmpty) floor = kPlateReleased;
            if ((floor == kPlateReleased || floor == kPlatePressed) &&
                (object != kEmpty || board.robotAt(x, y))) {
                if (floor == kPlateReleased) host.playCue(kCueClick, false);
                floor = kPlatePressed;
                platePressed = true;
            }
        }
    }
    return platePressed;
}

// Any pressed plate opens every gate; otherwise every open gate that holds nothing and
// not the robot closes.
void gatePass(Board& board, bool platePressed) {
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            std::uint8_t& object = board.object(x, y);
            std::uint8_t& floor = board.floor(x, y);
            if (platePressed) {
                if (object == kGateClosed) {
                    object = kEmpty;
                    floor = kGateOpen;
                }
            } else if (floor == kGateOpen && object == kEmpty && !board.robotAt(x, y)) {
                object = kGateClosed;
                floor = kFloorPlain;
            }
        }
    }
}

void drawCells(const Board& board, Host& host) {
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            const std::uint8_t floor = board.floor(x, y);
            const std::uint8_t object = board.object(x, y);
            if (floor <= kGateOpen) drawCell(host, kTiles1, kFloorPatterns[floor], x, y);
            if (object == kEmpty || object > kGateClosed) continue;
            if (object == kCrate && floor == kFloorTarget) {
                drawCell(host, kTiles1, kBlueCratePattern, x, y);
                continue;
            }
            drawCell(host, kTiles1, kObjectPatterns[object], x, y);
            if (object != kWall) continue;
            if (x > 0 && !isWallAt(board, x - 1, y)) drawCell(host, kTiles2, kEdgeLeft, x, y);
            if (y > 0 && !isWallAt(board, x, y - 1)) drawCell(host, kTiles2, kEdgeTop, x, y);
            if (x < kFieldSize - 1 && !isWallAt(board, x + 1, y))
                drawCell(host, kTiles2, kEdgeRight, x, y);
            if (y < kFieldSize - 1 && !isWallAt(board, x, y + 1))
                drawCell(host, kTiles2, kEdgeBottom, x, y);
        }
    }
}

void drawRobot(const Board& board, Host& host) {
    // A damaged level can put the robot outside the field; there is nothing to show then.
    if (!onField(board.playerX, board.playerY)) return;
    int pattern;
    if (board.playerDead) {
        pattern = kWreckPattern;
    } else if (board.playerDir >= kLeft && board.playerDir <= kDown) {
        pattern = board.playerDir - 1 + (board.pushPose ? 4 : 0);
    } else {
        return;
    }
    drawCell(host, kTiles1, pattern, board.playerX, board.playerY);
}

// The direction a beam leaves a mirror in, given the direction it arrived moving in.
std::uint8_t turnAtMirror(std::uint8_t mirror, std::uint8_t dir) {
    if (mirror == kMirrorFalling) {
        switch (dir) {
            case kLeft:
                return kUp;
            case kUp:
                return kLeft;
            case kRight:
                return kDown;
            default:
                return kRight;
        }
    }
    switch (dir) {
        case kLeft:
            return kDown;
        case kUp:
            return kRight;
        case kRight:
            return kUp;
        default:
            return kLeft;
    }
}

int mirrorPattern(std::uint8_t mirror, std::uint8_t leaving) {
    if (mirror == kMirrorFalling)
        return (leaving == kUp || leaving == kRight) ? kBeamTopRight : kBeamLeftBottom;
    return (leaving == kRight || leaving == kDown) ? kBeamRightBottom : kBeamLeftTop;
}

// State of one showbeam call. Each call owns its own, so the nested field pass that a
// death starts cannot disturb the call that started it.
struct BeamCall {
    Board& board;
    Host& host;
    bool exploded = false;

    void hitRobot(int x, int y) {
        if (board.robotAt(x, y) && !board.playerDead && board.regim == kModeGame) {
            host.playCue(kCueDeath, false);
            board.playerDead = 1;
        }
    }

    void markCross(Layer& blastLayer, int x, int y) {
        board.object(x, y) = kEmpty;
        blastLayer[cellIndex(x, y)] = 1;
        if (x > 0) blastLayer[cellIndex(x - 1, y)] = 1;
        if (y > 0) blastLayer[cellIndex(x, y - 1)] = 1;
        if (x < kFieldSize - 1) blastLayer[cellIndex(x + 1, y)] = 1;
        if (y < kFieldSize - 1) blastLayer[cellIndex(x, y + 1)] = 1;
    }

    // The bomb at (bx, by) goes off with every bomb its blast reaches, then the blast
    // area is drawn and cleared of everything but crates, steel blocks and closed gates.
    void explode(int bx, int by) {
        Layer blastLayer{};
        markCross(blastLayer, bx, by);
        bool chain = true;
        while (chain) {
            chain = false;
            for (int y = 0; y < kFieldSize; ++y) {
                for (int x = 0; x < kFieldSize; ++x) {
                    if (board.object(x, y) == kBomb && blastLayer[cellIndex(x, y)]) {
                        markCross(blastLayer, x, y);
                        chain = true;
                    }
                }
            }
        }
        for (int y = 0; y < kFieldSize; ++y) {
            for (int x = 0; x < kFieldSize; ++x) {
                if (!blastLayer[cellIndex(x, y)]) continue;
                hitRobot(x, y);
                drawCell(host, kTiles2, kBlastPattern, x, y);
                if (!survivesBlast(board.object(x, y))) board.object(x, y) = kEmpty;
            }
        }
        exploded = true;
    }

    // Follows one beam from the emitter at (x, y). With the board unchanged a beam can
    // only come back to a state it was in by running through its own emitter, which stops
    // it; a blast may open a closed circuit of mirrors, though. So the beam ends when it
    // enters a cell in a direction it already entered that cell in since the last blast:
    // from there on it would repeat itself for ever.
    void trace(int x, int y, std::uint8_t dir) {
        std::array<std::uint8_t, kCellCount> entered{};  // one bit per direction
        for (;;) {
            switch (dir) {
                case kLeft:
                    --x;
                    break;
                case kUp:
                    --y;
                    break;
                case kRight:
                    ++x;
                    break;
                default:
                    ++y;
                    break;
            }
            if (!onField(x, y)) return;

            const std::uint8_t dirBit = static_cast<std::uint8_t>(1u << dir);
            std::uint8_t& seen = entered[cellIndex(x, y)];
            if (seen & dirBit) return;
            seen |= dirBit;

            const std::uint8_t code = board.object(x, y);
            const bool stop = !beamPasses(code);
            if (code == kEmpty) {
                drawCell(host, kTiles2, (dir == kLeft || dir == kRight) ? kBeamAcross : kBeamAlong,
                         x, y);
            } else if (code == kMirrorFalling || code == kMirrorRising) {
                dir = turnAtMirror(code, dir);
                drawCell(host, kTiles2, mirrorPattern(code, dir), x, y);
            } else if (code == kBomb) {
                explode(x, y);
                entered.fill(0);
            }
            hitRobot(x, y);
            if (stop) return;
        }
    }

    void run() {
        for (int y = 0; y < kFieldSize; ++y) {
            for (int x = 0; x < kFieldSize; ++x) {
                const std::uint8_t code = board.object(x, y);
                if (code >= kEmitterLeft && code <= kEmitterDown)
                    trace(x, y, static_cast<std::uint8_t>(code - kEmitterLeft + kLeft));
            }
        }
        if (exploded) {
            host.playCue(kCueExplosion, false);
            if (!host.blastTimerEnabled()) host.enableBlastTimer();
        }
        if (board.playerDead && !board.wreckShown && !host.blastTimerEnabled()) host.showpole();
    }
};

}  // namespace

void showbeam(Board& board, Host& host) {
    BeamCall{board, host}.run();
}

void showpole(Board& board, Host& host) {
    const bool platePressed = platePass(board, host);
    gatePass(board, platePressed);
    drawCells(board, host);
    drawRobot(board, host);
    board.wreckShown = board.playerDead ? 1 : 0;
    showbeam(board, host);
    host.flip();
    if (board.regim == kModeGame && board.solved()) host.winSequence();
}

}  // namespace prismcrate
