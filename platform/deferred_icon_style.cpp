#include "platform/deferred_icon_style.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>
#include <memory>

namespace prismcrate {
namespace {

// The icon itself, asked of the style once, on first use, and shared by every copy of
// the engine.
class DeferredIcon {
  public:
    DeferredIcon(QPointer<QStyle> style, QStyle::StandardPixmap which, Qt::LayoutDirection dir)
        : style_(std::move(style)), which_(which), direction_(dir) {}

    const QIcon& icon() {
        if (!made_) {
            made_ = true;
            if (style_) {
                QStyleOption option;
                option.direction = direction_;
                icon_ = style_->standardIcon(which_, &option);
            }
        }
        return icon_;
    }

  private:
    QPointer<QStyle> style_;
    QStyle::StandardPixmap which_;
    Qt::LayoutDirection direction_;
    bool made_ = false;
    QIcon icon_;
};

class DeferredIconEngine : public QIconEngine {
  public:
    explicit DeferredIconEngine(std::shared_ptr<DeferredIcon> icon) : icon_(std::move(icon)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon_->icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon_->icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon_->icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon_->icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon_->icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon_->icon().isNull(); }
    QString key() const override { return QStringLiteral("prismcrate-deferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(icon_); }

  private:
    std::shared_ptr<DeferredIcon> icon_;
};

}  // namespace

DeferredIconStyle::DeferredIconStyle() = default;

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(icon, option, widget);
    Qt::LayoutDirection direction = option   ? option->direction
                                    : widget ? widget->layoutDirection()
                                             : QGuiApplication::layoutDirection();
    return QIcon(new DeferredIconEngine(
        std::make_shared<DeferredIcon>(QPointer<QStyle>(baseStyle()), icon, direction)));
}

}  // namespace prismcrate
