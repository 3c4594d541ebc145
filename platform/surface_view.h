// Presentation of a software surface in a Qt widget.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>

#include "platform/soft2d.h"

namespace prismcrate {

// A QImage that reads the surface's own pixels without copying them. It is valid while
// the surface lives and must not be kept beyond the current paint.
QImage surfaceImage(const soft2d::Surface& surface);

// Paints the whole surface with its top-left corner at `origin` of the painter's device.
void paintSurface(QPainter& painter, const soft2d::Surface& surface, QPoint origin);

}  // namespace prismcrate
