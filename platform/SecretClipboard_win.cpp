// Windows: registered clipboard formats that keep a copy out of the clipboard
// history (Win+V), its cloud sync and clipboard monitors. Qt reads a format
// named in "application/x-qt-windows-mime;value=..." from other programs,
// but offers one of ours under the whole MIME text; a converter of our own
// offers the three under their bare names as well.
#include "SecretClipboard.h"

#include <QGuiApplication>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/private/qwindowsmime_p.h>

#include <algorithm>
#include <cstring>

#include <windows.h>

namespace tainoteka {

namespace {

const char* const kMarkNames[] = {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
                                  "CanUploadToCloudClipboard"};

QString Registered(const char* name)
{
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(name));
}

// A DWORD 0, little-endian.
const QByteArray kFalse(4, '\0');

class TBareMarkFormats final : public QNativeInterface::Private::QWindowsMime {
public:
    bool canConvertFromMime(const FORMATETC& format, const QMimeData* data) const override
    {
        const QString mime = MimeOf(format.cfFormat);
        return !mime.isEmpty() && (format.tymed & TYMED_HGLOBAL) && data->hasFormat(mime);
    }

    bool convertFromMime(const FORMATETC& format, const QMimeData* data, STGMEDIUM* medium) const override
    {
        if (!canConvertFromMime(format, data))
            return false;
        const QByteArray bytes = data->data(MimeOf(format.cfFormat));
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(std::max<qsizetype>(bytes.size(), 1)));
        if (!global)
            return false;
        void* target = GlobalLock(global);
        if (!target) {
            GlobalFree(global);
            return false;
        }
        std::memcpy(target, bytes.constData(), std::size_t(bytes.size()));
        GlobalUnlock(global);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return true;
    }

    QList<FORMATETC> formatsForMime(const QString& mimeType, const QMimeData*) const override
    {
        for (const char* name : kMarkNames)
            if (mimeType == Registered(name)) {
                FORMATETC format{};
                format.cfFormat = CLIPFORMAT(FormatOf(name));
                format.dwAspect = DVASPECT_CONTENT;
                format.lindex = -1;
                format.tymed = TYMED_HGLOBAL;
                return {format};
            }
        return {};
    }

    // Reading from other programs stays with Qt's own converters.
    bool canConvertToMime(const QString&, IDataObject*) const override { return false; }
    QVariant convertToMime(const QString&, IDataObject*, QMetaType) const override { return {}; }
    QString mimeForFormat(const FORMATETC&) const override { return {}; }

private:
    static UINT FormatOf(const char* name)
    {
        return RegisterClipboardFormatW(reinterpret_cast<const wchar_t*>(QString::fromLatin1(name).utf16()));
    }
    static QString MimeOf(CLIPFORMAT format)
    {
        for (const char* name : kMarkNames)
            if (FormatOf(name) == format)
                return Registered(name);
        return {};
    }
};

// Once per process, on the Windows platform only; Qt keeps the converter to
// the end, so it is never deleted.
void OfferBareMarkFormats()
{
    static const bool offered = [] {
        using TWindowsApplication = QNativeInterface::Private::QWindowsApplication;
        auto* windows = qGuiApp ? qGuiApp->nativeInterface<TWindowsApplication>() : nullptr;
        if (!windows)
            return false;
        windows->registerMime(new TBareMarkFormats);
        return true;
    }();
    (void)offered;
}

} // namespace

QStringList SecretMarkFormats()
{
    return {Registered("ExcludeClipboardContentFromMonitorProcessing"), Registered("CanIncludeInClipboardHistory"),
            Registered("CanUploadToCloudClipboard")};
}

void MarkAsSecret(QMimeData& data)
{
    OfferBareMarkFormats();
    // Only its presence counts; a value that is not empty is kept by every
    // reader that copies the clipboard's formats.
    data.setData(Registered("ExcludeClipboardContentFromMonitorProcessing"), kFalse);
    data.setData(Registered("CanIncludeInClipboardHistory"), kFalse);
    data.setData(Registered("CanUploadToCloudClipboard"), kFalse);
}

} // namespace tainoteka
