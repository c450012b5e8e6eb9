#include "DocumentSearch.h"

#include <QTextCursor>
#include <QTextCharFormat>
#include <QTextDocument>

#include <optional>
#include <vector>

#include "Wipe.h"

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

    // What it read of the document goes with it.
    ~TPieceSearch()
    {
        Wipe(piece_);
        Wipe(whole_);
    }
    TPieceSearch(const TPieceSearch&) = delete;
    TPieceSearch& operator=(const TPieceSearch&) = delete;

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

private:
    const QString& Whole()
    {
        if (snapshot_)
            return snapshot_->Text();
        if (whole_.isNull())
            whole_ = document_.toRawText();
        return whole_;
    }

    // Reads [a, b) with one character of context before it and room for a
    // match starting at its last place; returns where the piece begins.
    qsizetype Load(qsizetype a, qsizetype b)
    {
        const qsizetype from = std::max<qsizetype>(0, a - 1);
        const qsizetype to = std::min(length_, b + pattern_.Length());
        QTextCursor cursor(const_cast<QTextDocument*>(&document_));
        Wipe(piece_);
        piece_ = ReadText(cursor, from, to);
        return from;
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

// Matches close together on one line are replaced as one piece, and a
// piece near a line's start or end reaches out to it: Qt's document pays
// for every edit, and more for one that splits a stretch of text, far more
// than for every character it copies.
constexpr qsizetype kJoinedGap = 64;

// One edit of a replace-all: [Start, End) of the document, holding the
// matches First..Last of the list.
struct TReplaceEdit {
    qsizetype Start = 0;
    qsizetype End = 0;
    qsizetype First = 0;
    qsizetype Last = 0;
};

bool HasLineStart(QStringView text) { return text.contains(QChar::ParagraphSeparator); }

// Where the line holding `at` starts, if that is at most kJoinedGap back; else `at`.
qsizetype NearLineStart(QStringView text, qsizetype at)
{
    const qsizetype from = std::max<qsizetype>(0, at - kJoinedGap);
    const qsizetype separator = text.mid(from, at - from).lastIndexOf(QChar::ParagraphSeparator);
    return separator >= 0 ? from + separator + 1 : from == 0 ? 0 : at;
}

// Where the line holding `at` ends, if that is at most kJoinedGap on; else `at`.
qsizetype NearLineEnd(QStringView text, qsizetype at)
{
    const qsizetype to = std::min(text.size(), at + kJoinedGap);
    const qsizetype separator = text.mid(at, to - at).indexOf(QChar::ParagraphSeparator);
    return separator >= 0 ? at + separator : to == text.size() ? to : at;
}

// The edits, left to right. They hold places only, so the plan stays far
// smaller than the text. Text of more than one format is never joined: the
// new text would take only one.
std::vector<TReplaceEdit> PlanReplacements(QStringView text, const QList<qsizetype>& starts, qsizetype length,
                                           bool join)
{
    std::vector<TReplaceEdit> edits;
    edits.reserve(starts.size());
    if (!join) {
        for (qsizetype i = 0; i < starts.size(); ++i)
            edits.push_back({starts[i], starts[i] + length, i, i});
        return edits;
    }
    for (qsizetype first = 0; first < starts.size();) {
        qsizetype last = first;
        while (last + 1 < starts.size() && starts[last + 1] - (starts[last] + length) <= kJoinedGap
               && !HasLineStart(text.mid(starts[last] + length, starts[last + 1] - starts[last] - length)))
            ++last;
        edits.push_back({NearLineStart(text, starts[first]), NearLineEnd(text, starts[last] + length), first, last});
        first = last + 1;
    }
    return edits;
}

// The new text of an edit, into `text`: what the document holds there,
// each match swapped for the replacement.
void Rebuild(QString& text, QStringView old, const TReplaceEdit& edit, const QList<qsizetype>& starts,
             qsizetype length, const QString& replacement)
{
    text.resize(0);
    qsizetype copied = 0;
    for (qsizetype i = edit.First; i <= edit.Last; ++i) {
        text += old.mid(copied, starts[i] - edit.Start - copied);
        text += replacement;
        copied = starts[i] - edit.Start + length;
    }
    text += old.mid(copied);
}

// The character format every character has, if the document has only one
// (plain text); replacements then take it without a lookup each.
std::optional<QTextCharFormat> TheOnlyCharFormat(const QTextDocument& document)
{
    std::optional<QTextCharFormat> only;
    for (const QTextFormat& format : document.allFormats()) {
        if (!format.isCharFormat())
            continue;
        if (only)
            return std::nullopt;
        only = format.toCharFormat();
    }
    return only;
}

// Back to front, so that the places still to come stay where they were.
// The text an edit carries comes from `whole`, the document's text before
// the first edit; behind the edits it is needed no more, and it gives its
// memory back in halves, as the document grows.
void ApplyBackToFront(QTextCursor& cursor, QString& whole, const std::vector<TReplaceEdit>& edits,
                      const QList<qsizetype>& starts, qsizetype length, const QString& replacement,
                      const std::optional<QTextCharFormat>& onlyFormat)
{
    QString rebuilt;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        cursor.setPosition(int(it->Start));
        cursor.setPosition(int(it->End), QTextCursor::KeepAnchor);
        const bool bare = it->First == it->Last && it->Start == starts[it->First] && it->End - it->Start == length;
        if (!bare)
            Rebuild(rebuilt, QStringView(whole).mid(it->Start, it->End - it->Start), *it, starts, length, replacement);
        const QString& text = bare ? replacement : rebuilt;
        if (onlyFormat)
            cursor.insertText(text, *onlyFormat);
        else
            cursor.insertText(text);
        if (it->Start < whole.size() / 2) {
            whole.truncate(it->Start);
            whole.squeeze();
        }
    }
}

} // namespace

TTextSnapshot::TTextSnapshot(const QTextDocument& document) : document_(document)
{
    // A document tells of its changes only once it has a layout.
    (void)document.documentLayout();
    connect(&document, &QTextDocument::contentsChange, this, &TTextSnapshot::NoteChange);
}

void TTextSnapshot::NoteChange(int from, int removed, int added)
{
    if (text_.isNull())
        return;
    if (staleFrom_ < 0) {
        staleFrom_ = from;
        staleLength_ = removed;
        freshLength_ = added;
        return;
    }
    // One stretch covering both; past the old one the copy is off by the
    // difference of its lengths.
    const qsizetype start = std::min<qsizetype>(staleFrom_, from);
    const qsizetype end = std::max<qsizetype>(staleFrom_ + freshLength_, from + removed);
    const qsizetype endInCopy = end - freshLength_ + staleLength_;
    staleLength_ = endInCopy - start;
    freshLength_ = end + added - removed - start;
    staleFrom_ = start;
}

const QString& TTextSnapshot::Text()
{
    const qsizetype length = TextLength(document_);
    if (!text_.isNull() && staleFrom_ >= 0) {
        // The document may report a change near its end one character
        // longer than it was: keep inside both texts.
        const qsizetype from = std::min(staleFrom_, std::min(length, text_.size()));
        const qsizetype fresh = std::min(freshLength_, length - from);
        const qsizetype stale = std::min(staleLength_, text_.size() - from);
        staleFrom_ = -1;
        if (fresh > length / 2) {
            Drop();
        } else {
            QTextCursor cursor(const_cast<QTextDocument*>(&document_));
            text_.replace(from, stale, ReadText(cursor, from, from + fresh));
        }
    }
    // A copy of any other length than the document's is not to be trusted.
    if (text_.isNull() || text_.size() != length) {
        Drop();
        text_ = document_.toRawText();
    }
    return text_;
}

QString TTextSnapshot::Take()
{
    Text();
    QString text = std::move(text_);
    Drop();
    return text;
}

void TTextSnapshot::Drop()
{
    // A copy of the whole document: it leaves no text behind in the heap.
    Wipe(text_);
    text_ = QString();
    staleFrom_ = -1;
}

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
                                    const QString& replacement, qint64 allowedGrowth, TTextSnapshot* snapshot)
{
    if (pattern.IsEmpty())
        return {};
    QString own;
    const QString& text = snapshot ? snapshot->Text() : (own = document.toRawText());
    const QList<qsizetype> starts = pattern.AllIn(text);
    if (starts.empty())
        return {};
    const QString inserted = WithPlainLineBreaks(replacement);
    const qint64 growth = qint64(starts.size()) * (SavedMeasure(inserted) - SavedMeasure(pattern.Needle()));
    if (growth > allowedGrowth)
        return {0, true};
    const std::optional<QTextCharFormat> onlyFormat = TheOnlyCharFormat(document);
    const std::vector<TReplaceEdit> edits = PlanReplacements(text, starts, pattern.Length(), onlyFormat.has_value());
    QString whole = snapshot ? snapshot->Take() : std::move(own);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    ApplyBackToFront(cursor, whole, edits, starts, pattern.Length(), inserted, onlyFormat);
    cursor.endEditBlock();
    return {qsizetype(starts.size()), false};
}

} // namespace tainoteka
