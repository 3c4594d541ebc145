// Shared behaviour of the dialogs' text grids.
#pragma once

#include <QScrollBar>
#include <QTableWidget>

namespace prismcrate {

// The grids' columns are a few pixels wider than what is left beside the vertical scroll
// bar. Selecting a cell must not scroll the list sideways and cut off its first column.
inline void keepGridScrolledLeft(QTableWidget* grid) {
    QScrollBar* bar = grid->horizontalScrollBar();
    QObject::connect(bar, &QScrollBar::valueChanged, grid, [bar](int value) {
        if (value != 0) bar->setValue(0);
    });
}

}  // namespace prismcrate
