// Writes the seed corpora: a few small, valid inputs per target in the layout
// of FuzzInput.h. Deterministic, so rerunning it rewrites the same files.
//   fuzz_make_seeds <fuzz/corpus>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "KeyBlock.h"
#include "KeyDerivation.h"
#include "TxtpFile.h"

using namespace tainoteka;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& dir, const std::string& name, const std::string& bytes)
{
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A plain block as a writer lays it out, with fixed filler on both sides.
std::string PlainBlock(const TKeySet& keys, std::string_view password, std::size_t leading)
{
    const std::string framed = FramedKeyText(keys, password);
    std::string block;
    for (std::size_t i = 0; i < leading; ++i)
        block += FillerAlphabet[(i * 7) % FillerAlphabet.size()];
    block += framed;
    for (std::size_t i = block.size(); i < KeyBlockSize; ++i)
        block += FillerAlphabet[(i * 11) % FillerAlphabet.size()];
    return block;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path keyDir = root / "fuzz_parse_key_block";
    const fs::path fileDir = root / "fuzz_decode_file";
    fuzz::TDeterministicRandom random(20240601);

    // Enciphered blocks, valid as they stand.
    Write(keyDir, "built-secret", fuzz::JoinInput("secret", BuildKeyBlock("secret", random).Block));
    Write(keyDir, "built-empty-password", fuzz::JoinInput("", BuildKeyBlock("", random).Block));
    const std::string longest = "\xEF\xE0\xF0\xEE\xEB\xFC 12345678=abcd"; // 20 bytes, Cyrillic first
    Write(keyDir, "built-20-bytes", fuzz::JoinInput(longest, BuildKeyBlock(longest, random).Block));

    // Plain blocks: valid once the target enciphers them under the typed password.
    Write(keyDir, "plain-extreme-keys",
          fuzz::JoinInput("a AddKey=1", PlainBlock({INT32_MIN, INT32_MAX, -1}, "a AddKey=1", 30)));
    Write(keyDir, "plain-leading-zeros",
          fuzz::JoinInput("pw", "xyz|StartKey=-000 MultKey=0007 AddKey=00 Password=pw|tail"));
    Write(keyDir, "plain-short-password", fuzz::JoinInput("q", PlainBlock({12345, -678, 9}, "q", 0)));

    // Whole files, and texts that the round trip saves.
    Write(fileDir, "file-two-lines",
          fuzz::JoinInput("secret", EncodeTxtpFile("\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0", "secret", random)));
    Write(fileDir, "file-empty-document", fuzz::JoinInput("", EncodeTxtpFile("", "", random)));
    Write(fileDir, "file-20-byte-password", fuzz::JoinInput(longest, EncodeTxtpFile("one\rtwo\nthree\r\n", longest, random)));
    Write(fileDir, "text-mixed-line-ends", fuzz::JoinInput("a", std::string("a\rb\nc\r\n\r\rd\0after nul", 22)));
    Write(fileDir, "text-long-password", fuzz::JoinInput("0123456789abcdefghij|tail", "text\n"));
    Write(fileDir, "text-bar-password", fuzz::JoinInput("a|b", "x\r\n"));
    return 0;
}
