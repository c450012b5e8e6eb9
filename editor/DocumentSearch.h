#pragma once
// Find and replace over a whole QTextDocument, read a piece at a time so
// that a document of tens of millions of characters is never copied whole.
// Positions are the document's own (one per character, one per line break).
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

// Forward: the first match starting at or after `from`, else the first from
// the start. Backward: the last match ending at or before `from`, else the
// last from the end.
TFoundText FindInDocument(const QTextDocument& document, const TSearchPattern& pattern, qsizetype from,
                          TSearchDirection direction);

// Whether [start, start + length) is a match in the document as it is now.
bool IsMatchAt(const QTextDocument& document, const TSearchPattern& pattern, qsizetype start, qsizetype length);

struct TReplaceResult {
    qsizetype Count = 0;
    // Nothing was replaced: the text would have grown by more than allowed.
    bool TooLong = false;
};

// Replaces every match, left to right and none overlapping, as one undo
// step. `allowedGrowth` is in the saved measure (a line break counts two).
TReplaceResult ReplaceAllInDocument(QTextDocument& document, const TSearchPattern& pattern,
                                    const QString& replacement, qint64 allowedGrowth);

} // namespace tainoteka
