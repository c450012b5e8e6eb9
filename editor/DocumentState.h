#pragma once
// The open document's name, folder, password and file type, shared by the
// main window, the file reader and writer and the password change dialog.
#include <QString>

#include "DocumentType.h"

namespace tainoteka {

struct TDocumentState {
    QString CurrentFileName; // without folder; empty while untitled
    QString CurrentDir; // always ends with the folder separator
    // At most MaxPasswordLength characters; all of them Windows-1251 unless
    // typed to open an age file.
    QString CurrentPassword;
    TDocumentType CurrentType = TDocumentType::Age; // the type Save writes
    bool CurrentArmored = false; // an age file kept in its ASCII armour
};

} // namespace tainoteka
