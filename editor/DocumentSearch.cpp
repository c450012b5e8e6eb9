#include "DocumentSearch.h"

#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace tainoteka {
namespace {

// Two megabytes of text at a time: big enough that reading is a copy, small
// enough that a search never holds a second copy of the document.
constexpr qsizetype kPiece = qsizetype(1) << 20;
constexpr qsizetype kFirstWindow = 4096;

// Rebuilding the span from the first to the last match costs about as much
// per character as replacing one match costs per this many characters.
constexpr qsizetype kRebuildCharsPerMatch = 48;

qsizetype TextLength(const QTextDocument& document) { return document.characterCount() - 1; }

QString ReadText(QTextCursor& cursor, qsizetype from, qsizetype to)
{
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// Searches a document through windows of at most kPiece starting places.
class TPieceSearch {
public:
    TPieceSearch(const QTextDocument& document, const TSearchPattern& pattern)
        : cursor_(const_cast<QTextDocument*>(&document)), pattern_(pattern), length_(TextLength(document))
    {
    }

    // Last place where a match can start, plus one.
    qsizetype StartsEnd() const { return std::max<qsizetype>(0, length_ - pattern_.Length() + 1); }

    // Windows start small, as the next match is mostly near, and grow.
    qsizetype First(qsizetype from, qsizetype to)
    {
        to = std::min(to, StartsEnd());
        qsizetype window = kFirstWindow;
        for (qsizetype a = std::max<qsizetype>(from, 0); a < to; a += window, window = std::min(window * 4, kPiece)) {
            const qsizetype b = std::min(a + window, to);
            const qsizetype offset = Load(a, b);
            if (const qsizetype at = pattern_.FindFirst(piece_, a - offset, b - offset); at >= 0)
                return offset + at;
        }
        return -1;
    }

    qsizetype Last(qsizetype from, qsizetype to)
    {
        from = std::max<qsizetype>(from, 0);
        qsizetype window = kFirstWindow;
        for (qsizetype b = std::min(to, StartsEnd()); b > from; b -= window, window = std::min(window * 4, kPiece)) {
            const qsizetype a = std::max(from, b - window);
            const qsizetype offset = Load(a, b);
            if (const qsizetype at = pattern_.FindLast(piece_, a - offset, b - offset); at >= 0)
                return offset + at;
        }
        return -1;
    }

    // Every match, left to right, none overlapping the one before.
    std::vector<qsizetype> All()
    {
        std::vector<qsizetype> starts;
        const qsizetype n = pattern_.Length();
        qsizetype next = 0;
        for (qsizetype a = 0; a < StartsEnd(); a += kPiece) {
            const qsizetype b = std::min(a + kPiece, StartsEnd());
            if (next >= b)
                continue;
            const qsizetype offset = Load(a, b);
            for (qsizetype at = pattern_.FindFirst(piece_, std::max(a, next) - offset, b - offset); at >= 0;
                 at = pattern_.FindFirst(piece_, at + n, b - offset)) {
                starts.push_back(offset + at);
                next = offset + at + n;
            }
        }
        return starts;
    }

private:
    // Reads the window [a, b) with one character of context before it and
    // room for a match starting at its last place; returns where it begins.
    qsizetype Load(qsizetype a, qsizetype b)
    {
        const qsizetype from = std::max<qsizetype>(0, a - 1);
        const qsizetype to = std::min(length_, b + pattern_.Length());
        piece_ = ReadText(cursor_, from, to);
        pattern_.Normalize(piece_.data(), piece_.size());
        return from;
    }

    QTextCursor cursor_;
    const TSearchPattern& pattern_;
    qsizetype length_;
    QString piece_;
};

// Reads a document's text front to back, a piece at a time.
class TSequentialReader {
public:
    explicit TSequentialReader(QTextDocument& document) : cursor_(&document), length_(TextLength(document)) {}

    void AppendTo(QString& out, qsizetype from, qsizetype to)
    {
        while (from < to) {
            if (from < pieceStart_ || from >= pieceStart_ + piece_.size()) {
                pieceStart_ = from;
                piece_ = ReadText(cursor_, from, std::min(length_, from + kPiece));
            }
            const qsizetype take = std::min(to, pieceStart_ + piece_.size()) - from;
            out.append(QStringView(piece_).sliced(from - pieceStart_, take));
            from += take;
        }
    }

private:
    QTextCursor cursor_;
    qsizetype length_;
    qsizetype pieceStart_ = 0;
    QString piece_;
};

// A line break counts two, as in a saved file.
qint64 SavedMeasure(const QString& normalizedText)
{
    return normalizedText.size() + normalizedText.count(QLatin1Char('\n'));
}

QString WithPlainLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

// Back to front, so that the places still to come stay where they were.
void ReplaceOneByOne(QTextCursor& cursor, const std::vector<qsizetype>& starts, qsizetype length,
                     const QString& replacement)
{
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + length), QTextCursor::KeepAnchor);
        cursor.insertText(replacement);
    }
}

// Builds the text from the first match to the end of the last one anew and
// puts it in place in one insertion: far fewer document operations than
// one per match when matches are dense.
void ReplaceSpan(QTextDocument& document, QTextCursor& cursor, const std::vector<qsizetype>& starts,
                 qsizetype length, const QString& replacement)
{
    const qsizetype spanStart = starts.front();
    const qsizetype spanEnd = starts.back() + length;
    QString rebuilt;
    rebuilt.reserve(spanEnd - spanStart + qsizetype(starts.size()) * (replacement.size() - length));
    TSequentialReader reader(document);
    qsizetype copied = spanStart;
    for (const qsizetype start : starts) {
        reader.AppendTo(rebuilt, copied, start);
        rebuilt.append(replacement);
        copied = start + length;
    }
    cursor.setPosition(int(spanStart));
    cursor.setPosition(int(spanEnd), QTextCursor::KeepAnchor);
    cursor.insertText(rebuilt);
}

} // namespace

TFoundText FindInDocument(const QTextDocument& document, const TSearchPattern& pattern, qsizetype from,
                          TSearchDirection direction)
{
    if (pattern.IsEmpty())
        return {};
    TPieceSearch search(document, pattern);
    const qsizetype n = pattern.Length();
    const qsizetype end = search.StartsEnd();
    from = std::clamp<qsizetype>(from, 0, TextLength(document));
    qsizetype at = -1;
    bool wrapped = false;
    if (direction == TSearchDirection::Forward) {
        at = search.First(from, end);
        if (at < 0) {
            wrapped = true;
            at = search.First(0, from);
        }
    } else {
        at = search.Last(0, from - n + 1);
        if (at < 0) {
            wrapped = true;
            at = search.Last(from - n + 1, end);
        }
    }
    return at < 0 ? TFoundText{} : TFoundText{at, n, wrapped};
}

bool IsMatchAt(const QTextDocument& document, const TSearchPattern& pattern, qsizetype start, qsizetype length)
{
    const qsizetype textLength = TextLength(document);
    if (pattern.IsEmpty() || length != pattern.Length() || start < 0 || start + length > textLength)
        return false;
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    const qsizetype from = std::max<qsizetype>(0, start - 1);
    QString around = ReadText(cursor, from, std::min(textLength, start + length + 1));
    pattern.Normalize(around.data(), around.size());
    return pattern.FindFirst(around, start - from, start - from + 1) == start - from;
}

TReplaceResult ReplaceAllInDocument(QTextDocument& document, const TSearchPattern& pattern,
                                    const QString& replacement, qint64 allowedGrowth)
{
    if (pattern.IsEmpty())
        return {};
    const std::vector<qsizetype> starts = TPieceSearch(document, pattern).All();
    if (starts.empty())
        return {};
    const QString inserted = WithPlainLineBreaks(replacement);
    const qint64 growth = qint64(starts.size()) * (SavedMeasure(inserted) - SavedMeasure(pattern.Needle()));
    if (growth > allowedGrowth)
        return {0, true};
    const qsizetype n = pattern.Length();
    const qsizetype span = starts.back() + n - starts.front();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    if (span < qsizetype(starts.size()) * kRebuildCharsPerMatch)
        ReplaceSpan(document, cursor, starts, n, inserted);
    else
        ReplaceOneByOne(cursor, starts, n, inserted);
    cursor.endEditBlock();
    return {qsizetype(starts.size()), false};
}

} // namespace tainoteka
