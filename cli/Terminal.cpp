#include "Terminal.h"

#include <cerrno>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tainoteka::cli {
namespace {

constexpr std::size_t kLongestLine = 1024;

void DropLineEnd(std::string& text)
{
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
}

} // namespace

#ifdef _WIN32

namespace {

std::wstring Widen(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* wide, int size)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

void Say(HANDLE out, const std::wstring& text)
{
    DWORD written = 0;
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

TTerminalLine ReadConsoleLine(HANDLE in, HANDLE out, const std::string& prompt)
{
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode))
        return {TTerminalStatus::NoTerminal, {}, "no console"};
    Say(out, Widen(prompt));
    SetConsoleMode(in, (mode & ~DWORD(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    wchar_t buffer[kLongestLine];
    DWORD got = 0;
    const BOOL read = ReadConsoleW(in, buffer, DWORD(kLongestLine), &got, nullptr);
    SetConsoleMode(in, mode);
    Say(out, L"\r\n");
    if (!read)
        return {TTerminalStatus::Failed, {}, "the console could not be read"};
    std::string text = Narrow(buffer, static_cast<int>(got));
    if (text.empty() || text.back() != '\n')
        return {TTerminalStatus::Cancelled, {}, {}};
    text.pop_back();
    DropLineEnd(text);
    return {TTerminalStatus::Ok, text, {}};
}

} // namespace

TTerminalLine AskHidden(const std::string& prompt)
{
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    TTerminalLine line{TTerminalStatus::NoTerminal, {}, "no console"};
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE)
        line = ReadConsoleLine(in, out, prompt);
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return line;
}

#else

namespace {

// What a signal handler needs to give the terminal its echo back.
int gQuietFd = -1;
termios gSavedModes;
constexpr int kGuardedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction gPreviousActions[std::size(kGuardedSignals)];

extern "C" void RestoreAndResignal(int signal)
{
    tcsetattr(gQuietFd, TCSANOW, &gSavedModes);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void GuardSignals(int fd, const termios& saved)
{
    gQuietFd = fd;
    gSavedModes = saved;
    struct sigaction action {};
    action.sa_handler = RestoreAndResignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kGuardedSignals); ++i)
        sigaction(kGuardedSignals[i], &action, &gPreviousActions[i]);
}

void UnguardSignals()
{
    for (std::size_t i = 0; i < std::size(kGuardedSignals); ++i)
        sigaction(kGuardedSignals[i], &gPreviousActions[i], nullptr);
    gQuietFd = -1;
}

void Say(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
}

TTerminalLine AskHiddenOn(int fd, const std::string& prompt)
{
    TTerminalLine line;
    {
        const TEchoOff quiet(fd);
        if (!quiet.Active())
            return {TTerminalStatus::NoTerminal, {}, quiet.Error()};
        Say(fd, prompt);
        line = ReadTerminalLine(fd);
    }
    Say(fd, "\n");
    return line;
}

} // namespace

TEchoOff::TEchoOff(int terminalFd)
    : fd_(terminalFd)
{
    if (tcgetattr(fd_, &saved_) != 0) {
        error_ = std::strerror(errno);
        return;
    }
    termios quiet = saved_;
    quiet.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL);
    quiet.c_lflag |= ICANON;
    GuardSignals(fd_, saved_);
    tcsetattr(fd_, TCSAFLUSH, &quiet);
    active_ = true;
}

TEchoOff::~TEchoOff()
{
    if (!active_)
        return;
    tcsetattr(fd_, TCSAFLUSH, &saved_);
    UnguardSignals();
}

TTerminalLine ReadTerminalLine(int terminalFd)
{
    TTerminalLine line{TTerminalStatus::Ok, {}, {}};
    for (;;) {
        char ch = 0;
        const ssize_t got = ::read(terminalFd, &ch, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {TTerminalStatus::Failed, {}, std::strerror(errno)};
        if (got == 0)
            return {TTerminalStatus::Cancelled, {}, {}};
        if (ch == '\n')
            break;
        if (line.Text.size() < kLongestLine)
            line.Text += ch;
    }
    DropLineEnd(line.Text);
    return line;
}

TTerminalLine AskHidden(const std::string& prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {TTerminalStatus::NoTerminal, {}, std::strerror(errno)};
    TTerminalLine line = AskHiddenOn(fd, prompt);
    ::close(fd);
    return line;
}

#endif

} // namespace tainoteka::cli
