#pragma once
// The ASCII armour of an age file: strict PEM with the label "AGE ENCRYPTED
// FILE", standard base64 with "=" padding in lines of 64 columns, the last
// one 1 to 64. Only canonical armour is taken (LF or CR LF line ends, one
// kind throughout), with whitespace allowed before and after it: anything
// looser would let the same file have many forms. The armour holds
// ciphertext only, so none of its buffers need wiping.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tainoteka {

inline constexpr std::string_view kAgeArmorBegin = "-----BEGIN AGE ENCRYPTED FILE-----";
inline constexpr std::string_view kAgeArmorEnd = "-----END AGE ENCRYPTED FILE-----";
// Whitespace before the begin line is bounded, so that a file's first
// kAgeArmorProbeSize bytes always tell whether it is armoured.
inline constexpr std::size_t kAgeArmorLeadingSpace = 128;
inline constexpr std::size_t kAgeArmorProbeSize = kAgeArmorLeadingSpace + kAgeArmorBegin.size();

// The begin line after at most kAgeArmorLeadingSpace whitespace bytes. Only
// the type is told here; DearmorAge decides whether the armour is sound.
bool LooksLikeArmoredAge(std::span<const std::uint8_t> start);

// The binary age file inside the armour; nothing when the armour is not
// canonical or anything but whitespace surrounds it.
std::optional<std::vector<std::uint8_t>> DearmorAge(std::span<const std::uint8_t> armored);

// The fewest binary bytes armour of armoredSize bytes can hold, the
// whitespace after its end line left out: lines of 64 columns ending in CR LF.
std::uint64_t LeastDearmoredSize(std::uint64_t armoredSize);

// LF line ends, and a LF after the end line.
std::vector<std::uint8_t> ArmorAge(std::span<const std::uint8_t> binary);

// Armours a binary age file that arrives in pieces; the output is the same
// as ArmorAge of the whole.
class AgeArmorWriter {
public:
    void Write(std::span<const std::uint8_t> binary, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);

private:
    void Begin(std::vector<std::uint8_t>& out);

    std::vector<std::uint8_t> held_; // less than a line's worth, waiting for more
    bool begun_ = false;
};

} // namespace tainoteka
