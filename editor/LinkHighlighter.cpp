#include "LinkHighlighter.h"

#include <QTextCharFormat>

#include "LinkFinder.h"

namespace tainoteka {

TLinkHighlighter::TLinkHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void TLinkHighlighter::highlightBlock(const QString& text)
{
    const QList<TLinkSpan> links = FindLinks(text);
    if (links.isEmpty())
        return;
    QTextCharFormat link;
    link.setForeground(QColor(0, 0, 255));
    link.setFontUnderline(true);
    for (const TLinkSpan& span : links)
        setFormat(span.Start, span.Length, link);
}

} // namespace tainoteka
