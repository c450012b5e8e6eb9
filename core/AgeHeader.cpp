#include "AgeHeader.h"

#include <algorithm>
#include <optional>

#include "AgeBase64.h"

namespace tainoteka {
namespace {

constexpr std::size_t kBodyColumns = 64;
constexpr std::size_t kMacColumns = 43;

// Walks the header line by line; a line is only taken once its LF is there.
class TLineReader {
public:
    explicit TLineReader(std::span<const std::uint8_t> bytes)
        : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size())
    {
    }
    std::optional<std::string_view> Next()
    {
        const std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text_.substr(position_, end - position_);
        lineStart_ = position_;
        position_ = end + 1;
        return line;
    }
    std::size_t LineStart() const { return lineStart_; }
    std::size_t Position() const { return position_; }
    std::string_view Rest() const { return text_.substr(position_); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t lineStart_ = 0;
};

bool IsArgument(std::string_view argument)
{
    return !argument.empty() &&
           std::all_of(argument.begin(), argument.end(), [](char c) { return c >= 0x21 && c <= 0x7E; });
}

bool IsBase64Line(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), IsAgeBase64Char);
}

std::optional<std::vector<std::string>> SplitArguments(std::string_view line)
{
    std::vector<std::string> arguments;
    for (;;) {
        const std::size_t space = line.find(' ');
        const std::string_view argument = line.substr(0, space);
        if (!IsArgument(argument))
            return std::nullopt;
        arguments.emplace_back(argument);
        if (space == std::string_view::npos)
            return arguments;
        line.remove_prefix(space + 1);
    }
}

// The body lines after an argument line: full lines, then one short line.
TAgeHeaderParse ReadBody(TLineReader& lines, TAgeStanza& stanza)
{
    std::string encoded;
    for (;;) {
        const auto line = lines.Next();
        if (!line)
            return TAgeHeaderParse::NeedMore;
        if (line->size() > kBodyColumns || !IsBase64Line(*line))
            return TAgeHeaderParse::Invalid;
        encoded += *line;
        if (line->size() < kBodyColumns)
            break;
    }
    auto body = DecodeAgeBase64(encoded);
    if (!body)
        return TAgeHeaderParse::Invalid;
    stanza.Body = std::move(*body);
    return TAgeHeaderParse::Complete;
}

TAgeHeaderParse ReadMacLine(std::string_view line, std::size_t lineStart, TAgeHeader& header)
{
    if (header.Stanzas.empty() || line.size() != 4 + kMacColumns || line.substr(0, 4) != "--- ")
        return TAgeHeaderParse::Invalid;
    const std::string_view encoded = line.substr(4);
    const auto mac = IsBase64Line(encoded) ? DecodeAgeBase64(encoded) : std::nullopt;
    if (!mac || mac->size() != kAgeMacSize)
        return TAgeHeaderParse::Invalid;
    std::copy(mac->begin(), mac->end(), header.Mac.begin());
    header.MacInputLength = lineStart + 3;
    return TAgeHeaderParse::Complete;
}

TAgeHeaderParse ReadVersionLine(TLineReader& lines)
{
    const std::string_view version = kAgeVersionLine.substr(0, kAgeVersionLine.size() - 1);
    const auto line = lines.Next();
    if (line)
        return *line == version ? TAgeHeaderParse::Complete : TAgeHeaderParse::Invalid;
    const std::string_view start = lines.Rest();
    return version.substr(0, start.size()) == start ? TAgeHeaderParse::NeedMore : TAgeHeaderParse::Invalid;
}

} // namespace

TAgeHeaderParse ParseAgeHeader(std::span<const std::uint8_t> bytes, TAgeHeader& header)
{
    header = {};
    TLineReader lines(bytes);
    TAgeHeaderParse state = ReadVersionLine(lines);
    while (state == TAgeHeaderParse::Complete) {
        const auto line = lines.Next();
        if (!line)
            return TAgeHeaderParse::NeedMore;
        if (line->substr(0, 3) == "---") {
            state = ReadMacLine(*line, lines.LineStart(), header);
            header.Length = lines.Position();
            return state;
        }
        if (line->substr(0, 3) != "-> ")
            return TAgeHeaderParse::Invalid;
        auto arguments = SplitArguments(line->substr(3));
        if (!arguments)
            return TAgeHeaderParse::Invalid;
        TAgeStanza& stanza = header.Stanzas.emplace_back();
        stanza.Arguments = std::move(*arguments);
        state = ReadBody(lines, stanza);
    }
    return state;
}

std::string FormatAgeStanza(const TAgeStanza& stanza)
{
    std::string text = "->";
    for (const std::string& argument : stanza.Arguments)
        text += " " + argument;
    text += '\n';
    const std::string body = EncodeAgeBase64(stanza.Body);
    // Always ends with a line shorter than 64 columns, empty if need be.
    for (std::size_t at = 0;; at += kBodyColumns) {
        const std::string_view line = std::string_view(body).substr(std::min(at, body.size()), kBodyColumns);
        text.append(line).push_back('\n');
        if (line.size() < kBodyColumns)
            return text;
    }
}

} // namespace tainoteka
