#include "LinkFinder.h"

#include <QRegularExpression>

namespace tainoteka {
namespace {

const QRegularExpression& LinkPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w@.])((?:https?|ftp|file)://|mailto:|news:|www\.)[^\s<>"{}|\\^`]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Punctuation that usually closes the sentence rather than the address.
int TrimmedLength(const QString& line, int start, int length)
{
    static const QString trailing = QStringLiteral(".,;:!?)]'»");
    while (length > 0 && trailing.contains(line.at(start + length - 1)))
        --length;
    return length;
}

bool MayHoldLink(const QString& line)
{
    return line.contains(QLatin1Char(':')) || line.contains(QLatin1String("www."), Qt::CaseInsensitive);
}

} // namespace

QList<TLinkSpan> FindLinks(const QString& line)
{
    QList<TLinkSpan> links;
    if (!MayHoldLink(line))
        return links;
    auto it = LinkPattern().globalMatch(line);
    while (it.hasNext()) {
        const auto match = it.next();
        const int length = TrimmedLength(line, match.capturedStart(), match.capturedLength());
        // A scheme or "www." alone is not an address yet.
        if (length > match.capturedLength(1))
            links.append({static_cast<int>(match.capturedStart()), length});
    }
    return links;
}

TLinkSpan LinkAt(const QString& line, int position)
{
    for (const TLinkSpan& link : FindLinks(line))
        if (position >= link.Start && position < link.Start + link.Length)
            return link;
    return {};
}

QString LinkTarget(const QString& linkText)
{
    if (linkText.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + linkText;
    return linkText;
}

} // namespace tainoteka
