#include "levels/chooser_dialog.h"

namespace prismcrate {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Выберите уровень"));
    setFixedSize(428, 335);
}

}  // namespace prismcrate
