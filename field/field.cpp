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

// How a pass draws: on a canvas, or not at all. The rules-only form compiles every drawing
// step away.
struct CanvasPaint {
    static constexpr bool kDraws = true;
    FieldCanvas& canvas;
    void cell(int sheet, int pattern, int x, int y) {
        canvas.drawPattern(sheet, pattern, x * cellSize, y * cellSize);
    }
    void present() { canvas.present(); }
};

struct NoPaint {
    static constexpr bool kDraws = false;
    void cell(int, int, int, int) {}
    void present() {}
};

bool isWallAt(const Board& board, int x, int y) {
    return board.object(x, y) == kWall;
}

// Plates: released when nothing weighs on them any more, then pressed by any object or
// by the robot. The robot counts only for pressing, so a plate under it clicks on every
// pass. Returns whether any plate is pressed afterwards.
bool platePass(Board& board, FieldHooks& hooks) {
    bool platePressed = false;
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            std::uint8_t& floor = board.floor(x, y);
            const std::uint8_t object = board.object(x, y);
            if (floor == kPlatePressed && object == kEmpty) floor = kPlateReleased;
            if ((floor == kPlateReleased || floor == kPlatePressed) &&
                (object != kEmpty || board.robotAt(x, y))) {
                if (floor == kPlateReleased) hooks.playCue(kCueClick);
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

template <class Paint>
void drawCells(const Board& board, Paint& paint) {
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            const std::uint8_t floor = board.floor(x, y);
            const std::uint8_t object = board.object(x, y);
            if (floor <= kGateOpen) paint.cell(kTiles1, kFloorPatterns[floor], x, y);
            if (object == kEmpty || object > kGateClosed) continue;
            if (object == kCrate && floor == kFloorTarget) {
                paint.cell(kTiles1, kBlueCratePattern, x, y);
                continue;
            }
            paint.cell(kTiles1, kObjectPatterns[object], x, y);
            if (object != kWall) continue;
            if (x > 0 && !isWallAt(board, x - 1, y)) paint.cell(kTiles2, kEdgeLeft, x, y);
            if (y > 0 && !isWallAt(board, x, y - 1)) paint.cell(kTiles2, kEdgeTop, x, y);
            if (x < kFieldSize - 1 && !isWallAt(board, x + 1, y))
                paint.cell(kTiles2, kEdgeRight, x, y);
            if (y < kFieldSize - 1 && !isWallAt(board, x, y + 1))
                paint.cell(kTiles2, kEdgeBottom, x, y);
        }
    }
}

template <class Paint>
void drawRobot(const Board& board, Paint& paint) {
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
    paint.cell(kTiles1, pattern, board.playerX, board.playerY);
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
template <class Paint>
struct BeamCall {
    Board& board;
    FieldHooks& hooks;
    Paint& paint;
    bool exploded = false;

    void hitRobot(int x, int y) {
        if (board.robotAt(x, y) && !board.playerDead && board.regim == kModeGame) {
            hooks.playCue(kCueDeath);
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
                paint.cell(kTiles2, kBlastPattern, x, y);
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
                paint.cell(kTiles2, (dir == kLeft || dir == kRight) ? kBeamAcross : kBeamAlong, x,
                           y);
            } else if (code == kMirrorFalling || code == kMirrorRising) {
                dir = turnAtMirror(code, dir);
                paint.cell(kTiles2, mirrorPattern(code, dir), x, y);
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
            hooks.playCue(kCueExplosion);
            if (!hooks.blastTimerEnabled()) hooks.enableBlastTimer();
        }
        if (board.playerDead && !board.wreckShown && !hooks.blastTimerEnabled()) hooks.nestedPass();
    }
};

template <class Paint>
void fieldPass(Board& board, FieldHooks& hooks, Paint& paint) {
    const bool platePressed = platePass(board, hooks);
    gatePass(board, platePressed);
    if constexpr (Paint::kDraws) {
        drawCells(board, paint);
        drawRobot(board, paint);
    }
    board.wreckShown = board.playerDead ? 1 : 0;
    BeamCall<Paint>{board, hooks, paint}.run();
    paint.present();
    if (board.regim == kModeGame && board.solved()) hooks.levelSolved();
}

// The older Host seen through the new interfaces.
struct HostHooks final : FieldHooks, FieldCanvas {
    Host& host;
    explicit HostHooks(Host& h) : host(h) {}
    void playCue(int cue) override { host.playCue(cue, false); }
    bool blastTimerEnabled() override { return host.blastTimerEnabled(); }
    void enableBlastTimer() override { host.enableBlastTimer(); }
    void nestedPass() override { host.showpole(); }
    void levelSolved() override { host.winSequence(); }
    void drawPattern(int sheet, int pattern, int x, int y) override {
        host.drawPattern(sheet, pattern, x, y);
    }
    void present() override { host.flip(); }
};

}  // namespace

void showpole(Board& board, FieldHooks& hooks, FieldCanvas& canvas) {
    CanvasPaint paint{canvas};
    fieldPass(board, hooks, paint);
}

void showpoleRulesOnly(Board& board, FieldHooks& hooks) {
    NoPaint paint;
    fieldPass(board, hooks, paint);
}

void showbeam(Board& board, FieldHooks& hooks, FieldCanvas& canvas) {
    CanvasPaint paint{canvas};
    BeamCall<CanvasPaint>{board, hooks, paint}.run();
}

void showpole(Board& board, Host& host) {
    HostHooks hooks(host);
    showpole(board, hooks, hooks);
}

void showbeam(Board& board, Host& host) {
    HostHooks hooks(host);
    showbeam(board, hooks, hooks);
}

}  // namespace prismcrate
