#include "app/about_box.h"

namespace prismcrate {

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(278, 107);
}

}  // namespace prismcrate
