#pragma once
// A private-profile (INI) file read and written one value at a time.
//
// Every read opens and parses the file again and every write replaces the
// file at once, atomically, so nothing is cached and a crash never leaves a
// half-written file. Lines the program does not change (comments, other
// sections and keys, blank lines) keep their exact bytes.
//
// Syntax: "[name]" starts a section, "key=value" is a key line, a line whose
// first non-blank character is ';' is a comment. Section and key names match
// without regard to letter case; blanks around names and values are ignored;
// a value enclosed in a matching pair of double or single quotes is read
// without them. The first of several equal sections or keys is the one used.
//
// Encoding: the file is read as UTF-8 when it is valid UTF-8 (a leading
// byte-order mark is kept), otherwise as Windows-1251. A changed or added
// line is written in the file's own encoding; a new file is UTF-8. When a
// Windows-1251 file is given text that Windows-1251 cannot hold, the whole
// file is converted to UTF-8 (every line keeps its text, not its bytes).
// New lines use the file's line ending, or the platform's for a new file.
#include <QString>

#include "AtomicFile.h"

namespace tainoteka {

class TProfileFile {
public:
    // Longest value text a read returns, in UTF-16 code units.
    static constexpr int MaxValueLength = 2047;

    explicit TProfileFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    // The value as stored, cut to MaxValueLength; fallback when the file,
    // section or key is missing. A key with an empty value reads as "".
    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    // See ParseProfileInteger.
    int ReadInteger(const QString& section, const QString& key, int fallback) const;
    // An integer whose default is 1 or 0; any non-zero value is true.
    bool ReadFlag(const QString& section, const QString& key, bool fallback) const;

    // Replaces the value of an existing key in place, or adds the key after
    // the last key line of its section, or adds the section at the end of
    // the file. A value that blanks or quotes at its ends would change on
    // reading is written in double quotes. Refused (nothing written) when a
    // name is empty, a name or the value holds a line break, a section name
    // holds ']', a key name holds '=' or begins with '[' or ';', or the file
    // exists but cannot be read.
    TFileResult WriteString(const QString& section, const QString& key, const QString& value);
    TFileResult WriteInteger(const QString& section, const QString& key, int value);
    TFileResult WriteFlag(const QString& section, const QString& key, bool value);

private:
    QString path_;
};

// A profile integer: decimal with an optional sign; hexadecimal when the text
// has more than two characters and begins with "0x" or "0X", or begins with
// "$". Hexadecimal takes values up to FFFFFFFF and gives their 32-bit pattern,
// so "0xFF000008" is -16777208 (colours are stored so); hexadecimal takes no
// sign. Anything else that is not a 32-bit integer, the empty text included,
// gives fallback.
int ParseProfileInteger(const QString& text, int fallback);

} // namespace tainoteka
