#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "AtomicFile.h"
#include "SystemError.h"
#include "SystemLimits.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

class AtomicFileTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return folder.filePath(S(name)); }
    void Put(const char* name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray Get(const char* name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    QStringList Entries() const { return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
#ifdef Q_OS_WIN
    std::wstring Wide(const char* name) const { return QDir::toNativeSeparators(Path(name)).toStdWString(); }
    DWORD Attributes(const char* name) const { return GetFileAttributesW(Wide(name).c_str()); }
#endif

    QTemporaryDir folder;
};

} // namespace

TEST(SystemErrorText, SaysTheSystemsReasonInRussian)
{
    EXPECT_EQ(SystemErrorText(ENOSPC), S("На устройстве не осталось свободного места"));
    EXPECT_EQ(SystemErrorText(EACCES), S("Отказано в доступе"));
    EXPECT_EQ(SystemErrorText(EROFS), S("Файловая система доступна только для чтения"));
    EXPECT_EQ(SystemErrorText(EFBIG), S("Файл слишком велик"));
    EXPECT_EQ(SystemErrorText(987654), S("Системная ошибка 987654"));
}

// The reasons a failure gives, as this system words them.
struct TExpectedReasons {
    int NoSuchFile;
    int IsFolder;
    const char* NoSuchFileText;
    const char* IsFolderText;
    const char* ThroughAFileText;
};

#ifdef Q_OS_WIN
const TExpectedReasons kReasons{ERROR_FILE_NOT_FOUND, int(kWindowsErrorIsFolder), "Не удается найти указанный файл",
                                "Это каталог", "Системе не удается найти указанный путь"};
#else
const TExpectedReasons kReasons{ENOENT, EISDIR, "Нет такого файла или каталога", "Это каталог", "Это не каталог"};
#endif

TEST_F(AtomicFileTest, FailuresNameThePathAndTheReason)
{
    QDir(folder.path()).mkdir(S("dir"));
    const TFileResult onFolder = WriteFileAtomically(Path("dir"), "x");
    EXPECT_FALSE(onFolder.Ok);
    EXPECT_EQ(onFolder.Error, QDir::toNativeSeparators(Path("dir")) + S(": ") + S(kReasons.IsFolderText));
    QByteArray data;
    const TFileResult missing = ReadWholeFile(Path("missing"), data);
    EXPECT_EQ(missing.Error, QDir::toNativeSeparators(Path("missing")) + S(": ") + S(kReasons.NoSuchFileText));
    EXPECT_EQ(missing.SystemError, kReasons.NoSuchFile);
    EXPECT_EQ(ReadWholeFile(Path("dir"), data).SystemError, kReasons.IsFolder);

    Put("plain", "a file, not a folder");
    const TFileResult through = WriteFileAtomically(Path("plain/x.txtp"), "x");
    EXPECT_EQ(through.Error, QDir::toNativeSeparators(Path("plain/x.txtp")) + S(": ") + S(kReasons.ThroughAFileText));
    EXPECT_EQ(Entries(), QStringList{S("dir")} << S("plain")) << "no temporary file left";
}

TEST_F(AtomicFileTest, ReadsBackWhatItWrote)
{
    QByteArray bytes(200000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    ASSERT_TRUE(WriteFileAtomically(Path("new.txtp"), bytes).Ok);
    QByteArray read;
    ASSERT_TRUE(ReadWholeFile(Path("new.txtp"), read).Ok);
    EXPECT_EQ(read, bytes);
    ASSERT_TRUE(ReadWholeFile(Path("new.txtp"), read).Ok) << "a second read replaces, not appends";
    EXPECT_EQ(read.size(), bytes.size());
    Put("empty", "");
    ASSERT_TRUE(ReadWholeFile(Path("empty"), read).Ok);
    EXPECT_TRUE(read.isEmpty());
}

TEST_F(AtomicFileTest, InPlaceWriteTakesTheNewLengthEitherWay)
{
    Put("doc.txtp", "old content that is long");
    ASSERT_TRUE(WriteFileInPlace(Path("doc.txtp"), "short").Ok);
    EXPECT_EQ(Get("doc.txtp"), QByteArray("short"));
    const QByteArray longer(100000, 'x');
    ASSERT_TRUE(WriteFileInPlace(Path("doc.txtp"), longer).Ok);
    EXPECT_EQ(Get("doc.txtp"), longer);
    EXPECT_EQ(Entries(), QStringList{S("doc.txtp")}) << "no temporary file";

    const TFileResult missing = WriteFileInPlace(Path("missing.txtp"), "x");
    EXPECT_EQ(missing.Error, QDir::toNativeSeparators(Path("missing.txtp")) + S(": ") + S(kReasons.NoSuchFileText));
    EXPECT_FALSE(QFile::exists(Path("missing.txtp"))) << "never creates a file";
}

#ifdef Q_OS_UNIX
TEST_F(AtomicFileTest, ReplacesTheWholeFileAndLeavesNothingBehind)
{
    Put("a.txtp", QByteArray(5000, 'o'));
    QFile::setPermissions(Path("a.txtp"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(WriteFileAtomically(Path("a.txtp"), "new").Ok);
    EXPECT_EQ(Get("a.txtp"), QByteArray("new"));
    EXPECT_EQ(QFile::permissions(Path("a.txtp")) & 0x7077,
              QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup) & 0x7077);
    EXPECT_EQ(Entries(), QStringList{S("a.txtp")});
}

TEST_F(AtomicFileTest, SymbolicLinkKeepsPointingAtTheDocument)
{
    QDir(folder.path()).mkdir(S("real"));
    Put("real/doc.txtp", "old");
    ASSERT_TRUE(QFile::link(Path("real/doc.txtp"), Path("link.txtp")));
    ASSERT_TRUE(WriteFileAtomically(Path("link.txtp"), "new").Ok);
    EXPECT_TRUE(QFileInfo(Path("link.txtp")).isSymLink());
    EXPECT_EQ(Get("real/doc.txtp"), QByteArray("new"));
}
#endif

#ifdef Q_OS_WIN
TEST(WindowsErrorText, SaysTheSystemsReasonInRussian)
{
    EXPECT_EQ(WindowsErrorText(ERROR_DISK_FULL), S("Недостаточно места на диске"));
    EXPECT_EQ(WindowsErrorText(ERROR_ACCESS_DENIED), S("Отказано в доступе"));
    EXPECT_EQ(WindowsErrorText(ERROR_SHARING_VIOLATION),
              S("Процесс не может получить доступ к файлу, так как этот файл занят другим процессом"));
    EXPECT_EQ(WindowsErrorText(ERROR_WRITE_PROTECT), S("Носитель защищен от записи"));
    EXPECT_EQ(WindowsErrorText(kWindowsErrorQuotaExceeded), S("Превышена квота на диске"));
    EXPECT_EQ(WindowsErrorText(0x2ABCDEF), S("Системная ошибка 44813807"));
    const QString systemsOwn = WindowsErrorText(ERROR_BAD_FORMAT);
    EXPECT_FALSE(systemsOwn.isEmpty() || systemsOwn.endsWith(QLatin1Char('.')) || systemsOwn.endsWith(QLatin1Char('\n')))
        << systemsOwn.toStdString();
}

TEST_F(AtomicFileTest, ReplacesTheWholeFileKeepingItsAttributesAndLeavesNothingBehind)
{
    Put("a.txtp", QByteArray(5000, 'o'));
    ASSERT_TRUE(SetFileAttributesW(Wide("a.txtp").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(WriteFileAtomically(Path("a.txtp"), "new").Ok);
    EXPECT_EQ(Get("a.txtp"), QByteArray("new"));
    EXPECT_TRUE(Attributes("a.txtp") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Entries(), QStringList{S("a.txtp")});
    ASSERT_TRUE(WriteFileAtomically(Path("fresh.txtp"), "x").Ok);
    EXPECT_FALSE(Attributes("fresh.txtp") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
}

TEST_F(AtomicFileTest, ReadOnlyFileIsRefusedAndKept)
{
    Put("locked.txtp", "locked");
    ASSERT_TRUE(SetFileAttributesW(Wide("locked.txtp").c_str(), FILE_ATTRIBUTE_READONLY));
    const TFileResult result = WriteFileAtomically(Path("locked.txtp"), "x");
    SetFileAttributesW(Wide("locked.txtp").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.Error,
              QDir::toNativeSeparators(Path("locked.txtp")) + S(": Указанный файл доступен только для чтения"));
    EXPECT_EQ(result.SystemError, ERROR_FILE_READ_ONLY);
    EXPECT_EQ(Get("locked.txtp"), QByteArray("locked"));
    EXPECT_EQ(Entries(), QStringList{S("locked.txtp")});
}

TEST_F(AtomicFileTest, FileHeldOpenByAnotherProgramKeepsTheOldBytes)
{
    Put("a.txtp", "old bytes");
    HANDLE held = CreateFileW(Wide("a.txtp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const TFileResult result = WriteFileAtomically(Path("a.txtp"), QByteArray(5000, 'n'));
    CloseHandle(held);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, QDir::toNativeSeparators(Path("a.txtp")) + S(": ") + WindowsErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(Get("a.txtp"), QByteArray("old bytes"));
    EXPECT_EQ(Entries(), QStringList{S("a.txtp")}) << "no temporary file left";
}

TEST_F(AtomicFileTest, SymbolicLinkKeepsPointingAtTheDocument)
{
    QDir(folder.path()).mkdir(S("real"));
    Put("real/doc.txtp", "old");
    const DWORD unprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (!CreateSymbolicLinkW(Wide("link.txtp").c_str(), Wide("real/doc.txtp").c_str(), unprivileged) ||
        Attributes("link.txtp") == INVALID_FILE_ATTRIBUTES || !(Attributes("link.txtp") & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this system makes no symbolic links for this user";
    ASSERT_TRUE(WriteFileAtomically(Path("link.txtp"), "new").Ok);
    EXPECT_TRUE(Attributes("link.txtp") & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(Get("real/doc.txtp"), QByteArray("new"));
}
#endif

#ifdef Q_OS_UNIX
TEST_F(AtomicFileTest, FullDeviceSaysSo)
{
    if (!QFileInfo::exists(S("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    const TFileResult result = WriteFileAtomically(S("/dev/full"), "text");
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, S("/dev/full: На устройстве не осталось свободного места"));
    EXPECT_TRUE(QFileInfo(S("/dev/full")).exists() && !QFileInfo(S("/dev/full")).isFile()) << "the device stays";
}

TEST_F(AtomicFileTest, FailedWriteKeepsTheOldBytes)
{
    Put("a.txtp", "old bytes");
    TFileResult result;
    {
        TFileSizeLimit limit(1000);
        result = WriteFileAtomically(Path("a.txtp"), QByteArray(5000, 'n'));
    }
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, QDir::toNativeSeparators(Path("a.txtp")) + S(": Файл слишком велик"));
    EXPECT_EQ(Get("a.txtp"), QByteArray("old bytes"));
    EXPECT_EQ(Entries(), QStringList{S("a.txtp")}) << "no temporary file left";
}

TEST_F(AtomicFileTest, WritableFileInAnUnwritableFolderIsWrittenInPlace)
{
    Put("doc.txtp", "old content that is long");
    Put("locked.txtp", "locked");
    QFile::setPermissions(Path("locked.txtp"), QFile::ReadOwner);
    const QString doc = Path("doc.txtp");
    const QString locked = Path("locked.txtp");
    const QString fresh = Path("fresh.txtp");
    const QString dir = folder.path();
    const std::string failure = AsUserBoundByPermissions(dir, [&]() -> std::string {
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        std::string problems;
        if (const TFileResult r = WriteFileAtomically(doc, "short"); !r.Ok)
            problems += "in place: " + r.Error.toStdString() + "; ";
        {
            // A longer text claims its room first: refused with the old bytes whole.
            TFileSizeLimit limit(100);
            if (WriteFileAtomically(doc, QByteArray(500, 'x')).SystemError != EFBIG)
                problems += "a write past the limit was not refused; ";
        }
        const TFileResult created = WriteFileAtomically(fresh, "x");
        if (created.Ok || !created.Error.endsWith(S(": Отказано в доступе")))
            problems += "new file: " + created.Error.toStdString() + "; ";
        if (WriteFileAtomically(locked, "x").Ok)
            problems += "a read-only file was written; ";
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (const TFileResult r = WriteFileAtomically(locked, "x"); r.SystemError != EACCES)
            problems += "a read-only file in an open folder was replaced; ";
        return problems;
    });
    EXPECT_EQ(failure, "");
    EXPECT_EQ(Get("doc.txtp"), QByteArray("short"));
    EXPECT_EQ(Get("locked.txtp"), QByteArray("locked"));
    EXPECT_FALSE(QFile::exists(Path("fresh.txtp")));
}
#endif

#ifdef Q_OS_UNIX
namespace {

// In the child: a write that reaches the size limit stops the process there,
// where the test kills it.
extern "C" void StopHere(int) { ::raise(SIGSTOP); }

} // namespace

TEST_F(AtomicFileTest, SaveKilledAnywhereLeavesTheOldFileAndNothingElse)
{
    Put("doc.txtp", "old");
    const QByteArray data(8 << 20, 'n');
    for (const rlim_t reached : {rlim_t(0), rlim_t(1) << 20, rlim_t(6) << 20}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{reached, reached};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, StopHere);
            WriteFileAtomically(Path("doc.txtp"), data);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
        ASSERT_TRUE(WIFSTOPPED(status)) << "stopped with " << reached << " bytes written";
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        EXPECT_EQ(Entries(), QStringList{S("doc.txtp")}) << "killed after " << reached << " bytes";
        EXPECT_EQ(Get("doc.txtp"), QByteArray("old"));
    }
}

TEST_F(AtomicFileTest, LeftOverTemporariesOfOursAreRemovedUnlessHeld)
{
    const char* leftOver = ".doc.txtp.tainoteka-a1b2c3";
    const char* held = ".other.txtp.tainoteka-d4e5f6";
    const char* foreign = ".doc.txtp.Xy12Zq";
    for (const char* name : {leftOver, held, foreign})
        Put(name, "plain text");
    const int holder = ::open(QFile::encodeName(Path(held)).constData(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ASSERT_TRUE(WriteFileAtomically(Path("doc.txtp"), "new").Ok);
    ::close(holder);
    EXPECT_EQ(Entries(), QStringList({S(foreign), S(held), S("doc.txtp")}));
}
#endif
