#include "app/timage.h"

#include <QMouseEvent>
#include <QPainter>

namespace prismcrate {

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::setPicture(const QImage& image) {
    picture_ = image;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (onMouseDown) onMouseDown(event->button(), p.x(), p.y());
}

}  // namespace prismcrate
