#include "platform/surface_view.h"

namespace prismcrate {

QImage surfaceImage(const soft2d::Surface& surface) {
    // The surface's pixels are laid out as QImage::Format_RGB32: one 32-bit word per
    // pixel, 0xFFRRGGBB, rows of width() words with no padding.
    return QImage(reinterpret_cast<const uchar*>(surface.line(0)), surface.width(),
                  surface.height(), qsizetype(surface.width()) * 4, QImage::Format_RGB32);
}

void paintSurface(QPainter& painter, const soft2d::Surface& surface, QPoint origin) {
    painter.drawImage(origin, surfaceImage(surface));
}

}  // namespace prismcrate
