#pragma once
// Find and replace over a whole QTextDocument, read a piece at a time so
// that a document of tens of millions of characters is never copied whole.
// Positions are the document's own (one per character, one per line break).
#include <QObject>
#include <QString>

#include "TextSearch.h"

class QTextDocument;

namespace tainoteka {

enum class TSearchDirection { Forward, Backward };

struct TFoundText {
    qsizetype Start = -1;
    qsizetype Length = 0;
    // The search went past the end (or the start) and went on from the other side.
    bool Wrapped = false;
    bool Found() const { return Start >= 0; }
};

// A copy of a document's whole text, taken when first asked for and kept up
// to date: a change marks the stretch it touched, and the next search reads
// only that stretch again, so a search after a typed key does not copy the
// whole document.
class TTextSnapshot final : public QObject {
public:
    explicit TTextSnapshot(const QTextDocument& document);
    const QString& Text();
    // The text, up to date, leaving the snapshot empty.
    QString Take();
    void Drop();

private:
    void NoteChange(int from, int removed, int added);

    const QTextDocument& document_;
    QString text_;
    // text_[staleFrom_, staleFrom_ + staleLength_) stands for what is now
    // [staleFrom_, staleFrom_ + freshLength_) of the document; the rest of
    // the copy is right. staleFrom_ < 0: all of it is right.
    qsizetype staleFrom_ = -1;
    qsizetype staleLength_ = 0;
    qsizetype freshLength_ = 0;
};

// Forward: the first match starting at or after `from`, else the first from
// the start. Backward: the last match ending at or before `from`, else the
// last from the end. The text near `from` is read by itself; the rest from
// the snapshot when one is given, else from a copy made for this search.
TFoundText FindInDocument(const QTextDocument& document, const TSearchPattern& pattern, qsizetype from,
                          TSearchDirection direction, TTextSnapshot* snapshot = nullptr);

// Whether [start, start + length) is a match in the document as it is now.
bool IsMatchAt(const QTextDocument& document, const TSearchPattern& pattern, qsizetype start, qsizetype length);

struct TReplaceResult {
    qsizetype Count = 0;
    // Nothing was replaced: the text would have grown by more than allowed.
    bool TooLong = false;
};

// Replaces every match, left to right and none overlapping, as one undo
// step; each replacement takes the format of the text it replaces.
// `allowedGrowth` is in the saved measure (a line break counts two). The
// snapshot, when given, is read for the matches and then taken for the
// edits, which leave it empty.
TReplaceResult ReplaceAllInDocument(QTextDocument& document, const TSearchPattern& pattern,
                                    const QString& replacement, qint64 allowedGrowth,
                                    TTextSnapshot* snapshot = nullptr);

} // namespace tainoteka
