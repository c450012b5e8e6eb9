#pragma once
// The two kinds of protected file a document can live in, and what their
// names look like.
#include <QString>

namespace tainoteka {

enum class TDocumentType {
    Txtp, // the classic format: readable by every program that reads .txtp
    Age, // age-encryption.org/v1 under a passphrase: holds against a stolen copy
};

// The longest password a document of the type takes, in characters: a
// .txtp key block stores 20; an age passphrase is used as typed.
int PasswordLimit(TDocumentType type);

// The type a file written under this name gets: an extension that names a
// type wins over the type picked in the dialog.
TDocumentType TypeForSaveName(const QString& path, TDocumentType picked);
// An age file's path with .txt.age (or .age after .txt) added where it lacks it.
QString WithTypeExtension(const QString& path, TDocumentType type);
// Whether a file named so is one the program opens when handed it at start.
bool HasDocumentExtension(const QString& path);

// As the settings file stores a type.
QString TypeWord(TDocumentType type);
TDocumentType TypeFromWord(const QString& word); // Txtp for anything unknown

} // namespace tainoteka
