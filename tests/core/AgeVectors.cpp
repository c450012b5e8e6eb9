#include "AgeVectors.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <QByteArray>
#include <sodium.h>

namespace tainoteka::test {
namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<std::uint8_t> Inflate(const std::string& compressed)
{
    // qUncompress wants a big-endian length first; it is only a size hint.
    QByteArray input(4, '\0');
    input.append(compressed.data(), static_cast<qsizetype>(compressed.size()));
    const QByteArray plain = qUncompress(input);
    if (plain.isEmpty())
        throw std::runtime_error("vector does not inflate");
    return {plain.begin(), plain.end()};
}

TAgeVector ReadVector(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t split = all.find("\n\n");
    TAgeVector vector;
    vector.Name = path.filename().string();
    bool compressed = false;
    std::size_t at = 0;
    while (at < split) {
        const std::size_t end = all.find('\n', at);
        const std::string line = all.substr(at, end - at);
        at = end + 1;
        const std::size_t colon = line.find(": ");
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "expect")
            vector.Expect = value;
        else if (key == "payload")
            vector.PayloadSha256 = value;
        else if (key == "file key")
            vector.FileKey = FromHex(value);
        else if (key == "passphrase" && vector.Passphrase.empty())
            vector.Passphrase = value;
        else if (key == "compressed")
            compressed = true;
        else if (key == "armored")
            vector.Armored = value == "yes";
    }
    const std::string body = all.substr(split + 2);
    vector.File = compressed ? Inflate(body) : std::vector<std::uint8_t>(body.begin(), body.end());
    return vector;
}

} // namespace

std::vector<TAgeVector> LoadAgeVectors(std::initializer_list<std::string> prefixes)
{
    std::vector<TAgeVector> vectors;
    for (const auto& entry : std::filesystem::directory_iterator(TAINOTEKA_VECTORS_DIR "/age")) {
        const std::string name = entry.path().filename().string();
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& p) { return name.rfind(p, 0) == 0; }))
            vectors.push_back(ReadVector(entry.path()));
    }
    std::sort(vectors.begin(), vectors.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
    return vectors;
}

std::string Sha256Hex(std::span<const std::uint8_t> bytes)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes.data(), bytes.size());
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : digest)
        hex += {kDigits[byte >> 4], kDigits[byte & 15]};
    return hex;
}

} // namespace tainoteka::test
