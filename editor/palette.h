// The editor palette's picture: the grid drawn over the tool pictures, the selected tool
// outlined in red, and the palette click through the hit mask.
#pragma once

#include <QImage>
#include <QString>

namespace prismcrate {

constexpr QRgb kPaletteGridColour = 0xFFC0C0C0;  // silver
constexpr QRgb kPaletteSelectionColour = 0xFFFF0000;

// Draws the five vertical and five horizontal grid lines in silver, then the outline of
// the selected tool's cell in red along the grid lines around it. An empty picture is
// first made a white one of the palette's size, as a fresh canvas would be.
void drawEditPanel(QImage& picture, int selectedTool);

// The palette click: where the hit mask is black, the tool of that cell is selected;
// elsewhere (grid lines, the margin, outside the mask) the selection stays.
int selectToolAt(const QImage& hitMask, int x, int y, int selectedTool);

// The name of a palette tool, as its tooltip shows it; empty for no tool.
QString toolName(int tool);

}  // namespace prismcrate
