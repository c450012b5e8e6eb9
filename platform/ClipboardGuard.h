#pragma once
// Keeps the system clipboard (and on X11 the PRIMARY selection) empty while
// active. Clears on the clipboard's own change notice, which arrives within a
// few milliseconds of another program copying, so the program can sit idle
// instead of polling; a slow backstop timer covers a notice that never comes.
#include <QClipboard>
#include <QObject>
#include <QTimer>

namespace tainoteka {

class TClipboardGuard final : public QObject {
    Q_OBJECT
public:
#ifdef _WIN32
    // Windows tells every listener of each change; the backstop only covers
    // a lost notice, and each wake-up costs more than the check itself.
    static constexpr int BackstopIntervalMs = 1000;
#else
    static constexpr int BackstopIntervalMs = 250;
#endif
    static constexpr int BusyRetryMs = 10; // another program holds the clipboard open

    explicit TClipboardGuard(QObject* parent = nullptr);

    void SetActive(bool active);

    QTimer TmrClipBoardClear;

public slots:
    void ClearNow();

private:
    void OnChanged(QClipboard::Mode mode);
    void Clear(QClipboard::Mode mode);

    bool active_ = false;
    bool clearing_ = false;
};

} // namespace tainoteka
