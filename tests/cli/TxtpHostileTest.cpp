// The real txtp program against huge and endless inputs, outputs that are
// not regular files, and outputs that must stay private.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Commands.h"
#include "TempFiles.h"
#include "TxtpRunner.h"

using namespace tainoteka::test;

namespace {

const QString kFromEnv = QStringLiteral("env:TXTP_TEST_PW");

TProgramSetup WithPassword(const std::string& utf8, std::string input = {})
{
    TProgramSetup setup;
    setup.Environment = {QStringLiteral("TXTP_TEST_PW=") + QString::fromStdString(utf8)};
    setup.Input = std::move(input);
    return setup;
}

TProgramSetup Limited(TProgramSetup setup, unsigned long bytes)
{
    setup.DataLimit = bytes;
    return setup;
}

constexpr unsigned long kMiB = 1024 * 1024;

// About 24 MB of UTF-8 lines, mostly Cyrillic.
const std::string& LargeText()
{
    static const std::string text = [] {
        std::string out;
        const std::string line = "Строка текста, которую хранят под паролем: 0123456789\n";
        while (out.size() < 24 * kMiB)
            out += line;
        return out;
    }();
    return text;
}

std::string Stored(const std::string& utf8)
{
    std::string stored;
    for (const char ch : utf8)
        stored += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    return stored;
}

mode_t ModeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

class TxtpHostile : public testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }

    QString Protect(const QString& name, const std::string& text, const std::string& password)
    {
        std::string file;
        const tainoteka::cli::TOutcome made = tainoteka::cli::ProtectText(text, "text", false, password, file);
        EXPECT_TRUE(made.Ok()) << made.Message;
        PutFile(Path(name), file);
        return Path(name);
    }

    QTemporaryDir Dir;
};

} // namespace

TEST_F(TxtpHostile, HugeTextsPassThroughInBoundedMemory)
{
    // The data limit is far below the size of the text: a program that held
    // the text whole could not finish.
    const QString doc = Protect("large.txtp", LargeText(), "pw");
    const unsigned long limit = 16 * kMiB;
    TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("plain.txt"), "--pass", kFromEnv},
                              Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_TRUE(TakeFile(Path("plain.txt")) == Stored(LargeText())) << "the text comes back whole";

    run = RunTxtp({"decrypt", "--raw", doc, "-o", Path("raw.txt"), "--pass", kFromEnv},
                  Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(QFileInfo(Path("raw.txt")).size(), QFileInfo(doc).size() - 200);

    run = RunTxtp({"encrypt", "-i", Path("plain.txt"), "-o", Path("again.txtp"), "--pass", kFromEnv},
                  Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    run = RunTxtp({"check", Path("again.txtp"), "--pass", kFromEnv}, Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    const std::string storedBytes = std::to_string(QFileInfo(doc).size() - 200) + " bytes";
    EXPECT_NE(run.Out.find(storedBytes), std::string::npos) << run.Out;
}

TEST_F(TxtpHostile, EndlessInputsEndWithTheirOwnVerdict)
{
    const unsigned long limit = 16 * kMiB;
    TProgramRun run = RunTxtp({"decrypt", "/dev/zero", "--pass", kFromEnv}, Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 1) << run.Err;
    EXPECT_EQ(run.Out, "");
    run = RunTxtp({"encrypt", "-i", "/dev/zero", "-o", Path("zero.txtp"), "--pass", kFromEnv},
                  Limited(WithPassword("pw"), limit));
    EXPECT_EQ(run.Exit, 5) << run.Err;
    EXPECT_NE(run.Err.find("NUL character at line 1, column 1"), std::string::npos) << run.Err;
    EXPECT_FALSE(QFile::exists(Path("zero.txtp")));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0) << "no temporary file left";
}

TEST_F(TxtpHostile, InputEndingInsideTheKeyBlockIsTooShort)
{
    // Standard input as a named file delivers the bytes through a pipe.
    const TProgramRun run = RunTxtp({"decrypt", "/dev/stdin", "--pass", kFromEnv},
                                    WithPassword("pw", std::string(150, 'x')));
    EXPECT_EQ(run.Exit, 3) << run.Err;
    EXPECT_NE(run.Err.find("150 bytes, too short"), std::string::npos) << run.Err;
}

TEST_F(TxtpHostile, FailedAllocationIsReportedNotAborted)
{
    // Some limit lets the program start but not allocate its blocks; none
    // may end it with a signal.
    const QString doc = Protect("doc.txtp", "text\n", "pw");
    bool sawOutOfMemory = false;
    for (unsigned long limit = kMiB / 2; limit <= 8 * kMiB; limit += kMiB / 4) {
        const TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("out.txt"), "--pass", kFromEnv},
                                        Limited(WithPassword("pw"), limit));
        if (run.Exit == 127)
            continue; // the loader itself could not map the libraries
        ASSERT_NE(run.Exit, -1) << "ended by a signal at a limit of " << limit << " bytes: " << run.Err;
        if (run.Exit == 4) {
            EXPECT_EQ(run.Err, "txtp: out of memory\n");
            sawOutOfMemory = true;
        } else {
            EXPECT_EQ(run.Exit, 0) << run.Err;
        }
    }
    EXPECT_TRUE(sawOutOfMemory) << "no limit was tight enough to test";
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".out.txt").size(), 0);
}

TEST_F(TxtpHostile, FifoIsWrittenInPlaceNotReplaced)
{
    const QString doc = Protect("doc.txtp", "through the pipe\n", "pw");
    const QByteArray fifo = QFile::encodeName(Path("fifo"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("fifo"), "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    char buffer[256] = {};
    const ssize_t got = read(reader, buffer, sizeof buffer);
    close(reader);
    EXPECT_EQ(std::string(buffer, got > 0 ? std::size_t(got) : 0), "through the pipe\r\n");
    EXPECT_TRUE(S_ISFIFO(ModeOf(Path("fifo")))) << "the FIFO is still a FIFO";
}

TEST_F(TxtpHostile, DevicesAreWrittenInPlaceAndTheirErrorsReported)
{
    // As root a copy of the devices is made, so a fault could not replace the
    // system's own; an ordinary user cannot replace anything in /dev.
    QString null = QStringLiteral("/dev/null");
    QString full = QStringLiteral("/dev/full");
    if (geteuid() == 0) {
        null = Path("null");
        full = Path("full");
        if (mknod(QFile::encodeName(null).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0
            || mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            GTEST_SKIP() << "running as root where device nodes cannot be made";
    }
    const QString doc = Protect("doc.txtp", "text\n", "pw");
    TProgramRun run = RunTxtp({"decrypt", doc, "-o", null, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_TRUE(S_ISCHR(ModeOf(null)));

    run = RunTxtp({"decrypt", doc, "-o", full, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 4);
    EXPECT_EQ(run.Err, "txtp: " + full.toStdString() + ": " + std::strerror(ENOSPC) + "\n");
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
    run = RunTxtp({"encrypt", "-o", full, "--pass", kFromEnv}, WithPassword("pw", "text"));
    EXPECT_EQ(run.Exit, 4);
    EXPECT_EQ(run.Err, "txtp: " + full.toStdString() + ": " + std::strerror(ENOSPC) + "\n");
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
}

TEST_F(TxtpHostile, FailedWriteGivesTheSystemsReasonAndKeepsTheOldFile)
{
    // A file size limit makes every write past 4 KiB fail, for root as well.
    const std::string text(64 * 1024, 'x');
    const QString doc = Protect("doc.txtp", text, "pw");
    PutFile(Path("in.txt"), text);
    PutFile(Path("old.txt"), std::string("old plain"));
    PutFile(Path("old.txtp"), std::string("old protected"));
    TProgramSetup setup = WithPassword("pw");
    setup.FileSizeLimit = 4096;
    const std::string tooLarge = std::strerror(EFBIG);

    TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("old.txt"), "--pass", kFromEnv}, setup);
    EXPECT_EQ(run.Exit, 4);
    EXPECT_EQ(run.Err, "txtp: " + Path("old.txt").toStdString() + ": " + tooLarge + "\n");
    run = RunTxtp({"encrypt", "-i", Path("in.txt"), "-o", Path("old.txtp"), "--pass", kFromEnv}, setup);
    EXPECT_EQ(run.Exit, 4);
    EXPECT_EQ(run.Err, "txtp: " + Path("old.txtp").toStdString() + ": " + tooLarge + "\n");
    EXPECT_EQ(TakeFile(Path("old.txt")), "old plain");
    EXPECT_EQ(TakeFile(Path("old.txtp")), "old protected");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4) << "no temporary file left";
}

TEST_F(TxtpHostile, OwnStandardOutputIsWrittenWhereItPoints)
{
    const QString doc = Protect("doc.txtp", "to standard output\n", "pw");
    const TProgramRun run =
        RunTxtp({"decrypt", doc, "-o", "/dev/stdout", "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "to standard output\r\n");
}

TEST_F(TxtpHostile, DecryptedTextIsPrivateAlsoWhenItReplacesAFile)
{
    const QString doc = Protect("doc.txtp", "secret\n", "pw");
    PutFile(Path("shared.txt"), std::string("old"));
    ASSERT_EQ(chmod(QFile::encodeName(Path("shared.txt")).constData(), 0644), 0);
    const TProgramRun run =
        RunTxtp({"decrypt", doc, "-o", Path("shared.txt"), "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(TakeFile(Path("shared.txt")), "secret\r\n");
    EXPECT_EQ(ModeOf(Path("shared.txt")) & 07777, mode_t(0600));

    // A protected file that replaces another keeps that file's permissions.
    ASSERT_EQ(chmod(QFile::encodeName(doc).constData(), 0640), 0);
    const TProgramRun again =
        RunTxtp({"encrypt", "-i", Path("shared.txt"), "-o", doc, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(again.Exit, 0) << again.Err;
    EXPECT_EQ(ModeOf(doc) & 07777, mode_t(0640));
}

TEST_F(TxtpHostile, OutputNamingTheInputIsRefusedBeforeReading)
{
    const QString doc = Protect("doc.txtp", "secret\n", "pw");
    const std::string before = TakeFile(doc);
    ASSERT_TRUE(QFile::link(doc, Path("link.txtp")));
    const QString sameByAnotherName = Dir.path() + "/./doc.txtp";
    for (const QString& output : {doc, sameByAnotherName, Path("link.txtp")}) {
        TProgramRun run = RunTxtp({"decrypt", doc, "-o", output, "--pass", kFromEnv}, WithPassword("pw"));
        EXPECT_EQ(run.Exit, 2) << output.toStdString() << ": " << run.Err;
        EXPECT_NE(run.Err.find("input file itself"), std::string::npos) << run.Err;
        run = RunTxtp({"encrypt", "-i", doc, "-o", output, "--pass", kFromEnv}, WithPassword("pw"));
        EXPECT_EQ(run.Exit, 2) << output.toStdString() << ": " << run.Err;
    }
    // No password is asked for: without a terminal that would be another usage error.
    const TProgramRun run = RunTxtp({"decrypt", doc, "-o", doc});
    EXPECT_NE(run.Err.find("input file itself"), std::string::npos) << run.Err;
    EXPECT_EQ(TakeFile(doc), before);
}

TEST_F(TxtpHostile, EmptyPasswordOnlyWhenAskedFor)
{
    PutFile(Path("empty-pw"), std::string("\n"));
    const QStringList sources[] = {{"--pass", kFromEnv}, {"--pass", "file:" + Path("empty-pw")}};
    for (const QStringList& source : sources) {
        TProgramRun run = RunTxtp(QStringList{"encrypt", "-o", Path("doc.txtp")} + source, WithPassword("", "text"));
        EXPECT_EQ(run.Exit, 2);
        EXPECT_EQ(run.Err, "txtp: empty password; use --allow-empty-password to protect with none\n");
        EXPECT_FALSE(QFile::exists(Path("doc.txtp")));

        run = RunTxtp(QStringList{"encrypt", "-o", Path("doc.txtp"), "--allow-empty-password"} + source,
                      WithPassword("", "text"));
        EXPECT_EQ(run.Exit, 0) << run.Err;
        run = RunTxtp(QStringList{"decrypt", Path("doc.txtp")} + source, WithPassword(""));
        EXPECT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(run.Out, "text\r\n");
        QFile::remove(Path("doc.txtp"));
    }
    const TProgramRun run = RunTxtp({"check", Path("x.txtp"), "--allow-empty-password"});
    EXPECT_EQ(run.Exit, 2);
}

namespace {

// Size of the file the process has open inside folder, as the system shows
// it from outside; -1 while it has none open there.
qint64 OpenOutputSize(qint64 pid, const QString& folder)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd/";
    const std::string inside = QFile::encodeName(folder).toStdString() + "/";
    qint64 size = -1;
    DIR* dir = ::opendir(fds.c_str());
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        char target[4096];
        const ssize_t length = ::readlink((fds + entry->d_name).c_str(), target, sizeof target);
        struct stat info {};
        if (length > 0 && std::string(target, std::size_t(length)).rfind(inside, 0) == 0 &&
            ::stat((fds + entry->d_name).c_str(), &info) == 0)
            size = info.st_size;
    }
    if (dir)
        ::closedir(dir);
    return size;
}

} // namespace

TEST_F(TxtpHostile, KilledWhileWritingLeavesNoCopyOfTheText)
{
    std::string file;
    ASSERT_TRUE(tainoteka::cli::ProtectText(LargeText(), "text", false, "pw", file).Ok());
    constexpr std::size_t kChunk = 64 * 1024;
    for (const qint64 reached : {qint64(0), qint64(kMiB), qint64(8 * kMiB)}) {
        QTemporaryDir out;
        const auto program =
            StartTxtp({"decrypt", "/dev/stdin", "-o", out.filePath("plain.txt"), "--pass", kFromEnv}, WithPassword("pw"));
        std::size_t fed = 0;
        // Fed a piece at a time: the pipe holds little, so the output follows closely.
        while (OpenOutputSize(program->processId(), out.path()) < reached && fed < file.size()) {
            program->write(file.data() + fed, qint64(std::min(kChunk, file.size() - fed)));
            program->waitForBytesWritten(-1);
            fed += kChunk;
        }
        ASSERT_GE(OpenOutputSize(program->processId(), out.path()), reached) << "the point was never reached";
        ::kill(pid_t(program->processId()), SIGKILL);
        program->waitForFinished(-1);
        EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList())
            << "killed after " << reached << " bytes";
    }
}
