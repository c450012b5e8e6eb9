#include <cstring>
#include <stdexcept>
#include <string>

#include "AgeBase64.h"
#include "AgeFile.h"
#include "AgeHeader.h"
#include "AgeKeys.h"
#include "AgePayload.h"
#include "AgeScrypt.h"
#include "SecretBytes.h"

#include <sodium.h>

namespace tainoteka {

struct AgeSealer::TKeys {
    TSecretBytes FileKey;
    TSecretBytes Header; // version line, stanza and MAC line
};

namespace {

TSecretBytes BuildHeader(const TSecretBytes& fileKey, const TSecretBytes& passphrase, int log2WorkFactor)
{
    std::string text(kAgeVersionLine);
    text += FormatAgeStanza(MakeScryptStanza(fileKey, passphrase, log2WorkFactor));
    text += "---";
    const auto mac = AgeHeaderMac(fileKey, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    text += " " + EncodeAgeBase64(mac) + "\n";
    TSecretBytes header(text);
    sodium_memzero(text.data(), text.size());
    return header;
}

} // namespace

AgeWriter::AgeWriter(std::unique_ptr<TAgePayloadSealer> payload) : payload_(std::move(payload)) {}
AgeWriter::~AgeWriter() = default;
AgeWriter::AgeWriter(AgeWriter&&) noexcept = default;

void AgeWriter::Write(std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out)
{
    payload_->Write(payload, out);
}

void AgeWriter::Finish(std::vector<std::uint8_t>& out)
{
    payload_->Finish(out);
}

AgeSealer::AgeSealer(std::string_view passphraseUtf8, int log2WorkFactor) : keys_(std::make_unique<TKeys>())
{
    if (log2WorkFactor < 1 || log2WorkFactor > kAgeMaxLog2WorkFactor)
        throw std::invalid_argument("age work factor outside 2^1 .. 2^22");
    EnsureSodium();
    const TSecretBytes passphrase(passphraseUtf8);
    keys_->FileKey = TSecretBytes(kAgeFileKeySize);
    randombytes_buf(keys_->FileKey.data(), keys_->FileKey.size());
    keys_->Header = BuildHeader(keys_->FileKey, passphrase, log2WorkFactor);
}

AgeSealer::~AgeSealer() = default;
AgeSealer::AgeSealer(AgeSealer&&) noexcept = default;
AgeSealer& AgeSealer::operator=(AgeSealer&&) noexcept = default;

AgeWriter AgeSealer::Begin(std::vector<std::uint8_t>& out) const
{
    const auto header = keys_->Header.bytes();
    out.insert(out.end(), header.begin(), header.end());
    return AgeWriter(std::make_unique<TAgePayloadSealer>(keys_->FileKey, out));
}

std::vector<std::uint8_t> AgeSealer::Seal(std::span<const std::uint8_t> payload) const
{
    std::vector<std::uint8_t> file;
    const std::size_t chunks = payload.size() / kAgeChunkSize + 1;
    file.reserve(keys_->Header.size() + kAgeNonceSize + payload.size() + chunks * kAgeTagSize);
    AgeWriter writer = Begin(file);
    writer.Write(payload, file);
    writer.Finish(file);
    return file;
}

} // namespace tainoteka
