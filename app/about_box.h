#pragma once

#include <QDialog>

namespace prismcrate {

class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);
};

}  // namespace prismcrate
