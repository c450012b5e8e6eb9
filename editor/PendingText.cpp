#include "PendingText.h"

#include <algorithm>

#include "RichEditText.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

bool EndsLine(QChar ch)
{
    return ch == QLatin1Char('\n') || ch == QLatin1Char('\r') || ch == QChar::ParagraphSeparator;
}

} // namespace

qsizetype SliceEnd(QStringView text, qsizetype from, qsizetype wanted)
{
    const qsizetype end = std::min(text.size(), from + std::max<qsizetype>(wanted, 1));
    if (end == text.size())
        return end;
    // The last line end inside, else the first after: a line put in by parts
    // would be laid out again for every part.
    qsizetype at = end;
    while (at > from && !EndsLine(text[at - 1]))
        --at;
    if (at == from) {
        at = end;
        while (at < text.size() && !EndsLine(text[at]))
            ++at;
        if (at == text.size())
            return at;
        ++at;
    }
    const bool crBeforeLf = text[at - 1] == QLatin1Char('\r') && at < text.size() && text[at] == QLatin1Char('\n');
    return crBeforeLf ? at + 1 : at;
}

void TPendingText::Start(QString text)
{
    Clear();
    text_ = std::move(text);
    wholeSaved_ = SavedLength(text_);
}

QStringView TPendingText::Next(qsizetype wanted) { return Take(SliceEnd(text_, at_, wanted)); }

QStringView TPendingText::Rest() { return Take(text_.size()); }

QStringView TPendingText::Take(qsizetype end)
{
    const QStringView slice = QStringView(text_).sliced(at_, end - at_);
    at_ = end;
    return slice;
}

void TPendingText::Clear()
{
    Wipe(text_);
    text_ = QString();
    at_ = 0;
    wholeSaved_ = 0;
}

} // namespace tainoteka
