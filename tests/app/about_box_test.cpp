#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"

namespace prismcrate {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_about_box";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

void whenModal(std::function<void()> f) {
    QTimer::singleShot(0, qApp, std::move(f));
}

void key(QWidget* widget, int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, k, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, k, modifiers);
    QApplication::sendEvent(widget, &release);
}

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class AboutBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        box.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return false;  // as if no browser were there: nothing is reported
        };
    }
    struct AppFirst {
        AppFirst() { app(); }
    } first;
    TForm5 box;
    std::vector<QUrl> opened;
};

TEST_F(AboutBoxTest, ControlsAtTheirPlaces) {
    EXPECT_EQ(box.windowTitle(), "О программе");
    EXPECT_EQ(box.size(), QSize(278, 123));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(box.Panel2->geometry(), QRect(16, 16, 43, 43));
    EXPECT_EQ(box.Panel2->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(box.Panel1->geometry(), QRect(21, 21, 32, 32));
    EXPECT_EQ(box.Image1->geometry(), QRect(0, 0, 32, 32));
    EXPECT_EQ(box.Image1->parentWidget(), box.Panel1);
    EXPECT_EQ(box.Panel1->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(box.Button1->geometry(), QRect(192, 11, 75, 23));
    EXPECT_EQ(box.Button1->text(), "OK");

    const struct {
        QLabel* label;
        QPoint at;
        bool bold;
    } labels[] = {{box.Label1, {72, 16}, true},  {box.Label2, {72, 32}, true},
                  {box.Label3, {72, 48}, true},  {box.Label4, {16, 72}, true},
                  {box.Label5, {16, 88}, false}, {box.Label6, {16, 104}, false}};
    for (const auto& l : labels) {
        EXPECT_EQ(l.label->pos(), l.at) << l.label->text().toStdString();
        EXPECT_EQ(l.label->font().bold(), l.bold) << l.label->text().toStdString();
        EXPECT_EQ(l.label->size(), l.label->sizeHint()) << "sized to its text";
    }
    EXPECT_EQ(box.Label1->text(), "Prismcrate");
    EXPECT_EQ(box.Label2->text(), "Version 1.0");
    EXPECT_TRUE(box.Label5->text().startsWith("E-mail: "));
    EXPECT_EQ(box.Label6->text(), "\"Microban\" levels by David W. Skinner");
    EXPECT_LE(box.Label6->geometry().right(), box.width() - 16) << "the credit fits the box";
    EXPECT_EQ(box.Label4->text(), TForm5::kWebAddress);
    EXPECT_TRUE(box.Label4->font().underline());
    EXPECT_EQ(box.Label4->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(box.Label4->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(AboutBoxTest, OkIsTheOnlyFocusableControl) {
    for (QWidget* w : box.findChildren<QWidget*>()) {
        if (w == box.Button1) continue;
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->metaObject()->className();
    }
    EXPECT_NE(box.Button1->focusPolicy(), Qt::NoFocus);
    whenModal([&] {
        EXPECT_EQ(box.focusWidget(), box.Button1) << "OK has the focus when the box opens";
        box.Button1->click();
    });
    box.exec();
}

TEST_F(AboutBoxTest, OnlyOkClosesIt) {
    int stillOpen = 0;
    whenModal([&] {
        key(box.Button1, Qt::Key_Escape);
        stillOpen += box.isVisible();
        key(&box, Qt::Key_Escape);
        stillOpen += box.isVisible();
        key(box.Button1, Qt::Key_F4, Qt::AltModifier);
        stillOpen += box.isVisible();
        EXPECT_FALSE(box.close());
        stillOpen += box.isVisible();
        box.reject();
        stillOpen += box.isVisible();
        box.Button1->click();
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(stillOpen, 5);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(box.FormKeyDown(Qt::Key_F4, Qt::AltModifier));
    EXPECT_FALSE(box.FormKeyDown(Qt::Key_Escape, Qt::NoModifier));
}

TEST_F(AboutBoxTest, TheLinkAsksTheDesktopEachTimeAndKeepsTheBoxOpen) {
    whenModal([&] {
        click(box.Label4);
        click(box.Label4);
        EXPECT_TRUE(box.isVisible());
        click(box.Label1);
        click(box.Label5);
        box.Button1->click();
    });
    box.exec();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(TForm5::kWebAddress));
    EXPECT_EQ(opened[1], QUrl(TForm5::kWebAddress));
    EXPECT_TRUE(opened[0].isValid());
}

TEST(AboutBoxPicture, ReadsThe256ColourPictureFromTheAssets) {
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("assets"));
    QImage picture(32, 32, QImage::Format_Indexed8);
    picture.setColorCount(256);
    for (int i = 0; i < 256; ++i) picture.setColor(i, qRgb(i, 255 - i, 40));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) picture.setPixel(x, y, (x * 8 + y) & 0xFF);
    ASSERT_TRUE(picture.save(dir.filePath("assets/about.bmp"), "BMP"));

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    TForm5 box;
    QDir::setCurrent(previous);
    const QImage& shown = box.Image1->picture();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.pixel(5, 7), picture.pixel(5, 7));
    EXPECT_EQ(shown.pixel(31, 0), picture.pixel(31, 0));
}

TEST(AboutBoxMenus, OpensFromBothMenusOnlyWhenHidden) {
    app();
    TForm1 form;
    TForm5 box(&form);
    form.setDialogs(nullptr, nullptr, nullptr, &box);
    int shown = 0;
    for (QAction* item : {form.N6, form.N15}) {
        whenModal([&] {
            shown += box.isVisible();
            // A second request while it is showing does nothing.
            form.N6Click();
            form.N15Click();
            box.Button1->click();
        });
        item->trigger();
        EXPECT_FALSE(box.isVisible());
    }
    EXPECT_EQ(shown, 2);
}

}  // namespace
}  // namespace prismcrate
