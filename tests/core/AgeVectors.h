#pragma once
// The age format's public test vectors: a "key: value" header, an empty
// line, then the age file, zlib-compressed when the header says so.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tainoteka::test {

struct TAgeVector {
    std::string Name;
    std::string Expect; // success, no match, HMAC failure, header failure, payload failure, armor failure
    std::string PayloadSha256; // hex, of what is released before the end or the failure
    std::vector<std::uint8_t> FileKey;
    std::string Passphrase;
    bool Armored = false; // File is the ASCII-armoured form
    std::vector<std::uint8_t> File;
};

// Every vector whose name starts with one of the prefixes, sorted by name.
std::vector<TAgeVector> LoadAgeVectors(std::initializer_list<std::string> prefixes);

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace tainoteka::test
