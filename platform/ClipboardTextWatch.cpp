#include "ClipboardTextWatch.h"

#include <QGuiApplication>
#include <QMimeData>

namespace tainoteka {

TClipboardTextWatch::TClipboardTextWatch(QObject* parent) : QObject(parent) {}

void TClipboardTextWatch::SetOffersText(bool offers)
{
    if (offers == offersText_)
        return;
    offersText_ = offers;
    emit Changed();
}

bool TClipboardTextWatch::QtOffersText(QClipboard::Mode mode)
{
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData(mode);
    return offered && offered->hasText();
}

TQtClipboardTextWatch::TQtClipboardTextWatch()
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Refresh(0); });
    Refresh(0);
}

void TQtClipboardTextWatch::Refresh(int) { SetOffersText(QtOffersText(QClipboard::Clipboard)); }

bool TQtClipboardTextWatch::AnswersWithText(QClipboard::Mode mode, int)
{
    const bool offers = QtOffersText(mode);
    if (mode == QClipboard::Clipboard)
        SetOffersText(offers);
    return offers;
}

} // namespace tainoteka
