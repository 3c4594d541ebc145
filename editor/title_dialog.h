// The title dialog: the one place where the title of the level on the field is kept. The
// dialog can be left only by confirming a title of at most 30 characters.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string>
#include <string_view>

namespace prismcrate {

constexpr int kMaxTitleLength = 30;

// Shows the program's own error message: caption "Error", error icon, one OK button.
void showProgramError(QWidget* parent, const QString& text);

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;

    // The level title as the user interface shows it and as the level files hold it.
    QString title() const;
    void setTitle(const QString& text);
    std::string titleBytes() const;
    void setTitleBytes(std::string_view bytes);

    // Handlers.
    void FormCreate();
    // Returns true when the key was swallowed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Button1Click();
    void Edit1KeyDown(int key);

    // Where the "title too long" message goes; tests replace it.
    std::function<void(QWidget* parent, const QString& text)> errorMessage = showProgramError;

    // There is no cancel: Escape and the window's close request leave the dialog open.
    void reject() override {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace prismcrate
