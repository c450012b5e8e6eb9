#include "AgePayload.h"

#include <algorithm>

#include <sodium.h>

#include "AgeKeys.h"

namespace tainoteka {
namespace {

constexpr std::size_t kSealedChunkSize = kAgeChunkSize + kAgeTagSize;

TSecretBytes PayloadKey(const TSecretBytes& fileKey, std::span<const std::uint8_t> nonce)
{
    return HkdfSha256(fileKey.bytes(), nonce, "payload");
}

void Append(std::vector<std::uint8_t>& to, std::span<const std::uint8_t> bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

} // namespace

const std::uint8_t* TAgeChunkNonce::Bytes(bool last)
{
    // 11-byte big-endian counter, then the final-chunk flag.
    for (int i = 0; i < 8; ++i)
        bytes_[10 - i] = static_cast<std::uint8_t>(counter_ >> (8 * i));
    bytes_[11] = last ? 1 : 0;
    return bytes_.data();
}

void TAgeChunkNonce::Advance()
{
    ++counter_;
}

TAgePayloadSealer::TAgePayloadSealer(const TSecretBytes& fileKey, std::vector<std::uint8_t>& out)
{
    std::uint8_t nonce[kAgeNonceSize];
    randombytes_buf(nonce, sizeof nonce);
    key_ = PayloadKey(fileKey, nonce);
    Append(out, nonce);
    pending_.reserve(kAgeChunkSize);
}

TAgePayloadSealer::~TAgePayloadSealer()
{
    sodium_memzero(pending_.data(), pending_.size());
}

void TAgePayloadSealer::Write(std::span<const std::uint8_t> text, std::vector<std::uint8_t>& out)
{
    while (!text.empty()) {
        if (pending_.size() == kAgeChunkSize)
            Seal(false, out);
        const std::size_t take = std::min(text.size(), kAgeChunkSize - pending_.size());
        Append(pending_, text.first(take));
        text = text.subspan(take);
    }
}

void TAgePayloadSealer::Finish(std::vector<std::uint8_t>& out)
{
    Seal(true, out);
}

void TAgePayloadSealer::Seal(bool last, std::vector<std::uint8_t>& out)
{
    const std::size_t at = out.size();
    out.resize(at + pending_.size() + kAgeTagSize);
    crypto_aead_chacha20poly1305_ietf_encrypt(out.data() + at, nullptr, pending_.data(), pending_.size(), nullptr, 0,
                                              nullptr, nonce_.Bytes(last), key_.data());
    nonce_.Advance();
    sodium_memzero(pending_.data(), pending_.size());
    pending_.clear();
}

TAgePayloadOpener::TAgePayloadOpener(const TSecretBytes& fileKey) : fileKey_(fileKey.bytes())
{
    pending_.reserve(kSealedChunkSize);
}

TAgePayloadOpener::~TAgePayloadOpener()
{
    sodium_memzero(pending_.data(), pending_.size());
}

AgeStatus TAgePayloadOpener::Read(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& released)
{
    while (!bytes.empty() && !failed_) {
        if (ended_)
            failed_ = true; // bytes after the final chunk
        const std::size_t wanted = key_.size() == 0 ? kAgeNonceSize : kSealedChunkSize;
        const std::size_t take = std::min(bytes.size(), wanted - pending_.size());
        Append(pending_, bytes.first(take));
        bytes = bytes.subspan(take);
        if (pending_.size() < wanted || failed_)
            continue;
        if (key_.size() == 0) {
            key_ = PayloadKey(fileKey_, pending_);
            pending_.clear();
        } else if (OpenFullChunk(released) != AgeStatus::Ok) {
            failed_ = true;
        }
    }
    return failed_ ? AgeStatus::Damaged : AgeStatus::Ok;
}

// A full chunk is the final one only if it does not open as an inner one:
// its length alone cannot tell.
AgeStatus TAgePayloadOpener::OpenFullChunk(std::vector<std::uint8_t>& released)
{
    if (Open(false, released))
        return AgeStatus::Ok;
    if (Open(true, released)) {
        ended_ = true;
        return AgeStatus::Ok;
    }
    return AgeStatus::Damaged;
}

AgeStatus TAgePayloadOpener::Finish(std::vector<std::uint8_t>& released)
{
    if (failed_ || key_.size() == 0)
        return AgeStatus::Damaged;
    if (pending_.empty())
        return ended_ ? AgeStatus::Ok : AgeStatus::Damaged;
    // A short last chunk; empty is allowed only when it is the whole payload.
    const bool emptyAfterOthers = pending_.size() == kAgeTagSize && !nonce_.First();
    if (ended_ || pending_.size() < kAgeTagSize || emptyAfterOthers || !Open(true, released))
        return AgeStatus::Damaged;
    ended_ = true;
    return AgeStatus::Ok;
}

bool TAgePayloadOpener::Open(bool last, std::vector<std::uint8_t>& released)
{
    const std::size_t at = released.size();
    const std::size_t length = pending_.size() - kAgeTagSize;
    released.resize(at + length);
    if (crypto_aead_chacha20poly1305_ietf_decrypt(released.data() + at, nullptr, nullptr, pending_.data(),
                                                  pending_.size(), nullptr, 0, nonce_.Bytes(last), key_.data()) != 0) {
        released.resize(at);
        return false;
    }
    nonce_.Advance();
    pending_.clear();
    return true;
}

} // namespace tainoteka
