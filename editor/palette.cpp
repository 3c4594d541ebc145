#include "editor/palette.h"

#include <QPainter>

#include "editor/painting.h"

namespace prismcrate {

void drawEditPanel(QImage& picture, int selectedTool) {
    if (picture.isNull()) {
        picture = QImage(kPaletteSide, kPaletteSide, QImage::Format_RGB32);
        picture.fill(Qt::white);
    }
    QPainter painter(&picture);
    const QColor silver = QColor::fromRgb(kPaletteGridColour);
    // Lines from 1 to side - 2 inclusive; the painter clips a picture of another size.
    const int length = kPaletteSide - 2;
    for (int i = 0; i <= 4; ++i) {
        painter.fillRect(paletteGridLine(i), 1, 1, length, silver);
        painter.fillRect(1, paletteGridLine(i), length, 1, silver);
    }
    if (selectedTool >= 0 && selectedTool < kToolCount) {
        const QColor red = QColor::fromRgb(kPaletteSelectionColour);
        const int left = paletteGridLine(selectedTool % 4);
        const int top = paletteGridLine(selectedTool / 4);
        const int side = kPalettePitch + 1;  // from one grid line to the next, both included
        painter.fillRect(left, top, side, 1, red);
        painter.fillRect(left, top + side - 1, side, 1, red);
        painter.fillRect(left, top, 1, side, red);
        painter.fillRect(left + side - 1, top, 1, side, red);
    }
}

int selectToolAt(const QImage& hitMask, int x, int y, int selectedTool) {
    if (!hitMask.valid(x, y)) return selectedTool;
    if ((hitMask.pixel(x, y) & 0xFFFFFF) != 0) return selectedTool;
    const int tool = paletteToolAt(x, y);
    return tool < 0 ? selectedTool : tool;
}

QString toolName(int tool) {
    static const char* const kNames[kToolCount] = {
        "Робот",       "Пол",         "Цель",         "Сталь",      "Стена",      "Ящик",
        "Камень",      "Бомба",       "Ворота",       "Плита",      "Зеркало \\", "Зеркало /",
        "Лазер влево", "Лазер вверх", "Лазер вправо", "Лазер вниз",
    };
    if (tool < 0 || tool >= kToolCount) return {};
    return QString::fromUtf8(kNames[tool]);
}

}  // namespace prismcrate
