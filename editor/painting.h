// Painting the field in the editor: the sixteen tools, the cell painter and the field's
// mouse events in edit mode. No window is needed: the painter works on the board and calls
// back for the field pass that follows every change.
#pragma once

#include <cstdint>
#include <functional>

#include "game/board.h"

namespace prismcrate {

// The field's drawing surface is 20 cells of cellSize on each axis.
constexpr int kFieldPixels = cellSize * kFieldSize;

// Tools by palette cell, row * 4 + column.
enum Tool : int {
    kToolRobot = 0,
    kToolFloor = 1,
    kToolTarget = 2,
    kToolSteel = 3,
    kToolWall = 4,
    kToolCrate = 5,
    kToolRock = 6,
    kToolBomb = 7,
    kToolGate = 8,
    kToolPlate = 9,
    kToolMirrorFalling = 10,
    kToolMirrorRising = 11,
    kToolEmitterLeft = 12,
    kToolEmitterUp = 13,
    kToolEmitterRight = 14,
    kToolEmitterDown = 15,
};
constexpr int kToolCount = 16;

// The editor's state beside the board.
struct EditorState {
    int selectedTool = kToolRobot;  // palette row * 4 + column
    int mouseX = 0;                 // pointer position in field pixels for leftmouse
    int mouseY = 0;
    std::uint8_t leftHeld = 0;   // left button pressed on the field in edit mode, still held
    std::uint8_t rightHeld = 0;  // the same for the right button
};

enum class MouseButton { Left, Right, Middle };

// Runs the field pass on the board (the main window's session does it).
using FieldRedraw = std::function<void()>;

// What a tool other than the robot does to the cell (x, y): movable objects keep the floor
// mark, fixed objects reset it to plain floor, and the target and plate tools keep a
// movable object but remove a blocking one. The robot tool, an unknown tool or a cell off
// the field change nothing here.
void applyTool(Board& board, int tool, int x, int y);

// Object and floor of the cell (x, y) set to 0; the robot, if it stands there, stays.
void eraseCell(Board& board, int x, int y);

// Paints the selected tool into the cell under (mouseX, mouseY), clamped to the field, and
// redraws. The robot tool moves the robot there and empties the cell's object; no other
// tool ever changes the robot's cell.
void leftmouse(Board& board, const FieldRedraw& redraw, EditorState& state);

// The field's mouse events. Outside edit mode they do nothing at all. Left paints (and
// keeps painting while held), right erases: a press erases the cell under it, a drag
// erases only at positions 1..478 on both axes.
void fieldMouseDown(Board& board, const FieldRedraw& redraw, EditorState& state, MouseButton button,
                    int x, int y);
void fieldMouseMove(Board& board, const FieldRedraw& redraw, EditorState& state, int x, int y);
void fieldMouseUp(Board& board, EditorState& state, MouseButton button);

// Palette geometry: a 103 by 103 picture, cells of cellSize at a pitch of cellSize + 1,
// one-pixel grid lines at 1, 26, 51, 76 and 101 on each axis.
constexpr int kPalettePitch = cellSize + 1;
constexpr int kPaletteSide = kPalettePitch * 4 + 3;
constexpr int paletteGridLine(int i) {
    return kPalettePitch * i + 1;
}

// The tool of the palette cell that the hit mask marks at pixel (x, y): the cell counted
// from the grid lines, row by row. Only meaningful where the mask is black; -1 when the
// pixel lies outside the four by four cells.
int paletteToolAt(int x, int y);

}  // namespace prismcrate
