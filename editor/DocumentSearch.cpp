#include "DocumentSearch.h"

#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace tainoteka {
namespace {

// Text near the caret is read as a small piece; beyond it the whole text is
// taken in one copy, which Qt makes far faster than pieces.
constexpr qsizetype kNear = 16384;

qsizetype TextLength(const QTextDocument& document) { return document.characterCount() - 1; }

QString ReadText(QTextCursor& cursor, qsizetype from, qsizetype to)
{
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// Searches a document: first a window near the caret, then, if need be,
// a copy of the whole text, taken once.
class TPieceSearch {
public:
    TPieceSearch(const QTextDocument& document, const TSearchPattern& pattern, TTextSnapshot* snapshot = nullptr)
        : document_(document), pattern_(pattern), length_(TextLength(document)), snapshot_(snapshot)
    {
    }

    // Last place where a match can start, plus one.
    qsizetype StartsEnd() const { return std::max<qsizetype>(0, length_ - pattern_.Length() + 1); }

    qsizetype First(qsizetype from, qsizetype to)
    {
        from = std::max<qsizetype>(from, 0);
        to = std::min(to, StartsEnd());
        if (from >= to)
            return -1;
        const qsizetype nearEnd = std::min(to, from + kNear);
        const qsizetype offset = Load(from, nearEnd);
        if (const qsizetype at = pattern_.FindFirst(piece_, from - offset, nearEnd - offset); at >= 0)
            return offset + at;
        return nearEnd < to ? pattern_.FindFirst(Whole(), nearEnd, to) : -1;
    }

    qsizetype Last(qsizetype from, qsizetype to)
    {
        from = std::max<qsizetype>(from, 0);
        to = std::min(to, StartsEnd());
        if (from >= to)
            return -1;
        const qsizetype nearStart = std::max(from, to - kNear);
        const qsizetype offset = Load(nearStart, to);
        if (const qsizetype at = pattern_.FindLast(piece_, nearStart - offset, to - offset); at >= 0)
            return offset + at;
        return from < nearStart ? pattern_.FindLast(Whole(), from, nearStart) : -1;
    }

    // Every match, left to right, none overlapping the one before.
    std::vector<qsizetype> All()
    {
        std::vector<qsizetype> starts;
        const QString& text = Whole();
        for (qsizetype at = pattern_.FindFirst(text, 0, text.size()); at >= 0;
             at = pattern_.FindFirst(text, at + pattern_.Length(), text.size()))
            starts.push_back(at);
        return starts;
    }

    void DropWhole()
    {
        if (!snapshot_)
            whole_ = QString();
    }

private:
    // Reads [a, b) with one character of context before it and room for a
    // match starting at its last place; returns where the piece begins.
    qsizetype Load(qsizetype a, qsizetype b)
    {
        const qsizetype from = std::max<qsizetype>(0, a - 1);
        const qsizetype to = std::min(length_, b + pattern_.Length());
        QTextCursor cursor(const_cast<QTextDocument*>(&document_));
        piece_ = ReadText(cursor, from, to);
        return from;
    }

    const QString& Whole()
    {
        if (snapshot_)
            return snapshot_->Text();
        if (whole_.isNull())
            whole_ = document_.toRawText();
        return whole_;
    }

    const QTextDocument& document_;
    const TSearchPattern& pattern_;
    qsizetype length_;
    TTextSnapshot* snapshot_;
    QString piece_;
    QString whole_;
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
// Match by match, which keeps the document's memory near its size (one
// insertion of a rebuilt text costs as much time and twice the memory).
void ReplaceOneByOne(QTextCursor& cursor, const std::vector<qsizetype>& starts, qsizetype length,
                     const QString& replacement)
{
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + length), QTextCursor::KeepAnchor);
        cursor.insertText(replacement);
    }
}

} // namespace

TTextSnapshot::TTextSnapshot(const QTextDocument& document) : document_(document)
{
    connect(&document, &QTextDocument::contentsChange, this, &TTextSnapshot::Drop);
}

const QString& TTextSnapshot::Text()
{
    if (text_.isNull())
        text_ = document_.toRawText();
    return text_;
}

void TTextSnapshot::Drop() { text_ = QString(); }

TFoundText FindInDocument(const QTextDocument& document, const TSearchPattern& pattern, qsizetype from,
                          TSearchDirection direction, TTextSnapshot* snapshot)
{
    if (pattern.IsEmpty())
        return {};
    TPieceSearch search(document, pattern, snapshot);
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
    const QString around = ReadText(cursor, from, std::min(textLength, start + length + 1));
    return pattern.FindFirst(around, start - from, start - from + 1) == start - from;
}

TReplaceResult ReplaceAllInDocument(QTextDocument& document, const TSearchPattern& pattern,
                                    const QString& replacement, qint64 allowedGrowth)
{
    if (pattern.IsEmpty())
        return {};
    TPieceSearch search(document, pattern);
    const std::vector<qsizetype> starts = search.All();
    if (starts.empty())
        return {};
    const QString inserted = WithPlainLineBreaks(replacement);
    const qint64 growth = qint64(starts.size()) * (SavedMeasure(inserted) - SavedMeasure(pattern.Needle()));
    if (growth > allowedGrowth)
        return {0, true};
    search.DropWhole();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    ReplaceOneByOne(cursor, starts, pattern.Length(), inserted);
    cursor.endEditBlock();
    return {qsizetype(starts.size()), false};
}

} // namespace tainoteka
