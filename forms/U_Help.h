#pragma once
// The program's own help window: the help file that stands beside the
// executable, shown in a browser window of its own. One such window at most;
// asking for help again brings it back to the front.
#include <QPointer>
#include <QString>
#include <QWidget>

class QTextBrowser;
class QUrl;

namespace tainoteka {

class IShell;

extern const QString HelpWindowTitle; // "Справка - Тайнотека"
extern const QString HelpFileName; // "help.html"

// The help file for a program folder (with or without a trailing separator).
QString HelpFilePath(const QString& programDir);

class THelpWindow final : public QWidget {
    Q_OBJECT
public:
    // shell opens links that lead out of the help; null means the desktop's default.
    THelpWindow(const QString& helpFile, IShell* shell);

    QTextBrowser* Browser = nullptr;

    // What a click on a link does: places inside the help are shown here,
    // anything else goes to the shell.
    void FollowLink(const QUrl& link);

private:
    IShell* shell_;
};

// Puts a new help window beside the main window (or centred on it where there
// is no room), its frame within the screen's available area.
void PlaceHelpWindow(QWidget& help, const QWidget* beside);

class THelpViewer final {
public:
    explicit THelpViewer(IShell* shell = nullptr);
    ~THelpViewer();
    THelpViewer(const THelpViewer&) = delete;
    THelpViewer& operator=(const THelpViewer&) = delete;

    // The help command. An open help window, minimised or not, comes back to
    // the front; otherwise the help file of programDir is shown in a new
    // window, beside the given main window. No help file: nothing happens.
    void ShowHelp(const QString& programDir, const QWidget* beside = nullptr);

    // The window now open, or null; closing the window destroys it.
    THelpWindow* Window() const { return window_; }

private:
    IShell* shell_;
    QPointer<THelpWindow> window_;
};

} // namespace tainoteka
