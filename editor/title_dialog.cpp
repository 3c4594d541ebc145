#include "editor/title_dialog.h"

namespace prismcrate {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Введите название уровня"));
    setFixedSize(201, 71);
}

}  // namespace prismcrate
