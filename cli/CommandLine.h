#pragma once
// The command line of txtp: one command, its file names and the options.
#include <string>

#include <QStringList>

#include "ExitCode.h"
#include "PasswordSource.h"

namespace tainoteka::cli {

enum class TCommand { Encrypt, Decrypt, Check, Help, Version };

// The type encrypt writes; decrypt and check tell it from the file's content.
enum class TFileFormat { Txtp, Age };

struct TRequest {
    TCommand Command = TCommand::Help;
    std::string Input; // UTF-8 path; empty: standard input (encrypt only)
    std::string Output; // UTF-8 path; empty: standard output (decrypt only)
    TPasswordSource Password;
    bool Raw = false;
    bool AllowEmptyPassword = false; // encrypt: an empty password is meant
    TFileFormat Format = TFileFormat::Txtp; // encrypt only
};

// arguments as QCoreApplication::arguments() gives them, program name first.
TOutcome ParseCommandLine(const QStringList& arguments, TRequest& request);

std::string HelpText();

} // namespace tainoteka::cli
