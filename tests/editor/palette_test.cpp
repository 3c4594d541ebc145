#include "editor/palette.h"

#include <gtest/gtest.h>

#include "editor/painting.h"

namespace prismcrate {
namespace {

constexpr QRgb kBackground = 0xFF208020;

bool onGridLine(int p) {
    return p == 1 || p == 26 || p == 51 || p == 76 || p == 101;
}

// Checks every pixel of a drawn palette: grid lines silver except the selected cell's
// outline in red, everything else as it was.
void expectPalette(const QImage& picture, int selected) {
    const int c = selected % 4, r = selected / 4;
    const int left = 25 * c + 1, top = 25 * r + 1, right = left + 25, bottom = top + 25;
    int red = 0;
    for (int y = 0; y < 103; ++y) {
        for (int x = 0; x < 103; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            const bool inside = x >= 1 && x <= 101 && y >= 1 && y <= 101;
            const bool grid = inside && (onGridLine(x) || onGridLine(y));
            const bool outline = ((x == left || x == right) && y >= top && y <= bottom) ||
                                 ((y == top || y == bottom) && x >= left && x <= right);
            QRgb expected = kBackground;
            if (outline) {
                expected = kPaletteSelectionColour;
                ++red;
            } else if (grid) {
                expected = kPaletteGridColour;
            }
            ASSERT_EQ(pixel, expected) << "pixel " << x << "," << y << " with tool " << selected;
        }
    }
    EXPECT_EQ(red, 4 * 25);
}

TEST(Palette, SelectingMovesTheRedOutlineAndLeavesNoOtherCellRed) {
    QImage picture(103, 103, QImage::Format_RGB32);
    picture.fill(kBackground);
    for (int tool : {0, 5, 15, 3, 12, 0}) {
        drawEditPanel(picture, tool);
        expectPalette(picture, tool);
    }
}

TEST(Palette, AnEmptyPictureBecomesAWhiteCanvasOfThePalettesSize) {
    QImage picture;
    drawEditPanel(picture, 6);
    ASSERT_EQ(picture.size(), QSize(103, 103));
    EXPECT_EQ(picture.pixel(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(picture.pixel(1, 10), kPaletteGridColour);
    EXPECT_EQ(picture.pixel(51, 30), kPaletteSelectionColour);
}

TEST(Palette, APictureOfAnotherSizeIsDrawnClipped) {
    QImage small(40, 10, QImage::Format_RGB32);
    small.fill(kBackground);
    drawEditPanel(small, 15);
    EXPECT_EQ(small.pixel(26, 5), kPaletteGridColour);
    QImage big(200, 200, QImage::Format_RGB32);
    big.fill(kBackground);
    drawEditPanel(big, 15);
    EXPECT_EQ(big.pixel(102, 50), kBackground);
    EXPECT_EQ(big.pixel(101, 101), kPaletteSelectionColour);
}

TEST(Palette, ClickSelectsOnlyWhereTheMaskIsBlack) {
    QImage mask(103, 103, QImage::Format_RGB32);
    mask.fill(Qt::white);
    mask.setPixel(60, 55, 0xFF000000);
    EXPECT_EQ(selectToolAt(mask, 60, 55, 3), 10);
    EXPECT_EQ(selectToolAt(mask, 61, 55, 3), 3);
    EXPECT_EQ(selectToolAt(mask, 1, 1, 3), 3);
    mask.setPixel(0, 0, 0xFF000000);  // black outside the cells still selects nothing
    EXPECT_EQ(selectToolAt(mask, 0, 0, 3), 3);
    EXPECT_EQ(selectToolAt(mask, -1, 5, 3), 3);
    EXPECT_EQ(selectToolAt(mask, 5, 103, 3), 3);
    EXPECT_EQ(selectToolAt(QImage(), 5, 5, 3), 3);
}

}  // namespace
}  // namespace prismcrate
