// Windows: the availability test never calls the clipboard's owner.
#include "ClipboardTextWatch.h"

#include <QClipboard>
#include <QGuiApplication>

#include <windows.h>

namespace tainoteka {
namespace {

class TWinClipboardTextWatch final : public TClipboardTextWatch {
public:
    TWinClipboardTextWatch()
    {
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Refresh(0); });
        Refresh(0);
    }
    // CF_TEXT is offered for Unicode and OEM text as well.
    void Refresh(int) override { SetOffersText(IsClipboardFormatAvailable(CF_TEXT) != 0); }
    // Windows has one clipboard; reading it is left to Qt.
    bool AnswersWithText(QClipboard::Mode mode, int waitMs) override
    {
        if (mode != QClipboard::Clipboard)
            return false;
        Refresh(waitMs);
        return OffersText();
    }
};

} // namespace

std::unique_ptr<TClipboardTextWatch> CreateClipboardTextWatch()
{
    // Other Qt platforms (offscreen) keep a clipboard of their own.
    if (QGuiApplication::platformName() != QLatin1String("windows"))
        return std::make_unique<TQtClipboardTextWatch>();
    return std::make_unique<TWinClipboardTextWatch>();
}

} // namespace tainoteka
