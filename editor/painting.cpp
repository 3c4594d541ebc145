#include "editor/painting.h"

#include <algorithm>

namespace prismcrate {
namespace {

// How a tool changes the floor mark and the object of a cell.
enum class FloorEffect : std::uint8_t { Keep, Set };
enum class ObjectEffect : std::uint8_t { Set, RemoveBlocking };

struct ToolEffect {
    ObjectEffect object;
    std::uint8_t objectCode;  // for Set
    FloorEffect floor;
    std::uint8_t floorCode;  // for Set
};

constexpr ToolEffect kEffects[kToolCount] = {
    {ObjectEffect::Set, kEmpty, FloorEffect::Keep, 0},  // robot: handled by leftmouse
    {ObjectEffect::Set, kEmpty, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::RemoveBlocking, 0, FloorEffect::Set, kFloorTarget},
    {ObjectEffect::Set, kSteel, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::Set, kWall, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::Set, kCrate, FloorEffect::Keep, 0},
    {ObjectEffect::Set, kRock, FloorEffect::Keep, 0},
    {ObjectEffect::Set, kBomb, FloorEffect::Keep, 0},
    {ObjectEffect::Set, kGateClosed, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::RemoveBlocking, 0, FloorEffect::Set, kPlateReleased},
    {ObjectEffect::Set, kMirrorFalling, FloorEffect::Keep, 0},
    {ObjectEffect::Set, kMirrorRising, FloorEffect::Keep, 0},
    {ObjectEffect::Set, kEmitterLeft, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::Set, kEmitterUp, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::Set, kEmitterRight, FloorEffect::Set, kFloorPlain},
    {ObjectEffect::Set, kEmitterDown, FloorEffect::Set, kFloorPlain},
};

}  // namespace

void applyTool(Board& board, int tool, int x, int y) {
    if (tool <= kToolRobot || tool >= kToolCount || !onField(x, y)) return;
    const ToolEffect& effect = kEffects[tool];
    std::uint8_t& object = board.object(x, y);
    if (effect.object == ObjectEffect::Set) {
        object = effect.objectCode;
    } else if (isBlocking(object)) {
        object = kEmpty;
    }
    if (effect.floor == FloorEffect::Set) board.floor(x, y) = effect.floorCode;
}

void eraseCell(Board& board, int x, int y) {
    if (!onField(x, y)) return;
    board.object(x, y) = kEmpty;
    board.floor(x, y) = kFloorPlain;
}

void leftmouse(Board& board, const FieldRedraw& redraw, EditorState& state) {
    state.mouseX = std::clamp(state.mouseX, 0, kFieldPixels - 1);
    state.mouseY = std::clamp(state.mouseY, 0, kFieldPixels - 1);
    const int x = pixelToCell(state.mouseX);
    const int y = pixelToCell(state.mouseY);
    if (state.selectedTool == kToolRobot) {
        board.playerX = static_cast<std::uint8_t>(x);
        board.playerY = static_cast<std::uint8_t>(y);
        board.object(x, y) = kEmpty;
    }
    if (!board.robotAt(x, y)) applyTool(board, state.selectedTool, x, y);
    redraw();
}

void fieldMouseDown(Board& board, const FieldRedraw& redraw, EditorState& state, MouseButton button,
                    int x, int y) {
    if (board.regim != kModeEdit) return;
    if (button == MouseButton::Left) {
        state.leftHeld = 1;
        state.mouseX = x;
        state.mouseY = y;
        leftmouse(board, redraw, state);
    } else if (button == MouseButton::Right) {
        state.rightHeld = 1;
        // A press always lies on the field; anything else is ignored rather than wrapped
        // onto a neighbouring cell.
        if (x >= 0 && x < kFieldPixels && y >= 0 && y < kFieldPixels)
            eraseCell(board, pixelToCell(x), pixelToCell(y));
    }
    redraw();
}

void fieldMouseMove(Board& board, const FieldRedraw& redraw, EditorState& state, int x, int y) {
    if (board.regim != kModeEdit) return;
    if (state.leftHeld) {
        state.mouseX = x;
        state.mouseY = y;
        leftmouse(board, redraw, state);
    }
    if (state.rightHeld && x > 0 && x < kFieldPixels - 1 && y > 0 && y < kFieldPixels - 1) {
        eraseCell(board, pixelToCell(x), pixelToCell(y));
        redraw();
    }
}

void fieldMouseUp(Board& board, EditorState& state, MouseButton button) {
    if (board.regim != kModeEdit) return;
    if (button == MouseButton::Left) state.leftHeld = 0;
    if (button == MouseButton::Right) state.rightHeld = 0;
}

int paletteToolAt(int x, int y) {
    if (x < 1 || y < 1 || x >= kPaletteSide - 2 || y >= kPaletteSide - 2) return -1;
    return ((y - 1) / kPalettePitch) * 4 + (x - 1) / kPalettePitch;
}

}  // namespace prismcrate
