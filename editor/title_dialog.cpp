#include "editor/title_dialog.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QValidator>

#include "levels/cp1251.h"
#include "levels/title_text.h"
#include "platform/form_setup.h"

namespace prismcrate {
namespace {

bool isCp1251Encodable(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if (cp1251ByteOf(c) < 0) return false;
    return true;
}

// Refuses any edit that would put a character without a cp1251 byte into the title, so
// the title always saves exactly as it is shown.
class Cp1251Validator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return isCp1251Encodable(input) ? Acceptable : Invalid;
    }
};

}  // namespace

void showProgramError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.exec();
}

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    // Fixed dialog frame with a title bar and no close button.
    setUpForm(*this, QStringLiteral("Введите название уровня"), FormBorder::Dialog, QSize(201, 71));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 8, 185, 21);
    // No limit while typing; the length is checked on confirming.
    Edit1->setMaxLength(32767);
    Edit1->setValidator(new Cp1251Validator(Edit1));

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(118, 40, 75, 23);
    // Tab skips the button; Enter confirms through Edit1, never through a default button.
    Button1->setFocusPolicy(Qt::ClickFocus);
    Button1->setAutoDefault(false);
    Button1->setDefault(false);

    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    FormCreate();
}

void TForm3::FormCreate() {
    // Key preview: the keys typed into Edit1 pass FormKeyDown first; Enter there confirms.
    // The window's close request is refused by reject().
    setKeyPreview(*this, [this](QWidget* target, QKeyEvent& key) {
        if (FormKeyDown(key.key(), key.modifiers())) return true;
        if (target != Edit1 || (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter))
            return false;
        Edit1KeyDown(key.key());
        return true;
    });
}

QString TForm3::title() const {
    return Edit1->text();
}

void TForm3::setTitle(const QString& text) {
    // A character the level files cannot hold is shown as the '?' it would be saved as.
    Edit1->setText(titleToText(titleFromText(text)));
}

std::string TForm3::titleBytes() const {
    return titleFromText(Edit1->text());
}

void TForm3::setTitleBytes(std::string_view bytes) {
    Edit1->setText(titleToText(std::string(bytes)));
}

bool TForm3::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    return key == Qt::Key_F4 && (modifiers & Qt::AltModifier);
}

void TForm3::Button1Click() {
    if (Edit1->text().size() > kMaxTitleLength) {
        if (errorMessage)
            errorMessage(this, QStringLiteral("Название не может быть больше 30 символов."));
        return;
    }
    accept();
}

void TForm3::Edit1KeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Button1Click();
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    // Escape would cancel a dialog; this one has nothing to cancel to.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

}  // namespace prismcrate
