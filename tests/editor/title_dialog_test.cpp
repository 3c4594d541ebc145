#include "editor/title_dialog.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QtTest/QTest>

#include "tests/editor/qt_app.h"

namespace prismcrate {
namespace {

using testing::qtApp;
using testing::whenModal;

class TitleDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog.errorMessage = [this](QWidget* parent, const QString& text) {
            messages.push_back(text);
            EXPECT_EQ(parent, &dialog);
        };
    }
    testing::QtAppFirst app;
    TForm3 dialog;
    std::vector<QString> messages;
};

// Types text into a widget the way a keyboard layout delivers it: one key event per
// character, carrying the character as its text.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

const QString kTooLong = QStringLiteral("Название не может быть больше 30 символов.");

TEST_F(TitleDialogTest, LayoutAndCaptions) {
    EXPECT_EQ(dialog.windowTitle(), "Введите название уровня");
    EXPECT_EQ(dialog.size(), QSize(201, 71));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.Edit1->geometry(), QRect(8, 8, 185, 21));
    EXPECT_EQ(dialog.Button1->geometry(), QRect(118, 40, 75, 23));
    EXPECT_EQ(dialog.Button1->text(), "OK");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.Button1->focusPolicy() & Qt::TabFocus) << "Tab skips OK";
    EXPECT_GT(dialog.Edit1->maxLength(), 255) << "no limit while typing";
}

TEST_F(TitleDialogTest, ThirtyOneCharactersAreRefusedThirtyAccepted) {
    const QString thirty = QString(30, QChar(u'ж'));
    bool checked = false;
    whenModal([&] {
        dialog.Edit1->setFocus();
        dialog.Edit1->setText(thirty + "x");
        QTest::keyClick(dialog.Edit1, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], kTooLong);
        dialog.Button1->click();
        EXPECT_EQ(messages.size(), 2u) << "the message comes each time";
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(dialog.Edit1, Qt::Key_Backspace);
        checked = true;
        QTest::keyClick(dialog.Edit1, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(dialog.title(), thirty);
    EXPECT_EQ(dialog.titleBytes(), std::string(30, '\xE6'));
}

TEST_F(TitleDialogTest, OkConfirmsAnEmptyTitle) {
    whenModal([&] { dialog.Button1->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TitleDialogTest, EscapeAltF4AndTheCloseRequestLeaveItOpen) {
    int stillOpen = 0;
    whenModal([&] {
        dialog.Edit1->setFocus();
        QTest::keyClick(dialog.Edit1, Qt::Key_Escape);
        stillOpen += dialog.isVisible();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        stillOpen += dialog.isVisible();
        QTest::keyClick(dialog.Edit1, Qt::Key_F4, Qt::AltModifier);
        stillOpen += dialog.isVisible();
        EXPECT_FALSE(dialog.close());
        stillOpen += dialog.isVisible();
        dialog.reject();
        stillOpen += dialog.isVisible();
        dialog.Button1->click();
    });
    dialog.exec();
    EXPECT_EQ(stillOpen, 5);
    EXPECT_TRUE(dialog.FormKeyDown(Qt::Key_F4, Qt::AltModifier));
    EXPECT_FALSE(dialog.FormKeyDown(Qt::Key_F4, Qt::NoModifier));
    EXPECT_FALSE(dialog.FormKeyDown(Qt::Key_A, Qt::AltModifier));
}

TEST_F(TitleDialogTest, TabStaysInTheTitle) {
    whenModal([&] {
        dialog.activateWindow();
        dialog.Edit1->setFocus();
        QTest::keyClick(dialog.Edit1, Qt::Key_Tab);
        EXPECT_EQ(dialog.focusWidget(), dialog.Edit1);
        dialog.Button1->click();
    });
    dialog.exec();
}

TEST_F(TitleDialogTest, CharactersWithoutACp1251ByteAreRefusedWhileTyping) {
    dialog.Edit1->setText(QString());
    dialog.Edit1->setFocus();
    type(dialog.Edit1, QStringLiteral("Мир日"));
    dialog.Edit1->insert(QString::fromUcs4(U"\U0001F600"));
    dialog.Edit1->insert(QStringLiteral("ab日"));
    type(dialog.Edit1, QStringLiteral("№1"));
    EXPECT_EQ(dialog.title(), QStringLiteral("Мир№1"));
    EXPECT_EQ(dialog.titleBytes(),
              "\xCC\xE8\xF0\xB9"
              "1");
}

TEST_F(TitleDialogTest, TitleAccessorsKeepTheFileBytes) {
    const std::string bytes = "\xDF\xE1\xEB\xEE\xEA\xEE \x98\xFF";
    dialog.setTitleBytes(bytes);
    EXPECT_EQ(dialog.titleBytes(), bytes);
    EXPECT_EQ(dialog.title().left(6), QStringLiteral("Яблоко"));

    dialog.setTitle(QStringLiteral("Ход 日 конём"));
    EXPECT_EQ(dialog.title(), QStringLiteral("Ход ? конём")) << "shown as it would be saved";
    EXPECT_EQ(dialog.titleBytes(), "\xD5\xEE\xE4 ? \xEA\xEE\xED\xB8\xEC");

    // A title read from a file may be longer than the dialog would accept.
    dialog.setTitleBytes(std::string(255, 'a'));
    EXPECT_EQ(dialog.title().size(), 255);
}

TEST(ProgramError, CaptionErrorIconAndASingleOkButton) {
    qtApp();
    TForm3 dialog;
    bool seen = false;
    whenModal([&] {
        dialog.Edit1->setText(QString(31, QChar('a')));
        whenModal([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Error");
            EXPECT_EQ(box->text(), kTooLong);
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            seen = true;
            box->button(QMessageBox::Ok)->click();
        });
        dialog.Button1->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.Edit1->setText(QStringLiteral("ok"));
        dialog.Button1->click();
    });
    dialog.exec();
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace prismcrate
