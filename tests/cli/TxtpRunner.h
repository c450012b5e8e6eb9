#pragma once
// Runs the real txtp program. The child always starts a session of its own,
// so unless a test hands it a pseudo-terminal it has no terminal to ask on
// and can never sit waiting for typing.
#include <memory>
#include <string>
#include <vector>

#include <QProcess>

#include <QString>
#include <QStringList>

namespace tainoteka::test {

struct TProgramRun {
    int Exit = -1; // -1 when the program crashed
    std::string Out;
    std::string Err;
};

struct TProgramSetup {
    std::string Input; // standard input, closed after it
    QStringList Environment; // NAME=value pairs added to the environment
    bool Unprivileged = false; // run as "nobody" when the tests run as root
    unsigned long DataLimit = 0; // bytes of data the program may map (RLIMIT_DATA); 0: no limit
    std::string Terminal; // a terminal to give the program as its controlling terminal
    // Largest file the program may write (RLIMIT_FSIZE); a write beyond fails
    // with EFBIG instead of raising SIGXFSZ. 0: no limit.
    unsigned long FileSizeLimit = 0;
};

TProgramRun RunTxtp(const QStringList& arguments, const TProgramSetup& setup = {});

// Starts the program and returns at once; its standard input stays open.
std::unique_ptr<QProcess> StartTxtp(const QStringList& arguments, const TProgramSetup& setup = {});

#ifndef _WIN32
// The same with arguments as the bytes the system passes, which need not be
// UTF-8 (QProcess would take them for text); environment adds NAME=value pairs.
TProgramRun RunTxtpWithBytes(const std::vector<std::string>& arguments, const std::vector<std::string>& environment);
#endif

inline constexpr int kCouldNotDropPrivileges = 121;
inline constexpr int kCouldNotTakeTerminal = 122;

} // namespace tainoteka::test
