#pragma once

#include <QDialog>

namespace prismcrate {

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
};

}  // namespace prismcrate
