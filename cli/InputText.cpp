#include "InputText.h"

#include "TextCodec.h"

namespace tainoteka::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string At(std::string_view text, std::size_t index)
{
    const TTextPlace place = PlaceOf(text, index);
    return "line " + std::to_string(place.Line) + ", column " + std::to_string(place.Column);
}

TOutcome RefuseNul(std::string_view cp1251, const std::string& name)
{
    const std::size_t nul = cp1251.find('\0');
    if (nul == std::string_view::npos)
        return Success();
    return Failure(TExitCode::BadText, name + ": NUL character at " + At(cp1251, nul) +
                                           "; a protected file cannot hold it, the text would end there");
}

TOutcome RefuseUnmappable(const TUtf8Import& imported, const std::string& name)
{
    if (imported.MalformedAt)
        return Failure(TExitCode::BadText, name + ": not valid UTF-8 at " + At(imported.Bytes, *imported.MalformedAt) +
                                               " (use --raw for Windows-1251 text)");
    const std::size_t count = imported.Unmappable.size();
    if (count == 0)
        return Success();
    const std::string what = count == 1 ? "1 character has" : std::to_string(count) + " characters have";
    return Failure(TExitCode::BadText, name + ": " + what + " no Windows-1251 form, the first at " +
                                           At(imported.Bytes, imported.Unmappable.front()));
}

} // namespace

TOutcome ImportInputText(std::string_view data, bool raw, const std::string& name, std::string& cp1251)
{
    if (raw) {
        TOutcome outcome = RefuseNul(data, name);
        if (outcome.Ok())
            cp1251.assign(data);
        return outcome;
    }
    if (data.starts_with(kByteOrderMark))
        data.remove_prefix(kByteOrderMark.size());
    TUtf8Import imported = Utf8ToCp1251(data);
    TOutcome outcome = RefuseUnmappable(imported, name);
    if (outcome.Ok())
        outcome = RefuseNul(imported.Bytes, name);
    if (outcome.Ok())
        cp1251 = std::move(imported.Bytes);
    return outcome;
}

} // namespace tainoteka::cli
