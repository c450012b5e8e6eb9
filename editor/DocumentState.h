#pragma once
// The open document's name, folder and password, shared by the main window,
// the file reader and writer and the password change dialog.
#include <QString>

namespace tainoteka {

struct TDocumentState {
    QString CurrentFileName; // without folder; empty while untitled
    QString CurrentDir; // always ends with the folder separator
    QString CurrentPassword; // at most MaxPasswordLength characters, all of them Windows-1251
};

} // namespace tainoteka
