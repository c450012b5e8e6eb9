#pragma once
// Finds web addresses in a line of text, the way the editing area shows them
// as links: http, https, ftp, file, mailto, news, and www. without a scheme.
#include <QList>
#include <QString>

namespace tainoteka {

struct TLinkSpan {
    int Start = 0;
    int Length = 0;
};

QList<TLinkSpan> FindLinks(const QString& line);
// The link under a position of the line, if any (Length 0 when none).
TLinkSpan LinkAt(const QString& line, int position);
// What is handed to the desktop: the link's own characters, with http:// in
// front of a bare www. address.
QString LinkTarget(const QString& linkText);

} // namespace tainoteka
