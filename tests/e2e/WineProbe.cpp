// A small Windows console program the Wine end-to-end test runs beside
// tainoteka.exe to see what only a Windows program can see:
//   WineProbe clipboard      the clipboard's formats, one a line, as
//                            "<name> <size> <first DWORD or ->"
//   WineProbe keyboard       "layout=<name> caps=<0|1>" from the program's
//                            own keyboard layer, in the foreground window's
//                            input
//   WineProbe foreground     the title of the window Windows programs see as
//                            the foreground one (UTF-8)
//   WineProbe open <target>  hands the target to the shell's "open"
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <string>

#include <windows.h>

#include "KeyboardState.h"
#include "Shell.h"

namespace {

std::string FormatName(UINT format)
{
    switch (format) {
    case CF_TEXT:
        return "CF_TEXT";
    case CF_OEMTEXT:
        return "CF_OEMTEXT";
    case CF_UNICODETEXT:
        return "CF_UNICODETEXT";
    case CF_LOCALE:
        return "CF_LOCALE";
    default:
        break;
    }
    wchar_t name[256] = {};
    const int length = GetClipboardFormatNameW(format, name, 256);
    if (length <= 0) {
        char number[16];
        std::snprintf(number, sizeof number, "#%u", format);
        return number;
    }
    return QString::fromWCharArray(name, length).toStdString();
}

void PrintFormat(UINT format)
{
    char value[16] = "-";
    SIZE_T size = 0;
    if (HANDLE data = GetClipboardData(format)) {
        size = GlobalSize(data);
        if (size >= sizeof(DWORD)) {
            if (const void* bytes = GlobalLock(data)) {
                DWORD first = 0;
                memcpy(&first, bytes, sizeof first);
                std::snprintf(value, sizeof value, "%lu", static_cast<unsigned long>(first));
                GlobalUnlock(data);
            }
        }
    }
    std::printf("%s %lu %s\n", FormatName(format).c_str(), static_cast<unsigned long>(size), value);
}

int ListClipboard()
{
    // Another program may hold the clipboard open for a moment.
    for (int attempt = 0; !OpenClipboard(nullptr); ++attempt) {
        if (attempt == 100) {
            std::fprintf(stderr, "the clipboard stays open elsewhere\n");
            return 1;
        }
        Sleep(10);
    }
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        PrintFormat(format);
    CloseClipboard();
    return 0;
}

// The key state belongs to a thread's input: share the foreground window's,
// as the dialog that shows the keyboard hint sees it.
int PrintKeyboard()
{
    const DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    if (foreground != 0)
        AttachThreadInput(GetCurrentThreadId(), foreground, TRUE);
    const std::unique_ptr<tainoteka::IKeyboardState> keyboard = tainoteka::CreateSystemKeyboardState();
    std::printf("layout=%s caps=%d\n", keyboard->LayoutName().toStdString().c_str(),
                keyboard->IsCapsLockOn() ? 1 : 0);
    return 0;
}

int PrintForeground()
{
    wchar_t title[512] = {};
    const int length = GetWindowTextW(GetForegroundWindow(), title, 512);
    std::printf("%s\n", QString::fromWCharArray(title, std::max(length, 0)).toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv); // the shell needs the platform
    const QStringList arguments = QGuiApplication::arguments();
    const QString command = arguments.value(1);
    if (command == QLatin1String("clipboard"))
        return ListClipboard();
    if (command == QLatin1String("keyboard"))
        return PrintKeyboard();
    if (command == QLatin1String("foreground"))
        return PrintForeground();
    if (command == QLatin1String("open") && arguments.size() == 3) {
        tainoteka::TDesktopShell().Open(arguments.at(2));
        return 0;
    }
    std::fprintf(stderr, "usage: WineProbe clipboard | keyboard | foreground | open TARGET\n");
    return 2;
}
