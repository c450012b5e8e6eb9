#pragma once
// Asks for a line on the terminal itself, not on standard input (which may
// carry the text), with echo off so the password never shows.
#include <string>

#ifndef _WIN32
#include <termios.h>
#endif

namespace tainoteka::cli {

enum class TTerminalStatus {
    Ok,
    NoTerminal, // no controlling terminal or console to ask on
    Cancelled, // end of input before the line was finished
    Failed,
};

struct TTerminalLine {
    TTerminalStatus Status = TTerminalStatus::Failed;
    std::string Text; // UTF-8, without the line end
    std::string Error; // the system's reason when Failed or NoTerminal
};

TTerminalLine AskHidden(const std::string& prompt);

#ifndef _WIN32
// Echo off on a terminal for the object's lifetime. Typed-ahead input is
// dropped, since it was shown. A signal that ends the program meanwhile gives
// the terminal its modes back first.
class TEchoOff {
public:
    explicit TEchoOff(int terminalFd);
    ~TEchoOff();
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

    bool Active() const { return active_; } // false when the descriptor is no terminal
    const std::string& Error() const { return error_; }

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
    std::string error_;
};

// One line from a terminal in line mode: Ok, Cancelled at end of input, or Failed.
TTerminalLine ReadTerminalLine(int terminalFd);
#endif

} // namespace tainoteka::cli
