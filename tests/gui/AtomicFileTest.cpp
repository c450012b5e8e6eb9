#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

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

TEST_F(AtomicFileTest, FailuresNameThePathAndTheReason)
{
    QDir(folder.path()).mkdir(S("dir"));
    const TFileResult onFolder = WriteFileAtomically(Path("dir"), "x");
    EXPECT_FALSE(onFolder.Ok);
    EXPECT_EQ(onFolder.Error, QDir::toNativeSeparators(Path("dir")) + S(": Это каталог"));
    QByteArray data;
    const TFileResult missing = ReadWholeFile(Path("missing"), data);
    EXPECT_EQ(missing.Error, QDir::toNativeSeparators(Path("missing")) + S(": Нет такого файла или каталога"));
    EXPECT_EQ(missing.SystemError, ENOENT);
    EXPECT_EQ(ReadWholeFile(Path("dir"), data).SystemError, EISDIR);
}

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
