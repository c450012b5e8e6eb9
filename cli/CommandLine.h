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
    // Paths as the system spells them (FileName.h): bytes on Linux, UTF-8 on Windows.
    std::string Input; // empty: standard input (encrypt only)
    std::string Output; // empty: standard output (decrypt only)
    TPasswordSource Password;
    std::optional<TPasswordSource> NewPassword; // convert: another password for the output
    bool Raw = false;
    bool AllowEmptyPassword = false; // encrypt, convert: an empty password is meant
    TFileFormat Format = TFileFormat::Txtp; // encrypt, convert: the type written
    bool Armor = false; // encrypt, convert: an age file in its ASCII armour
};

// arguments as ProgramArguments (FileName.h) gives them, names kept whole,
// after the program's own name.
TOutcome ParseCommandLine(const QStringList& arguments, TRequest& request);

std::string HelpText();

} // namespace tainoteka::cli
