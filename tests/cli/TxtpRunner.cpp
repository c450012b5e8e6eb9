#include "TxtpRunner.h"

#include <QProcess>
#include <QProcessEnvironment>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <unistd.h>
#endif

namespace tainoteka::test {
namespace {

#ifndef _WIN32
constexpr uid_t kNobody = 65534;

// Runs in the child between fork and exec.
void Detach(bool unprivileged)
{
    setsid();
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

} // namespace

TProgramRun RunTxtp(const QStringList& arguments, const TProgramSetup& setup)
{
    QProcess process;
    process.setProcessEnvironment(EnvironmentFor(setup));
#ifdef _WIN32
    TProgramRun refused;
    refused.Exit = kCouldNotDropPrivileges;
    if (setup.Unprivileged)
        return refused;
    // Without a console of its own the program has nothing to ask on.
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= DETACHED_PROCESS; });
#else
    const bool unprivileged = setup.Unprivileged;
    process.setChildProcessModifier([unprivileged] { Detach(unprivileged); });
#endif
    process.start(QStringLiteral(TXTP_BINARY), arguments);
    TProgramRun run;
    if (!process.waitForStarted(-1))
        return run;
    process.write(setup.Input.data(), static_cast<qint64>(setup.Input.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    run.Exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = process.readAllStandardOutput().toStdString();
    run.Err = process.readAllStandardError().toStdString();
    return run;
}

} // namespace tainoteka::test
