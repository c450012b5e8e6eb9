#pragma once
// Where the password comes from. It is never an argument of its own: the
// process list would show it to every user of the machine.
#include <string>
#include <string_view>

#include "ExitCode.h"

namespace tainoteka::cli {

enum class TPasswordKind {
    Terminal, // asked with echo off
    Environment, // env:VAR, the variable's value
    File, // file:PATH, its first line
    Descriptor, // fd:N, the first line read from an open descriptor
};

struct TPasswordSource {
    TPasswordKind Kind = TPasswordKind::Terminal;
    std::string Name; // variable or path (UTF-8)
    int Fd = -1;
    std::string Option = "--pass"; // the option that gave it, for messages
};

// An empty text means the terminal. option names the option in messages.
TOutcome ParsePasswordSource(std::string_view text, TPasswordSource& source, std::string_view option = "--pass");

struct TPasswordPrompt {
    std::string File; // the protected file the password is for
    bool Confirm = false; // ask twice on the terminal: a typo would lock the file
};

// The password as UTF-8, without any line end.
TOutcome ReadPassword(const TPasswordSource& source, const TPasswordPrompt& prompt, std::string& utf8);

} // namespace tainoteka::cli
