#include "ClipboardGuard.h"

#include <QGuiApplication>
#include <QMimeData>

#include "SystemClipboard.h"

namespace tainoteka {

TClipboardGuard::TClipboardGuard(QObject* parent) : QObject(parent)
{
    TmrClipBoardClear.setObjectName(QStringLiteral("TmrClipBoardClear"));
    TmrClipBoardClear.setInterval(BackstopIntervalMs);
    connect(&TmrClipBoardClear, &QTimer::timeout, this, &TClipboardGuard::ClearNow);
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, &TClipboardGuard::OnChanged);
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
    if (EmptySystemClipboard(mode) == TEmptyResult::Busy)
        QTimer::singleShot(BusyRetryMs, this, &TClipboardGuard::ClearNow);
    clearing_ = false;
}

} // namespace tainoteka
