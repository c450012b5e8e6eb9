#pragma once
// encrypt, decrypt and check for age files, block by block: memory stays a
// few blocks whatever the size of the text.
#include <string>
#include <string_view>

#include "AgeArmor.h"
#include "AgeFile.h"
#include "ByteStreams.h"
#include "ExitCode.h"
#include "TxtpStreams.h"

namespace tainoteka::cli {

// The header of the file after start, its first bytes already read; what
// follows the header in the last block read is kept in payloadStart.
// Damaged and not-for-a-password are known before a password is asked for.
TOutcome ReadAgeHeader(IByteSource& file, std::string_view start, AgeReader& reader, std::string& payloadStart);

// A key derivation that needs more memory than the system has left is not
// begun: the system might kill the program rather than refuse it.
TOutcome UnlockAgeFile(AgeReader& reader, std::string_view passwordUtf8, const std::string& fileName);

// The text to output as UTF-8, untouched; each block only once authenticated.
TOutcome OpenAgeStream(IByteSource& file, AgeReader& reader, std::string_view payloadStart, IByteSink& output,
                       std::size_t blockSize = kStreamBlockSize);

// An age file of the text handed to Write, untouched, into output: the
// header with the first piece, then the sealed chunks; armored, in its
// ASCII armour. Deriving the key takes its time and memory when made.
class TAgeProtector final : public IByteSink {
public:
    TAgeProtector(std::string_view passwordUtf8, bool armored, IByteSink& output);

    TOutcome Write(std::string_view text) override;
    TOutcome Finish();

private:
    TOutcome Emit(bool last);

    IByteSink& output_;
    bool armored_;
    std::vector<std::uint8_t> sealed_;
    AgeWriter writer_;
    AgeArmorWriter armor_;
    std::vector<std::uint8_t> armoredPiece_;
};

// Writes the whole age file: header, then the text of input, untouched.
TOutcome ProtectAgeStream(IByteSource& input, std::string_view passwordUtf8, bool armored, IByteSink& output,
                          std::size_t blockSize = kStreamBlockSize);

} // namespace tainoteka::cli
