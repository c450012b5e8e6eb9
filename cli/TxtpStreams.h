#pragma once
// The work of encrypt, decrypt and check on streams: the protected file is
// read or written block by block, with the cipher's running key, the line
// ends and the code-page conversion carried from one block to the next.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "ByteStreams.h"
#include "ExitCode.h"
#include "KeyBlock.h"

namespace tainoteka::cli {

inline constexpr std::size_t kStreamBlockSize = std::size_t(1) << 20;

// The key block for password, then the text handed to Write, as the body of
// a .txtp file into output. The text is UTF-8, or Windows-1251 when raw, and
// is refused as ImportInputText refuses it: Write fails once the verdict
// cannot change, Finish gives it otherwise. A refused text leaves output
// incomplete; the caller must discard it. inputName names the text in messages.
class TTxtpProtector final : public IByteSink {
public:
    TTxtpProtector(bool raw, std::string_view password, IByteSink& output, std::string inputName);
    ~TTxtpProtector() override;
    TTxtpProtector(const TTxtpProtector&) = delete;
    TTxtpProtector& operator=(const TTxtpProtector&) = delete;

    TOutcome Write(std::string_view text) override;
    TOutcome Finish();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

// Writes the key block for password, then the text from input as the body.
// input is UTF-8, or Windows-1251 when raw; password is Windows-1251 and
// already checked for protecting. Refused text leaves output incomplete; the
// caller must discard it.
TOutcome ProtectStream(IByteSource& input, bool raw, std::string_view password, IByteSink& output,
                       std::size_t blockSize = kStreamBlockSize);

// Up to a key block's length from the start of file: fewer only when the file is shorter.
TOutcome ReadFileStart(IByteSource& file, std::string& start);

// The key block that start holds; fewer bytes than a key block is TooShort.
TOutcome CheckKeyBlockLength(const std::string& start, const std::string& fileName);

// Reads the key block from the start of file; fewer bytes than a key block is TooShort.
TOutcome ReadKeyBlock(IByteSource& file, std::string& block);

// The keys of the body, or WrongPassword.
TOutcome OpenKeyBlock(std::string_view block, std::string_view password, const std::string& fileName, TKeySet& body);

// Deciphers the rest of file into output, as UTF-8 unless raw.
TOutcome DecipherStream(IByteSource& file, const TKeySet& body, bool raw, IByteSink& output,
                        std::size_t blockSize = kStreamBlockSize);

} // namespace tainoteka::cli
