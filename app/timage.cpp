#include "app/timage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace prismcrate {

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::setPicture(const QImage& image) {
    picture_ = image;
    update();
}

bool TImage::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTipAt) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos().x(), help->pos().y());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
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
