// Neither a crash nor another program of the same user may copy the text or
// the password out of the program's memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "ProcessGuard.h"
#include "TxtpRunner.h"

using namespace tainoteka::test;

TEST(ProcessGuard, NoCoreFileAndNotDumpable)
{
    // In a child of its own, so the test program keeps its settings.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool kept = tainoteka::KeepProcessMemoryPrivate();
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        int failures = (kept ? 0 : 1) | (core.rlim_cur == 0 && core.rlim_max == 0 ? 0 : 2);
#ifdef __linux__
        failures |= prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 ? 0 : 4;
#endif
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: refused, 2: core limit not 0, 4: still dumpable";
}

#ifdef __linux__
namespace {

std::string ProcFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

TEST(ProcessGuard, TxtpIsGuardedWhileItWaits)
{
    // Run as another user when the tests run as root: /proc/<pid> of a
    // process that is not dumpable belongs to root instead of its own user.
    QTemporaryDir dir;
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0666), 0);
    ASSERT_EQ(chmod(fifo.constData(), 0666), 0);
    TProgramSetup setup;
    setup.Environment = {"TXTP_TEST_PW=pw"};
    setup.Unprivileged = true;
    const auto process = StartTxtp({"decrypt", dir.filePath("fifo"), "--pass", "env:TXTP_TEST_PW"}, setup);

    // The program opens the FIFO only after the guard: once it is open at
    // the other end the program is waiting for the key block.
    int writer = -1;
    while (writer < 0 && !process->waitForFinished(10))
        writer = open(fifo.constData(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) {
        if (process->exitCode() == kCouldNotDropPrivileges)
            GTEST_SKIP() << "running as root and cannot run the program as an unprivileged user";
        FAIL() << "txtp ended before opening the FIFO: " << process->readAllStandardError().toStdString();
    }
    const qint64 pid = process->processId();
    const std::string limits = ProcFile(pid, "limits");
    struct stat status {};
    const bool statted = stat(QStringLiteral("/proc/%1/status").arg(pid).toLocal8Bit().constData(), &status) == 0;
    close(writer);
    process->waitForFinished(-1);

    EXPECT_NE(limits.find("Max core file size        0                    0"), std::string::npos) << limits;
    ASSERT_TRUE(statted);
    EXPECT_EQ(status.st_uid, 0u) << "not dumpable: its /proc entries belong to root";
    EXPECT_EQ(process->exitCode(), 3) << "the FIFO held nothing";
}
#endif
