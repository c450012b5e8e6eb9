// The password entry dialog and the password change dialog, driven through
// their controls while shown non-modally on the offscreen platform.
#include "ActiveWindow.h"
#include "FakeKeyboardState.h"
#include "U_Password.h"
#include "U_PasswordEnter.h"

#include "DocumentState.h"
#include "PasswordStrength.h"
#include "Prompts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>

namespace tainoteka {
namespace {

using test::FakeKeyboardState;
using test::ShowActive;
using ::testing::Eq;
using ::testing::StrictMock;

class MockPrompts : public IPrompts {
public:
    MOCK_METHOD(TAnswer, AskYesNo, (QWidget*, const QString&), (override));
    MOCK_METHOD(TAnswer, AskYesNoCancel, (QWidget*, const QString&), (override));
    MOCK_METHOD(TAnswer, AskYesNoLater, (QWidget*, const QString&), (override));
    MOCK_METHOD(void, ShowError, (QWidget*, const QString&, const QString&), (override));
    MOCK_METHOD(void, ExecDialog, (QDialog&), (override));
    MOCK_METHOD(std::optional<QString>, AskOpenFileName, (QWidget*, const QString&, const QString&), (override));
    MOCK_METHOD(std::optional<QString>, AskSaveFileName, (QWidget*, const QString&, const QString&, TDocumentType&),
                (override));
    MOCK_METHOD(std::optional<TFontChoice>, AskFont, (QWidget*, const TFontChoice&), (override));
};

const QString kBadChars = QStringLiteral("Новый пароль содержит\nнедопустимые символы.");
const QString kWrongOld = QStringLiteral("Старый пароль\nвведён неверно.");
const QString kNoMatch = QStringLiteral("Повторный пароль\nне совпадает с новым.");

// Key presses that carry the character, so that any script can be typed
// whatever the keyboard layout of the test machine.
void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void ExpectFixedSizeWithCloseBoxOnly(const QWidget& dialog, QSize size)
{
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), size);
    EXPECT_EQ(dialog.maximumSize(), size);
}

// "MS Sans Serif" 8 pt is asked for; a stand-in may be smaller, but never so
// wide that a label's text is cut off.
void ExpectDialogFont(const QWidget& dialog, std::initializer_list<const QLabel*> labels)
{
    EXPECT_EQ(dialog.font().families().value(0), QStringLiteral("MS Sans Serif"));
    EXPECT_LE(dialog.font().pointSizeF(), 8.0);
    EXPECT_GE(dialog.font().pointSizeF(), 6.0);
    for (const QLabel* label : labels)
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width() + 2);
}

void ExpectLabel(const QLabel* label, const char* text, QRect geometry)
{
    EXPECT_EQ(label->text(), QString::fromUtf8(text));
    EXPECT_EQ(label->geometry(), geometry) << text;
}

void ExpectPasswordField(const QLineEdit* field, QRect geometry)
{
    EXPECT_EQ(field->geometry(), geometry);
    EXPECT_EQ(field->maxLength(), 20);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), int('*'));
}

void ExpectCentredOn(const QWidget& dialog, const QRect& area)
{
    const QSize outer = dialog.frameGeometry().size();
    EXPECT_EQ(dialog.frameGeometry().topLeft(),
              QPoint(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2));
}

// The window the dialogs centre on.
struct MainWindowHost {
    MainWindowHost()
    {
        window.setGeometry(180, 120, 640, 420);
        window.show();
    }
    QWidget window;
};

// ---------------------------------------------------------------------------
// Entry dialog

TEST(EntryDialogForm, CaptionControlsAndTimer)
{
    FakeKeyboardState keyboard;
    TFrmPasswordEnter dialog(keyboard, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Доступ к файлу"));
    EXPECT_EQ(dialog.windowType(), Qt::Tool);
    ExpectFixedSizeWithCloseBoxOnly(dialog, QSize(294, 101));
    ExpectDialogFont(dialog, {dialog.Label1});
    ExpectLabel(dialog.Label1, "Введите пароль к файлу:", QRect(16, 16, 127, 13));
    ExpectPasswordField(dialog.TxtPassword, QRect(147, 16, 134, 21));
    EXPECT_EQ(dialog.BtnOk->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.BtnOk->geometry(), QRect(91, 58, 118, 25));
    EXPECT_TRUE(dialog.BtnOk->isDefault());
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 1) << "no cancel button";
    EXPECT_TRUE(dialog.TmrKeyGet->isActive()) << "the timer runs from creation";
    EXPECT_EQ(dialog.TmrKeyGet->interval(), 1000);

    // Without a main window it centres on the screen.
    dialog.TmrKeyGet->stop();
    ShowActive(dialog);
    ExpectCentredOn(dialog, dialog.screen()->availableGeometry());
}

class EntryDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.TmrKeyGet->stop();
        ShowActive(dialog);
    }

    FakeKeyboardState keyboard;
    MainWindowHost main;
    TFrmPasswordEnter dialog{keyboard, &main.window};
};

TEST_F(EntryDialog, EachShowingEmptiesAndFocusesTheFieldAndCentresOnTheMainWindow)
{
    EXPECT_TRUE(dialog.TxtPassword->hasFocus());
    ExpectCentredOn(dialog, main.window.frameGeometry());
    TypeText(dialog.TxtPassword, QStringLiteral("abc"));
    QTest::keyClick(dialog.TxtPassword, Qt::Key_Tab);
    ASSERT_TRUE(dialog.BtnOk->hasFocus());
    dialog.accept();

    main.window.move(30, 40);
    dialog.move(500, 500);
    ShowActive(dialog);
    EXPECT_TRUE(dialog.TxtPassword->text().isEmpty());
    EXPECT_TRUE(dialog.TxtPassword->hasFocus());
    ExpectCentredOn(dialog, main.window.frameGeometry());
    EXPECT_TRUE(dialog.Indicator.KeyboardHintWindow);
}

TEST_F(EntryDialog, FieldEchoesStarsAndTakesAtMostTwentyOfAnyCharacters)
{
    TypeText(dialog.TxtPassword, QStringLiteral("abc"));
    EXPECT_EQ(dialog.TxtPassword->displayText(), QStringLiteral("***"));
    dialog.TxtPassword->clear();
    TypeText(dialog.TxtPassword, QStringLiteral("Ёё.!@#\"' λ"));
    EXPECT_EQ(dialog.TxtPassword->text(), QStringLiteral("Ёё.!@#\"' λ")) << "no character test here";
    dialog.TxtPassword->clear();
    TypeText(dialog.TxtPassword, QStringLiteral("123456789012345678901"));
    EXPECT_EQ(dialog.TxtPassword->text(), QStringLiteral("12345678901234567890"));
}

TEST_F(EntryDialog, EscapeDoesNothing)
{
    TypeText(dialog.TxtPassword, QStringLiteral("pw"));
    QTest::keyClick(dialog.TxtPassword, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(dialog.TxtPassword, Qt::Key_Tab);
    QTest::keyClick(dialog.BtnOk, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.TxtPassword->text(), QStringLiteral("pw"));
}

TEST_F(EntryDialog, EnterOkAndTheCloseBoxAllCloseAndLeaveTheText)
{
    TypeText(dialog.TxtPassword, QStringLiteral("Secret"));
    QTest::keyClick(dialog.TxtPassword, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.TxtPassword->text(), QStringLiteral("Secret"));

    ShowActive(dialog);
    QTest::mouseClick(dialog.BtnOk, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.TxtPassword->text().isEmpty());

    ShowActive(dialog);
    TypeText(dialog.TxtPassword, QStringLiteral("typed"));
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.TxtPassword->text(), QStringLiteral("typed"));
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, nullptr) << "no pop-up left behind";
}

// ---------------------------------------------------------------------------
// Change dialog

TEST(ChangeDialogForm, CaptionControlsAndTimer)
{
    FakeKeyboardState keyboard;
    TDocumentState document;
    StrictMock<MockPrompts> prompts;
    TFrmPasswordCreate dialog(keyboard, document, prompts, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Смена пароля"));
    EXPECT_EQ(dialog.windowType(), Qt::Dialog);
    ExpectFixedSizeWithCloseBoxOnly(dialog, QSize(280, 247));
    ExpectDialogFont(dialog, {dialog.Label3, dialog.Label1, dialog.Label2});
    ExpectLabel(dialog.Label3, "Старый пароль:", QRect(11, 16, 80, 13));
    ExpectLabel(dialog.Label1, "Новый пароль:", QRect(11, 56, 76, 13));
    ExpectLabel(dialog.Label2, "Подтвердить пароль:", QRect(11, 96, 108, 13));
    ExpectPasswordField(dialog.TxtPasswordOld, QRect(147, 8, 121, 21));
    ExpectPasswordField(dialog.TxtPasswordNew, QRect(147, 48, 121, 21));
    ExpectPasswordField(dialog.TxtPasswordRetry, QRect(147, 88, 121, 21));
    EXPECT_EQ(dialog.BtnOk->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.BtnOk->geometry(), QRect(11, 212, 118, 25));
    EXPECT_TRUE(dialog.BtnOk->isDefault());
    EXPECT_EQ(dialog.BtnCancel->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(dialog.BtnCancel->geometry(), QRect(152, 212, 118, 25));
    EXPECT_TRUE(dialog.TmrKeyGet->isActive());
    EXPECT_EQ(dialog.TmrKeyGet->interval(), 1000);
}

TEST(PasswordChars, TheHundredAndFortyAllowedBytes)
{
    QByteArray allowed(" ()*+-/0123456789=ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]_abcdefghijklmnopqrstuvwxyz{}");
    for (int b = 0xC0; b <= 0xFF; ++b)
        allowed.append(char(b));
    ASSERT_EQ(allowed.size(), 140);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(TFrmPasswordCreate::InPasswordChars(static_cast<unsigned char>(b)), allowed.contains(char(b))) << b;
}

TEST(PasswordChars, WholeTexts)
{
    for (const QString& text : {QString(), QStringLiteral(" "), QStringLiteral("abc XYZ 019()*+-/=[\\]_{}"),
                                QStringLiteral("АБВЯабвя пароль")})
        EXPECT_TRUE(TFrmPasswordCreate::IsValidPasswordText(text)) << text.toStdString();
    // Refused punctuation, Ё and ё and the other Cyrillic letters of the
    // code page, characters it lacks, control characters.
    for (const char* text : {"a.b", "!", "#", "$", "%", "&", "'", ",", ":", ";", "<", ">", "?", "^", "|", "~", "\"", "@",
                             "`", "Ёж", "ёж", "Її", "ў", "€", "λ", "é", "中", "a\tb", "\x7f", "\xc2\x98"})
        EXPECT_FALSE(TFrmPasswordCreate::IsValidPasswordText(QString::fromUtf8(text))) << text;
}

class ChangeDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.TmrKeyGet->stop();
        ShowActive(dialog);
    }
    void Type(const QString& oldText, const QString& newText, const QString& retryText)
    {
        TypeText(dialog.TxtPasswordOld, oldText);
        TypeText(dialog.TxtPasswordNew, newText);
        TypeText(dialog.TxtPasswordRetry, retryText);
    }
    void Set(const QString& oldText, const QString& newText, const QString& retryText)
    {
        dialog.TxtPasswordOld->setText(oldText);
        dialog.TxtPasswordNew->setText(newText);
        dialog.TxtPasswordRetry->setText(retryText);
    }
    // One OK that fails with `message` and changes nothing.
    void ExpectRefused(const QString& message, const QString& oldText, const QString& newText, const QString& retryText)
    {
        const QString before = document.CurrentPassword;
        EXPECT_CALL(prompts, ShowError(&dialog, Eq(QStringLiteral("Тайнотека")), Eq(message))).Times(1);
        Set(oldText, newText, retryText);
        dialog.BtnOkClick();
        ::testing::Mock::VerifyAndClearExpectations(&prompts);
        EXPECT_EQ(document.CurrentPassword, before);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.TxtPasswordOld->text(), oldText);
        EXPECT_EQ(dialog.TxtPasswordNew->text(), newText);
        EXPECT_EQ(dialog.TxtPasswordRetry->text(), retryText);
    }
    void ExpectAccepted(const QString& oldText, const QString& newText)
    {
        Set(oldText, newText, newText);
        dialog.BtnOkClick();
        EXPECT_EQ(document.CurrentPassword, newText);
        EXPECT_FALSE(dialog.isVisible());
        ShowActive(dialog);
    }

    FakeKeyboardState keyboard;
    TDocumentState document;
    StrictMock<MockPrompts> prompts;
    MainWindowHost main;
    TFrmPasswordCreate dialog{keyboard, document, prompts, &main.window};
};

TEST_F(ChangeDialog, EachShowingEmptiesAllFieldsFocusesTheOldOneAndCentres)
{
    EXPECT_TRUE(dialog.TxtPasswordOld->hasFocus());
    ExpectCentredOn(dialog, main.window.frameGeometry());
    Type(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    dialog.TxtPasswordRetry->setFocus(Qt::TabFocusReason);
    dialog.reject();

    main.window.move(60, 50);
    ShowActive(dialog);
    EXPECT_TRUE(dialog.TxtPasswordOld->text().isEmpty());
    EXPECT_TRUE(dialog.TxtPasswordNew->text().isEmpty());
    EXPECT_TRUE(dialog.TxtPasswordRetry->text().isEmpty());
    EXPECT_TRUE(dialog.TxtPasswordOld->hasFocus());
    ExpectCentredOn(dialog, main.window.frameGeometry());
}

TEST_F(ChangeDialog, TabOrderAndFieldLimits)
{
    for (QWidget* next : {static_cast<QWidget*>(dialog.TxtPasswordNew), static_cast<QWidget*>(dialog.TxtPasswordRetry),
                          static_cast<QWidget*>(dialog.BtnOk), static_cast<QWidget*>(dialog.BtnCancel),
                          static_cast<QWidget*>(dialog.TxtPasswordOld)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    Type(QStringLiteral("123456789012345678901"), QStringLiteral("abcdefghijklmnopqrstuvw"), QStringLiteral("xy"));
    EXPECT_EQ(dialog.TxtPasswordOld->text().size(), 20);
    EXPECT_EQ(dialog.TxtPasswordNew->text(), QStringLiteral("abcdefghijklmnopqrst"));
    EXPECT_EQ(dialog.TxtPasswordRetry->displayText(), QStringLiteral("**"));
}

TEST_F(ChangeDialog, StrengthLineAndGeneratedPassphraseForAgeDocuments)
{
    dialog.SetDocumentType(TDocumentType::Txtp);
    EXPECT_EQ(dialog.LblStrength->text(), QStringLiteral("Файл .txtp открывается без пароля, какой бы пароль ни был."));
    EXPECT_FALSE(dialog.BtnGenerate->isVisible());

    dialog.SetDocumentType(TDocumentType::Age);
    ASSERT_TRUE(dialog.BtnGenerate->isVisible());
    const QColor normal = dialog.palette().color(QPalette::WindowText);
    if (PasswordStrengthAvailable()) {
        TypeText(dialog.TxtPasswordNew, QStringLiteral("123456"));
        EXPECT_EQ(dialog.LblStrength->text(), QStringLiteral("Надёжность пароля: очень слабый, подбор: меньше секунды"));
        EXPECT_NE(dialog.LblStrength->palette().color(QPalette::WindowText), normal) << "the warning colour";
        dialog.TxtPasswordNew->setText(QStringLiteral("Ёжик в тумане, 1975: «Лошадка!» кричал он"));
        EXPECT_TRUE(dialog.LblStrength->text().startsWith(QStringLiteral("Надёжность пароля: отличный, подбор: ")));
        EXPECT_EQ(dialog.LblStrength->palette().color(QPalette::WindowText), normal);
    }

    const QString clipboardBefore = QApplication::clipboard()->text();
    dialog.BtnGenerate->click();
    const QString words = dialog.TxtPasswordNew->text();
    EXPECT_EQ(words.split(QLatin1Char('-')).size(), 6 + words.count(QStringLiteral("t-shirt")) +
                                                      words.count(QStringLiteral("yo-yo")) +
                                                      words.count(QStringLiteral("drop-down")) +
                                                      words.count(QStringLiteral("felt-tip")));
    EXPECT_EQ(dialog.TxtPasswordRetry->text(), words);
    EXPECT_EQ(dialog.LblGenerated->text(), words) << "shown to be written down";
    EXPECT_TRUE(dialog.LblGenerated->isVisible());
    EXPECT_EQ(QApplication::clipboard()->text(), clipboardBefore) << "nothing of it on the clipboard";
    dialog.BtnGenerate->click();
    EXPECT_NE(dialog.TxtPasswordNew->text(), words);

    TypeText(dialog.TxtPasswordRetry, QStringLiteral("x"));
    EXPECT_FALSE(dialog.LblGenerated->isVisible());
    EXPECT_TRUE(dialog.LblGenerated->text().isEmpty());
}

TEST_F(ChangeDialog, OldPasswordMustMatchExactly)
{
    ExpectRefused(kWrongOld, QStringLiteral("x"), QStringLiteral("abc"), QStringLiteral("abc"));
    document.CurrentPassword = QStringLiteral("Secret");
    ExpectRefused(kWrongOld, QStringLiteral("secret"), QStringLiteral("abc"), QStringLiteral("abc"));
    ExpectRefused(kWrongOld, QString(), QStringLiteral("abc"), QStringLiteral("abc"));
    // Checked before the repetition.
    ExpectRefused(kWrongOld, QStringLiteral("Secre"), QStringLiteral("abc"), QStringLiteral("abd"));
}

TEST_F(ChangeDialog, CharacterTestComesFirst)
{
    document.CurrentPassword = QStringLiteral("Secret");
    // Wrong old password and a different repeat as well: one message only.
    ExpectRefused(kBadChars, QStringLiteral("wrong"), QStringLiteral("a.b"), QStringLiteral("zzz"));
    // Ё, ё, a character Windows-1251 lacks, one it holds but refuses.
    for (const QString& bad : {QStringLiteral("Ёлка"), QStringLiteral("ёлка"), QStringLiteral("Жλ"), QStringLiteral("Ї1")})
        ExpectRefused(kBadChars, QStringLiteral("Secret"), bad, bad);
}

TEST_F(ChangeDialog, RepeatMustMatchTheNewPasswordExactly)
{
    document.CurrentPassword = QStringLiteral("pw");
    ExpectRefused(kNoMatch, QStringLiteral("pw"), QStringLiteral("abc"), QStringLiteral("abc "));
    ExpectRefused(kNoMatch, QStringLiteral("pw"), QStringLiteral("abc"), QStringLiteral("ABC"));
    // A failed attempt leaves the fields for another try.
    dialog.TxtPasswordRetry->setText(QStringLiteral("abc"));
    dialog.BtnOkClick();
    EXPECT_EQ(document.CurrentPassword, QStringLiteral("abc"));
}

TEST_F(ChangeDialog, AcceptedPasswordsAreStoredAsTyped)
{
    ExpectAccepted(QString(), QStringLiteral("abc")); // first password of a new document
    ExpectAccepted(QStringLiteral("abc"), QStringLiteral(" Мой пароль Я "));
    ExpectAccepted(QStringLiteral(" Мой пароль Я "), QString()); // no password any more
    ExpectAccepted(QString(), QStringLiteral("()*+-/=[\\]_{}"));
}

TEST_F(ChangeDialog, EnterInAFieldPressesOk)
{
    Type(QString(), QStringLiteral("new"), QStringLiteral("new"));
    QTest::keyClick(dialog.TxtPasswordRetry, Qt::Key_Return);
    EXPECT_EQ(document.CurrentPassword, QStringLiteral("new"));
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ChangeDialog, CancelEscapeAndCloseBoxKeepThePassword)
{
    document.CurrentPassword = QStringLiteral("pw");
    ExpectRefused(kWrongOld, QStringLiteral("nope"), QStringLiteral("abc"), QStringLiteral("abc"));
    QTest::mouseClick(dialog.BtnCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());

    ShowActive(dialog);
    Type(QStringLiteral("pw"), QStringLiteral("abc"), QStringLiteral("abc"));
    QTest::keyClick(dialog.TxtPasswordRetry, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());

    ShowActive(dialog);
    Type(QStringLiteral("pw"), QStringLiteral("abc"), QStringLiteral("abc"));
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(document.CurrentPassword, QStringLiteral("pw"));
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, nullptr) << "no pop-up left behind";
}

TEST_F(ChangeDialog, ClickingOkLeavesTheFieldAndTakesThePopUpDown)
{
    document.CurrentPassword = QStringLiteral("pw");
    ASSERT_TRUE(dialog.Indicator.KeyboardHintWindow);
    EXPECT_CALL(prompts, ShowError(&dialog, Eq(QStringLiteral("Тайнотека")), Eq(kWrongOld)));
    // A real click moves the focus to the button first.
    dialog.BtnOk->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(dialog.BtnOk, Qt::LeftButton);
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, nullptr);
    EXPECT_TRUE(dialog.isVisible());
}

} // namespace
} // namespace tainoteka
