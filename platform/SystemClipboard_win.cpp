// Emptying the Windows clipboard directly: Qt's clear() empties it even when
// it is already empty, and OLE may sleep while another program holds it open.
#include "SystemClipboard.h"

#include <QGuiApplication>

#include <windows.h>

namespace tainoteka {
namespace {

TForeignContentRule& Rule()
{
    static TForeignContentRule rule; // the GUI thread is its only user
    return rule;
}

TClipboardSnapshot Snapshot()
{
    return {static_cast<std::uint32_t>(GetClipboardSequenceNumber()), CountClipboardFormats()};
}

} // namespace

TEmptyResult EmptyWindowsClipboard(TForeignContentRule& rule)
{
    if (!rule.ShouldEmpty(Snapshot()))
        return TEmptyResult::Done;
    // Fails at once, without waiting, while another window has it open.
    if (!OpenClipboard(nullptr))
        return TEmptyResult::Busy;
    const bool emptied = EmptyClipboard();
    CloseClipboard();
    if (!emptied)
        return TEmptyResult::Busy;
    rule.RecordOwnEmptying(static_cast<std::uint32_t>(GetClipboardSequenceNumber()));
    return TEmptyResult::Done;
}

TEmptyResult EmptySystemClipboard(QClipboard::Mode mode)
{
    // Other Qt platforms (offscreen) keep a clipboard of their own.
    if (QGuiApplication::platformName() != QLatin1String("windows")) {
        QGuiApplication::clipboard()->clear(mode);
        return TEmptyResult::Done;
    }
    if (mode != QClipboard::Clipboard)
        return TEmptyResult::Done;
    return EmptyWindowsClipboard(Rule());
}

} // namespace tainoteka
