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
#include <QTimer>

#include "FindField.h"
#include "FindPanel.h"
#include "LockPanel.h"
#include "MainWindowFixture.h"
#include "QtPrompts.h"
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
    // No other program switches future locking off through the menu meanwhile.
    EXPECT_FALSE(window().MnuViewLock->menuAction()->isEnabled());
    window().MnuViewLockNever->trigger();
    EXPECT_EQ(window().LockMinutes(), 10);

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

// The program's own dialogs, as the user sees them: the lock comes from inside
// their modal loops and closes them as cancelled.
class LockOverDialogs : public Lock {
protected:
    void SetUp() override
    {
        // A window closed by an earlier test asked the application to quit,
        // which ends every modal loop at once; a turn of the application's
        // own loop clears that.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        program = std::make_unique<TTainoteka>(TProgramServices{realPrompts, shell, keyboard, {},
                                                                folder.path() + QLatin1Char('/'), documentFile,
                                                                RecoveryFolder()});
        window().show();
        program->Document.CurrentPassword = kPassword;
        editor().insertPlainText(kSecret);
        WriteFile(QStringLiteral("other.txtp"), EncodeTxtpFile("other\r\n", "pw"));
    }
    // Runs act once a modal dialog is up; the command that showed it runs meanwhile.
    void WhenModal(std::function<void(QWidget&)> act)
    {
        QTimer::singleShot(10, this->window().RichEditText, [this, act] {
            if (QWidget* modal = QApplication::activeModalWidget())
                act(*modal);
            else
                WhenModal(act);
        });
    }
    static void TypeInto(QWidget& modal, const char* field, const QString& text)
    {
        modal.findChild<QLineEdit*>(QLatin1String(field))->setText(text);
    }
    QStringList Files() const { return QDir(folder.path()).entryList(QDir::Files); }

    TQtPrompts realPrompts;
};

TEST_F(LockOverDialogs, EveryDialogClosesAsCancelledAndTheDocumentLocks)
{
    const struct {
        const char* Name;
        std::function<void()> Command;
        std::function<void(QWidget&)> Fill;
        bool ByKey; // Ctrl+L in the dialog, else the idle time or the screen saver
    } cases[] = {
        {"About", [this] { window().MnuHelpAboutClick(); }, {}, true},
        {"Save As waiting for a name", [this] { window().MnuFileSaveAsClick(); },
         [](QWidget& modal) { TypeInto(modal, "fileNameEdit", QStringLiteral("written.txt.age")); }, false},
        {"save before New?", [this] { window().MnuFileNewClick(); }, {}, false},
        {"save before closing?", [this] { window().close(); }, {}, true},
        {"new password typed",
         [this] { window().MnuEditPasswordClick(); },
         [](QWidget& modal) {
             auto& dialog = static_cast<TFrmPasswordCreate&>(modal);
             dialog.TxtPasswordOld->setText(kPassword);
             dialog.TxtPasswordNew->setText(QStringLiteral("другой"));
             dialog.TxtPasswordRetry->setText(QStringLiteral("другой"));
         },
         false},
        {"password of a file being opened", [this] { window().LoadProtectedFile(Path(QStringLiteral("other.txtp"))); },
         [](QWidget& modal) { static_cast<TFrmPasswordEnter&>(modal).TxtPassword->setText(QStringLiteral("pw")); },
         true},
        {"error message", [this] { window().LoadProtectedFile(Path(QStringLiteral("missing.txtp"))); }, {}, false},
    };
    const QStringList files = Files();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString caption = window().windowTitle();
        bool closedByLock = false;
        WhenModal([&](QWidget& modal) {
            if (c.Fill)
                c.Fill(modal);
            if (c.ByKey)
                QTest::keyClick(modal.focusWidget() ? modal.focusWidget() : &modal, Qt::Key_L, Qt::ControlModifier);
            else
                window().LockAutomatically();
            closedByLock = !modal.isVisible();
            if (!closedByLock) // left open, the command would never return
                modal.close(), static_cast<QDialog&>(modal).reject();
        });
        c.Command();
        EXPECT_TRUE(closedByLock);
        QTRY_VERIFY_WITH_TIMEOUT(window().IsLocked(), 10000);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(Files(), files) << "a file written by a cancelled command";
        Unlock(kPassword); // the password unchanged
        ASSERT_FALSE(window().IsLocked());
        EXPECT_EQ(editor().toPlainText(), kSecret);
        EXPECT_EQ(window().windowTitle(), caption);
    }
}
