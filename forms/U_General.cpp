#include "U_General.h"

#include <algorithm>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "ClipboardGuard.h"
#include "ApplicationTitle.h"
#include "ClipboardTextWatch.h"
#include "PasteGate.h"
#include "DocumentFile.h"
#include "FindPanel.h"
#include "ImageList.h"
#include "LockPanel.h"
#include "MenuShortcuts.h"
#include "RichEditText.h"
#include "ScreenFit.h"
#include "Settings.h"
#include "ToolbarPanel.h"
#include "UpgradeBar.h"

namespace tainoteka {
namespace {

const QString kUntitled = QStringLiteral("Безымянный - ");
const QString kLockedCaption = QStringLiteral("Документ заблокирован - ");
const QString kCountLabel = QStringLiteral("Количество символов:    ");

// Menus drawn with a soft blue gradient and a band for the images.
const char* const kMenuStyle = R"(
QMenu {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0,
        stop:0 #d6e2f3, stop:0.11 #c3d4ec, stop:0.111 #f7f9fd, stop:1 #e8eef8);
    border: 1px solid #7f98bd;
    padding: 2px;
}
QMenu::item { padding: 3px 24px 3px 26px; background: transparent; color: #000; }
QMenu::item:selected { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
    stop:0 #fdf1c9, stop:1 #f5cf6b); border: 1px solid #c9a23c; color: #000; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: #a9bbd6; margin: 3px 2px 3px 28px; }
QMenu::icon { padding-left: 4px; }
QMenu::icon:checked { background: #fbe3a0; border: 1px solid #b8860b; padding: 1px; }
)";

} // namespace

QString FormatThousands(quint32 count)
{
    const QString digits = QString::number(count);
    QString grouped;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += QLatin1Char(' ');
        grouped += digits.at(i);
    }
    return grouped;
}

QString FolderWithSeparator(const QString& path)
{
    QString folder = QFileInfo(path).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return QDir::toNativeSeparators(folder);
}

namespace {

// A file written in place keeps its copy beside the recovery copies.
std::unique_ptr<TDocumentFile> OwnDocumentFile(const QString& recoveryFolder)
{
    TDocumentFileServices services;
    services.CopyFolder = recoveryFolder;
    return std::make_unique<TDocumentFile>(std::move(services));
}

} // namespace

TFrmGeneral::TFrmGeneral(const TGeneralServices& services, QWidget* parent)
    : QMainWindow(parent),
      prompts_(services.Prompts),
      shell_(services.Shell),
      document_(services.Document),
      ownDocumentFile_(services.DocumentFile ? nullptr : OwnDocumentFile(services.RecoveryFolder)),
      documentFile_(services.DocumentFile ? services.DocumentFile : ownDocumentFile_.get()),
      arguments_(services.Arguments),
      programDir_(services.ProgramDir)
{
    setObjectName(QStringLiteral("FrmGeneral"));
    setWindowIcon(ApplicationIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    ClipboardGuard = new TClipboardGuard(this);
    ClipboardText = CreateClipboardTextWatch().release();
    ClipboardText->setParent(this);
    new TPasteGate(
        [this](QClipboard::Mode mode) {
            return ClipboardText->AnswersWithText(mode, TClipboardTextWatch::BoundedLookMs);
        },
        this);
    RichEditText = new TRichEditText(shell_, this);
    RichEditText->setObjectName(QStringLiteral("RichEditText"));
    BuildMenus();
    BuildToolbar();
    BuildLayout();
    BuildRecovery(services.RecoveryFolder);
    BuildLock();
    BindShortcuts();
    setMinimumSize(300, 400);
    PlaceAtFirstStart(QMargins());
    FormCreate();
}

TFrmGeneral::~TFrmGeneral() = default;

void TFrmGeneral::PlaceAtFirstStart(const QMargins& frame)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return resize(FirstWidth, FirstHeight);
    const QRect area = screen->availableGeometry();
    const QRect outer = FitOuterFrame(area, QSize(FirstWidth, FirstHeight), area.center());
    resize(outer.size().shrunkBy(frame));
    move(outer.topLeft()); // a window's position is that of its frame
}

bool TFrmGeneral::event(QEvent* event)
{
    // Once the window manager has framed and shown the window, its placement
    // is the window manager's and the user's; put right only a frame that
    // lies off the screen where it was asked to stand.
    if (!firstFramingChecked_ && isVisible() && windowHandle() && windowHandle()->isExposed()) {
        firstFramingChecked_ = true;
        CorrectFirstFraming();
    }
    return QMainWindow::event(event);
}

void TFrmGeneral::CorrectFirstFraming()
{
    const QScreen* screen = windowHandle()->screen();
    if (!screen)
        return;
    const TFirstFraming framing{screen->availableGeometry(), askedPosition_, askedSize_, frameGeometry(), size(),
                                (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0};
    if (const std::optional<QRect> outer = CorrectedFirstFrame(framing))
        setGeometry(outer->marginsRemoved(FrameMargins()));
}

QMargins TFrmGeneral::FrameMargins() const
{
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void TFrmGeneral::SetDialogs(TFrmPasswordCreate* passwordCreate, TFrmPasswordEnter* passwordEnter, QDialog* about)
{
    frmPasswordCreate_ = passwordCreate;
    frmPasswordEnter_ = passwordEnter;
    frmAbout_ = about;
}

void TFrmGeneral::BuildMenus()
{
    MnuGeneralTop = menuBar();
    MnuGeneralTop->setObjectName(QStringLiteral("MnuGeneralTop"));
    const auto addMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = MnuGeneralTop->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->setStyleSheet(QLatin1String(kMenuStyle));
        return menu;
    };
    const auto addItem = [this](QMenu* menu, const char* name, const QString& caption, int image,
                                void (TFrmGeneral::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (image >= 0)
            action->setIcon(ImgLstMenuToolbar(image));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    MnuFile = addMenu("MnuFile", QStringLiteral("&Файл"));
    MnuFileNew = addItem(MnuFile, "MnuFileNew", QStringLiteral("Созд&ать"), 0, &TFrmGeneral::MnuFileNewClick);
    MnuFileOpen = addItem(MnuFile, "MnuFileOpen", QStringLiteral("&Открыть..."), 2, &TFrmGeneral::MnuFileOpenClick);
    MnuFileSave = addItem(MnuFile, "MnuFileSave", QStringLiteral("&Сохранить"), 4, &TFrmGeneral::MnuFileSaveClick);
    MnuFileSaveAs = addItem(MnuFile, "MnuFileSaveAs", QStringLiteral("Со&хранить как..."), -1,
                            &TFrmGeneral::MnuFileSaveAsClick);
    MnuFile->addSeparator()->setObjectName(QStringLiteral("N1"));
    MnuEditPassword = addItem(MnuFile, "MnuEditPassword", QStringLiteral("Назначить/сменить &пароль"), 16,
                              &TFrmGeneral::MnuEditPasswordClick);
    MnuFileLock = addItem(MnuFile, "MnuFileLock", QStringLiteral("За&блокировать"), -1, &TFrmGeneral::MnuFileLockClick);
    MnuFile->addSeparator()->setObjectName(QStringLiteral("MnuFileLine1"));
    MnuFileExit = addItem(MnuFile, "MnuFileExit", QStringLiteral("В&ыход"), -1, &TFrmGeneral::MnuFileExitClick);

    MnuEdit = addMenu("MnuEdit", QStringLiteral("&Правка"));
    // Opening the menu may wait a moment for the clipboard's owner; its
    // shortcuts use what the change notices have kept.
    connect(MnuEdit, &QMenu::aboutToShow, this, [this] {
        ClipboardText->Refresh(TClipboardTextWatch::BoundedLookMs);
        MnuEditClick();
    });
    MnuEditUndo = addItem(MnuEdit, "MnuEditUndo", QStringLiteral("&Отменить"), -1, &TFrmGeneral::MnuEditUndoClick);
    MnuEditRedo = addItem(MnuEdit, "MnuEditRedo", QStringLiteral("&Повторить"), -1, &TFrmGeneral::MnuEditRedoClick);
    MnuEdit->addSeparator()->setObjectName(QStringLiteral("MnuEditLineUndo"));
    MnuEditClipboard = addItem(MnuEdit, "MnuEditClipboard", QStringLiteral("&Буфер обмена (вкл/выкл)"), 14,
                               &TFrmGeneral::MnuEditClipboardClick);
    MnuEditClipboard->setCheckable(true);
    // A frame around a checked icon is too faint to tell on from off.
    MnuEditClipboard->setIcon(SwitchIcon(14));
    MnuEditClipboard->setChecked(true);
    MnuEdit->addSeparator()->setObjectName(QStringLiteral("N2"));
    MnuEditCut = addItem(MnuEdit, "MnuEditCut", QStringLiteral("&Вырезать"), 6, &TFrmGeneral::MnuEditCutClick);
    MnuEditCopy = addItem(MnuEdit, "MnuEditCopy", QStringLiteral("&Копировать"), 8, &TFrmGeneral::MnuEditCopyClick);
    MnuEditPaste = addItem(MnuEdit, "MnuEditPaste", QStringLiteral("Вст&авить"), 10, &TFrmGeneral::MnuEditPasteClick);
    MnuEditDelete = addItem(MnuEdit, "MnuEditDelete", QStringLiteral("&Удалить"), -1,
                            &TFrmGeneral::MnuEditDeleteClick);
    MnuEdit->addSeparator()->setObjectName(QStringLiteral("N4"));
    MnuEditSelectAll = addItem(MnuEdit, "MnuEditSelectAll", QStringLiteral("Выделить в&се"), -1,
                               &TFrmGeneral::MnuEditSelectAllClick);
    MnuEdit->addSeparator()->setObjectName(QStringLiteral("N5"));
    MnuEditFind = addItem(MnuEdit, "MnuEditFind", QStringLiteral("&Найти..."), -1, &TFrmGeneral::MnuEditFindClick);
    MnuEditFindNext = addItem(MnuEdit, "MnuEditFindNext", QStringLiteral("Найти &далее"), -1,
                              &TFrmGeneral::MnuEditFindNextClick);
    MnuEditFindPrevious = addItem(MnuEdit, "MnuEditFindPrevious", QStringLiteral("Найти &ранее"), -1,
                                  &TFrmGeneral::MnuEditFindPreviousClick);
    MnuEditReplace = addItem(MnuEdit, "MnuEditReplace", QStringLiteral("&Заменить..."), -1,
                             &TFrmGeneral::MnuEditReplaceClick);

    MnuFormat = addMenu("MnuFormat", QStringLiteral("Фор&мат"));
    MnuFormatFont = addItem(MnuFormat, "MnuFormatFont", QStringLiteral("&Шрифт..."), 20,
                            &TFrmGeneral::MnuFormatFontClick);

    MnuView = addMenu("MnuView", QStringLiteral("&Вид"));
    MnuViewPanel = MnuView->addMenu(QStringLiteral("&Панель инструментов"));
    MnuViewPanel->setObjectName(QStringLiteral("MnuViewPanel"));
    MnuViewPanel->setStyleSheet(QLatin1String(kMenuStyle));
    auto* edges = new QActionGroup(this);
    const auto addEdge = [&](const char* name, const QString& caption, int image, TToolbarEdge edge) {
        QAction* action = MnuViewPanel->addAction(ImgLstMenuToolbar(image), caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        edges->addAction(action);
        connect(action, &QAction::triggered, this, [this, edge] { PlaceToolbar(edge); });
        return action;
    };
    MnuViewPanelTop = addEdge("MnuViewPanelTop", QStringLiteral("С&верху"), 24, TToolbarEdge::Top);
    MnuViewPanelBottom = addEdge("MnuViewPanelBottom", QStringLiteral("С&низу"), 28, TToolbarEdge::Bottom);
    MnuViewPanelLeft = addEdge("MnuViewPanelLeft", QStringLiteral("С&лева"), 22, TToolbarEdge::Left);
    MnuViewPanelRight = addEdge("MnuViewPanelRight", QStringLiteral("С&права"), 26, TToolbarEdge::Right);
    MnuViewPanelTop->setChecked(true);
    BuildLockMenu();

    MnuHelp = addMenu("MnuHelp", QStringLiteral("&Справка"));
    MnuHelpHelp = addItem(MnuHelp, "MnuHelpHelp", QStringLiteral("&Вызов справки"), 30, &TFrmGeneral::MnuHelpHelpClick);
    MnuHelp->addSeparator()->setObjectName(QStringLiteral("N3"));
    MnuHelpAbout = addItem(MnuHelp, "MnuHelpAbout", QStringLiteral("&О программе"), 18,
                           &TFrmGeneral::MnuHelpAboutClick);
}

void TFrmGeneral::BuildLockMenu()
{
    MnuViewLock = MnuView->addMenu(QStringLiteral("Авто&блокировка"));
    MnuViewLock->setObjectName(QStringLiteral("MnuViewLock"));
    MnuViewLock->setStyleSheet(QLatin1String(kMenuStyle));
    auto* choices = new QActionGroup(this);
    const auto addChoice = [&](const char* name, const QString& caption, int minutes) {
        QAction* action = MnuViewLock->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        action->setData(minutes);
        choices->addAction(action);
        connect(action, &QAction::triggered, this, [this, minutes] { SetLockMinutes(minutes); });
        return action;
    };
    MnuViewLockNever = addChoice("MnuViewLockNever", QStringLiteral("&Никогда"), 0);
    MnuViewLock5 = addChoice("MnuViewLock5", QStringLiteral("Через &5 минут"), 5);
    MnuViewLock10 = addChoice("MnuViewLock10", QStringLiteral("Через &10 минут"), 10);
    MnuViewLock30 = addChoice("MnuViewLock30", QStringLiteral("Через &30 минут"), 30);
}

void TFrmGeneral::BuildToolbar()
{
    RzToolbarPictures = new TToolbarPanel(this);
    auto* bar = RzToolbarPictures;
    const auto addButton = [this, bar](const char* name, int image, const QString& tip,
                                       void (TFrmGeneral::*handler)()) {
        QToolButton* button = bar->AddButton(QLatin1String(name), ButtonIcon(image), tip);
        connect(button, &QToolButton::clicked, this, handler);
        return button;
    };
    BtnNew = addButton("BtnNew", 0, QStringLiteral("Создать (Ctrl+N)"), &TFrmGeneral::MnuFileNewClick);
    BtnOpen = addButton("BtnOpen", 2, QStringLiteral("Открыть (Ctrl+O)"), &TFrmGeneral::MnuFileOpenClick);
    BtnSave = addButton("BtnSave", 4, QStringLiteral("Сохранить (Ctrl+S)"), &TFrmGeneral::MnuFileSaveClick);
    bar->AddSpacer(QStringLiteral("RzSpacer4"));
    BtnSecurity = addButton("BtnSecurity", 16, QStringLiteral("Назначить/сменить пароль (Ctrl+Alt+P)"),
                            &TFrmGeneral::MnuEditPasswordClick);
    bar->AddSpacer(QStringLiteral("RzSpacer1"));
    BtnCut = addButton("BtnCut", 6, QStringLiteral("Вырезать (Ctrl+X)"), &TFrmGeneral::MnuEditCutClick);
    BtnCopy = addButton("BtnCopy", 8, QStringLiteral("Копировать (Ctrl+C)"), &TFrmGeneral::MnuEditCopyClick);
    BtnPaste = addButton("BtnPaste", 10, QStringLiteral("Вставить (Ctrl+V)"), &TFrmGeneral::MnuEditPasteClick);
    bar->AddSpacer(QStringLiteral("RzSpacer2"));
    BtnFont = addButton("BtnFont", 20, QStringLiteral("Шрифт... (Ctrl+F)"), &TFrmGeneral::MnuFormatFontClick);
}

void TFrmGeneral::BuildLayout()
{
    auto* client = new QWidget(this);
    rootLayout_ = new QVBoxLayout(client);
    rootLayout_->setContentsMargins(0, 0, 0, 0);
    rootLayout_->setSpacing(0);
    middleLayout_ = new QHBoxLayout;
    middleLayout_->setSpacing(0);
    middleLayout_->addWidget(RichEditText, 1);
    StatusBar = new QStatusBar(client);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    StatusPanel = new QLabel(StatusBar);
    StatusPanel->setFixedWidth(StatusPanelWidth);
    StatusBar->addWidget(StatusPanel);
    StatusFindMessage = new QLabel(StatusBar);
    StatusFindMessage->setObjectName(QStringLiteral("StatusFindMessage"));
    StatusBar->addWidget(StatusFindMessage, 1);
    StatusFindMessage->hide();
    rootLayout_->addWidget(RzToolbarPictures);
    UpgradeBar = new TUpgradeBar(client);
    connect(UpgradeBar, &TUpgradeBar::UpgradeRequested, this, &TFrmGeneral::BtnUpgradeClick);
    connect(UpgradeBar, &TUpgradeBar::DeleteOldRequested, this, &TFrmGeneral::BtnDeleteOldClick);
    connect(UpgradeBar->BtnHide, &QPushButton::clicked, this, [this] {
        upgradeDismissed_ = CurrentPath();
        FocusEditor();
    });
    rootLayout_->addWidget(UpgradeBar);
    rootLayout_->addLayout(middleLayout_, 1);
    // Under the editing area, so above a toolbar at the bottom edge too.
    FindPanel = new TFindPanel(*RichEditText, client);
    rootLayout_->addWidget(FindPanel);
    rootLayout_->addWidget(StatusBar);
    setCentralWidget(client);
}

void TFrmGeneral::BindShortcuts()
{
    shortcuts_ = new TMenuShortcuts(this);
    new TDialogAccessKeys(this); // the dialogs and message boxes shown over this window
    const auto none = std::function<void()>();
    const auto editClick = [this] { MnuEditClick(); };
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_N), MnuFile, none, MnuFileNew);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_O), MnuFile, none, MnuFileOpen);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_S), MnuFile, none, MnuFileSave);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_P), MnuFile, none,
                    MnuEditPassword);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_L), MnuFile, none, MnuFileLock);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S), MnuFile, none,
                    MnuFileSaveAs);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_Q), MnuFile, none, MnuFileExit);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_Z), MnuEdit, editClick, MnuEditUndo);
    // Both usual redo keys; the caption shows the one added last.
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z), MnuEdit, editClick,
                    MnuEditRedo);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_Y), MnuEdit, editClick, MnuEditRedo);
    // Locking closes the dialogs: it must reach them first.
    shortcuts_->KeepOverDialogs(QKeyCombination(Qt::ControlModifier, Qt::Key_L));
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_X), MnuEdit, editClick, MnuEditCut);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_C), MnuEdit, editClick, MnuEditCopy);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_V), MnuEdit, [this] { MnuEditPasteKey(); },
                    MnuEditPaste);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_A), MnuEdit, editClick, MnuEditSelectAll);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F), MnuEdit, editClick,
                    MnuEditFind);
    shortcuts_->Add(QKeyCombination(Qt::NoModifier, Qt::Key_F3), MnuEdit, editClick, MnuEditFindNext);
    shortcuts_->Add(QKeyCombination(Qt::ShiftModifier, Qt::Key_F3), MnuEdit, editClick, MnuEditFindPrevious);
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_H), MnuEdit, editClick, MnuEditReplace);
    // In the find panel's fields these act on the field itself.
    for (const Qt::Key key : {Qt::Key_X, Qt::Key_C, Qt::Key_V, Qt::Key_A, Qt::Key_Z, Qt::Key_Y})
        shortcuts_->LeaveToTextFields(QKeyCombination(Qt::ControlModifier, key));
    shortcuts_->LeaveToTextFields(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z));
    shortcuts_->Add(QKeyCombination(Qt::ControlModifier, Qt::Key_F), MnuFormat, none, MnuFormatFont);
    shortcuts_->Add(QKeyCombination(Qt::NoModifier, Qt::Key_F1), MnuHelp, none, MnuHelpHelp);
}

void TFrmGeneral::FormCreate()
{
    connect(RichEditText, &TRichEditText::InputEvent, this, [this] {
        UpdateCharCount();
        UpdateEditCommands();
    });
    connect(RichEditText, &QPlainTextEdit::textChanged, this, &TFrmGeneral::UpdateCharCount);
    connect(RichEditText, &QPlainTextEdit::modificationChanged, this, &TFrmGeneral::ShowTitle);
    connect(RichEditText, &QPlainTextEdit::undoAvailable, MnuEditUndo, &QAction::setEnabled);
    connect(RichEditText, &QPlainTextEdit::redoAvailable, MnuEditRedo, &QAction::setEnabled);
    MnuEditUndo->setEnabled(false);
    MnuEditRedo->setEnabled(false);
    connect(RichEditText, &TRichEditText::LoadFailed, this, &TFrmGeneral::ShowLoadFailure);
    connect(ClipboardText, &TClipboardTextWatch::Changed, this, &TFrmGeneral::UpdateEditCommands);
    connect(FindPanel, &TFindPanel::MessageWhileClosed, this, &TFrmGeneral::ShowFindMessage);
    ResetDocumentPath();
    UpdateCaption();
    UpdateCharCount();
    document_.CurrentPassword.clear();
    SetDialogsStartFolder(document_.CurrentDir);
    settingsPath_ = SettingsFilePath(programDir_);
    ApplySettings(LoadSettings(settingsPath_, document_.CurrentDir, RichEditText->font(), RichEditText->logicalDpiY()));
    UpdateEditCommands();
}

void TFrmGeneral::UpdateCaption()
{
    ShowTitle();
    UpdateUpgradeBar();
}

void TFrmGeneral::ShowTitle()
{
    const QString caption = ApplicationTitle;
    // A locked window does not tell which document it holds.
    if (LockPanel && !LockPanel->isHidden())
        return setWindowTitle(kLockedCaption + caption);
    const QString unsaved = RichEditText->document()->isModified() ? QStringLiteral("*") : QString();
    setWindowTitle(unsaved + (document_.CurrentFileName.isEmpty()
                                  ? kUntitled + caption
                                  : document_.CurrentFileName + QStringLiteral(" - ") + caption));
}

void TFrmGeneral::UpdateCharCount()
{
    const qint64 count = RichEditText->CharCount();
    StatusPanel->setText(kCountLabel + FormatThousands(static_cast<quint32>(count)));
    // Wider only when the text needs it, in whatever font the platform gave.
    StatusPanel->setFixedWidth(std::max(StatusPanelWidth, StatusPanel->sizeHint().width()));
}

void TFrmGeneral::ResetDocumentPath()
{
    // An installed program's folder is no place for documents: the user's
    // documents folder stands in for it then.
    QString dir = QDir::toNativeSeparators(
        IsProgramFolderWritable(programDir_) ? programDir_
                                             : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    document_.CurrentDir = dir;
    document_.CurrentFileName.clear();
}

void TFrmGeneral::SetDialogsStartFolder(const QString& folder)
{
    OpenDialog.InitialDir = DialogStartFolder(folder);
    SaveDialog.InitialDir = OpenDialog.InitialDir;
}

void TFrmGeneral::SetCommandsEnabled(bool on)
{
    RichEditText->setEnabled(on);
    for (QMenu* menu : {MnuFile, MnuEdit, MnuFormat, MnuView, MnuHelp})
        menu->menuAction()->setEnabled(on);
    RzToolbarPictures->setEnabled(on);
}

void TFrmGeneral::PlaceToolbar(TToolbarEdge edge)
{
    toolbarEdge_ = edge;
    rootLayout_->removeWidget(RzToolbarPictures);
    middleLayout_->removeWidget(RzToolbarPictures);
    const bool vertical = edge == TToolbarEdge::Left || edge == TToolbarEdge::Right;
    RzToolbarPictures->SetVertical(vertical);
    switch (edge) {
    case TToolbarEdge::Top: rootLayout_->insertWidget(0, RzToolbarPictures); break;
    case TToolbarEdge::Bottom: rootLayout_->addWidget(RzToolbarPictures); break; // below the status bar
    case TToolbarEdge::Left: middleLayout_->insertWidget(0, RzToolbarPictures); break;
    case TToolbarEdge::Right: middleLayout_->addWidget(RzToolbarPictures); break;
    }
    QAction* item = edge == TToolbarEdge::Top ? MnuViewPanelTop
        : edge == TToolbarEdge::Bottom        ? MnuViewPanelBottom
        : edge == TToolbarEdge::Left          ? MnuViewPanelLeft
                                              : MnuViewPanelRight;
    item->setChecked(true);
}

void TFrmGeneral::FocusEditor() { RichEditText->setFocus(Qt::OtherFocusReason); }

void TFrmGeneral::ScheduleFirstActivation()
{
    QTimer::singleShot(0, this, [this] {
        if (activated_)
            return;
        activateWindow();
        FormActivate();
    });
}

void TFrmGeneral::showEvent(QShowEvent* event)
{
    // Before the first map: where the system knows the frame already
    // (Windows), the first size includes it.
    if (!firstShown_) {
        firstShown_ = true;
        if (!FrameMargins().isNull())
            PlaceAtFirstStart(FrameMargins());
        askedPosition_ = pos();
        askedSize_ = size();
    }
    QMainWindow::showEvent(event);
    // Without a window manager the window may never become active; the
    // command-line file must still open once the message loop runs.
    if (!activated_)
        ScheduleFirstActivation();
}

void TFrmGeneral::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_)
        ScheduleFirstActivation();
}

namespace {

bool IsFileOfAnotherKind(const QString& path)
{
    return !HasDocumentExtension(path) && RegularFileStamp(path).has_value();
}

} // namespace

void TFrmGeneral::FormActivate()
{
    activated_ = true;
    // A file of another kind is left alone, as ever; anything that is not a
    // file that can be read gets its reason from the open.
    if (!arguments_.isEmpty() && !IsFileOfAnotherKind(arguments_.constFirst()))
        LoadProtectedFile(arguments_.constFirst());
    OfferLeftCopies();
    FocusEditor();
}

void TFrmGeneral::closeEvent(QCloseEvent* event)
{
    event->ignore();
    // Closing waits, like every command, until a file is read or written.
    if (busy_)
        return;
    if (FormClose()) {
        event->accept();
        QApplication::exit(0);
    }
}

} // namespace tainoteka
