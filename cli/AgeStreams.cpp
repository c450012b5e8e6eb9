#include "AgeStreams.h"

#include "SystemMemory.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string_view Text(const std::vector<std::uint8_t>& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

constexpr std::uint64_t kMebibyte = std::uint64_t(1) << 20;

TOutcome AgeOutcome(AgeStatus status, const std::string& fileName)
{
    switch (status) {
    case AgeStatus::Ok:
        return Success();
    case AgeStatus::WrongPassphrase:
        return Failure(TExitCode::WrongPassword, fileName + ": wrong password");
    case AgeStatus::Damaged:
        return Failure(TExitCode::Damaged, fileName + ": damaged or altered file");
    case AgeStatus::NotPassphraseFile:
        return Failure(TExitCode::WrongPassword, fileName + ": an age file made for keys, not for a password");
    case AgeStatus::WorkFactorTooLarge:
        return Failure(TExitCode::FileError, fileName + ": asks for more key derivation work than 2^22; not opened");
    case AgeStatus::OutOfMemory:
        break;
    }
    return Failure(TExitCode::FileError, fileName + ": not enough memory for the key derivation");
}

TOutcome KeyDerivationTooLarge(const std::string& fileName, std::uint64_t needed, std::uint64_t available)
{
    const std::uint64_t neededMiB = (needed + kMebibyte - 1) / kMebibyte;
    return Failure(TExitCode::FileError, fileName + ": the key derivation needs " + std::to_string(neededMiB) +
                                             " MiB of memory and only " + std::to_string(available / kMebibyte) +
                                             " MiB are available; not opened");
}

} // namespace

TOutcome ReadAgeHeader(IByteSource& file, std::string_view start, AgeReader& reader, std::string& payloadStart)
{
    std::string block(start);
    std::size_t used = 0;
    AgeStatus status = reader.ReadHeader(Bytes(block), used);
    while (status == AgeStatus::Ok && !reader.HeaderComplete()) {
        block.resize(kStreamBlockSize);
        std::size_t got = 0;
        const TOutcome read = file.Read(block.data(), block.size(), got);
        if (!read.Ok())
            return read;
        if (got == 0)
            return AgeOutcome(AgeStatus::Damaged, file.Name());
        block.resize(got);
        status = reader.ReadHeader(Bytes(block), used);
    }
    payloadStart = block.substr(used);
    return AgeOutcome(status, file.Name());
}

TOutcome UnlockAgeFile(AgeReader& reader, std::string_view passwordUtf8, const std::string& fileName)
{
    const std::optional<std::uint64_t> available = AvailableMemoryBytes();
    const AgeStatus status = reader.Unlock(passwordUtf8, available);
    const std::uint64_t needed = reader.KeyDerivationMemory();
    if (status == AgeStatus::OutOfMemory && available && needed > *available)
        return KeyDerivationTooLarge(fileName, needed, *available);
    return AgeOutcome(status, fileName);
}

TOutcome OpenAgeStream(IByteSource& file, AgeReader& reader, std::string_view payloadStart, IByteSink& output,
                       std::size_t blockSize)
{
    std::string block(blockSize, '\0');
    std::vector<std::uint8_t> text;
    const TWipeOnExit wipeBlock(block);
    const TWipeOnExit wipeText(text);
    text.reserve(blockSize + 64 * 1024);
    std::string_view piece = payloadStart;
    for (bool end = false;;) {
        text.clear();
        const AgeStatus status = end ? reader.Finish(text) : reader.ReadPayload(Bytes(piece), text);
        TOutcome outcome = text.empty() ? Success() : output.Write(Text(text));
        Wipe(text);
        if (outcome.Ok())
            outcome = AgeOutcome(status, file.Name());
        if (!outcome.Ok() || end)
            return outcome;
        std::size_t got = 0;
        outcome = file.Read(block.data(), blockSize, got);
        if (!outcome.Ok())
            return outcome;
        piece = std::string_view(block.data(), got);
        end = got == 0;
    }
}

TAgeProtector::TAgeProtector(std::string_view passwordUtf8, bool armored, IByteSink& output)
    : output_(output)
    , armored_(armored)
    , writer_(AgeSealer(passwordUtf8).Begin(sealed_))
{
}

TOutcome TAgeProtector::Write(std::string_view text)
{
    writer_.Write(Bytes(text), sealed_);
    return Emit(false);
}

TOutcome TAgeProtector::Finish()
{
    writer_.Finish(sealed_);
    return Emit(true);
}

// Only ciphertext passes here: nothing to wipe.
TOutcome TAgeProtector::Emit(bool last)
{
    std::vector<std::uint8_t>& out = armored_ ? armoredPiece_ : sealed_;
    if (armored_) {
        armor_.Write(sealed_, armoredPiece_);
        if (last)
            armor_.Finish(armoredPiece_);
        sealed_.clear();
    }
    const TOutcome outcome = out.empty() ? Success() : output_.Write(Text(out));
    out.clear();
    return outcome;
}

TOutcome ProtectAgeStream(IByteSource& input, std::string_view passwordUtf8, bool armored, IByteSink& output,
                          std::size_t blockSize)
{
    TAgeProtector protector(passwordUtf8, armored, output);
    const TOutcome outcome = CopyStream(input, protector, blockSize);
    return outcome.Ok() ? protector.Finish() : outcome;
}

} // namespace tainoteka::cli
