#pragma once
// The main window: menu bar, toolbar, editing area and status bar, and the
// document commands, which hand the text to and from the document file.
#include <QColor>
#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QThread>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "AtomicFile.h"
#include "DocumentSnapshot.h"
#include "DocumentState.h"
#include "ToolbarEdge.h"
#include "U_Help.h"
#include "WipedStackThread.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;

namespace tainoteka {

class IPrompts;
class IShell;
class TClipboardGuard;
class TClipboardTextWatch;
class TDocumentFile;
class TFindPanel;
class TIdleWatch;
class TLockPanel;
class TUpgradeBar;
struct TOpenedDocument;
struct TReadFile;
struct TSettings;
class TFrmPasswordCreate;
class TFrmPasswordEnter;
class TMenuShortcuts;
class TRecoveryKeeper;
class TRichEditText;
struct TRecoveryContent;
struct TLeftCopy;
struct TRecoveryCopyRow;
struct TLeftInPlaceCopy;
class TToolbarPanel;

// What a file dialog keeps between its showings.
struct TFileDialogState {
    QString InitialDir;
    QString LastName;
};

struct TGeneralServices {
    IPrompts& Prompts;
    IShell& Shell;
    TDocumentState& Document;
    QStringList Arguments; // command line without the program name
    QString ProgramDir; // folder of the executable, with a trailing separator
    TDocumentFile* DocumentFile = nullptr; // the system's when null
    QString RecoveryFolder = {}; // the system's when empty
};

class TFrmGeneral final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int FirstWidth = 796;
    static constexpr int FirstHeight = 594;
    static constexpr int StatusPanelWidth = 200;

    explicit TFrmGeneral(const TGeneralServices& services, QWidget* parent = nullptr);
    ~TFrmGeneral() override;

    void SetDialogs(TFrmPasswordCreate* passwordCreate, TFrmPasswordEnter* passwordEnter, QDialog* about);

    // Shared operations.
    // The document's name or "Безымянный", and the bar of a .txtp: after every
    // change of the document's identity.
    void UpdateCaption();
    // The title alone, "*" first while there are unsaved changes.
    void ShowTitle();
    void UpdateCharCount();
    void ResetDocumentPath();
    void UpdateEditCommands();
    void SetCommandsEnabled(bool on);
    void PlaceToolbar(TToolbarEdge edge);
    TToolbarEdge ToolbarEdge() const { return toolbarEdge_; }
    // The settings the window shows, from and for the settings file.
    void ApplySettings(const TSettings& settings);
    TSettings CollectSettings() const;
    bool SaveProtectedFile(const QString& path, TDocumentType type = TDocumentType::Txtp);
    bool LoadProtectedFile(const QString& path);
    // The session ends: the recovery copy is written before this returns.
    void WriteRecoveryNow();
    // Locking: the text leaves the window and stays only sealed under the
    // document's password. The command asks for a password when the document
    // has none; automatic locking leaves such a document alone. Either closes
    // the open dialogs as cancelled and locks once their command has ended.
    // True when the document is locked afterwards.
    bool LockDocument();
    void LockAutomatically();
    bool IsLocked() const { return locked_ != nullptr; }
    void UnlockDocument();
    // Minutes without input before the automatic lock; 0: never.
    void SetLockMinutes(int minutes);
    int LockMinutes() const { return lockMinutes_; }

    // Handlers.
    void FormActivate();
    void MnuFileNewClick();
    void MnuFileOpenClick();
    void MnuFileSaveClick();
    void MnuFileSaveAsClick();
    void MnuEditPasswordClick();
    void MnuFileLockClick();
    void MnuFileExitClick();
    void MnuEditClick();
    void MnuEditUndoClick();
    void MnuEditRedoClick();
    void MnuEditClipboardClick();
    void MnuEditCutClick();
    void MnuEditCopyClick();
    void MnuEditPasteClick();
    // Ctrl+V: the Edit menu's own click after a fresh look at the clipboard,
    // so a key pressed right after another program copied waits for its answer.
    void MnuEditPasteKey();
    void MnuEditDeleteClick();
    void MnuEditSelectAllClick();
    void MnuEditFindClick();
    void MnuEditFindNextClick();
    void MnuEditFindPreviousClick();
    void MnuEditReplaceClick();
    void MnuFormatFontClick();
    void MnuHelpHelpClick();
    void MnuHelpAboutClick();

    // Components, named as the rest of the program refers to them.
    QMenuBar* MnuGeneralTop = nullptr;
    QMenu* MnuFile = nullptr;
    QMenu* MnuEdit = nullptr;
    QMenu* MnuFormat = nullptr;
    QMenu* MnuView = nullptr;
    QMenu* MnuViewPanel = nullptr;
    QMenu* MnuViewLock = nullptr;
    QMenu* MnuHelp = nullptr;
    QAction* MnuFileNew = nullptr;
    QAction* MnuFileOpen = nullptr;
    QAction* MnuFileSave = nullptr;
    QAction* MnuFileSaveAs = nullptr;
    QAction* MnuEditPassword = nullptr;
    QAction* MnuFileLock = nullptr;
    QAction* MnuFileExit = nullptr;
    QAction* MnuEditUndo = nullptr;
    QAction* MnuEditRedo = nullptr;
    QAction* MnuEditClipboard = nullptr;
    QAction* MnuEditCut = nullptr;
    QAction* MnuEditCopy = nullptr;
    QAction* MnuEditPaste = nullptr;
    QAction* MnuEditDelete = nullptr;
    QAction* MnuEditSelectAll = nullptr;
    QAction* MnuEditFind = nullptr;
    QAction* MnuEditFindNext = nullptr;
    QAction* MnuEditFindPrevious = nullptr;
    QAction* MnuEditReplace = nullptr;
    QAction* MnuFormatFont = nullptr;
    QAction* MnuViewPanelTop = nullptr;
    QAction* MnuViewPanelBottom = nullptr;
    QAction* MnuViewPanelLeft = nullptr;
    QAction* MnuViewPanelRight = nullptr;
    QAction* MnuViewLockNever = nullptr;
    QAction* MnuViewLock5 = nullptr;
    QAction* MnuViewLock10 = nullptr;
    QAction* MnuViewLock30 = nullptr;
    QAction* MnuHelpHelp = nullptr;
    QAction* MnuHelpAbout = nullptr;
    TToolbarPanel* RzToolbarPictures = nullptr;
    QToolButton* BtnNew = nullptr;
    QToolButton* BtnOpen = nullptr;
    QToolButton* BtnSave = nullptr;
    QToolButton* BtnSecurity = nullptr;
    QToolButton* BtnCut = nullptr;
    QToolButton* BtnCopy = nullptr;
    QToolButton* BtnPaste = nullptr;
    QToolButton* BtnFont = nullptr;
    TRichEditText* RichEditText = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel = nullptr;
    // What F3 with the find panel closed has to say, for a few seconds.
    QLabel* StatusFindMessage = nullptr;
    static constexpr int FindMessageMs = 5000;
    TFindPanel* FindPanel = nullptr;
    TRecoveryKeeper* Recovery = nullptr;
    TLockPanel* LockPanel = nullptr; // in the editing area's place while locked
    TUpgradeBar* UpgradeBar = nullptr; // over the text of a .txtp document
    TIdleWatch* IdleWatch = nullptr;
    QLabel* RecoveryNote = nullptr; // a recovery copy that could not be written
    TClipboardGuard* ClipboardGuard = nullptr;
    // Whether the clipboard offers text, kept without waiting on its owner.
    TClipboardTextWatch* ClipboardText = nullptr;
    TFileDialogState OpenDialog;
    TFileDialogState SaveDialog;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    // 796 x 594 with the frame, or the screen's available area where smaller.
    void PlaceAtFirstStart(const QMargins& frame);
    QMargins FrameMargins() const;
    void CorrectFirstFraming();
    void ScheduleFirstActivation();
    void BuildMenus();
    void BuildToolbar();
    void BuildLayout();
    void BindShortcuts();
    // Asks the close question; true when the program may end.
    bool FormClose();
    // Save and Save As; true when the file was written.
    bool SaveDocument();
    bool SaveDocumentAs();
    // Writes the file picked in the save dialog and adopts it.
    bool SaveAsChosen(const QString& chosen, TDocumentType picked);
    // The password change dialog with the rules of the type.
    void AskNewPassword(TDocumentType type);
    // Asks for a password where the document has none; false when it still has none.
    bool HasAgePassword();
    // The Yes answer of a question: true when the command may go on.
    bool SaveBeforeLeaving();
    // Asks whether to save first; true when the document may be left.
    bool MayLeaveDocument(const QString& question);
    void StartUntitled();
    // The rest of a text loaded in slices did not fit in memory.
    void ShowLoadFailure();
    // nullopt when a lock closed the dialog.
    std::optional<QString> AskTypedPassword(TDocumentType type);
    void BuildRecovery(const QString& folder);
    void BuildLock();
    void BuildLockMenu();
    TRecoveryContent RecoveryContent() const;
    // The window as locked or as unlocked: editing area or panel, commands.
    void ShowLocked(bool locked);
    void EmptyWindow();
    void EmptyOwnClipboard();
    bool LockNow();
    // A dialog or pop-up is open, or a file is read or written.
    bool InterfaceHeld() const;
    void LockOnceFree(bool command);
    bool CloseLocked();
    void SaveSettingsAtClose();
    // At start, the copies earlier runs left: restore, delete or keep. One
    // copy is asked about; several come as one list.
    void OfferLeftCopies();
    void OfferLeftCopy(const TLeftCopy& copy);
    void OfferCopyList(std::vector<TLeftCopy>& copies);
    // Removes the selected copies, once the user says so again.
    void RemoveCopies(std::vector<TLeftCopy>& copies, std::vector<TRecoveryCopyRow>& rows,
                      const std::vector<int>& selected);
    bool RestoreCopy(const QString& path);
    // Copies of saves killed while writing a file in place; true when one is back.
    bool OfferInPlaceCopies();
    bool RestoreInPlaceCopy(const TLeftInPlaceCopy& copy);
    // A file's bytes opened as the document at path, its password asked for.
    bool OpenProtectedBytes(const QString& path, TReadFile& read);
    std::optional<TRecoveryContent> OpenCopy(const QString& path, const QString& password);
    void ShowReadFailure(const QString& path, const TReadFile& read);
    bool ShowOpenedText(TOpenedDocument& opened);
    // A file read only in part (a long body): tells why it cannot be opened,
    // or reads it whole when its body is rich text.
    bool ReadLongBody(const QString& path, TReadFile& read, const QString& typed);
    void SetDialogsStartFolder(const QString& folder);
    // The folder and name of the document's file; empty while untitled.
    QString CurrentPath() const;
    // The bar over a .txtp document, unless hidden for this file.
    void UpdateUpgradeBar();
    void BtnUpgradeClick();
    void BtnDeleteOldClick();
    // Save As in the strong type beside the old file; true when the document is now one.
    bool SaveAsAge(const QString& oldPath);
    void CheckUpgradedFile(const QString& oldPath);
    // Whether the file at path opens with the document's password and holds its text.
    bool SavedFileOpens(const QString& path);
    void AdoptPath(const QString& path);
    // False when the file changed on disk since this window read or wrote it
    // and the user chose not to write over it.
    bool MayOverwrite(const QString& path);
    QString PlainTextForSaving() const;
    void FocusEditor();
    template <class Work>
    auto AwayFromInterface(Work work) -> decltype(work());
    void ShowFindMessage(const QString& message);

    IPrompts& prompts_;
    IShell& shell_;
    THelpViewer helpViewer_{&shell_};
    TDocumentState& document_;
    std::unique_ptr<TDocumentFile> ownDocumentFile_;
    TDocumentFile* documentFile_;
    QStringList arguments_;
    QString programDir_;
    QString settingsPath_;
    TFrmPasswordCreate* frmPasswordCreate_ = nullptr;
    TFrmPasswordEnter* frmPasswordEnter_ = nullptr;
    QDialog* frmAbout_ = nullptr;
    TMenuShortcuts* shortcuts_ = nullptr;
    QTimer* findMessageTimer_ = nullptr;
    QVBoxLayout* rootLayout_ = nullptr;
    QHBoxLayout* middleLayout_ = nullptr;
    TToolbarEdge toolbarEdge_ = TToolbarEdge::Top;
    // A system colour read from the settings and the colour it showed as, so
    // that while the text still shows so it is written back as that system
    // colour; any other colour is written as the plain colour it is.
    struct TSystemColor {
        int Value;
        QColor Shown;
    };
    std::optional<TSystemColor> systemTextColor_;
    // Picked first in the next Save As: the type picked in the last one.
    TDocumentType saveAsType_ = TDocumentType::Age;
    bool busy_ = false; // work runs away from the interface thread
    bool activated_ = false;
    bool firstShown_ = false;
    bool firstFramingChecked_ = false;
    QPoint askedPosition_;
    QSize askedSize_;
    std::optional<TFileStamp> diskStamp_; // the file as this window last read or wrote it
    QString upgradeDismissed_; // the .txtp whose bar the user hid
    QString upgradedFrom_; // the .txtp the document was saved away from, still on disk
    // What a lock keeps: the sealed document and where the view stood.
    struct TLockedDocument {
        TDocumentSnapshot Snapshot;
        int Anchor = 0;
        int Position = 0;
        int VerticalScroll = 0;
        int HorizontalScroll = 0;
        bool Modified = false;
        bool FindPanelShown = false;
    };
    std::unique_ptr<TLockedDocument> locked_;
    // The editing area is emptied or filled by the lock: no change to copy.
    bool lockMovesText_ = false;
    bool lockWaiting_ = false; // a lock waits for a command to end
    bool lockCommandWaiting_ = false; // and it is the command's, which may ask for a password
    int lockMinutes_ = 10;
};

// Runs work on a thread of its own while the window goes on repainting, with
// a busy cursor; input waits until the work is done, as the commands are off
// meanwhile for any open or save.
template <class Work>
auto TFrmGeneral::AwayFromInterface(Work work) -> decltype(work())
{
    std::optional<decltype(work())> result;
    QEventLoop loop;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        // The work sees the text or the password: a thread whose stack goes with it.
        const TWipedStackThread thread([&] {
            result.emplace(work());
            // Queued across threads, so a finish before exec() still ends the loop.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QApplication::restoreOverrideCursor();
    busy_ = false;
    return std::move(*result);
}

QString FormatThousands(quint32 count);
// Folder part of a path, always ending with the separator.
QString FolderWithSeparator(const QString& path);

} // namespace tainoteka
