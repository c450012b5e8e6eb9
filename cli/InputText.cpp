#include "InputText.h"

#include <algorithm>

#include "Wipe.h"

namespace tainoteka::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string At(const TTextPlace& place)
{
    return "line " + std::to_string(place.Line) + ", column " + std::to_string(place.Column);
}

TTextPlace PlaceAfter(TPlaceCounter counter, std::string_view bytes, std::size_t index)
{
    counter.Advance(bytes.substr(0, index));
    return counter.Place();
}

} // namespace

TTextImporter::TTextImporter(bool raw, std::string name)
    : raw_(raw)
    , name_(std::move(name))
{
}

void TTextImporter::Take(std::string_view piece, std::string& cp1251)
{
    if (stopped_ || piece.empty())
        return;
    if (raw_) {
        Check(piece, std::nullopt, {});
        cp1251.append(piece);
        return;
    }
    if (!startSeen_) {
        held_.append(piece);
        if (held_.size() < kByteOrderMark.size())
            return;
        startSeen_ = true;
        if (std::string_view(held_).starts_with(kByteOrderMark))
            held_.erase(0, kByteOrderMark.size());
        std::string start;
        start.swap(held_);
        const TWipeOnExit wipeStart(start);
        Convert(start, false, cp1251);
        return;
    }
    if (held_.empty()) {
        Convert(piece, false, cp1251);
        return;
    }
    std::string joined = held_ + std::string(piece);
    const TWipeOnExit wipeJoined(joined);
    Wipe(held_);
    held_.clear();
    Convert(joined, false, cp1251);
}

void TTextImporter::Finish(std::string& cp1251)
{
    if (raw_ || stopped_)
        return;
    if (!startSeen_ && std::string_view(held_).starts_with(kByteOrderMark))
        held_.erase(0, kByteOrderMark.size());
    startSeen_ = true;
    std::string rest;
    rest.swap(held_);
    const TWipeOnExit wipeRest(rest);
    Convert(rest, true, cp1251);
}

void TTextImporter::Convert(std::string_view utf8, bool final, std::string& cp1251)
{
    const std::size_t complete = final ? utf8.size() : CompleteUtf8Length(utf8);
    held_.assign(utf8.substr(complete));
    TUtf8Import imported = Utf8ToCp1251(utf8.substr(0, complete));
    const TWipeOnExit wipeBytes(imported.Bytes);
    Check(imported.Bytes, imported.MalformedAt, imported.Unmappable);
    cp1251.append(imported.Bytes);
}

void TTextImporter::Check(std::string_view bytes, std::optional<std::size_t> malformedAt,
                          const std::vector<std::size_t>& unmappable)
{
    const std::size_t nul = bytes.find('\0');
    const std::size_t stop = std::min(nul, malformedAt.value_or(std::string_view::npos));
    for (const std::size_t index : unmappable) {
        if (index >= stop)
            break;
        if (unmappableCount_++ == 0)
            firstUnmappable_ = PlaceAfter(counter_, bytes, index);
    }
    if (stop != std::string_view::npos) {
        const TTextPlace place = PlaceAfter(counter_, bytes, stop);
        (stop == nul ? nul_ : malformed_) = place;
        stopped_ = true;
        held_.clear();
    }
    counter_.Advance(bytes);
}

TOutcome TTextImporter::Verdict() const
{
    if (malformed_)
        return Failure(TExitCode::BadText,
                       name_ + ": not valid UTF-8 at " + At(*malformed_) + " (use --raw for Windows-1251 text)");
    if (unmappableCount_ > 0) {
        const std::string what =
            unmappableCount_ == 1 ? "1 character has" : std::to_string(unmappableCount_) + " characters have";
        return Failure(TExitCode::BadText,
                       name_ + ": " + what + " no Windows-1251 form, the first at " + At(firstUnmappable_));
    }
    if (nul_)
        return Failure(TExitCode::BadText, name_ + ": NUL character at " + At(*nul_) +
                                               "; a protected file cannot hold it, the text would end there");
    return Success();
}

TOutcome ImportInputText(std::string_view data, bool raw, const std::string& name, std::string& cp1251)
{
    TTextImporter importer(raw, name);
    std::string converted;
    importer.Take(data, converted);
    importer.Finish(converted);
    TOutcome outcome = importer.Verdict();
    if (outcome.Ok())
        cp1251 = std::move(converted);
    else
        Wipe(converted);
    return outcome;
}

} // namespace tainoteka::cli
