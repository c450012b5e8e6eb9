// Feeds arbitrary bytes to ParseKeyBlock under an arbitrary typed password.
//
// Enciphered noise almost never deciphers into anything with a "|" frame, so
// besides the raw payload (as given, and cut or padded to a block's 200 bytes)
// the payload is also taken as a plain-text block and enciphered under the
// typed password first: that is what lets the fuzzer reach the field parsing.
// Every result is compared against a straightforward model of the parse.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "KeyBlock.h"
#include "KeyDerivation.h"

using namespace tainoteka;

namespace {

std::string Encipher(std::string text, std::string_view password)
{
    EncryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), DerivePasswordKeys(password));
    return text;
}

std::string Decipher(std::string text, std::string_view password)
{
    DecryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), DerivePasswordKeys(password));
    return text;
}

bool ModelIsInteger(std::string_view s)
{
    if (s.empty() || s == "-")
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool digit = s[i] >= '0' && s[i] <= '9';
        if (!digit && !(i == 0 && s[i] == '-'))
            return false;
    }
    return true;
}

// Non-integer fields refuse the block, as the core chooses to.
std::optional<int32_t> ModelField(std::string_view s)
{
    if (!ModelIsInteger(s))
        return std::nullopt;
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// The parse written out step by step, independent of the core's helpers.
TFileKeys ModelParse(std::string_view block, std::string_view typed)
{
    TFileKeys r;
    std::string text = Decipher(std::string(block), typed);
    if (const auto bar = text.find('|'); bar != std::string::npos)
        text = text.substr(bar + 1);
    if (const auto bar = text.find('|'); bar != std::string::npos)
        text = text.substr(0, bar);

    const auto pw = text.find(" Password=");
    if (pw == std::string::npos)
        return r;
    r.Password = text.substr(pw + 10, MaxPasswordLength);
    text.resize(pw);
    if (r.Password != typed)
        return r;

    const auto add = text.find(" AddKey=");
    if (add == std::string::npos)
        return r;
    const auto addKey = ModelField(std::string_view(text).substr(add + 8));
    if (!addKey)
        return r;
    text.resize(add);

    const auto mult = text.find(" MultKey=");
    if (mult == std::string::npos)
        return r;
    const auto multKey = ModelField(std::string_view(text).substr(mult + 9));
    if (!multKey)
        return r;
    text.resize(mult);

    if (text.rfind("StartKey=", 0) != 0)
        return r;
    const auto startKey = ModelField(std::string_view(text).substr(9));
    if (!startKey)
        return r;

    r.StartKey = *startKey;
    r.MultKey = *multKey;
    r.AddKey = *addKey;
    r.Valid = true;
    return r;
}

void CheckParse(std::string_view block, std::string_view typed)
{
    const TFileKeys got = ParseKeyBlock(block, typed);
    if (got.Valid) {
        FUZZ_CHECK(got.Password == typed);
        FUZZ_CHECK(got.Password.size() <= MaxPasswordLength);
    }
    const TFileKeys want = ModelParse(block, typed);
    FUZZ_CHECK(got.Valid == want.Valid);
    if (got.Valid) {
        FUZZ_CHECK(got.StartKey == want.StartKey);
        FUZZ_CHECK(got.MultKey == want.MultKey);
        FUZZ_CHECK(got.AddKey == want.AddKey);
    }
    if (!got.Valid)
        return;

    // Whatever keys a block may carry (the full 32-bit range, not only what
    // BuildKeyBlock draws) must survive being written into a block again.
    const TKeySet keys{got.StartKey, got.MultKey, got.AddKey};
    std::string plain = FramedKeyText(keys, typed);
    FUZZ_CHECK(plain.size() <= KeyBlockSize);
    plain.resize(KeyBlockSize, FillerAlphabet[plain.size() % FillerAlphabet.size()]);
    const TFileKeys again = ParseKeyBlock(Encipher(plain, typed), typed);
    FUZZ_CHECK(again.Valid);
    FUZZ_CHECK(again.StartKey == keys.StartKey && again.MultKey == keys.MultKey && again.AddKey == keys.AddKey);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const fuzz::TFuzzInput in = fuzz::SplitInput(data, size);

    // A file written on a machine without x87 must open on one with it.
    if (HasX87Trig())
        FUZZ_CHECK(DerivePasswordKeysPortable(in.Typed) == DerivePasswordKeysX87(in.Typed));

    // Any length is safe, not only the 200 bytes a file supplies.
    CheckParse(in.Payload, in.Typed);

    std::string block(in.Payload.substr(0, KeyBlockSize));
    block.resize(KeyBlockSize, '\0');
    CheckParse(block, in.Typed);

    CheckParse(Encipher(std::string(in.Payload), in.Typed), in.Typed);
    return 0;
}
