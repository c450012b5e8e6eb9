#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "FileName.h"
#include "ImageList.h"
#include "KeyboardState.h"
#include "PlatformChoice.h"
#include "ProcessGuard.h"
#include "QtPrompts.h"
#include "ScreenLock.h"
#include "SessionEnd.h"
#include "Shell.h"
#include "Tainoteka.h"
#include "Version.h"

namespace {

// Answered before any window exists, so it works without a display.
bool AsksForVersion(int argc, char** argv)
{
    return argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0);
}

} // namespace

int main(int argc, char** argv)
{
    tainoteka::KeepProcessMemoryPrivate();
    if (AsksForVersion(argc, argv)) {
        std::fputs("tainoteka " TAINOTEKA_VERSION "\n", stdout);
        return 0;
    }
    tainoteka::TPlatformArguments qtArguments(argc, argv);
    QApplication app(qtArguments.Count(), qtArguments.Values());
    app.setApplicationName(QStringLiteral("tainoteka"));
    app.setApplicationVersion(QStringLiteral(TAINOTEKA_VERSION));
    app.setWindowIcon(tainoteka::ApplicationIcon());
    // The interface is Russian: Qt's own dialogs and context menus too.
    QTranslator qtTexts;
    // A portable copy (Windows) carries it in translations/ beside the program.
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || qtTexts.load(QStringLiteral("qtbase_ru"), QCoreApplication::applicationDirPath() + QStringLiteral("/translations")))
        app.installTranslator(&qtTexts);

    tainoteka::TQtPrompts prompts;
    tainoteka::TDesktopShell shell;
    const auto keyboard = tainoteka::CreateSystemKeyboardState();
    // After QApplication has taken out its own options; names kept byte for byte.
    const QStringList arguments = tainoteka::ProgramArguments(qtArguments.Count(), qtArguments.Values());
    tainoteka::TTainoteka program({prompts, shell, *keyboard, arguments, QCoreApplication::applicationDirPath() + QLatin1Char('/')});
    // When the session ends under the program, the changed text is put aside
    // (encrypted) before anything else happens to it.
    const auto putAside = [&program] { program.FrmGeneral.WriteRecoveryNow(); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, putAside);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, putAside);
    tainoteka::TSessionEnd sessionEnd(putAside);
    // The user has left: the document locks as after the idle minutes.
    tainoteka::TScreenLock screenLock([&program] { program.FrmGeneral.LockAutomatically(); });
    program.FrmGeneral.show();
    return app.exec();
}
