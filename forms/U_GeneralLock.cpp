// Locking in the main window: the document leaves the window and is kept only
// sealed under its password until the lock panel is given that password.
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <new>
#include <utility>

#include "ApplicationTitle.h"
#include "ClipboardGuard.h"
#include "FindPanel.h"
#include "IdleWatch.h"
#include "LockPanel.h"
#include "ModalDialogs.h"
#include "UpgradeBar.h"
#include "Prompts.h"
#include "RecoveryKeeper.h"
#include "RichEditText.h"
#include "SecretClipboard.h"
#include "SystemClipboard.h"
#include "ToolbarPanel.h"
#include "U_General.h"
#include "U_Password.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

const QString kLockNoMemory =
    QStringLiteral("Не хватает памяти, чтобы заблокировать документ.\nДокумент не заблокирован.");
const QString kUnlockNoMemory = QStringLiteral("Не хватает памяти, чтобы разблокировать документ.");
const QString kSnapshotDamaged = QStringLiteral("Копия документа в памяти повреждена и не может быть открыта.");
const QString kUnlockBeforeClosing =
    QStringLiteral("Несохранённый текст не удалось записать в копию для восстановления.\n"
                   "Разблокируйте документ и сохраните его перед закрытием.");
constexpr int kLockRetryMs = 1000;
constexpr int kClipboardAttempts = 20;

int Clamped(int position, const QTextDocument& document)
{
    return std::clamp(position, 0, std::max(0, document.characterCount() - 1));
}

} // namespace

void TFrmGeneral::BuildLock()
{
    LockPanel = new TLockPanel(centralWidget());
    middleLayout_->insertWidget(middleLayout_->indexOf(RichEditText) + 1, LockPanel, 1);
    LockPanel->hide();
    connect(LockPanel, &TLockPanel::UnlockRequested, this, &TFrmGeneral::UnlockDocument);
    IdleWatch = new TIdleWatch([this] { LockAutomatically(); }, this);
    SetLockMinutes(lockMinutes_);
}

void TFrmGeneral::SetLockMinutes(int minutes)
{
    lockMinutes_ = minutes;
    for (QAction* item : MnuViewLock->actions())
        item->setChecked(item->data().toInt() == minutes);
    IdleWatch->SetPeriod(std::chrono::minutes(minutes));
}

void TFrmGeneral::MnuFileLockClick() { LockDocument(); }

bool TFrmGeneral::LockDocument()
{
    if (locked_)
        return true;
    if (InterfaceHeld()) {
        LockOnceFree(true);
        return false;
    }
    if (document_.CurrentPassword.isEmpty()) {
        AskNewPassword(document_.CurrentType);
        if (document_.CurrentPassword.isEmpty())
            return false;
        Recovery->PasswordChanged();
    }
    return LockNow();
}

void TFrmGeneral::LockAutomatically()
{
    if (locked_ || document_.CurrentPassword.isEmpty())
        return;
    if (InterfaceHeld())
        return LockOnceFree(false);
    LockNow();
}

bool TFrmGeneral::InterfaceHeld() const
{
    return busy_ || QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

// A dialog may hold a command half done (a save asking for a name): every
// dialog closes as cancelled, the command ends, and the lock comes once the
// command has returned, so that nothing it would still do meets a sealed
// document. A file read or written meanwhile is waited for.
void TFrmGeneral::LockOnceFree(bool command)
{
    lockCommandWaiting_ = lockCommandWaiting_ || command;
    const bool closed = WithdrawModalDialogs();
    if (lockWaiting_)
        return;
    lockWaiting_ = true;
    QTimer::singleShot(closed && !busy_ ? 0 : kLockRetryMs, this, [this] {
        lockWaiting_ = false;
        if (std::exchange(lockCommandWaiting_, false))
            LockDocument();
        else
            LockAutomatically();
    });
}

bool TFrmGeneral::LockNow()
{
    if (!RichEditText->FinishLoading())
        return false;
    auto locked = std::make_unique<TLockedDocument>();
    const QTextCursor caret = RichEditText->textCursor();
    locked->Anchor = caret.anchor();
    locked->Position = caret.position();
    locked->VerticalScroll = RichEditText->verticalScrollBar()->value();
    locked->HorizontalScroll = RichEditText->horizontalScrollBar()->value();
    locked->Modified = RichEditText->document()->isModified();
    // The recovery copy takes the changes it lacks; sealed meanwhile.
    Recovery->WriteDueNow();
    std::optional<TDocumentSnapshot> sealed;
    try {
        TRecoveryContent content = RecoveryContent();
        QString password = document_.CurrentPassword;
        sealed = AwayFromInterface([&]() -> std::optional<TDocumentSnapshot> {
            std::optional<TDocumentSnapshot> snapshot;
            try {
                snapshot = TDocumentSnapshot::Seal(Recovery->Sealer(), password, content);
            } catch (const std::bad_alloc&) {
                Wipe(content.Text);
            }
            Recovery->Wait();
            return snapshot;
        });
        Wipe(password);
    } catch (const std::bad_alloc&) {
        Recovery->Wait();
    }
    // Only the password typed at the unlock may open the snapshot again.
    Recovery->Sealer().Forget();
    if (!sealed) {
        prompts_.ShowError(this, ApplicationTitle, kLockNoMemory);
        return false;
    }
    locked->Snapshot = std::move(*sealed);
    locked_ = std::move(locked);
    EmptyWindow();
    ShowLocked(true);
    return true;
}

void TFrmGeneral::EmptyWindow()
{
    {
        const QScopedValueRollback<bool> moving(lockMovesText_, true);
        RichEditText->ClearAll(); // the undo history too
    }
    FindPanel->ClosePanel();
    FindPanel->Forget();
    StatusFindMessage->clear();
    StatusFindMessage->hide();
    EmptyOwnClipboard();
    // The unlock brings the password back: it is the one that opens the snapshot.
    Wipe(document_.CurrentPassword);
    document_.CurrentPassword.clear();
    UpdateCharCount();
}

void TFrmGeneral::EmptyOwnClipboard()
{
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        if (!HoldsOwnData(mode))
            continue;
        // Another program may hold the clipboard open for a moment.
        for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
            if (EmptySystemClipboard(mode) == TEmptyResult::Done)
                break;
            QThread::msleep(TClipboardGuard::BusyRetryMs);
        }
    }
}

void TFrmGeneral::ShowLocked(bool locked)
{
    RichEditText->setVisible(!locked);
    LockPanel->setVisible(locked);
    UpdateCaption();
    for (QAction* item : {MnuFileNew, MnuFileOpen, MnuFileSave, MnuFileSaveAs, MnuEditPassword, MnuFileLock})
        item->setEnabled(!locked);
    // Nor may another program switch future locking off meanwhile, through
    // the items themselves.
    MnuViewLock->menuAction()->setEnabled(!locked);
    for (QAction* item : MnuViewLock->actions())
        item->setEnabled(!locked);
    MnuEdit->setEnabled(!locked);
    MnuFormat->setEnabled(!locked);
    RzToolbarPictures->setEnabled(!locked);
    if (locked) {
        UpgradeBar->hide();
        LockPanel->Reset();
    } else {
        UpdateUpgradeBar();
        FocusEditor();
    }
}

void TFrmGeneral::UnlockDocument()
{
    if (!locked_ || busy_)
        return;
    QString password = LockPanel->TakePassword();
    TWipeOnExit<QString> wipePassword(password);
    if (password.isEmpty())
        return LockPanel->ShowWrongPassword();
    TOpenedSnapshot opened = AwayFromInterface([&] {
        try {
            return locked_->Snapshot.Open(password);
        } catch (const std::bad_alloc&) {
            return TOpenedSnapshot{AgeStatus::OutOfMemory, std::nullopt};
        }
    });
    if (opened.Status == AgeStatus::WrongPassphrase)
        return LockPanel->RejectPassword();
    if (!opened.Content)
        return LockPanel->ShowMessage(opened.Status == AgeStatus::OutOfMemory ? kUnlockNoMemory : kSnapshotDamaged);
    TWipeOnExit<QString> wipeText(opened.Content->Text);
    try {
        const QScopedValueRollback<bool> moving(lockMovesText_, true);
        // The caret and the view go back where they were, maybe near the end.
        RichEditText->LoadPlainText(std::move(opened.Content->Text), TLoadPace::AllAtOnce);
    } catch (const std::bad_alloc&) {
        EmptyWindow();
        return LockPanel->ShowMessage(kUnlockNoMemory);
    }
    document_.CurrentPassword = password;
    RichEditText->document()->setModified(locked_->Modified);
    ShowLocked(false);
    QTextCursor caret(RichEditText->document());
    caret.setPosition(Clamped(locked_->Anchor, *RichEditText->document()));
    caret.setPosition(Clamped(locked_->Position, *RichEditText->document()), QTextCursor::KeepAnchor);
    RichEditText->setTextCursor(caret);
    RichEditText->verticalScrollBar()->setValue(locked_->VerticalScroll);
    RichEditText->horizontalScrollBar()->setValue(locked_->HorizontalScroll);
    locked_.reset();
    UpdateCharCount();
    UpdateEditCommands();
}

bool TFrmGeneral::CloseLocked()
{
    // The text is not in the window to be saved. Changes the recovery copy
    // holds stay there and are offered at the next start; changes it could
    // not take keep the window open.
    if (Recovery->HasChanges() && !Recovery->HoldsChanges()) {
        prompts_.ShowError(this, ApplicationTitle, kUnlockBeforeClosing);
        return false;
    }
    if (!Recovery->HasChanges())
        Recovery->Discard();
    SaveSettingsAtClose();
    return true;
}

} // namespace tainoteka
