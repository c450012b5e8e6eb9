#pragma once
// The age document type (age-encryption.org/v1 with one passphrase stanza):
// the whole-file calls, and the streaming reader and writer they are built
// on, for files too large to hold at once.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tainoteka {

enum class AgeStatus { Ok, WrongPassphrase, Damaged, NotPassphraseFile, WorkFactorTooLarge, OutOfMemory };

// An age version line ("age-encryption.org/") at the very start. The
// armoured form is told by LooksLikeArmoredAge (AgeArmor.h); whoever tells
// the type by content asks both.
bool LooksLikeAgeFile(std::span<const std::uint8_t> start);

// A fresh file key, salt and nonce on every call. Throws std::bad_alloc when
// the key derivation cannot have its memory, std::invalid_argument for a work
// factor outside 1 .. 22.
std::vector<std::uint8_t> EncryptAgeFile(std::span<const std::uint8_t> payload, std::string_view passphraseUtf8,
                                         int log2WorkFactor = 18);

struct AgeOpened {
    AgeStatus status;
    std::vector<std::uint8_t> payload; // only when status is Ok: the whole payload is checked first
    std::uint64_t keyDerivationMemory = 0; // bytes the key derivation takes, once the header is read
};
// The binary or the armoured form; armour that is not canonical is Damaged.
// Never throws: a failed allocation is OutOfMemory, and so is a key
// derivation needing more than availableMemory, refused before it starts.
AgeOpened DecryptAgeFile(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                         std::optional<std::uint64_t> availableMemory = std::nullopt);

// The longest header a passphrase file can have: the version line, one
// scrypt stanza and the MAC line, with room to spare.
inline constexpr std::uint64_t kAgeLongestPassphraseHeader = 256;
// The fewest payload bytes a binary file of fileSize bytes whose header takes
// headerSize can hold: what the nonce and a tag for every chunk leave.
std::uint64_t LeastAgePayload(std::uint64_t fileSize, std::uint64_t headerSize);

class TAgePayloadSealer;
class TAgePayloadOpener;

// Streaming writer: the header and nonce go out first, then the sealed chunks.
class AgeWriter {
public:
    ~AgeWriter();
    AgeWriter(AgeWriter&&) noexcept;
    void Write(std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);

private:
    friend class AgeSealer;
    explicit AgeWriter(std::unique_ptr<TAgePayloadSealer> payload);
    std::unique_ptr<TAgePayloadSealer> payload_;
};

// Derives once for a passphrase (the file key, stanza and header MAC stay in
// locked memory); each Seal gives a whole file with a fresh payload nonce,
// for copies rewritten often.
class AgeSealer {
public:
    AgeSealer(std::string_view passphraseUtf8, int log2WorkFactor = 18);
    ~AgeSealer();
    AgeSealer(AgeSealer&&) noexcept;
    AgeSealer& operator=(AgeSealer&&) noexcept;

    std::vector<std::uint8_t> Seal(std::span<const std::uint8_t> payload) const;
    // Appends the header and a fresh nonce to out.
    AgeWriter Begin(std::vector<std::uint8_t>& out) const;

private:
    struct TKeys;
    std::unique_ptr<TKeys> keys_;
};

// Streaming reader: the header first, so a file that is not for a passphrase
// is known before one is asked for; then the payload in any pieces, each
// chunk handed over once it is authenticated.
class AgeReader {
public:
    AgeReader();
    ~AgeReader();

    // Takes bytes from the start of the file; used says how many belonged to
    // the header. Ok while more is needed and when it is complete; Damaged or
    // NotPassphraseFile as soon as the header shows it.
    AgeStatus ReadHeader(std::span<const std::uint8_t> bytes, std::size_t& used);
    bool HeaderComplete() const;

    // Unwraps the file key and checks the header MAC. OutOfMemory, before any
    // work, when the key derivation needs more than availableMemory bytes.
    AgeStatus Unlock(std::string_view passphraseUtf8, std::optional<std::uint64_t> availableMemory = std::nullopt);
    // Bytes the key derivation takes; 0 until a header naming its work factor is read.
    std::uint64_t KeyDerivationMemory() const;
    // The same with a known file key, as the format's test vectors give it.
    AgeStatus UnlockWithFileKey(std::span<const std::uint8_t> fileKey);

    AgeStatus ReadPayload(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& released);
    // Damaged unless the payload ended with its final chunk.
    AgeStatus Finish(std::vector<std::uint8_t>& released);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace tainoteka
