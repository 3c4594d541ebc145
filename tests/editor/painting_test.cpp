#include "editor/painting.h"

#include <gtest/gtest.h>

namespace prismcrate {
namespace {

class PaintingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        board.regim = kModeEdit;
        board.playerX = 10;
        board.playerY = 10;
    }
    // Pixel in the middle of cell (x, y).
    static int mid(int cell) { return cell * cellSize + cellSize / 2; }
    void click(int tool, int x, int y) {
        state.selectedTool = tool;
        fieldMouseDown(board, redraw, state, MouseButton::Left, mid(x), mid(y));
        fieldMouseUp(board, state, MouseButton::Left);
    }
    Board board;
    EditorState state;
    // Counts the field passes asked for.
    int showpoles = 0;
    FieldRedraw redraw = [this] { ++showpoles; };
};

struct Cell {
    std::uint8_t object, floor;
    bool operator==(const Cell&) const = default;
};

// The expected cell after painting `tool` on a cell holding `before`, written out from the
// tool descriptions rather than derived from the painter's own table.
Cell expectedAfter(int tool, Cell before) {
    const bool blocking = before.object == 1 || (before.object >= 6 && before.object <= 9) ||
                          before.object == 11 || before.object == 12;
    switch (tool) {
        case 1:
            return {0, 0};
        case 2:
            return {blocking ? std::uint8_t{0} : before.object, 1};
        case 3:
            return {11, 0};
        case 4:
            return {1, 0};
        case 5:
            return {2, before.floor};
        case 6:
            return {3, before.floor};
        case 7:
            return {10, before.floor};
        case 8:
            return {12, 0};
        case 9:
            return {blocking ? std::uint8_t{0} : before.object, 2};
        case 10:
            return {4, before.floor};
        case 11:
            return {5, before.floor};
        case 12:
            return {6, 0};
        case 13:
            return {7, 0};
        case 14:
            return {8, 0};
        case 15:
            return {9, 0};
    }
    return before;
}

TEST_F(PaintingTest, EveryToolOnEveryKindOfCell) {
    // Objects of every class (including a damaged code 13) on every floor mark.
    const std::uint8_t objects[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    const std::uint8_t floors[] = {0, 1, 2, 3, 4};
    for (int tool = 1; tool < kToolCount; ++tool) {
        for (std::uint8_t object : objects) {
            for (std::uint8_t floor : floors) {
                board.object(3, 4) = object;
                board.floor(3, 4) = floor;
                board.object(4, 4) = 7;
                board.floor(4, 4) = 3;
                click(tool, 3, 4);
                const Cell after{board.object(3, 4), board.floor(3, 4)};
                EXPECT_EQ(after, expectedAfter(tool, {object, floor}))
                    << "tool " << tool << " on object " << int(object) << ", floor " << int(floor);
                EXPECT_EQ(board.object(4, 4), 7) << "the neighbour is untouched";
                EXPECT_EQ(board.floor(4, 4), 3);
                EXPECT_EQ(board.playerX, 10);
                EXPECT_EQ(board.playerY, 10);
            }
        }
    }
}

TEST_F(PaintingTest, NamedCasesOfTheToolTable) {
    board.floor(1, 1) = kFloorTarget;
    click(kToolCrate, 1, 1);
    EXPECT_EQ(board.object(1, 1), kCrate);
    EXPECT_EQ(board.floor(1, 1), kFloorTarget) << "a crate on a target keeps the target";

    board.floor(2, 1) = kFloorTarget;
    click(kToolWall, 2, 1);
    EXPECT_EQ(board.object(2, 1), kWall);
    EXPECT_EQ(board.floor(2, 1), kFloorPlain) << "a wall on a target removes it";

    click(kToolTarget, 2, 1);
    EXPECT_EQ(board.object(2, 1), kEmpty) << "the target tool removes a wall";
    EXPECT_EQ(board.floor(2, 1), kFloorTarget);

    board.object(3, 1) = kCrate;
    click(kToolTarget, 3, 1);
    EXPECT_EQ(board.object(3, 1), kCrate) << "the target tool keeps a crate";
    EXPECT_EQ(board.floor(3, 1), kFloorTarget);

    board.object(4, 1) = kBomb;
    click(kToolPlate, 4, 1);
    EXPECT_EQ(board.object(4, 1), kBomb);
    EXPECT_EQ(board.floor(4, 1), kPlateReleased);
}

TEST_F(PaintingTest, RobotToolMovesTheRobotAndEmptiesTheCellKeepingTheFloor) {
    board.object(5, 6) = kWall;
    board.floor(5, 6) = kFloorTarget;  // a damaged file can put a wall on a target
    click(kToolRobot, 5, 6);
    EXPECT_EQ(board.playerX, 5);
    EXPECT_EQ(board.playerY, 6);
    EXPECT_EQ(board.object(5, 6), kEmpty);
    EXPECT_EQ(board.floor(5, 6), kFloorTarget);

    const Board before = board;
    click(kToolRobot, 5, 6);
    EXPECT_EQ(board.objectLayer, before.objectLayer) << "the robot on its own cell";
    EXPECT_EQ(board.floorLayer, before.floorLayer);
}

TEST_F(PaintingTest, NoOtherToolTouchesTheRobotsCell) {
    board.floor(10, 10) = kPlateReleased;
    for (int tool = 1; tool < kToolCount; ++tool) {
        const int showpolesBefore = showpoles;
        click(tool, 10, 10);
        EXPECT_EQ(board.object(10, 10), kEmpty) << "tool " << tool;
        EXPECT_EQ(board.floor(10, 10), kPlateReleased) << "tool " << tool;
        EXPECT_GT(showpoles, showpolesBefore) << "the field is still redrawn";
    }
}

TEST_F(PaintingTest, RobotStrokeEmptiesEveryCellItPassesAndKeepsTheirFloors) {
    for (int x = 0; x < 6; ++x) {
        board.object(x, 2) = kRock;
        board.floor(x, 2) = static_cast<std::uint8_t>(x % 3);
    }
    state.selectedTool = kToolRobot;
    fieldMouseDown(board, redraw, state, MouseButton::Left, mid(0), mid(2));
    for (int px = mid(0); px <= mid(4); px += 7) fieldMouseMove(board, redraw, state, px, mid(2));
    fieldMouseUp(board, state, MouseButton::Left);
    for (int x = 0; x <= 4; ++x) {
        EXPECT_EQ(board.object(x, 2), kEmpty) << x;
        EXPECT_EQ(board.floor(x, 2), x % 3) << x;
    }
    EXPECT_EQ(board.object(5, 2), kRock);
    EXPECT_EQ(board.playerX, 4);
    EXPECT_EQ(board.playerY, 2);
}

TEST_F(PaintingTest, StrokeLeavingTheFieldPaintsTheEdgeCells) {
    state.selectedTool = kToolWall;
    fieldMouseDown(board, redraw, state, MouseButton::Left, 470, mid(4));
    fieldMouseMove(board, redraw, state, 600, mid(4));
    fieldMouseMove(board, redraw, state, 5000, mid(6));
    fieldMouseMove(board, redraw, state, -300, -40);
    fieldMouseMove(board, redraw, state, 100000, 100000);
    fieldMouseUp(board, state, MouseButton::Left);
    EXPECT_EQ(board.object(19, 4), kWall);
    EXPECT_EQ(board.object(19, 6), kWall);
    EXPECT_EQ(board.object(0, 0), kWall);
    EXPECT_EQ(board.object(19, 19), kWall);
    int walls = 0;
    for (std::uint8_t code : board.objectLayer) walls += code == kWall;
    EXPECT_EQ(walls, 4);
    EXPECT_EQ(state.mouseX, 479) << "leftmouse clamps the position it was given";
    EXPECT_EQ(state.mouseY, 479);
}

TEST_F(PaintingTest, RightPressErasesEvenTheOutermostPixelsAndTheRobotsCell) {
    const int corners[][2] = {{0, 0}, {479, 479}, {479, 0}, {0, 479}};
    for (const auto& p : corners) {
        const int cx = p[0] / cellSize, cy = p[1] / cellSize;
        board.object(cx, cy) = kSteel;
        board.floor(cx, cy) = kPlateReleased;
        fieldMouseDown(board, redraw, state, MouseButton::Right, p[0], p[1]);
        fieldMouseUp(board, state, MouseButton::Right);
        EXPECT_EQ(board.object(cx, cy), kEmpty) << p[0] << "," << p[1];
        EXPECT_EQ(board.floor(cx, cy), kFloorPlain);
    }
    board.floor(10, 10) = kFloorTarget;
    fieldMouseDown(board, redraw, state, MouseButton::Right, mid(10), mid(10));
    EXPECT_EQ(board.floor(10, 10), kFloorPlain);
    EXPECT_EQ(board.playerX, 10) << "the robot stays on an erased cell";
    EXPECT_EQ(board.playerY, 10);
}

TEST_F(PaintingTest, RightDragErasesOnlyBetweenOneAnd478) {
    auto fill = [&] {
        for (int x = 0; x < kFieldSize; ++x)
            for (int y = 0; y < kFieldSize; ++y) board.object(x, y) = kRock;
    };
    fill();
    board.object(10, 10) = kEmpty;
    fieldMouseDown(board, redraw, state, MouseButton::Right, mid(10), mid(10));
    const int passes = showpoles;
    const int outside[][2] = {{0, 100}, {479, 100}, {100, 0}, {100, 479}, {-5, 100}, {600, 100}};
    for (const auto& p : outside) fieldMouseMove(board, redraw, state, p[0], p[1]);
    EXPECT_EQ(showpoles, passes) << "ignored positions do not redraw";
    for (const auto& p : outside) {
        if (p[0] < 0 || p[0] > 479) continue;
        EXPECT_EQ(board.object(p[0] / cellSize, p[1] / cellSize), kRock) << p[0] << "," << p[1];
    }
    fieldMouseMove(board, redraw, state, 1, 1);
    fieldMouseMove(board, redraw, state, 478, 478);
    EXPECT_EQ(board.object(0, 0), kEmpty);
    EXPECT_EQ(board.object(19, 19), kEmpty);
    EXPECT_EQ(showpoles, passes + 2);
    fieldMouseUp(board, state, MouseButton::Right);
    fieldMouseMove(board, redraw, state, mid(5), mid(5));
    EXPECT_EQ(board.object(5, 5), kRock) << "released: moves erase nothing";
}

TEST_F(PaintingTest, HeldFlagsAndRedraws) {
    state.selectedTool = kToolCrate;
    fieldMouseMove(board, redraw, state, mid(1), mid(1));
    EXPECT_EQ(board.object(1, 1), kEmpty) << "moving without a button paints nothing";
    EXPECT_EQ(showpoles, 0);

    fieldMouseDown(board, redraw, state, MouseButton::Left, mid(1), mid(1));
    EXPECT_EQ(state.leftHeld, 1);
    EXPECT_EQ(showpoles, 2) << "leftmouse redraws, then the press redraws again";
    fieldMouseDown(board, redraw, state, MouseButton::Right, mid(3), mid(3));
    EXPECT_EQ(state.rightHeld, 1);
    fieldMouseUp(board, state, MouseButton::Right);
    EXPECT_EQ(state.leftHeld, 1) << "releasing right leaves left held";
    EXPECT_EQ(state.rightHeld, 0);
    fieldMouseMove(board, redraw, state, mid(2), mid(1));
    EXPECT_EQ(board.object(2, 1), kCrate);
    fieldMouseUp(board, state, MouseButton::Left);
    EXPECT_EQ(state.leftHeld, 0);
    fieldMouseMove(board, redraw, state, mid(3), mid(1));
    EXPECT_EQ(board.object(3, 1), kEmpty);

    const int before = showpoles;
    fieldMouseDown(board, redraw, state, MouseButton::Middle, mid(3), mid(1));
    EXPECT_EQ(showpoles, before + 1) << "any button redraws";
    EXPECT_EQ(board.object(3, 1), kEmpty);
    EXPECT_EQ(state.leftHeld, 0);
    EXPECT_EQ(state.rightHeld, 0);
}

TEST_F(PaintingTest, NothingAtAllOutsideEditMode) {
    for (const std::string& mode : {kModeGame, kModeTitle, std::string()}) {
        board.regim = mode;
        board.object(2, 2) = kRock;
        const Board before = board;
        state.selectedTool = kToolWall;
        fieldMouseDown(board, redraw, state, MouseButton::Left, mid(1), mid(1));
        fieldMouseDown(board, redraw, state, MouseButton::Right, mid(2), mid(2));
        fieldMouseMove(board, redraw, state, mid(2), mid(2));
        EXPECT_EQ(board.objectLayer, before.objectLayer) << mode;
        EXPECT_EQ(board.floorLayer, before.floorLayer) << mode;
        EXPECT_EQ(state.leftHeld, 0);
        EXPECT_EQ(state.rightHeld, 0);
        EXPECT_EQ(showpoles, 0);

        // Flags held from edit mode are not cleared by a release in another mode.
        state.leftHeld = 1;
        fieldMouseUp(board, state, MouseButton::Left);
        EXPECT_EQ(state.leftHeld, 1);
        state.leftHeld = 0;
    }
}

TEST_F(PaintingTest, UnknownToolOrOffFieldCellChangesNothing) {
    const Board before = board;
    state.selectedTool = 16;
    fieldMouseDown(board, redraw, state, MouseButton::Left, mid(3), mid(3));
    state.selectedTool = -1;
    fieldMouseMove(board, redraw, state, mid(4), mid(3));
    applyTool(board, kToolWall, 20, 0);
    applyTool(board, kToolWall, -1, 0);
    eraseCell(board, 0, 20);
    EXPECT_EQ(board.objectLayer, before.objectLayer);
    EXPECT_EQ(board.floorLayer, before.floorLayer);
}

TEST(PaletteGeometry, ToolOfAPixelCountsCellsRowByRow) {
    EXPECT_EQ(kPaletteSide, 103);
    EXPECT_EQ(paletteToolAt(2, 2), 0);
    EXPECT_EQ(paletteToolAt(25, 25), 0);
    EXPECT_EQ(paletteToolAt(27, 2), 1);
    EXPECT_EQ(paletteToolAt(77, 2), 3);
    EXPECT_EQ(paletteToolAt(2, 27), 4);
    EXPECT_EQ(paletteToolAt(60, 55), 10);
    EXPECT_EQ(paletteToolAt(100, 100), 15);
    EXPECT_EQ(paletteToolAt(0, 50), -1);
    EXPECT_EQ(paletteToolAt(50, 0), -1);
    EXPECT_EQ(paletteToolAt(101, 50), -1);
    EXPECT_EQ(paletteToolAt(50, 102), -1);
    EXPECT_EQ(paletteToolAt(-30, 50), -1);
}

}  // namespace
}  // namespace prismcrate
