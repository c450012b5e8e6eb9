#pragma once
// A protected document on disk: reading the file, weighing it against the
// memory there is, opening it under a password (plain or rich text), and
// writing a text under a password, refusing what the file cannot hold. No
// window and no dialog: every outcome is a value, which the main window
// turns into what the user sees.
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "AtomicFile.h"

class QTextDocument;

namespace tainoteka {

class TRandomSource;

enum class TReadStatus { Ok, Unreadable, TooShort, TooLarge };

struct TReadFile {
    TReadStatus Status = TReadStatus::Unreadable;
    QString Error; // Unreadable: "<path>: <system's reason>"
    quint64 Needed = 0; // TooLarge: bytes opening it would take
    quint64 Available = 0; // TooLarge: bytes the system can still give
    QByteArray Bytes; // Ok: the whole file
};

enum class TOpenStatus { Ok, WrongPassword, OutOfMemory, TooLarge };

struct TOpenedDocument {
    TOpenStatus Status = TOpenStatus::WrongPassword;
    QString Password; // the one stored in the file
    quint64 Characters = 0; // TooLarge: at least this many, as the editing area counts them
    QString PlainText; // the text, when Formatted is null
    std::unique_ptr<QTextDocument> Formatted; // a rich-text body, formatted
};

// A character the file cannot hold (no Windows-1251 byte, or a NUL, at which
// the stored text would end).
struct TRefusedCharacter {
    qsizetype Position = -1; // in the text given, UTF-16 units
    char32_t CodePoint = 0;
    std::size_t Line = 1; // from 1
    std::size_t Column = 1; // from 1
};

enum class TSaveStatus { Ok, RefusedCharacter, NoRandomness, OutOfMemory, WriteFailed };

struct TSavedDocument {
    TSaveStatus Status = TSaveStatus::Ok;
    QString Error; // WriteFailed: "<path>: <reason>"; NoRandomness: the system's reason
    TRefusedCharacter Refused;
};

// What the document file takes from the system; tests put their own in.
struct TDocumentFileServices {
    std::function<std::optional<quint64>()> AvailableMemory;
    std::function<TFileResult(const QString&, const QByteArray&)> Write;
    TRandomSource* Random = nullptr; // body keys and filler
};

class TDocumentFile {
public:
    TDocumentFile(); // the system's memory figures, file writer and random source
    explicit TDocumentFile(TDocumentFileServices services);
    ~TDocumentFile();
    TDocumentFile(const TDocumentFile&) = delete;
    TDocumentFile& operator=(const TDocumentFile&) = delete;

    // The file's bytes, unless it cannot be read, is too short to be a
    // protected file, or would not fit in memory once opened.
    TReadFile Read(const QString& path) const;
    // The document inside, when typedPassword opens the file and its text
    // holds no more than largestText characters (CR LF counting two); a
    // longer plain body is refused before it is deciphered.
    TOpenedDocument Open(const QByteArray& file, const QString& typedPassword,
                         quint64 largestText = UINT64_MAX) const;
    // Writes text (line breaks as '\n') protected by password.
    TSavedDocument Save(const QString& path, const QString& text, const QString& password) const;

private:
    TDocumentFileServices services_;
    std::unique_ptr<TRandomSource> ownRandom_;
};

// Memory the editor takes to open a file of fileSize bytes: the file, its
// deciphered body, the text in UTF-16 and the editing area's own structures.
quint64 MemoryToOpen(quint64 fileSize);

} // namespace tainoteka
