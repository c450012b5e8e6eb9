#include "TxtpRunner.h"

#include <QProcess>
#include <QProcessEnvironment>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>

#include <fcntl.h>
#include <cstdio>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace tainoteka::test {
namespace {

#ifndef _WIN32
constexpr uid_t kNobody = 65534;

// Runs in the child between fork and exec.
void Detach(bool unprivileged, unsigned long dataLimit, unsigned long fileSizeLimit, const char* terminal)
{
    setsid();
    if (fileSizeLimit > 0) {
        signal(SIGXFSZ, SIG_IGN); // kept across exec
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (terminal) {
        const int fd = open(terminal, O_RDWR);
        if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) != 0)
            _exit(kCouldNotTakeTerminal);
        close(fd);
    }
    if (dataLimit > 0) {
        const rlimit limit{dataLimit, dataLimit};
        setrlimit(RLIMIT_DATA, &limit);
    }
    if (!unprivileged || geteuid() != 0)
        return;
    // A build tree under a private home folder cannot be run by "nobody".
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0
        || access(TXTP_BINARY, X_OK) != 0)
        _exit(kCouldNotDropPrivileges);
}
#endif

QProcessEnvironment EnvironmentFor(const TProgramSetup& setup)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : setup.Environment) {
        const qsizetype equals = pair.indexOf('=');
        environment.insert(pair.left(equals), pair.mid(equals + 1));
    }
    return environment;
}

#ifndef _WIN32
std::vector<char*> PointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string ReadBack(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}
#endif

} // namespace

std::unique_ptr<QProcess> StartTxtp(const QStringList& arguments, const TProgramSetup& setup)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(EnvironmentFor(setup));
#ifdef _WIN32
    // Without a console of its own the program has nothing to ask on.
    process->setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* created) { created->flags |= DETACHED_PROCESS; });
#else
    const bool unprivileged = setup.Unprivileged;
    const unsigned long dataLimit = setup.DataLimit;
    const unsigned long fileSizeLimit = setup.FileSizeLimit;
    // Copied here: the child may not allocate between fork and exec.
    const std::string terminal = setup.Terminal;
    process->setChildProcessModifier([unprivileged, dataLimit, fileSizeLimit, terminal] {
        Detach(unprivileged, dataLimit, fileSizeLimit, terminal.empty() ? nullptr : terminal.c_str());
    });
#endif
    process->start(QStringLiteral(TXTP_BINARY), arguments);
    process->waitForStarted(-1);
    return process;
}

TProgramRun RunTxtp(const QStringList& arguments, const TProgramSetup& setup)
{
#ifdef _WIN32
    if (setup.Unprivileged) {
        TProgramRun refused;
        refused.Exit = kCouldNotDropPrivileges;
        return refused;
    }
#endif
    const std::unique_ptr<QProcess> started = StartTxtp(arguments, setup);
    QProcess& process = *started;
    TProgramRun run;
    if (process.error() == QProcess::FailedToStart)
        return run;
    process.write(setup.Input.data(), static_cast<qint64>(setup.Input.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    run.Exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = process.readAllStandardOutput().toStdString();
    run.Err = process.readAllStandardError().toStdString();
    return run;
}

#ifndef _WIN32
TProgramRun RunTxtpWithBytes(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    std::vector<std::string> argv{TXTP_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp(environment);
    for (char** pair = environ; *pair; ++pair)
        envp.emplace_back(*pair);
    // Everything the child touches is made before fork.
    std::vector<char*> argvPointers = PointersTo(argv);
    std::vector<char*> envpPointers = PointersTo(envp);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    TProgramRun run;
    const pid_t child = ::fork();
    if (child == 0) {
        setsid();
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, 0);
        ::dup2(::fileno(out), 1);
        ::dup2(::fileno(err), 2);
        ::execve(TXTP_BINARY, argvPointers.data(), envpPointers.data());
        ::_exit(127);
    }
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.Exit = WEXITSTATUS(status);
    run.Out = ReadBack(out);
    run.Err = ReadBack(err);
    return run;
}
#endif

} // namespace tainoteka::test
