#pragma once
// The age payload: a 16-byte nonce, then the text in 64 KiB chunks sealed
// with ChaCha20-Poly1305 under a counter nonce whose last byte marks the
// final chunk. Both directions work piece by piece in constant memory.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "AgeFile.h"
#include "SecretBytes.h"

namespace tainoteka {

inline constexpr std::size_t kAgeChunkSize = 64 * 1024;
inline constexpr std::size_t kAgeTagSize = 16;
inline constexpr std::size_t kAgeNonceSize = 16;

class TAgeChunkNonce {
public:
    const std::uint8_t* Bytes(bool last);
    void Advance();
    bool First() const { return counter_ == 0; }

private:
    std::uint64_t counter_ = 0;
    std::array<std::uint8_t, 12> bytes_{};
};

class TAgePayloadSealer {
public:
    // Appends a fresh nonce to out.
    TAgePayloadSealer(const TSecretBytes& fileKey, std::vector<std::uint8_t>& out);
    ~TAgePayloadSealer();
    TAgePayloadSealer(TAgePayloadSealer&&) = default;

    void Write(std::span<const std::uint8_t> text, std::vector<std::uint8_t>& out);
    // The final chunk: whatever is held back, empty only for an empty text.
    void Finish(std::vector<std::uint8_t>& out);

private:
    void Seal(bool last, std::vector<std::uint8_t>& out);

    TSecretBytes key_;
    TAgeChunkNonce nonce_;
    std::vector<std::uint8_t> pending_; // a full chunk is held until more text shows it is not the last
};

class TAgePayloadOpener {
public:
    explicit TAgePayloadOpener(const TSecretBytes& fileKey);
    ~TAgePayloadOpener();
    TAgePayloadOpener(TAgePayloadOpener&&) = default;

    // Appends each chunk to released once it is authenticated; Damaged on the first failure.
    AgeStatus Read(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& released);
    // Damaged unless a final chunk ended the payload exactly.
    AgeStatus Finish(std::vector<std::uint8_t>& released);

private:
    AgeStatus OpenFullChunk(std::vector<std::uint8_t>& released);
    bool Open(bool last, std::vector<std::uint8_t>& released);

    TSecretBytes fileKey_;
    TSecretBytes key_; // set once the nonce is in
    TAgeChunkNonce nonce_;
    std::vector<std::uint8_t> pending_;
    bool ended_ = false;
    bool failed_ = false;
};

} // namespace tainoteka
