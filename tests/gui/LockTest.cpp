#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>

#include "FindField.h"
#include "FindPanel.h"
#include "LockPanel.h"
#include "MainWindowFixture.h"
#include "RecoveryKeeper.h"
#include "ToolbarPanel.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

const QString kPassword = QStringLiteral("замок-Key9");
const QString kSecret = QStringLiteral("секретная-строка-77");
const QString kWrong = QStringLiteral("Пароль введен не верно.");

QString NextTryIn(int seconds)
{
    return QStringLiteral("Неверный пароль. Следующая попытка через %1 с.").arg(seconds);
}

// As on a platform that shows the last typed character for a moment.
class TShowingLastCharacterStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 1000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

class Lock : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window().show();
    }
    void GivePassword()
    {
        ScriptNewPassword(kPassword);
        window().MnuEditPasswordClick();
    }
    // Many lines, so that the view can stand anywhere.
    void TypeLongText()
    {
        QString text;
        for (int i = 0; i < 400; ++i)
            text += QStringLiteral("строка %1 %2\n").arg(i).arg(kSecret);
        editor().insertPlainText(text);
    }
    void Unlock(const QString& password)
    {
        window().LockPanel->TxtPassword->setText(password);
        QTest::keyClick(window().LockPanel->TxtPassword, Qt::Key_Return);
    }
    TLockPanel& panel() { return *window().LockPanel; }
};

TEST_F(Lock, CommandEmptiesTheWindowAndTheRightPasswordBringsTheDocumentBack)
{
    GivePassword();
    TypeLongText();
    QTextCursor caret = editor().textCursor();
    caret.setPosition(1200);
    caret.setPosition(1250, QTextCursor::KeepAnchor);
    editor().setTextCursor(caret);
    editor().verticalScrollBar()->setValue(150);
    editor().copy();
    ASSERT_FALSE(QGuiApplication::clipboard()->text().isEmpty());
    window().FindPanel->OpenFind();
    window().FindPanel->TxtFind->setText(kSecret);
    const QString text = editor().toPlainText();
    const QString caption = window().windowTitle();
    const int scroll = editor().verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);

    window().MnuFileLock->trigger();

    ASSERT_TRUE(window().IsLocked());
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_FALSE(editor().document()->isUndoAvailable());
    EXPECT_TRUE(window().FindPanel->TxtFind->text().isEmpty());
    EXPECT_FALSE(window().FindPanel->isVisible());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_TRUE(program->Document.CurrentPassword.isEmpty());
    EXPECT_FALSE(window().Recovery->Sealer().HoldsKey()) << "the copies' key outlived the lock";
    EXPECT_TRUE(panel().isVisible());
    EXPECT_FALSE(editor().isVisible());
    EXPECT_EQ(panel().LblLocked->text(), QStringLiteral("Документ заблокирован"));
    EXPECT_EQ(panel().BtnUnlock->text(), QStringLiteral("Разблокировать"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Документ заблокирован - Тайнотека"));
    for (QAction* item : {window().MnuFileSave, window().MnuFileSaveAs, window().MnuFileNew, window().MnuFileOpen,
                          window().MnuEditPassword, window().MnuFileLock})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    EXPECT_FALSE(window().MnuEdit->isEnabled());
    EXPECT_FALSE(window().MnuFormat->isEnabled());
    EXPECT_FALSE(window().RzToolbarPictures->isEnabled());
    EXPECT_TRUE(window().MnuFileExit->isEnabled());

    Unlock(kPassword);

    ASSERT_FALSE(window().IsLocked());
    EXPECT_EQ(editor().toPlainText(), text);
    EXPECT_TRUE(editor().document()->isModified());
    EXPECT_EQ(editor().textCursor().anchor(), 1200);
    EXPECT_EQ(editor().textCursor().position(), 1250);
    EXPECT_EQ(editor().verticalScrollBar()->value(), scroll);
    EXPECT_EQ(window().windowTitle(), caption);
    EXPECT_FALSE(editor().document()->isUndoAvailable()) << "the undo history does not come back";
    EXPECT_EQ(program->Document.CurrentPassword, kPassword);
    EXPECT_TRUE(editor().isVisible());
    EXPECT_FALSE(panel().isVisible());
    EXPECT_TRUE(window().MnuFileSave->isEnabled());
    EXPECT_TRUE(window().MnuEdit->isEnabled());
    EXPECT_TRUE(window().RzToolbarPictures->isEnabled());
}

TEST_F(Lock, WrongPasswordSaysSoAndKeepsTheDocumentLocked)
{
    GivePassword();
    editor().insertPlainText(kSecret);
    QTest::keyClick(&editor(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(window().IsLocked());

    for (const QString& wrong : {QString(), QStringLiteral("не тот")}) {
        Unlock(wrong);
        EXPECT_TRUE(window().IsLocked());
        EXPECT_EQ(panel().LblMessage->text(), kWrong);
        EXPECT_TRUE(panel().TxtPassword->text().isEmpty());
        EXPECT_TRUE(editor().toPlainText().isEmpty());
    }
    panel().TxtPassword->setText(kPassword);
    panel().BtnUnlock->click();
    EXPECT_FALSE(window().IsLocked());
    EXPECT_EQ(editor().toPlainText(), kSecret);
}

TEST_F(Lock, UnlockFieldShowsStarsOnlyAndTakesLongPasswords)
{
    const QString usual = QApplication::style()->name();
    QApplication::setStyle(new TShowingLastCharacterStyle);
    Start({});
    const QLineEdit* field = panel().TxtPassword;
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field->style()->styleHint(QStyle::SH_LineEdit_PasswordMaskDelay, nullptr, field), 0);
    EXPECT_EQ(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), int('*'));
    EXPECT_EQ(field->maxLength(), 1024);
    program.reset();
    QApplication::setStyle(QStyleFactory::create(usual));
}

TEST_F(Lock, AfterThreeWrongPasswordsEachTryWaitsLonger)
{
    bool ticking = false;
    panel().StartTicking = [&](bool on) { ticking = on; };
    GivePassword();
    editor().insertPlainText(kSecret);
    window().MnuFileLock->trigger();
    for (int i = 0; i < 2; ++i) {
        Unlock(QStringLiteral("не тот"));
        EXPECT_EQ(panel().LblMessage->text(), kWrong);
    }
    for (const int wait : {1, 2, 4, 8, 16, 30, 30}) {
        Unlock(QStringLiteral("не тот"));
        for (int left = wait; left > 0; --left) {
            EXPECT_EQ(panel().LblMessage->text(), NextTryIn(left));
            EXPECT_FALSE(panel().BtnUnlock->isEnabled());
            EXPECT_TRUE(ticking);
            panel().SecondPassed();
        }
        EXPECT_TRUE(panel().BtnUnlock->isEnabled());
        EXPECT_FALSE(ticking);
    }

    Unlock(QStringLiteral("не тот"));
    Unlock(kPassword);
    EXPECT_TRUE(window().IsLocked()) << "not checked during the wait";
    EXPECT_EQ(panel().LblMessage->text(), NextTryIn(30));
    for (int left = 30; left > 0; --left)
        panel().SecondPassed();
    Unlock(kPassword);
    ASSERT_FALSE(window().IsLocked());

    // The count starts again at the next lock.
    window().MnuFileLock->trigger();
    Unlock(QStringLiteral("не тот"));
    EXPECT_EQ(panel().LblMessage->text(), kWrong);
    EXPECT_TRUE(panel().BtnUnlock->isEnabled());
}

TEST_F(Lock, DocumentWithoutPasswordAsksForOneFirstAndIsNeverLockedAutomatically)
{
    editor().insertPlainText(kSecret);
    window().LockAutomatically();
    EXPECT_FALSE(window().IsLocked());
    EXPECT_TRUE(prompts.DialogsShown.isEmpty());

    // The change dialog cancelled: nothing happens.
    prompts.DialogScripts.push_back([](QDialog& dialog) { dialog.reject(); });
    window().MnuFileLock->trigger();
    EXPECT_FALSE(window().IsLocked());
    EXPECT_EQ(prompts.DialogsShown, QStringList{QStringLiteral("FrmPasswordCreate")});
    EXPECT_EQ(editor().toPlainText(), kSecret);

    ScriptNewPassword(kPassword);
    window().MnuFileLock->trigger();
    ASSERT_TRUE(window().IsLocked());
    Unlock(kPassword);
    EXPECT_EQ(editor().toPlainText(), kSecret);
}

TEST_F(Lock, ClosingWhileLockedKeepsTheChangesInTheRecoveryCopy)
{
    GivePassword();
    editor().insertPlainText(kSecret);
    window().MnuFileLock->trigger();
    ASSERT_TRUE(window().IsLocked());
    EXPECT_EQ(QDir(RecoveryFolder()).entryList({QStringLiteral("*.txt.age")}, QDir::Files).size(), 1)
        << "written at the lock";

    EXPECT_TRUE(window().close());
    EXPECT_TRUE(prompts.Questions.isEmpty()) << "no save question for a text that is not there";

    // The next start offers it back.
    prompts.Answers.push_back(TAnswer::Yes);
    ScriptTypedPassword(kPassword);
    Start({});
    window().FormActivate();
    EXPECT_EQ(editor().toPlainText(), kSecret);
}

TEST_F(Lock, ClosingWhileLockedWithoutChangesLeavesNoCopy)
{
    GivePassword();
    window().MnuFileLock->trigger();
    ASSERT_TRUE(window().IsLocked());
    EXPECT_TRUE(window().close());
    window().Recovery->Wait();
    EXPECT_TRUE(QDir(RecoveryFolder()).entryList({QStringLiteral("*.txt.age")}, QDir::Files).isEmpty());
}

class IdleLock : public Lock {
protected:
    void SetUp() override
    {
        qputenv("TAINOTEKA_LOCK_IDLE_MS", "300");
        Lock::SetUp();
        Start({}); // reads the shortened time
        window().show();
    }
    void TearDown() override { qunsetenv("TAINOTEKA_LOCK_IDLE_MS"); }
};

TEST_F(IdleLock, LocksAfterTheTimeWithoutInputUnlessSetToNever)
{
    GivePassword();
    editor().insertPlainText(kSecret);
    QTRY_VERIFY_WITH_TIMEOUT(window().IsLocked(), 10000);
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    Unlock(kPassword);
    ASSERT_FALSE(window().IsLocked());

    window().MnuViewLockNever->trigger();
    bool locked = false;
    // Several of the shortened periods pass; nothing locks.
    for (int i = 0; i < 10 && !locked; ++i) {
        QTest::qWait(100);
        locked = window().IsLocked();
    }
    EXPECT_FALSE(locked);
}
