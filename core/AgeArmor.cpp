#include "AgeArmor.h"

#include <algorithm>
#include <string>

#include <sodium.h>

#include "SecretBytes.h"

namespace tainoteka {
namespace {

constexpr std::size_t kColumns = 64;
constexpr std::size_t kBytesPerLine = kColumns / 4 * 3;
constexpr std::string_view kSpace = " \t\r\n";
constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;

std::string_view Text(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void Append(std::string_view text, std::vector<std::uint8_t>& out)
{
    out.insert(out.end(), text.begin(), text.end());
}

void AppendLine(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out)
{
    char line[kColumns + 1];
    sodium_bin2base64(line, sizeof line, bytes.data(), bytes.size(), kVariant);
    Append(line, out);
    out.push_back('\n');
}

// The lines of the armour, each without its end. The first line decides
// whether they end in LF or CR LF; a line ending otherwise keeps the odd
// byte and so fails as base64 or as the end line.
class TArmorLines {
public:
    explicit TArmorLines(std::string_view text) : rest_(text)
    {
        const std::size_t lf = text.find('\n');
        if (lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r')
            lineEnd_ = "\r\n";
    }

    // Nothing once the text is used up; a last line may lack its end.
    std::optional<std::string_view> Next()
    {
        if (rest_.empty())
            return std::nullopt;
        const std::size_t end = rest_.find(lineEnd_);
        const std::string_view line = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + lineEnd_.size());
        return line;
    }

    std::string_view Rest() const { return rest_; }

private:
    std::string_view rest_;
    std::string_view lineEnd_ = "\n";
};

// Whitespace lines before the armour: bounded, and ending where a line does.
std::optional<std::string_view> SkipLeadingSpace(std::string_view text)
{
    const std::size_t lead = text.find_first_not_of(kSpace);
    if (lead == std::string_view::npos || lead > kAgeArmorLeadingSpace || (lead > 0 && text[lead - 1] != '\n'))
        return std::nullopt;
    return text.substr(lead);
}

// The base64 between the begin and end lines: every line full but the last,
// which holds 1 to 64 columns; after the end line only whitespace.
std::optional<std::string> CollectBase64(TArmorLines& lines)
{
    std::string base64;
    bool lastLineSeen = false;
    for (std::optional<std::string_view> line = lines.Next(); line; line = lines.Next()) {
        if (*line == kAgeArmorEnd) {
            if (lines.Rest().find_first_not_of(kSpace) != std::string_view::npos)
                return std::nullopt;
            return base64;
        }
        if (lastLineSeen || line->empty() || line->size() > kColumns)
            return std::nullopt;
        lastLineSeen = line->size() < kColumns;
        base64.append(*line);
    }
    return std::nullopt;
}

// Without an end pointer libsodium refuses anything it does not consume
// whole: a missing or misplaced "=", a stray character, non-zero unused bits.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view base64)
{
    std::vector<std::uint8_t> binary(base64.size() / 4 * 3);
    std::size_t length = 0;
    if (!base64.empty() && sodium_base642bin(binary.data(), binary.size(), base64.data(), base64.size(), nullptr,
                                             &length, nullptr, kVariant) != 0)
        return std::nullopt;
    binary.resize(length);
    return binary;
}

} // namespace

bool LooksLikeArmoredAge(std::span<const std::uint8_t> start)
{
    const std::string_view text = Text(start);
    const std::size_t lead = text.find_first_not_of(kSpace);
    return lead != std::string_view::npos && lead <= kAgeArmorLeadingSpace &&
           text.substr(lead).starts_with(kAgeArmorBegin);
}

std::optional<std::vector<std::uint8_t>> DearmorAge(std::span<const std::uint8_t> armored)
{
    EnsureSodium();
    const std::optional<std::string_view> text = SkipLeadingSpace(Text(armored));
    if (!text)
        return std::nullopt;
    TArmorLines lines(*text);
    if (lines.Next() != kAgeArmorBegin)
        return std::nullopt;
    const std::optional<std::string> base64 = CollectBase64(lines);
    return base64 ? DecodeBase64(*base64) : std::nullopt;
}

std::uint64_t LeastDearmoredSize(std::uint64_t armoredSize)
{
    constexpr std::uint64_t kCrLf = 2;
    constexpr std::uint64_t kFrame = kAgeArmorLeadingSpace + kAgeArmorBegin.size() + kCrLf + kAgeArmorEnd.size();
    const std::uint64_t lines = armoredSize > kFrame ? (armoredSize - kFrame) / (kColumns + kCrLf) : 0;
    return lines * kBytesPerLine;
}

std::vector<std::uint8_t> ArmorAge(std::span<const std::uint8_t> binary)
{
    std::vector<std::uint8_t> armored;
    armored.reserve((binary.size() + kBytesPerLine - 1) / kBytesPerLine * (kColumns + 1) + kAgeArmorBegin.size() +
                    kAgeArmorEnd.size() + 2);
    AgeArmorWriter writer;
    writer.Write(binary, armored);
    writer.Finish(armored);
    return armored;
}

void AgeArmorWriter::Begin(std::vector<std::uint8_t>& out)
{
    if (begun_)
        return;
    EnsureSodium();
    Append(kAgeArmorBegin, out);
    out.push_back('\n');
    begun_ = true;
}

void AgeArmorWriter::Write(std::span<const std::uint8_t> binary, std::vector<std::uint8_t>& out)
{
    Begin(out);
    if (!held_.empty()) {
        const std::size_t take = std::min(binary.size(), kBytesPerLine - held_.size());
        held_.insert(held_.end(), binary.begin(), binary.begin() + static_cast<std::ptrdiff_t>(take));
        binary = binary.subspan(take);
        if (held_.size() < kBytesPerLine)
            return;
        AppendLine(held_, out);
        held_.clear();
    }
    for (; binary.size() >= kBytesPerLine; binary = binary.subspan(kBytesPerLine))
        AppendLine(binary.first(kBytesPerLine), out);
    held_.assign(binary.begin(), binary.end());
}

void AgeArmorWriter::Finish(std::vector<std::uint8_t>& out)
{
    Begin(out);
    if (!held_.empty())
        AppendLine(held_, out);
    held_.clear();
    Append(kAgeArmorEnd, out);
    out.push_back('\n');
}

} // namespace tainoteka
