#pragma once
// Exit statuses of txtp, kept stable for scripts, and the outcome of one step:
// a status and, when it is not Done, one line for standard error.
#include <string>

namespace tainoteka::cli {

enum class TExitCode : int {
    Done = 0,
    WrongPassword = 1, // wrong password, or not a valid key block
    Usage = 2,
    TooShort = 3, // fewer than 200 bytes: not a protected file
    FileError = 4, // reading or writing failed
    BadText = 5, // text the file cannot hold: no Windows-1251 byte, bad UTF-8, NUL
    Damaged = 6, // an age file that fails its authentication: changed, cut or lengthened
};

struct TOutcome {
    TExitCode Code = TExitCode::Done;
    std::string Message; // UTF-8, names the file concerned

    bool Ok() const { return Code == TExitCode::Done; }
};

inline TOutcome Success() { return {}; }
inline TOutcome Failure(TExitCode code, std::string message) { return {code, std::move(message)}; }

} // namespace tainoteka::cli
