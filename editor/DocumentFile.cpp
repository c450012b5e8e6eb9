#include "DocumentFile.h"

#include <QFile>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "AgeArmor.h"
#include "AgeFile.h"
#include "AgeFileSize.h"
#include "CodePage1251.h"
#include "InPlaceCopy.h"
#include "OverlappedSeal.h"
#include "RandomSource.h"
#include "RecoveryCopy.h"
#include "RtfImport.h"
#include "StateFolder.h"
#include "SystemError.h"
#include "SystemMemory.h"
#include "TextPlace.h"
#include "TxtpFile.h"
#include "Utf8.h"
#include "Wipe.h"
#include "WipeAway.h"

namespace tainoteka {
namespace {

// Measured peak while opening: the file and its deciphered body (one byte
// per character each), the text in UTF-16 (two) and the editing area's
// blocks, layout and undo structures (about four).
constexpr quint64 kBytesPerFileByte = 8;
// What the shown editing area adds for a text at its peak, measured by
// bench/BlockCostBench.cpp: 2.5 bytes a character, and 473 a line for its
// block, fragment and format records (Qt grows their tables by doubling).
constexpr quint64 kShownBytesPerCharacter = 3;
constexpr quint64 kShownBytesPerLine = 480;

std::u16string_view Utf16Of(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString TextOf(std::string_view cp1251)
{
    QString text(static_cast<qsizetype>(cp1251.size()), Qt::Uninitialized);
    Cp1251ToUtf16(cp1251, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

TRefusedCharacter RefusedAt(const QString& text, qsizetype at)
{
    TRefusedCharacter refused;
    refused.Position = at;
    const QChar ch = text.at(at);
    refused.CodePoint = ch.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()
        ? QChar::surrogateToUcs4(ch, text.at(at + 1))
        : ch.unicode();
    // The editing area's separators end lines too.
    QString before = text.first(at);
    UseNewlines(before);
    const TTextPlace place = PlaceOf(Utf16Of(before), std::size_t(at));
    Wipe(before);
    refused.Line = place.Line;
    refused.Column = place.Column;
    return refused;
}

std::span<const std::uint8_t> BytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

bool IsAgeFile(const QByteArray& file)
{
    return LooksLikeAgeFile(BytesOf(file)) || LooksLikeArmoredAge(BytesOf(file));
}

constexpr std::size_t kRichTextSignatureSize = 6; // "{\rtf" and the byte after it
// The head read of a long file must be enough to tell an armoured age file.
static_assert(KeyBlockSize + kRichTextSignatureSize >= kAgeArmorProbeSize);

// Characters a formatted text takes in the editing area, CR LF counting two.
quint64 SavedCharacters(const QTextDocument& formatted)
{
    return quint64(formatted.characterCount() - 1) + quint64(std::max(formatted.blockCount() - 1, 0));
}

TReadStatus AgeHeaderStatus(const QByteArray& file)
{
    std::optional<std::vector<std::uint8_t>> dearmored;
    if (LooksLikeArmoredAge(BytesOf(file)) && !(dearmored = DearmorAge(BytesOf(file))))
        return TReadStatus::Damaged;
    AgeReader reader;
    std::size_t used = 0;
    switch (reader.ReadHeader(dearmored ? std::span<const std::uint8_t>(*dearmored) : BytesOf(file), used)) {
    case AgeStatus::NotPassphraseFile: return TReadStatus::NotPassphraseFile;
    case AgeStatus::Ok: return reader.HeaderComplete() ? TReadStatus::Ok : TReadStatus::Damaged;
    default: return TReadStatus::Damaged;
    }
}

TOpenStatus OpenStatusOf(AgeStatus status)
{
    switch (status) {
    case AgeStatus::Ok: return TOpenStatus::Ok;
    case AgeStatus::WrongPassphrase: return TOpenStatus::WrongPassword;
    case AgeStatus::Damaged: return TOpenStatus::Damaged;
    case AgeStatus::NotPassphraseFile: return TOpenStatus::NotPassphraseFile;
    case AgeStatus::WorkFactorTooLarge: return TOpenStatus::WorkFactorTooLarge;
    case AgeStatus::OutOfMemory: return TOpenStatus::OutOfMemory;
    }
    return TOpenStatus::Damaged;
}

// A plain body holds one character per byte: one too long is refused before
// it is deciphered; a rich-text one is measured once read.
TBodyLimit PlainBodyLimit(quint64 largestText)
{
    return {std::size_t(std::min<quint64>(largestText, SIZE_MAX)), kRichTextSignatureSize, [](std::string_view head) {
                return IsRichTextDocument(QByteArray::fromRawData(head.data(), qsizetype(head.size())));
            }};
}

// A character outside Windows-1251 can be no stored password's: empty then.
std::string StorablePassword(const QString& typedPassword)
{
    TCp1251Encoding typed = Utf16ToCp1251(Utf16Of(typedPassword));
    if (!typed.Ok())
        Wipe(typed.Bytes);
    return typed.Ok() ? std::move(typed.Bytes) : std::string();
}

TDecodedFile DecodeWithin(const QByteArray& file, const QString& typedPassword, quint64 largestText)
{
    std::string typed = StorablePassword(typedPassword);
    const TWipeOnExit wipeTyped(typed);
    if (typed.empty() && !typedPassword.isEmpty())
        return {TDecodeStatus::InvalidKeyBlock, {}, {}};
    const TBodyLimit limit = PlainBodyLimit(largestText);
    return DecodeTxtpFile(std::string_view(file.constData(), std::size_t(file.size())), typed, &limit);
}

TUnsealedFile UnsealTxtp(const QByteArray& file, const QString& typedPassword, quint64 largestText)
{
    TUnsealedFile unsealed;
    TDecodedFile decoded = DecodeWithin(file, typedPassword, largestText);
    const TWipeOnExit wipeBody(decoded.Body);
    const TWipeOnExit wipeStored(decoded.Password);
    const std::string_view bytes(file.constData(), std::size_t(file.size()));
    if (decoded.Status == TDecodeStatus::TooLarge) {
        unsealed.Status = TOpenStatus::TooLarge;
        unsealed.Characters = bytes.size() - KeyBlockSize;
    }
    if (decoded.Status != TDecodeStatus::Ok)
        return unsealed;
    unsealed.Status = TOpenStatus::Ok;
    unsealed.Password = TextOf(decoded.Password);
    unsealed.Body.swap(decoded.Body);
    return unsealed;
}

TUnsealedFile UnsealAge(const QByteArray& file, const QString& typedPassword, std::optional<quint64> availableMemory)
{
    TUnsealedFile unsealed;
    unsealed.Type = TDocumentType::Age;
    unsealed.Armored = LooksLikeArmoredAge(BytesOf(file));
    QByteArray passphrase = typedPassword.toUtf8();
    const TWipeOnExit wipePassphrase(passphrase);
    AgeOpened opened = DecryptAgeFile(BytesOf(file), std::string_view(passphrase.constData(), std::size_t(passphrase.size())),
                                      availableMemory);
    const TWipeOnExit wipePayload(opened.payload);
    unsealed.Status = OpenStatusOf(opened.status);
    if (unsealed.Status == TOpenStatus::OutOfMemory)
        unsealed.MemoryNeeded = opened.keyDerivationMemory;
    if (unsealed.Status != TOpenStatus::Ok)
        return unsealed;
    const std::optional<std::size_t> notUtf8 =
        FirstNonUtf8Byte(std::string_view(reinterpret_cast<const char*>(opened.payload.data()), opened.payload.size()));
    if (notUtf8) {
        unsealed.Status = TOpenStatus::NotUtf8;
        unsealed.NotUtf8At = *notUtf8 + 1;
        return unsealed;
    }
    unsealed.Password = typedPassword;
    unsealed.Body.assign(opened.payload.begin(), opened.payload.end());
    return unsealed;
}

QString TextOfBody(const TUnsealedFile& unsealed)
{
    if (unsealed.Type == TDocumentType::Age)
        return QString::fromUtf8(unsealed.Body.data(), qsizetype(unsealed.Body.size()));
    return TextOf(unsealed.Body);
}

} // namespace

quint64 MemoryToOpen(quint64 fileSize) { return fileSize * kBytesPerFileByte; }

quint64 MemoryToShow(quint64 characters, quint64 lines)
{
    return characters * kShownBytesPerCharacter + lines * kShownBytesPerLine;
}

quint64 CountLines(std::string_view text)
{
    quint64 ends = quint64(std::count(text.begin(), text.end(), '\n'));
    for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1))
        ends += at + 1 == text.size() || text[at + 1] != '\n';
    return ends + 1;
}

TDocumentFile::TDocumentFile() : TDocumentFile(TDocumentFileServices{}) {}

TDocumentFile::TDocumentFile(TDocumentFileServices services) : services_(std::move(services))
{
    if (!services_.AvailableMemory)
        services_.AvailableMemory = AvailableMemoryBytes;
    if (!services_.Write) {
        inPlaceCopies_ = InPlaceCopyStore(services_.CopyFolder.isEmpty() ? SystemRecoveryFolder() : services_.CopyFolder);
        services_.Write = [this](const QString& path, const QByteArray& data) {
            return WriteFileAtomically(path, data, [this](const QString& target, const QByteArray& bytes) {
                return WriteInPlaceThroughCopy(*inPlaceCopies_, target, bytes);
            });
        };
    }
    if (!services_.Random) {
        ownRandom_ = std::make_unique<TSystemRandom>();
        services_.Random = ownRandom_.get();
    }
}

TDocumentFile::~TDocumentFile() = default;

namespace {

// A character takes at most four bytes of UTF-8.
constexpr quint64 kMostBytesPerCharacter = 4;

// Enough of a file to tell its type, an age file's header, and a .txtp's
// key block with the body's first bytes.
QByteArray ReadHead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(qint64(KeyBlockSize + kRichTextSignatureSize)) : QByteArray();
}

// An age file whose size alone shows more than largestText characters.
bool RefuseLongAgeFile(const QString& path, const QByteArray& head, quint64 size, quint64 largestText, TReadFile& read)
{
    if (!IsAgeFile(head))
        return false;
    const std::optional<quint64> payload = LeastAgePayloadOnDisk(path, head, size);
    const quint64 characters = payload ? (*payload + kMostBytesPerCharacter - 1) / kMostBytesPerCharacter : 0;
    if (characters <= largestText)
        return false;
    read.Status = TReadStatus::TooManyCharacters;
    read.Characters = characters;
    return true;
}

// The head of a .txtp longer than the editing area takes; false for an age
// file or one too short to be read so.
bool TakeLongTxtpHead(const QByteArray& head, TReadFile& read)
{
    if (head.size() < qsizetype(KeyBlockSize + kRichTextSignatureSize) || IsAgeFile(head))
        return false;
    read.Bytes = head;
    read.Status = TReadStatus::Ok;
    read.Type = TDocumentType::Txtp;
    read.Whole = false;
    return true;
}

} // namespace

TReadFile TDocumentFile::Read(const QString& path, quint64 largestText) const
{
    TReadFile read;
    const std::optional<TFileStamp> stamp = RegularFileStamp(path);
    const quint64 size = quint64(std::max<qint64>(stamp ? stamp->Size : 0, 0));
    read.Size = size;
    if (size > KeyBlockSize && size - KeyBlockSize > largestText) {
        const QByteArray head = ReadHead(path);
        if (RefuseLongAgeFile(path, head, size, largestText, read) || TakeLongTxtpHead(head, read))
            return read;
    }
    read.Needed = MemoryToOpen(size);
    if (const std::optional<quint64> available = services_.AvailableMemory(); available && read.Needed > *available) {
        read.Status = TReadStatus::TooLarge;
        read.Available = *available;
        return read;
    }
    QByteArray bytes;
    try {
        const TFileResult result = ReadWholeFile(path, bytes);
        if (!result.Ok) {
            read.Error = result.Error;
            return read;
        }
    } catch (const std::bad_alloc&) {
        read.Status = TReadStatus::TooLarge; // the system said less than it could give
        return read;
    }
    return Examine(std::move(bytes));
}

TReadFile TDocumentFile::Examine(QByteArray file)
{
    TReadFile read;
    read.Bytes = std::move(file);
    read.Size = quint64(read.Bytes.size());
    read.Needed = MemoryToOpen(read.Size);
    read.Type = IsAgeFile(read.Bytes) ? TDocumentType::Age : TDocumentType::Txtp;
    if (read.Type == TDocumentType::Age)
        read.Status = AgeHeaderStatus(read.Bytes);
    else
        read.Status = IsTooShortForTxtp(std::size_t(read.Bytes.size())) ? TReadStatus::TooShort : TReadStatus::Ok;
    if (read.Status != TReadStatus::Ok)
        read.Bytes.clear();
    return read;
}

void TUnsealedFile::Clear()
{
    Wipe(Body);
    Wipe(Password);
    std::string().swap(Body);
    Password = QString();
}

TOpenStatus TDocumentFile::LongBodyStatus(const TReadFile& head, const QString& typedPassword)
{
    try {
        TDecodedFile decoded = DecodeWithin(head.Bytes, typedPassword, 0);
        Wipe(decoded.Body);
        Wipe(decoded.Password);
        switch (decoded.Status) {
        case TDecodeStatus::Ok: return TOpenStatus::Ok;
        case TDecodeStatus::TooLarge: return TOpenStatus::TooLarge;
        case TDecodeStatus::TooShort:
        case TDecodeStatus::InvalidKeyBlock: break;
        }
    } catch (const std::bad_alloc&) {
        return TOpenStatus::OutOfMemory;
    }
    return TOpenStatus::WrongPassword;
}

TMemoryCheck TDocumentFile::RoomToShow(const TOpenedDocument& opened) const
{
    TMemoryCheck check;
    const quint64 characters =
        opened.Formatted ? quint64(opened.Formatted->characterCount()) : quint64(opened.PlainText.size());
    check.Needed = MemoryToShow(characters, opened.Lines);
    if (const std::optional<quint64> available = services_.AvailableMemory(); available && check.Needed > *available) {
        check.Fits = false;
        check.Available = *available;
    }
    return check;
}

TOpenedDocument TDocumentFile::Open(const QByteArray& file, const QString& typedPassword, quint64 largestText) const
{
    TUnsealedFile unsealed = Unseal(file, typedPassword, largestText);
    return Present(unsealed, largestText);
}

TUnsealedFile TDocumentFile::Unseal(const QByteArray& file, const QString& typedPassword, quint64 largestText) const
{
    try {
        return IsAgeFile(file) ? UnsealAge(file, typedPassword, services_.AvailableMemory())
                               : UnsealTxtp(file, typedPassword, largestText);
    } catch (const std::bad_alloc&) {
        TUnsealedFile failed;
        failed.Status = TOpenStatus::OutOfMemory;
        return failed;
    }
}

TOpenedDocument TDocumentFile::Present(TUnsealedFile& unsealed, quint64 largestText)
{
    TOpenedDocument opened;
    opened.Status = unsealed.Status;
    opened.Type = unsealed.Type;
    opened.Armored = unsealed.Armored;
    opened.Characters = unsealed.Characters;
    opened.MemoryNeeded = unsealed.MemoryNeeded;
    opened.NotUtf8At = unsealed.NotUtf8At;
    if (unsealed.Status != TOpenStatus::Ok)
        return opened;
    try {
        const QByteArray body = QByteArray::fromRawData(unsealed.Body.data(), qsizetype(unsealed.Body.size()));
        if (IsRichTextDocument(body)) {
            auto formatted = std::make_unique<QTextDocument>();
            if (ImportRichText(body, *formatted))
                opened.Formatted = std::move(formatted);
        }
        if (!opened.Formatted)
            opened.PlainText = TextOfBody(unsealed);
        opened.Lines = opened.Formatted ? quint64(opened.Formatted->blockCount()) : CountLines(unsealed.Body);
        const quint64 characters =
            opened.Formatted ? SavedCharacters(*opened.Formatted) : quint64(opened.PlainText.size());
        if (characters > largestText) {
            Wipe(opened.PlainText);
            opened = {};
            opened.Status = TOpenStatus::TooLarge;
            opened.Characters = characters;
            return opened;
        }
        opened.Password = unsealed.Password;
    } catch (const std::bad_alloc&) {
        opened = {};
        opened.Status = TOpenStatus::OutOfMemory;
    }
    return opened;
}

TSavedDocument TDocumentFile::Save(const QString& path, const QString& text, const QString& password,
                                   TDocumentType type, bool armored) const
{
    TSavedDocument saved;
    try {
        return type == TDocumentType::Age ? SaveAge(path, text, password, armored) : SaveTxtp(path, text, password);
    } catch (const std::bad_alloc&) {
        saved.Status = TSaveStatus::OutOfMemory;
    } catch (const std::system_error& failure) {
        saved.Status = TSaveStatus::NoRandomness;
        saved.Error = SystemErrorText(failure.code().value());
    } catch (const std::runtime_error&) {
        saved.Status = TSaveStatus::NoRandomness;
    }
    return saved;
}

TSavedDocument TDocumentFile::SaveTxtp(const QString& path, const QString& text, const QString& password) const
{
    TSavedDocument saved;
    TCp1251Encoding stored = Utf16ToCp1251(Utf16Of(password));
    const TWipeOnExit wipePassword(stored.Bytes);
    // A password typed to open an age file may hold characters a .txtp key
    // block has no byte for: the file would never open with it.
    if (!stored.Ok() || stored.Bytes.size() > MaxPasswordLength) {
        saved.Status = TSaveStatus::PasswordNotStorable;
        return saved;
    }
    TSealedTxtp file = SealTxtpText(Utf16Of(text), stored.Bytes, *services_.Random);
    if (file.Refused()) {
        saved.Status = TSaveStatus::RefusedCharacter;
        saved.Refused = RefusedAt(text, qsizetype(*file.Refused()));
        return saved;
    }
    saved = Written(path, QByteArray::fromRawData(file.Bytes().data(), qsizetype(file.Bytes().size())));
    WipeAway(std::move(file));
    return saved;
}

TSavedDocument TDocumentFile::SaveAge(const QString& path, const QString& text, const QString& password,
                                      bool armored) const
{
    QString lines = text;
    UseNewlines(lines);
    std::string payload = AgePayload(lines);
    if (!lines.isSharedWith(text))
        Wipe(lines);
    const TWipeOnExit wipePayload(payload);
    QByteArray passphrase = password.toUtf8();
    const TWipeOnExit wipePassphrase(passphrase);
    std::vector<std::uint8_t> file = EncryptAgeFile(
        std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()),
        std::string_view(passphrase.constData(), std::size_t(passphrase.size())), services_.AgeWorkFactor);
    if (armored)
        file = ArmorAge(file);
    return Written(path, QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())));
}

TSavedDocument TDocumentFile::Written(const QString& path, const QByteArray& file) const
{
    TSavedDocument saved;
    const TFileResult written = services_.Write(path, file);
    if (!written.Ok) {
        saved.Status = written.NoSafetyCopy ? TSaveStatus::NoSafetyCopy : TSaveStatus::WriteFailed;
        saved.Error = written.Error;
    }
    return saved;
}

std::string AgePayload(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    const TWipeOnExit wipeUtf8(utf8);
    std::string payload;
    payload.reserve(std::size_t(utf8.size()) + 1);
    bool lineOpen = false;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char ch = utf8[i];
        if (ch != '\r' && ch != '\n') {
            payload += ch;
            lineOpen = true;
            continue;
        }
        if (ch == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            ++i;
        payload += '\n';
        lineOpen = false;
    }
    if (lineOpen)
        payload += '\n';
    return payload;
}

} // namespace tainoteka
