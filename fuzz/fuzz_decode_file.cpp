// Two things per input. First the payload is opened as a .txtp file under the
// typed password, and the result must be self-consistent. Then the payload is
// saved as a document text with that password and must read back as the text
// with normalised line ends, and must not open under any other password.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "KeyBlock.h"
#include "TxtpFile.h"

using namespace tainoteka;

namespace {

// The writer's line rule, written out on its own: CR LF, lone CR and lone LF
// each end a line, NUL ends the text, every line gets CR LF.
std::string ModelLines(std::string_view text)
{
    std::string out;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            out += line + "\r\n";
            line.clear();
            open = false;
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += ch;
            open = true;
        }
    }
    if (open)
        out += line + "\r\n";
    return out;
}

void CheckDecode(std::string_view file, std::string_view typed)
{
    const TDecodedFile got = DecodeTxtpFile(file, typed);
    FUZZ_CHECK((got.Status == TDecodeStatus::TooShort) == (file.size() < KeyBlockSize));
    if (got.Status == TDecodeStatus::TooShort)
        return;

    const TFileKeys keys = ParseKeyBlock(file.substr(0, KeyBlockSize), typed);
    FUZZ_CHECK((got.Status == TDecodeStatus::Ok) == keys.Valid);
    if (got.Status != TDecodeStatus::Ok)
        return;

    FUZZ_CHECK(got.Body.size() == file.size() - KeyBlockSize);
    FUZZ_CHECK(got.Password == typed);
    // Enciphering the deciphered body again under the same keys gives the file back.
    std::string body = got.Body;
    EncryptRun(reinterpret_cast<unsigned char*>(body.data()), body.size(),
               TKeySet{keys.StartKey, keys.MultKey, keys.AddKey});
    FUZZ_CHECK(std::string_view(body) == file.substr(KeyBlockSize));
}

void CheckRoundTrip(std::string_view text, std::string_view typed, uint64_t seed)
{
    fuzz::TDeterministicRandom random(seed);
    const std::string file = EncodeTxtpFile(text, typed, random);
    const std::string normalized = NormalizeLineEnds(text);
    FUZZ_CHECK(normalized == ModelLines(text));
    FUZZ_CHECK(file.size() == KeyBlockSize + normalized.size());

    // The writer keeps only the first 20 characters of the password.
    const std::string_view stored = typed.substr(0, MaxPasswordLength);
    const bool readable = stored.find('|') == std::string_view::npos;

    const TDecodedFile back = DecodeTxtpFile(file, stored);
    FUZZ_CHECK((back.Status == TDecodeStatus::Ok) == readable);
    if (readable) {
        FUZZ_CHECK(back.Body == normalized);
        FUZZ_CHECK(back.Password == stored);
    }
    if (typed.size() > MaxPasswordLength)
        FUZZ_CHECK(DecodeTxtpFile(file, typed).Status == TDecodeStatus::InvalidKeyBlock);

    // Another password: the stored one is compared byte for byte.
    std::string other(stored);
    if (other.empty())
        other = "x";
    else
        other.back() = static_cast<char>(other.back() ^ 1);
    FUZZ_CHECK(DecodeTxtpFile(file, other).Status == TDecodeStatus::InvalidKeyBlock);

    // Cut short, the body still deciphers to a prefix of the text.
    if (readable && normalized.size() > 1) {
        const std::size_t keep = KeyBlockSize + normalized.size() / 2;
        const TDecodedFile cut = DecodeTxtpFile(std::string_view(file).substr(0, keep), stored);
        FUZZ_CHECK(cut.Status == TDecodeStatus::Ok);
        FUZZ_CHECK(cut.Body == std::string_view(normalized).substr(0, keep - KeyBlockSize));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const fuzz::TFuzzInput in = fuzz::SplitInput(data, size);
    CheckDecode(in.Payload, in.Typed);
    CheckRoundTrip(in.Payload, in.Typed,
                   fuzz::HashBytes(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
