#pragma once

#include <QDialog>

namespace prismcrate {

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace prismcrate
