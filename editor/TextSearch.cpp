#include "TextSearch.h"

#include <cstring>
#include <memory>

namespace tainoteka {
namespace {

constexpr char16_t kLineBreak = u'\n';

bool IsLineBreak(char16_t ch)
{
    return ch == u'\n' || ch == u'\r' || ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator;
}

// One code unit to one code unit, so positions never move. Surrogates stay:
// no letter outside the basic plane has a case in a text the file can hold.
struct TFoldTables {
    std::array<char16_t, 0x10000> Breaks{};
    std::array<char16_t, 0x10000> CaseAndBreaks{};
    TFoldTables()
    {
        for (char32_t ch = 0; ch < 0x10000; ++ch) {
            const auto unit = static_cast<char16_t>(ch);
            const bool surrogate = QChar::isSurrogate(ch);
            const char32_t folded = surrogate ? ch : QChar::toCaseFolded(ch);
            Breaks[ch] = IsLineBreak(unit) ? kLineBreak : unit;
            CaseAndBreaks[ch] = IsLineBreak(unit) ? kLineBreak : folded <= 0xFFFF ? char16_t(folded) : unit;
        }
    }
};

const TFoldTables& FoldTables()
{
    static const auto tables = std::make_unique<TFoldTables>();
    return *tables;
}

} // namespace

bool IsWordCharacter(QChar ch)
{
    return ch.isLetterOrNumber() || ch.isMark() || ch == QLatin1Char('_');
}

TSearchPattern::TSearchPattern(const QString& text, TSearchOptions options) : options_(options)
{
    needle_ = text;
    needle_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar ch : std::as_const(needle_))
        spansLines_ = spansLines_ || IsLineBreak(ch.unicode());
    Normalize(needle_.data(), needle_.size());
    const qsizetype n = needle_.size();
    shift_.fill(n);
    for (qsizetype i = 0; i + 1 < n; ++i)
        shift_[needle_.at(i).unicode() & 0xFF] = n - 1 - i;
}

void TSearchPattern::Normalize(QChar* text, qsizetype length) const
{
    if (!NeedsNormalizing())
        return;
    const auto& table = options_.MatchCase ? FoldTables().Breaks : FoldTables().CaseAndBreaks;
    auto* units = reinterpret_cast<char16_t*>(text);
    for (qsizetype i = 0; i < length; ++i)
        units[i] = table[units[i]];
}

bool TSearchPattern::IsWholeWordAt(QStringView text, qsizetype at) const
{
    if (!options_.WholeWord)
        return true;
    const qsizetype end = at + needle_.size();
    const bool wordBefore = at > 0 && IsWordCharacter(text.at(at - 1));
    const bool wordAfter = end < text.size() && IsWordCharacter(text.at(end));
    return !wordBefore && !wordAfter;
}

qsizetype TSearchPattern::FindFirstChar(QStringView text, qsizetype from, qsizetype to) const
{
    const QChar wanted = needle_.at(0);
    for (qsizetype at = text.indexOf(wanted, from); at >= 0 && at < to; at = text.indexOf(wanted, at + 1))
        if (IsWholeWordAt(text, at))
            return at;
    return -1;
}

qsizetype TSearchPattern::FindFirst(QStringView text, qsizetype from, qsizetype to) const
{
    const qsizetype n = needle_.size();
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, text.size() - n + 1);
    if (n == 0 || from >= to)
        return -1;
    if (n == 1)
        return FindFirstChar(text, from, to);
    // Horspool: compare at the needle's last place, then move on by the
    // distance that character allows.
    const auto* hay = reinterpret_cast<const char16_t*>(text.utf16());
    const auto* needle = reinterpret_cast<const char16_t*>(needle_.utf16());
    const char16_t last = needle[n - 1];
    const std::size_t headBytes = std::size_t(n - 1) * sizeof(char16_t);
    for (qsizetype at = from; at < to;) {
        const char16_t under = hay[at + n - 1];
        if (under == last && std::memcmp(hay + at, needle, headBytes) == 0 && IsWholeWordAt(text, at))
            return at;
        at += shift_[under & 0xFF];
    }
    return -1;
}

qsizetype TSearchPattern::FindLast(QStringView text, qsizetype from, qsizetype to) const
{
    qsizetype last = -1;
    for (qsizetype at = FindFirst(text, from, to); at >= 0; at = FindFirst(text, at + 1, to))
        last = at;
    return last;
}

QString TSearchPattern::Normalized(QStringView text) const
{
    QString copy = text.toString();
    Normalize(copy.data(), copy.size());
    return copy;
}

qsizetype TSearchPattern::IndexIn(QStringView text, qsizetype from) const
{
    if (!NeedsNormalizing())
        return FindFirst(text, from, text.size());
    const QString normalized = Normalized(text);
    return FindFirst(normalized, from, normalized.size());
}

QList<qsizetype> TSearchPattern::AllIn(QStringView text) const
{
    QList<qsizetype> starts;
    if (IsEmpty())
        return starts;
    const QString normalized = NeedsNormalizing() ? Normalized(text) : QString();
    const QStringView searched = NeedsNormalizing() ? QStringView(normalized) : text;
    for (qsizetype at = FindFirst(searched, 0, searched.size()); at >= 0;
         at = FindFirst(searched, at + needle_.size(), searched.size()))
        starts.append(at);
    return starts;
}

} // namespace tainoteka
