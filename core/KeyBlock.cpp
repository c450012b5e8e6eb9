#include "KeyBlock.h"

#include <optional>

#include "KeyDerivation.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

constexpr uint32_t kKeyDrawRange = 2147483645;

int32_t DrawBodyKey(TRandomSource& random)
{
    const int64_t first = random.Random(kKeyDrawRange);
    const int64_t second = random.Random(kKeyDrawRange);
    return static_cast<int32_t>(first - second);
}

std::string FillAround(const std::string& framed, TRandomSource& random)
{
    std::string leading;
    std::string trailing;
    const TWipeOnExit wipeLeading(leading);
    const TWipeOnExit wipeTrailing(trailing);
    for (std::size_t n = KeyBlockSize - framed.size(); n > 0; --n) {
        const bool inFront = random.Random(2) == 1;
        const char ch = FillerAlphabet[random.Random(static_cast<uint32_t>(FillerAlphabet.size()))];
        if (inFront)
            leading.insert(leading.begin(), ch);
        else
            trailing.push_back(ch);
    }
    return leading + framed + trailing;
}

// Decimal text of at most 32-bit range; nullopt when it does not fit.
std::optional<int32_t> ToInt32(std::string_view text)
{
    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    int64_t value = 0;
    for (char ch : text) {
        value = value * 10 + (ch - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// A field that is not an integer text (never written by BuildKeyBlock) or a
// number outside 32 bits refuses the block.
bool ParseKeyField(std::string_view field, int32_t& key)
{
    if (!IsIntegerText(field))
        return false;
    const std::optional<int32_t> value = ToInt32(field);
    if (!value)
        return false;
    key = *value;
    return true;
}

// Takes the field from its keyword to the end of the text and cuts it off.
bool TakeTrailingField(std::string& text, std::string_view keyword, int32_t& key)
{
    const std::size_t at = text.find(keyword);
    if (at == std::string::npos || !ParseKeyField(std::string_view(text).substr(at + keyword.size()), key))
        return false;
    text.erase(at);
    return true;
}

void CutFrame(std::string& text)
{
    const std::size_t first = text.find('|');
    if (first != std::string::npos)
        text.erase(0, first + 1);
    const std::size_t second = text.find('|');
    if (second != std::string::npos)
        text.erase(second);
}

} // namespace

bool IsIntegerText(std::string_view text)
{
    if (text.empty())
        return false;
    const auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    if (!isDigit(text.front()) && text.front() != '-')
        return false;
    if (text.front() == '-' && text.size() < 2)
        return false;
    for (std::size_t i = 1; i < text.size(); ++i)
        if (!isDigit(text[i]))
            return false;
    return true;
}

std::string FramedKeyText(const TKeySet& bodyKeys, std::string_view password)
{
    std::string text = "|StartKey=" + std::to_string(bodyKeys.StartKey);
    text += " MultKey=" + std::to_string(bodyKeys.MultKey);
    text += " AddKey=" + std::to_string(bodyKeys.AddKey);
    text += " Password=";
    text += password;
    text += '|';
    return text;
}

TBuiltKeyBlock BuildKeyBlock(std::string_view password, TRandomSource& random)
{
    TBuiltKeyBlock built;
    built.BodyKeys.StartKey = DrawBodyKey(random);
    built.BodyKeys.MultKey = DrawBodyKey(random);
    built.BodyKeys.AddKey = DrawBodyKey(random);
    std::string framed = FramedKeyText(built.BodyKeys, password.substr(0, MaxPasswordLength));
    const TWipeOnExit wipeFramed(framed);
    built.Block = FillAround(framed, random);
    const TKeySet passwordKeys = DerivePasswordKeys(password.substr(0, MaxPasswordLength));
    EncryptRun(reinterpret_cast<unsigned char*>(built.Block.data()), built.Block.size(), passwordKeys);
    return built;
}

TBuiltKeyBlock BuildKeyBlock(std::string_view password)
{
    TSystemRandom random;
    return BuildKeyBlock(password, random);
}

TFileKeys ParseKeyBlock(std::string_view block, std::string_view typed)
{
    const TKeySet derived = DerivePasswordKeys(typed);
    TFileKeys result;
    result.Password = std::string(typed.substr(0, MaxPasswordLength));
    result.StartKey = derived.StartKey;
    result.MultKey = derived.MultKey;
    result.AddKey = derived.AddKey;

    std::string text(block);
    const TWipeOnExit wipeText(text);
    DecryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), derived);
    CutFrame(text);

    constexpr std::string_view kPassword = " Password=";
    const std::size_t at = text.find(kPassword);
    if (at == std::string::npos)
        return result;
    result.Password = text.substr(at + kPassword.size(), MaxPasswordLength);
    text.erase(at);
    if (result.Password != typed)
        return result;

    if (!TakeTrailingField(text, " AddKey=", result.AddKey) || !TakeTrailingField(text, " MultKey=", result.MultKey))
        return result;
    constexpr std::string_view kStart = "StartKey=";
    if (text.compare(0, kStart.size(), kStart) != 0)
        return result;
    result.Valid = ParseKeyField(std::string_view(text).substr(kStart.size()), result.StartKey);
    return result;
}

} // namespace tainoteka
