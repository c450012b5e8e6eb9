#include "DocumentFile.h"

#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <system_error>

#include "CodePage1251.h"
#include "RandomSource.h"
#include "RtfImport.h"
#include "SystemError.h"
#include "SystemMemory.h"
#include "TextPlace.h"
#include "TxtpFile.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

// Measured peak while opening: the file and its deciphered body (one byte
// per character each), the text in UTF-16 (two) and the editing area's
// blocks, layout and undo structures (about four).
constexpr quint64 kBytesPerFileByte = 8;

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
    const TTextPlace place = PlaceOf(Utf16Of(text), std::size_t(at));
    refused.Line = place.Line;
    refused.Column = place.Column;
    return refused;
}

// A NUL would end the stored text; a character outside Windows-1251 has no byte.
std::optional<TRefusedCharacter> FirstRefused(const QString& text, const TCp1251Encoding& encoded)
{
    qsizetype first = text.indexOf(QChar(0));
    if (!encoded.Ok() && (first < 0 || qsizetype(encoded.Unmappable.front()) < first))
        first = qsizetype(encoded.Unmappable.front());
    if (first < 0)
        return std::nullopt;
    return RefusedAt(text, first);
}

constexpr std::size_t kRichTextSignatureSize = 6; // "{\rtf" and the byte after it

// Characters a formatted text takes in the editing area, CR LF counting two.
quint64 SavedCharacters(const QTextDocument& formatted)
{
    return quint64(formatted.characterCount() - 1) + quint64(std::max(formatted.blockCount() - 1, 0));
}

TOpenedDocument TooLargeText(quint64 characters)
{
    TOpenedDocument refused;
    refused.Status = TOpenStatus::TooLarge;
    refused.Characters = characters;
    return refused;
}

TOpenedDocument OpenedText(const TDecodedFile& decoded, quint64 largestText)
{
    TOpenedDocument opened;
    opened.Status = TOpenStatus::Ok;
    opened.Password = TextOf(decoded.Password);
    const QByteArray body = QByteArray::fromRawData(decoded.Body.data(), qsizetype(decoded.Body.size()));
    if (IsRichTextDocument(body)) {
        auto formatted = std::make_unique<QTextDocument>();
        if (ImportRichText(body, *formatted)) {
            if (const quint64 characters = SavedCharacters(*formatted); characters > largestText)
                return TooLargeText(characters);
            opened.Formatted = std::move(formatted);
            return opened;
        }
    }
    opened.PlainText = TextOf(decoded.Body);
    return opened;
}

} // namespace

quint64 MemoryToOpen(quint64 fileSize) { return fileSize * kBytesPerFileByte; }

TDocumentFile::TDocumentFile() : TDocumentFile(TDocumentFileServices{}) {}

TDocumentFile::TDocumentFile(TDocumentFileServices services) : services_(std::move(services))
{
    if (!services_.AvailableMemory)
        services_.AvailableMemory = AvailableMemoryBytes;
    if (!services_.Write)
        services_.Write = WriteFileAtomically;
    if (!services_.Random) {
        ownRandom_ = std::make_unique<TSystemRandom>();
        services_.Random = ownRandom_.get();
    }
}

TDocumentFile::~TDocumentFile() = default;

TReadFile TDocumentFile::Read(const QString& path) const
{
    TReadFile read;
    const std::optional<TFileStamp> stamp = RegularFileStamp(path);
    const quint64 size = quint64(std::max<qint64>(stamp ? stamp->Size : 0, 0));
    read.Needed = MemoryToOpen(size);
    if (const std::optional<quint64> available = services_.AvailableMemory(); available && read.Needed > *available) {
        read.Status = TReadStatus::TooLarge;
        read.Available = *available;
        return read;
    }
    try {
        const TFileResult result = ReadWholeFile(path, read.Bytes);
        if (!result.Ok) {
            read.Error = result.Error;
            return read;
        }
    } catch (const std::bad_alloc&) {
        read.Status = TReadStatus::TooLarge; // the system said less than it could give
        return read;
    }
    read.Status = IsTooShortForTxtp(std::size_t(read.Bytes.size())) ? TReadStatus::TooShort : TReadStatus::Ok;
    if (read.Status != TReadStatus::Ok)
        read.Bytes.clear();
    return read;
}

TOpenedDocument TDocumentFile::Open(const QByteArray& file, const QString& typedPassword, quint64 largestText) const
{
    // A character outside Windows-1251 can be no stored password's.
    TCp1251Encoding typed = Utf16ToCp1251(Utf16Of(typedPassword));
    const TWipeOnExit wipeTyped(typed.Bytes);
    if (!typed.Ok())
        return {};
    try {
        // A plain body holds one character per byte: one too long is refused
        // before it is deciphered; a rich-text one is measured once read.
        const TBodyLimit limit{std::size_t(std::min<quint64>(largestText, SIZE_MAX)), kRichTextSignatureSize,
                               [](std::string_view head) {
                                   return IsRichTextDocument(QByteArray::fromRawData(head.data(), qsizetype(head.size())));
                               }};
        const std::string_view bytes(file.constData(), std::size_t(file.size()));
        TDecodedFile decoded = DecodeTxtpFile(bytes, typed.Bytes, &limit);
        const TWipeOnExit wipeBody(decoded.Body);
        const TWipeOnExit wipeStored(decoded.Password);
        if (decoded.Status == TDecodeStatus::TooLarge)
            return TooLargeText(bytes.size() - KeyBlockSize);
        if (decoded.Status != TDecodeStatus::Ok)
            return {};
        return OpenedText(decoded, largestText);
    } catch (const std::bad_alloc&) {
        TOpenedDocument failed;
        failed.Status = TOpenStatus::OutOfMemory;
        return failed;
    }
}

TSavedDocument TDocumentFile::Save(const QString& path, const QString& text, const QString& password) const
{
    TSavedDocument saved;
    try {
        TCp1251Encoding body = Utf16ToCp1251(Utf16Of(text));
        const TWipeOnExit wipeBody(body.Bytes);
        if (const std::optional<TRefusedCharacter> refused = FirstRefused(text, body)) {
            saved.Status = TSaveStatus::RefusedCharacter;
            saved.Refused = *refused;
            return saved;
        }
        TCp1251Encoding stored = Utf16ToCp1251(Utf16Of(password));
        const TWipeOnExit wipePassword(stored.Bytes);
        const std::string file = EncodeTxtpFile(body.Bytes, stored.Bytes, *services_.Random);
        const TFileResult written = services_.Write(path, QByteArray::fromRawData(file.data(), qsizetype(file.size())));
        if (!written.Ok) {
            saved.Status = TSaveStatus::WriteFailed;
            saved.Error = written.Error;
        }
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

} // namespace tainoteka
