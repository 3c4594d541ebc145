#include "app/about_box.h"

#include <QDesktopServices>
#include <QKeyEvent>

#include "media/bitmap_picture.h"
#include "platform/form_setup.h"
#include "platform/paths.h"

namespace prismcrate {

const QString TForm5::kWebAddress = QStringLiteral("https://prismcrate.example.org");

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, int left, int top, bool bold) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();  // labels size themselves to their text
    return label;
}

}  // namespace

TForm5::TForm5(QWidget* parent)
    : QDialog(parent), openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    // Dialog border: fixed size, no minimise or maximise, no close button.
    setUpForm(*this, QStringLiteral("О программе"), FormBorder::Dialog, QSize(278, 123));

    Panel2 = new QFrame(this);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(16, 16, 43, 43);

    // White and flat, over Panel2, leaving a 5-pixel lowered frame around the picture.
    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    Panel1->setGeometry(21, 21, 32, 32);

    Image1 = new TImage(Panel1);
    Image1->setGeometry(0, 0, 32, 32);
    const QImage picture = readBitmapPicture(assetPath("about.bmp"));
    if (!picture.isNull()) Image1->setPicture(picture);

    Label1 = makeLabel(this, QStringLiteral("Prismcrate"), 72, 16, true);
    Label2 = makeLabel(this, QStringLiteral("Version 1.0"), 72, 32, true);
    Label3 = makeLabel(this, QStringLiteral("© 2024 The Prismcrate team"), 72, 48, true);

    Label4 = new QLabel(kWebAddress, this);
    QFont linkFont = Label4->font();
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    Label4->setFont(linkFont);
    QPalette blue = Label4->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label4->setPalette(blue);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->move(16, 72);
    Label4->adjustSize();
    Label4->installEventFilter(this);

    Label5 = makeLabel(this, QStringLiteral("E-mail: prismcrate@example.org"), 16, 88, false);
    // The credit the second level set ships under.
    Label6 =
        makeLabel(this, QStringLiteral("\"Microban\" levels by David W. Skinner"), 16, 104, false);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(192, 11, 75, 23);
    connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);

    // OK is the only control that takes the keyboard focus.
    for (QWidget* w : findChildren<QWidget*>())
        if (w != Button1) w->setFocusPolicy(Qt::NoFocus);
    Button1->setFocus();
    FormCreate();
}

void TForm5::FormCreate() {
    // Key preview: keys sent to OK pass FormKeyDown first. The window's close request is
    // refused by reject().
    setKeyPreview(*this, [this](QWidget*, QKeyEvent& key) {
        return FormKeyDown(key.key(), key.modifiers());
    });
}

bool TForm5::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    return key == Qt::Key_F4 && (modifiers & Qt::AltModifier);
}

void TForm5::Button1Click() {
    accept();
}

void TForm5::Label4Click() {
    // Nothing is reported when no browser can open it; the box stays open.
    if (openUrl) openUrl(QUrl(kWebAddress));
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label4->rect().contains(mouse->position().toPoint())) {
            Label4Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void TForm5::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Button1->setFocus();
}

}  // namespace prismcrate
