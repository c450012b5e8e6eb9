#include <algorithm>
#include <optional>

#include <sodium.h>

#include "AgeFile.h"
#include "AgeHeader.h"
#include "AgeKeys.h"
#include "AgePayload.h"
#include "AgeScrypt.h"
#include "SecretBytes.h"

namespace tainoteka {
namespace {

// Far more than any passphrase header; a longer one is not ours to read.
constexpr std::size_t kMaxHeaderSize = 1 << 20;

// A passphrase file has its scrypt stanza alone: mixing would let anyone with
// the other key forge a file that looks passphrase-protected.
AgeStatus ClassifyStanzas(const TAgeHeader& header)
{
    const bool anyScrypt = std::any_of(header.Stanzas.begin(), header.Stanzas.end(), IsScryptStanza);
    if (!anyScrypt)
        return AgeStatus::NotPassphraseFile;
    return header.Stanzas.size() == 1 ? AgeStatus::Ok : AgeStatus::Damaged;
}

} // namespace

struct AgeReader::TState {
    std::vector<std::uint8_t> HeaderBytes;
    TAgeHeader Header;
    bool HeaderComplete = false;
    std::optional<TAgePayloadOpener> Payload;
};

AgeReader::AgeReader() : state_(std::make_unique<TState>()) {}
AgeReader::~AgeReader() = default;

bool AgeReader::HeaderComplete() const
{
    return state_->HeaderComplete;
}

AgeStatus AgeReader::ReadHeader(std::span<const std::uint8_t> bytes, std::size_t& used)
{
    used = 0;
    if (state_->HeaderComplete)
        return AgeStatus::Ok;
    std::vector<std::uint8_t>& have = state_->HeaderBytes;
    const std::size_t before = have.size();
    const std::size_t take = std::min(bytes.size(), kMaxHeaderSize - before);
    have.insert(have.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    switch (ParseAgeHeader(have, state_->Header)) {
    case TAgeHeaderParse::Invalid:
        return AgeStatus::Damaged;
    case TAgeHeaderParse::NeedMore:
        used = take;
        return have.size() < kMaxHeaderSize ? AgeStatus::Ok : AgeStatus::Damaged;
    case TAgeHeaderParse::Complete:
        break;
    }
    used = state_->Header.Length - before;
    have.resize(state_->Header.Length);
    state_->HeaderComplete = true;
    return ClassifyStanzas(state_->Header);
}

std::uint64_t AgeReader::KeyDerivationMemory() const
{
    if (!state_->HeaderComplete || state_->Header.Stanzas.size() != 1)
        return 0;
    const std::optional<int> factor = ScryptWorkFactor(state_->Header.Stanzas.front());
    return factor && *factor <= kAgeMaxLog2WorkFactor ? ScryptMemoryNeeded(*factor) : 0;
}

AgeStatus AgeReader::Unlock(std::string_view passphraseUtf8, std::optional<std::uint64_t> availableMemory)
{
    if (!state_->HeaderComplete)
        return AgeStatus::Damaged;
    const AgeStatus kind = ClassifyStanzas(state_->Header);
    if (kind != AgeStatus::Ok)
        return kind;
    const TSecretBytes passphrase(passphraseUtf8);
    TSecretBytes fileKey;
    const AgeStatus unwrapped = UnwrapScryptStanza(state_->Header.Stanzas.front(), passphrase, fileKey, availableMemory);
    return unwrapped == AgeStatus::Ok ? UnlockWithFileKey(fileKey.bytes()) : unwrapped;
}

AgeStatus AgeReader::UnlockWithFileKey(std::span<const std::uint8_t> fileKeyBytes)
{
    if (!state_->HeaderComplete || fileKeyBytes.size() != kAgeFileKeySize)
        return AgeStatus::Damaged;
    const TSecretBytes fileKey(fileKeyBytes);
    const auto macInput = std::span<const std::uint8_t>(state_->HeaderBytes).first(state_->Header.MacInputLength);
    const auto mac = AgeHeaderMac(fileKey, macInput);
    if (crypto_verify_32(mac.data(), state_->Header.Mac.data()) != 0)
        return AgeStatus::Damaged;
    state_->Payload.emplace(fileKey);
    return AgeStatus::Ok;
}

AgeStatus AgeReader::ReadPayload(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& released)
{
    return state_->Payload ? state_->Payload->Read(bytes, released) : AgeStatus::Damaged;
}

AgeStatus AgeReader::Finish(std::vector<std::uint8_t>& released)
{
    return state_->Payload ? state_->Payload->Finish(released) : AgeStatus::Damaged;
}

} // namespace tainoteka
