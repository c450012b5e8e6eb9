#pragma once
// The command line of txtp: one command, its file names and the options.
#include <optional>
#include <string>

#include <QStringList>

#include "ExitCode.h"
#include "FileFormat.h"
#include "PasswordSource.h"

namespace tainoteka::cli {

enum class TCommand { Encrypt, Decrypt, Check, Convert, Help, Version };

struct TRequest {
    TCommand Command = TCommand::Help;
    std::string Input; // UTF-8 path; empty: standard input (encrypt only)
    std::string Output; // UTF-8 path; empty: standard output (decrypt only)
    TPasswordSource Password;
    std::optional<TPasswordSource> NewPassword; // convert: another password for the output
    bool Raw = false;
    bool AllowEmptyPassword = false; // encrypt, convert: an empty password is meant
    TFileFormat Format = TFileFormat::Txtp; // encrypt, convert: the type written
    bool Armor = false; // encrypt, convert: an age file in its ASCII armour
};

// arguments as QCoreApplication::arguments() gives them, program name first.
TOutcome ParseCommandLine(const QStringList& arguments, TRequest& request);

std::string HelpText();

} // namespace tainoteka::cli
