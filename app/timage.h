// An image control with a drawable picture, like a form's image: it shows its picture at
// its top-left corner and reports mouse presses in picture pixels.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace prismcrate {

class TImage : public QWidget {
    Q_OBJECT
  public:
    explicit TImage(QWidget* parent = nullptr);

    QImage& picture() { return picture_; }
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& image);

    std::function<void(Qt::MouseButton button, int x, int y)> onMouseDown;
    // The tooltip for picture pixel (x, y); none where it gives empty text.
    std::function<QString(int x, int y)> toolTipAt;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
};

}  // namespace prismcrate
