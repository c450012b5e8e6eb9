#pragma once
// A .txtp file: the 200-byte key block, then the body enciphered under the
// body keys. No signature, length or checksum.
#include <functional>
#include <string>
#include <string_view>

#include "KeyBlock.h"

namespace tainoteka {

// Every line ends with CR LF: CR LF, a lone CR and a lone LF each end a line,
// a NUL ends the text, and a last line without an end gets one.
std::string NormalizeLineEnds(std::string_view text);

// The whole file for a Windows-1251 text; line ends are normalised here.
std::string EncodeTxtpFile(std::string_view text, std::string_view password, TRandomSource& random);
std::string EncodeTxtpFile(std::string_view text, std::string_view password);

enum class TDecodeStatus {
    Ok,
    TooShort, // fewer than KeyBlockSize bytes: not one of our files
    InvalidKeyBlock, // wrong password, or a damaged or foreign key block
    TooLarge, // the body is longer than the limit, and its first bytes do not let it pass
};

// A body longer than Largest is deciphered only when its first HeadSize
// bytes, deciphered, pass AcceptsLonger; otherwise it is refused unread.
struct TBodyLimit {
    std::size_t Largest = 0;
    std::size_t HeadSize = 0;
    std::function<bool(std::string_view head)> AcceptsLonger;
};

struct TDecodedFile {
    TDecodeStatus Status = TDecodeStatus::TooShort;
    std::string Body; // deciphered Windows-1251 text when Status is Ok
    std::string Password; // the password stored in the file
};

inline bool IsTooShortForTxtp(std::size_t fileSize) { return fileSize < KeyBlockSize; }

TDecodedFile DecodeTxtpFile(std::string_view file, std::string_view typed, const TBodyLimit* limit = nullptr);

} // namespace tainoteka
