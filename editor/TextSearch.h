#pragma once
// Finding a text in plain UTF-16 text: letter case kept or folded (Ё and Е
// stay different letters either way), anywhere or only as a whole word.
// A long text is searched piece by piece: a piece goes through Normalize
// once, then FindFirst / FindLast look for matches that start inside a
// window of it. A piece should reach one character beyond the window on each
// side, so that word edges can be seen, and Length() - 1 more at the end, so
// that a match starting at the window's end fits.
#include <QList>
#include <QString>
#include <QStringView>

#include <array>

namespace tainoteka {

struct TSearchOptions {
    bool MatchCase = false;
    bool WholeWord = false;
};

class TSearchPattern {
public:
    TSearchPattern() = default;
    TSearchPattern(const QString& text, TSearchOptions options);

    bool IsEmpty() const { return needle_.isEmpty(); }
    // Characters a match covers in the text (a line break is one).
    qsizetype Length() const { return needle_.size(); }
    const QString& Needle() const { return needle_; }
    TSearchOptions Options() const { return options_; }

    // Whether a piece must go through Normalize before it is searched.
    bool NeedsNormalizing() const { return !options_.MatchCase || spansLines_; }
    // Folds the letter case (unless it counts) and makes every kind of line
    // break one '\n', in place; the length stays the same.
    void Normalize(QChar* text, qsizetype length) const;

    // The first / last match that starts in [from, to) of a normalized text
    // and ends inside it, or -1.
    qsizetype FindFirst(QStringView text, qsizetype from, qsizetype to) const;
    qsizetype FindLast(QStringView text, qsizetype from, qsizetype to) const;

    // The same on text as it is, for short texts such as one line.
    qsizetype IndexIn(QStringView text, qsizetype from = 0) const;
    // Starts of all matches, left to right, none overlapping the one before.
    QList<qsizetype> AllIn(QStringView text) const;

private:
    bool IsWholeWordAt(QStringView text, qsizetype at) const;
    qsizetype FindFirstChar(QStringView text, qsizetype from, qsizetype to) const;
    QString Normalized(QStringView text) const;

    QString needle_;
    TSearchOptions options_;
    bool spansLines_ = false;
    // How far the window may move on, by the low byte of the character
    // under the needle's last place.
    std::array<qsizetype, 256> shift_{};
};

// Letters, digits, combining marks and the underscore make up words.
bool IsWordCharacter(QChar ch);

} // namespace tainoteka
