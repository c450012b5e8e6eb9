#pragma once
// A protected document on disk, of either type: reading the file, weighing
// it against the memory there is, opening it under a password (plain or rich
// text), and writing a text under a password, refusing what the file cannot
// hold. No window and no dialog: every outcome is a value, which the main
// window turns into what the user sees.
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "AtomicFile.h"
#include "DocumentType.h"

class QTextDocument;

namespace tainoteka {

class TRandomSource;
class TRecoveryStore;

// An age file's header is read with the file: a damaged one, or one made for
// keys instead of a passphrase, is refused before a password is asked for;
// so is one whose size alone shows more text than the editing area takes.
enum class TReadStatus { Ok, Unreadable, TooShort, TooLarge, Damaged, NotPassphraseFile, TooManyCharacters };

struct TReadFile {
    TReadStatus Status = TReadStatus::Unreadable;
    QString Error; // Unreadable: "<path>: <system's reason>"
    quint64 Needed = 0; // TooLarge: bytes opening it would take
    quint64 Available = 0; // TooLarge: bytes the system can still give
    quint64 Characters = 0; // TooManyCharacters: at least this many
    QByteArray Bytes; // Ok: the whole file, or only its head when Whole is false
    quint64 Size = 0; // Ok: the file's size on disk
    // False: a .txtp whose body holds more bytes than the editing area takes
    // characters; Bytes are the key block and the body's first bytes, enough
    // to refuse a plain body unread once the password is known.
    bool Whole = true;
    TDocumentType Type = TDocumentType::Txtp; // Ok: by the file's content
};

// NotUtf8: an age file's text in another encoding; shown, its bytes would be
// replaced and lost at the next save.
enum class TOpenStatus { Ok, WrongPassword, Damaged, NotPassphraseFile, WorkFactorTooLarge, OutOfMemory, TooLarge, NotUtf8 };

// A file's text deciphered but not yet made a document: the part of opening
// that takes long, safe to run away from the interface thread. Wiped when it goes.
struct TUnsealedFile {
    TUnsealedFile() = default;
    TUnsealedFile(TUnsealedFile&&) = default;
    TUnsealedFile& operator=(TUnsealedFile&&) = delete; // would free a text unwiped
    ~TUnsealedFile() { Clear(); }
    void Clear(); // wipes the text and password and gives their memory back

    TOpenStatus Status = TOpenStatus::WrongPassword;
    TDocumentType Type = TDocumentType::Txtp;
    bool Armored = false; // an age file in its ASCII armour
    QString Password; // the one the file opens with
    std::string Body; // Windows-1251 (.txtp) or UTF-8 (age)
    quint64 Characters = 0; // TooLarge: at least this many, as the editing area counts them
    quint64 MemoryNeeded = 0; // OutOfMemory: what the key derivation refused before it began needs
    quint64 NotUtf8At = 0; // NotUtf8: the first byte of the text that is not, from 1
};

struct TOpenedDocument {
    TOpenStatus Status = TOpenStatus::WrongPassword;
    TDocumentType Type = TDocumentType::Txtp;
    bool Armored = false; // saved in its armour again
    QString Password; // the one the file opens with
    quint64 Characters = 0; // TooLarge: at least this many, as the editing area counts them
    quint64 MemoryNeeded = 0; // OutOfMemory: what the key derivation refused before it began needs
    quint64 NotUtf8At = 0; // NotUtf8: the first byte of the text that is not, from 1
    quint64 Lines = 0; // Ok: lines of the text, each a block of the editing area
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

struct TMemoryCheck {
    bool Fits = true;
    quint64 Needed = 0; // bytes the editing area would take
    quint64 Available = 0; // bytes the system can still give
};

// NoSafetyCopy: the file had to be written in place and its copy could not be kept first.
enum class TSaveStatus { Ok, RefusedCharacter, PasswordNotStorable, NoRandomness, OutOfMemory, WriteFailed, NoSafetyCopy };

struct TSavedDocument {
    TSaveStatus Status = TSaveStatus::Ok;
    // WriteFailed, NoSafetyCopy: "<path>: <reason>"; NoRandomness: the system's reason
    QString Error;
    TRefusedCharacter Refused;
};

// What the document file takes from the system; tests put their own in.
struct TDocumentFileServices {
    std::function<std::optional<quint64>()> AvailableMemory;
    std::function<TFileResult(const QString&, const QByteArray&)> Write;
    TRandomSource* Random = nullptr; // body keys and filler
    // Where a file written in place keeps its copy meanwhile (the recovery
    // copies' folder); the system's when empty. Used by the system's writer.
    QString CopyFolder = {};
    int AgeWorkFactor = 18; // log2 of scrypt's N for age files; tests lower it
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
    // A .txtp whose body is longer than largestText is read only in part (see
    // TReadFile::Whole); an age file whose size shows more is not read.
    TReadFile Read(const QString& path, quint64 largestText = UINT64_MAX) const;
    // For a file read in part: Ok when typedPassword opens its key block and
    // the body is rich text (read it whole then); TooLarge when it is plain,
    // so longer than the limit; WrongPassword otherwise.
    static TOpenStatus LongBodyStatus(const TReadFile& head, const QString& typedPassword);
    // Whether the editing area can take an opened text in the memory there is.
    TMemoryCheck RoomToShow(const TOpenedDocument& opened) const;
    // The same for a file's bytes at hand: its type, and whether it may be opened.
    static TReadFile Examine(QByteArray file);
    // The document inside, when typedPassword opens the file and its text
    // holds no more than largestText characters (CR LF counting two): Unseal, then Present.
    TOpenedDocument Open(const QByteArray& file, const QString& typedPassword,
                         quint64 largestText = UINT64_MAX) const;
    // Key derivation and deciphering; on any thread. A longer plain .txtp
    // body is refused before it is deciphered, and a key derivation needing
    // more memory than there is before it begins.
    TUnsealedFile Unseal(const QByteArray& file, const QString& typedPassword, quint64 largestText = UINT64_MAX) const;
    // The document an opened file holds; on the interface thread (rich text
    // is laid out with the program's fonts).
    static TOpenedDocument Present(TUnsealedFile& unsealed, quint64 largestText = UINT64_MAX);
    // Writes text protected by password; on any thread. '\n', '\r', CR LF
    // and the paragraph and line separators (U+2029, U+2028) each end a line.
    // An armored age file is written in the ASCII armour.
    TSavedDocument Save(const QString& path, const QString& text, const QString& password,
                        TDocumentType type = TDocumentType::Txtp, bool armored = false) const;

private:
    TSavedDocument SaveTxtp(const QString& path, const QString& text, const QString& password) const;
    TSavedDocument SaveAge(const QString& path, const QString& text, const QString& password, bool armored) const;
    TSavedDocument Written(const QString& path, const QByteArray& file) const;

    TDocumentFileServices services_;
    std::unique_ptr<TRandomSource> ownRandom_;
    std::unique_ptr<TRecoveryStore> inPlaceCopies_;
};

// The age payload of a text: UTF-8, every line ending LF as age users on
// Linux expect, every character kept.
std::string AgePayload(const QString& text);

// Memory the editor takes to open a file of fileSize bytes: the file, its
// deciphered body, the text in UTF-16 and the editing area's own structures.
quint64 MemoryToOpen(quint64 fileSize);
// Memory the editing area takes for a text: every line costs it a block
// besides the characters themselves.
quint64 MemoryToShow(quint64 characters, quint64 lines);
// Lines of a Windows-1251 or UTF-8 text: CR LF, a lone CR and a lone LF each end one.
quint64 CountLines(std::string_view text);

} // namespace tainoteka
