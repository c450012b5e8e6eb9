#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include "ImageList.h"
#include "KeyboardState.h"
#include "QtPrompts.h"
#include "Shell.h"
#include "Tainoteka.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("tainoteka"));
    app.setApplicationVersion(QStringLiteral("1.0"));
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
    const QStringList arguments = app.arguments().mid(1);
    tainoteka::TTainoteka program({prompts, shell, *keyboard, arguments, QCoreApplication::applicationDirPath() + QLatin1Char('/')});
    program.FrmGeneral.show();
    return app.exec();
}
