#pragma once
// The program's windows, created in this order and alive until the end:
// the main window, the password change dialog, the password entry dialog
// and the About window.
#include <QStringList>

#include "DocumentState.h"
#include "U_About.h"
#include "U_General.h"
#include "U_Password.h"
#include "U_PasswordEnter.h"

namespace tainoteka {

class IKeyboardState;

struct TProgramServices {
    IPrompts& Prompts;
    IShell& Shell;
    IKeyboardState& Keyboard;
    QStringList Arguments; // without the program name
    QString ProgramDir; // with a trailing separator
    TDocumentFile* DocumentFile = nullptr; // the system's when null
    QString RecoveryFolder = {}; // the system's when empty
};

class TTainoteka {
public:
    explicit TTainoteka(const TProgramServices& services);

    TDocumentState Document;
    TFrmGeneral FrmGeneral;
    TFrmPasswordCreate FrmPasswordCreate;
    TFrmPasswordEnter FrmPasswordEnter;
    TFrmAbout FrmAbout;
};

} // namespace tainoteka
