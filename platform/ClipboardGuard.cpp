#include "ClipboardGuard.h"

#include <QGuiApplication>
#include <QMimeData>

namespace tainoteka {

TClipboardGuard::TClipboardGuard(QObject* parent) : QObject(parent)
{
    TmrClipBoardClear.setObjectName(QStringLiteral("TmrClipBoardClear"));
    TmrClipBoardClear.setInterval(BackstopIntervalMs);
    connect(&TmrClipBoardClear, &QTimer::timeout, this, &TClipboardGuard::ClearNow);
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, &TClipboardGuard::OnChanged);
    // Wayland lets only the focused program touch the clipboard: empty it as
    // the focus arrives and once more as it goes (the compositor may already
    // refuse that one).
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this] {
        if (active_)
            ClearNow();
    });
}

void TClipboardGuard::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    if (active) {
        TmrClipBoardClear.start();
        ClearNow();
    } else {
        TmrClipBoardClear.stop();
    }
}

void TClipboardGuard::ClearNow()
{
    Clear(QClipboard::Clipboard);
    if (QGuiApplication::clipboard()->supportsSelection())
        Clear(QClipboard::Selection);
}

void TClipboardGuard::OnChanged(QClipboard::Mode mode)
{
    if (active_ && mode != QClipboard::FindBuffer)
        Clear(mode);
}

void TClipboardGuard::Clear(QClipboard::Mode mode)
{
    // Clearing raises the change notice itself.
    if (clearing_)
        return;
    clearing_ = true;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // Taking the clipboard with nothing in it rather than leaving it
        // without an owner: XWayland compositors hand a new X owner on to
        // Wayland programs (whose copy is then dropped), but not an owner
        // that went away.
        // Only our own data is looked at: a foreign owner may never answer.
        const bool owned = mode == QClipboard::Clipboard ? clipboard->ownsClipboard() : clipboard->ownsSelection();
        const QMimeData* held = owned ? clipboard->mimeData(mode) : nullptr;
        if (!held || !held->formats().isEmpty())
            clipboard->setMimeData(new QMimeData, mode);
    } else {
        clipboard->clear(mode);
    }
    clearing_ = false;
}

} // namespace tainoteka
