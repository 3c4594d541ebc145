// Shared behaviour of the dialogs' text grids.
#pragma once

#include <QHeaderView>
#include <QRect>
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

// A read-only grid of text cells as the dialogs use it: no headers, no grid lines, rows
// 16 pixels high, fixed column widths, one selection, no Tab navigation between cells.
inline QTableWidget* makeStringGrid(QWidget* parent, int rows, int columns, const QRect& geometry) {
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->setGeometry(geometry);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(16);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setShowGrid(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(false);
    keepGridScrolledLeft(grid);
    return grid;
}

}  // namespace prismcrate
