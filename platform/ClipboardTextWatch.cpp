#include "ClipboardTextWatch.h"

#include <QClipboard>
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

void TClipboardTextWatch::AskQt()
{
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    SetOffersText(offered && offered->hasText());
}

TQtClipboardTextWatch::TQtClipboardTextWatch()
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Refresh(0); });
    Refresh(0);
}

void TQtClipboardTextWatch::Refresh(int) { AskQt(); }

} // namespace tainoteka
