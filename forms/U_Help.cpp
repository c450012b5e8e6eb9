#include "U_Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ApplicationTitle.h"
#include "ScreenFit.h"
#include "Shell.h"

namespace tainoteka {

const QString HelpWindowTitle = QStringLiteral("Справка - ") + ApplicationTitle;
const QString HelpFileName = QStringLiteral("help.html");

QString HelpFilePath(const QString& programDir)
{
    const QString beside = QDir(programDir).filePath(HelpFileName);
    // An installed program keeps its data in ../share, next to its bin folder.
    const QString installed = QDir(programDir).filePath(QStringLiteral("../share/tainoteka/") + HelpFileName);
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}

THelpWindow::THelpWindow(const QString& helpFile, IShell* shell)
    : QWidget(nullptr), shell_(shell)
{
    setObjectName(QStringLiteral("FrmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The title is fixed, whatever the file calls itself: it is how an open
    // help window is recognised.
    setWindowTitle(HelpWindowTitle);
    resize(800, 620);

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("BrowserHelp"));
    // Every click comes through FollowLink, so that nothing outside the help
    // is ever loaded into this window.
    Browser->setOpenLinks(false);
    Browser->setOpenExternalLinks(false);
    Browser->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()));
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);

    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void THelpWindow::FollowLink(const QUrl& link)
{
    const QUrl target = Browser->source().resolved(link);
    if (target.isLocalFile()) {
        const QString file = target.toLocalFile();
        const QString shown = Browser->source().toLocalFile();
        if (QFileInfo(file) == QFileInfo(shown)) {
            if (!target.fragment().isEmpty())
                Browser->scrollToAnchor(target.fragment());
            return;
        }
        const QString suffix = QFileInfo(file).suffix().toLower();
        if ((suffix == QLatin1String("html") || suffix == QLatin1String("htm")) && QFileInfo(file).isFile()) {
            Browser->setSource(target);
            return;
        }
    }
    if (shell_)
        shell_->Open(target.isLocalFile() ? target.toLocalFile() : target.toString());
    else
        QDesktopServices::openUrl(target);
}

THelpViewer::THelpViewer(IShell* shell) : shell_(shell) {}

THelpViewer::~THelpViewer() { delete window_.data(); }

namespace {

QMargins FrameOf(const QWidget* window)
{
    return window && window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
}

} // namespace

void PlaceHelpWindow(QWidget& help, const QWidget* beside)
{
    const QScreen* screen = beside && beside->screen() ? beside->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The help is not framed yet; the main window's frame stands in for its own.
    const QMargins frame = FrameOf(beside);
    const QRect mainOuter = beside && beside->isVisible() ? beside->geometry().marginsAdded(frame)
                                                          : QRect(area.center(), QSize(1, 1));
    const QRect outer = PlaceBeside(area, mainOuter, help.size().grownBy(frame));
    help.resize(outer.size().shrunkBy(frame));
    help.move(outer.topLeft());
}

void THelpViewer::ShowHelp(const QString& programDir, const QWidget* beside)
{
    if (!window_) {
        const QFileInfo file(HelpFilePath(programDir));
        // Without a readable help file there is nothing to show, and nothing is said.
        if (!file.isFile() || !file.isReadable())
            return;
        window_ = new THelpWindow(file.absoluteFilePath(), shell_);
        PlaceHelpWindow(*window_, beside);
    }
    if (window_->isMinimized())
        window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace tainoteka
