#include "U_Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ApplicationTitle.h"
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

void THelpViewer::ShowHelp(const QString& programDir)
{
    if (!window_) {
        const QFileInfo file(HelpFilePath(programDir));
        // Without a readable help file there is nothing to show, and nothing is said.
        if (!file.isFile() || !file.isReadable())
            return;
        window_ = new THelpWindow(file.absoluteFilePath(), shell_);
    }
    if (window_->isMinimized())
        window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace tainoteka
