#include "levels/builder_dialog.h"

namespace prismcrate {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Создание набора уровней"));
    setFixedSize(418, 258);
}

}  // namespace prismcrate
