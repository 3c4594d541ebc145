// The about box: the program's name, version, authorship, web address, e-mail and the
// credit of the Microban levels. Only its OK button closes it; clicking the web address
// opens it in the browser.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <functional>

#include "app/timage.h"

namespace prismcrate {

class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    QFrame* Panel2 = nullptr;
    QFrame* Panel1 = nullptr;
    TImage* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;  // the Microban credit
    QPushButton* Button1 = nullptr;

    // Handlers.
    void FormCreate();
    // Returns true when the key was swallowed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Button1Click();
    void Label4Click();

    // Asks the desktop to open a web address; its result is ignored. Tests replace it.
    std::function<bool(const QUrl&)> openUrl;

    static const QString kWebAddress;

    // Escape and the window's close request leave the box open.
    void reject() override {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

}  // namespace prismcrate
