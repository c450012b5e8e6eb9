// The real txtp program, driven as a script would drive it.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Passwords.h"
#include "TempFiles.h"
#include "TextCodec.h"
#include "TxtpRunner.h"

using namespace tainoteka::test;
using tainoteka::cli::Cp1251ToUtf8;

namespace {

const QString kPassVar = QStringLiteral("TXTP_TEST_PW");
const QString kFromEnv = QStringLiteral("env:TXTP_TEST_PW");

TProgramSetup WithInput(std::string input)
{
    TProgramSetup setup;
    setup.Input = std::move(input);
    return setup;
}

TProgramSetup WithPassword(const std::string& utf8, std::string input = {})
{
    TProgramSetup setup;
    setup.Environment = {kPassVar + '=' + QString::fromStdString(utf8)};
    setup.Input = std::move(input);
    return setup;
}

// One line on standard error, naming what went wrong with.
void ExpectOneLineAbout(const TProgramRun& run, const std::string& name)
{
    EXPECT_EQ(run.Err.rfind("txtp: ", 0), 0u) << run.Err;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << "one line: " << run.Err;
    const std::string native = QDir::toNativeSeparators(QString::fromStdString(name)).toStdString();
    EXPECT_TRUE(run.Err.find(name) != std::string::npos || run.Err.find(native) != std::string::npos) << run.Err;
}

class TxtpProgram : public testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    std::string Name(const QString& name) const { return Path(name).toStdString(); }

    // A protected file holding text, made by the program itself.
    QString Protect(const QString& name, const std::string& text, const std::string& password)
    {
        const TProgramRun run =
            RunTxtp({"encrypt", "-o", Path(name), "--pass", kFromEnv}, WithPassword(password, text));
        EXPECT_EQ(run.Exit, 0) << run.Err;
        return Path(name);
    }

    QTemporaryDir Dir;
};

} // namespace

TEST_F(TxtpProgram, HelpAndVersion)
{
    TProgramRun run = RunTxtp({"--help"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_NE(run.Out.find("txtp decrypt FILE.txtp"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "");
    run = RunTxtp({"--version"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "txtp " TXTP_EXPECTED_VERSION "\n");
}

TEST_F(TxtpProgram, UsageErrorsAreOneLineAndStatusTwo)
{
    const QStringList mistakes[] = {
        {},
        {"encrypt"},
        {"decrypt"},
        {"shred", "a.txtp"},
        {"decrypt", "a.txtp", "--pass", "hunter2"},
        {"check", "a.txtp", "--raw"},
        {"encrypt", "-o", "x.txtp", "--bogus"},
        {"encrypt", "-o", "x.txtp", "--format", "zip"},
        {"encrypt", "-o", "x.age", "--raw"},
        {"check", "a.age", "--format", "age"},
    };
    for (const QStringList& arguments : mistakes) {
        const TProgramRun run = RunTxtp(arguments);
        EXPECT_EQ(run.Exit, 2) << arguments.join(' ').toStdString();
        ExpectOneLineAbout(run, "--help");
        EXPECT_EQ(run.Err.find("hunter2"), std::string::npos);
    }
}

TEST_F(TxtpProgram, ProtectedFileOpensWithItsPasswordOnly)
{
    const std::string alphabet = PasswordAlphabet();
    const std::string passwords[] = {
        "",
        "Пароль",
        " AddKey=1 Password=",
        "= = =  ",
        Cp1251ToUtf8(alphabet.substr(alphabet.size() - 20)), // Cyrillic to the last letter
        Cp1251ToUtf8(alphabet.substr(100, 20)), // the upper half below the letters
    };
    PutFile(Path("in.txt"), std::string("Секретный текст\nline two"));
    const std::string stored = "Секретный текст\r\nline two\r\n";
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        QStringList encrypt = {"encrypt", "-i", Path("in.txt"), "-o", Path("doc.txtp"), "--pass", kFromEnv};
        if (password.empty())
            encrypt << "--allow-empty-password";
        TProgramRun run = RunTxtp(encrypt, WithPassword(password));
        ASSERT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(run.Out + run.Err, "");

        run = RunTxtp({"decrypt", Path("doc.txtp"), "--pass", kFromEnv}, WithPassword(password));
        EXPECT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(run.Out, stored);

        run = RunTxtp({"decrypt", Path("doc.txtp"), "-o", Path("out.txt"), "--pass", kFromEnv}, WithPassword(password));
        EXPECT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(TakeFile(Path("out.txt")), stored);

        run = RunTxtp({"decrypt", Path("doc.txtp"), "--pass", kFromEnv}, WithPassword(password + "x"));
        EXPECT_EQ(run.Exit, 1);
        EXPECT_EQ(run.Out, "");
        ExpectOneLineAbout(run, Name("doc.txtp"));
    }
}

TEST_F(TxtpProgram, FailedDecryptLeavesTheOutputAlone)
{
    const QString doc = Protect("doc.txtp", "secret", "right");
    PutFile(Path("old.txt"), std::string("old content"));
    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    {
        QFile old(Path("old.txt"));
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("old.txt"), "--pass", kFromEnv}, WithPassword("wrong"));
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(TakeFile(Path("old.txt")), "old content");
    EXPECT_EQ(QFileInfo(Path("old.txt")).lastModified(), longAgo);

    run = RunTxtp({"decrypt", doc, "-o", Path("new.txt"), "--pass", kFromEnv}, WithPassword("wrong"));
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(QFile::exists(Path("new.txt")));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
}

TEST_F(TxtpProgram, ShortFileIsRefusedBeforeAnyPasswordIsAsked)
{
    const std::string file = TakeFile(Protect("doc.txtp", "some text", "pw"));
    PutFile(Path("short.txtp"), file.substr(0, 199));
    PutFile(Path("empty.txtp"), std::string());
    for (const char* command : {"decrypt", "check"})
        for (const char* name : {"short.txtp", "empty.txtp"}) {
            // No --pass and no terminal: asking would be a usage error, not 3.
            const TProgramRun run = RunTxtp({command, Path(name)});
            EXPECT_EQ(run.Exit, 3) << command << ' ' << name << ": " << run.Err;
            ExpectOneLineAbout(run, Name(name));
        }
}

TEST_F(TxtpProgram, BareKeyBlockIsAnEmptyText)
{
    const QString doc = Protect("empty.txtp", "", "pw");
    ASSERT_EQ(QFileInfo(doc).size(), 200);
    TProgramRun run = RunTxtp({"decrypt", doc, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    run = RunTxtp({"check", doc, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find("0 bytes"), std::string::npos) << run.Out;
}

TEST_F(TxtpProgram, RawRoundTripKeepsEveryByte)
{
    std::string line;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            line += static_cast<char>(b);
    const std::string text = line + "\r\n\r\n" + line + "\r\n";
    PutFile(Path("raw.bin"), text);
    TProgramRun run = RunTxtp({"encrypt", "--raw", "-i", Path("raw.bin"), "-o", Path("raw.txtp"), "--pass", kFromEnv},
                              WithPassword("pw"));
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(QFileInfo(Path("raw.txtp")).size(), 200 + static_cast<qint64>(text.size()));

    run = RunTxtp({"decrypt", "--raw", Path("raw.txtp"), "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, text);

    run = RunTxtp({"decrypt", Path("raw.txtp"), "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Out, Cp1251ToUtf8(text));
    EXPECT_NE(run.Out.find("АБВ"), std::string::npos) << "without --raw the text is UTF-8";
}

TEST_F(TxtpProgram, TextTheFileCannotHoldIsRefused)
{
    const struct {
        std::string Text;
        bool Raw;
        const char* Says;
    } cases[] = {
        {"first line\nab✓c😀", false, "2 characters have no Windows-1251 form, the first at line 2, column 3"},
        {"ok\n\xD0", false, "not valid UTF-8 at line 2, column 1"},
        {std::string("ok\0no", 5), true, "NUL character at line 1, column 3"},
        {std::string("ok\0no", 5), false, "NUL character at line 1, column 3"},
    };
    for (const auto& c : cases) {
        PutFile(Path("in.txt"), c.Text);
        QStringList arguments = {"encrypt", "-i", Path("in.txt"), "-o", Path("out.txtp"), "--pass", kFromEnv};
        if (c.Raw)
            arguments << "--raw";
        TProgramRun run = RunTxtp(arguments, WithPassword("pw"));
        EXPECT_EQ(run.Exit, 5) << c.Says;
        ExpectOneLineAbout(run, Name("in.txt") + ": " + c.Says);
        EXPECT_FALSE(QFile::exists(Path("out.txtp")));

        arguments.removeAt(1);
        arguments.removeAt(1);
        run = RunTxtp(arguments, WithPassword("pw", c.Text));
        EXPECT_EQ(run.Exit, 5);
        ExpectOneLineAbout(run, "standard input: " + std::string(c.Says));
    }
}

TEST_F(TxtpProgram, MissingInputIsAReadError)
{
    const QString missing = Path("missing.txt");
    TProgramRun run =
        RunTxtp({"encrypt", "-i", missing, "-o", Path("out.txtp"), "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 4);
    ExpectOneLineAbout(run, missing.toStdString());
    EXPECT_FALSE(QFile::exists(Path("out.txtp")));
    for (const char* command : {"decrypt", "check"}) {
        run = RunTxtp({command, missing, "--pass", kFromEnv}, WithPassword("pw"));
        EXPECT_EQ(run.Exit, 4) << command;
        ExpectOneLineAbout(run, missing.toStdString());
    }
    run = RunTxtp({"encrypt", "-o", Path("out.txtp"), "--pass", "file:" + missing}, WithInput("text"));
    EXPECT_EQ(run.Exit, 4);
    ExpectOneLineAbout(run, missing.toStdString());
}

TEST_F(TxtpProgram, UnwritableFolderKeepsTheOldFile)
{
    const QString doc = Protect("doc.txtp", "plain text", "pw");
    PutFile(Path("in.txt"), std::string("new text"));
    ASSERT_TRUE(QDir(Dir.path()).mkdir("locked"));
    PutFile(Path("locked/old.txtp"), std::string("old protected"));
    PutFile(Path("locked/old.txt"), std::string("old plain"));
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(Dir.path(), readable));
    ASSERT_TRUE(QFile::setPermissions(Path("locked"), readable & ~QFile::WriteOwner));

    TProgramSetup setup = WithPassword("pw");
    setup.Unprivileged = true;
    const TProgramRun encrypt =
        RunTxtp({"encrypt", "-i", Path("in.txt"), "-o", Path("locked/old.txtp"), "--pass", kFromEnv}, setup);
    const TProgramRun decrypt = RunTxtp({"decrypt", doc, "-o", Path("locked/old.txt"), "--pass", kFromEnv}, setup);
    QFile::setPermissions(Path("locked"), readable);
    if (encrypt.Exit == kCouldNotDropPrivileges)
        GTEST_SKIP() << "running as root and cannot run the program as an unprivileged user";

    EXPECT_EQ(encrypt.Exit, 4) << encrypt.Err;
    ExpectOneLineAbout(encrypt, Name("locked/old.txtp"));
    EXPECT_EQ(decrypt.Exit, 4) << decrypt.Err;
    ExpectOneLineAbout(decrypt, Name("locked/old.txt"));
    EXPECT_EQ(TakeFile(Path("locked/old.txtp")), "old protected");
    EXPECT_EQ(TakeFile(Path("locked/old.txt")), "old plain");
    EXPECT_EQ(QDir(Path("locked")).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(TxtpProgram, PasswordFromFileDescriptorAndStandardInput)
{
    PutFile(Path("pw.txt"), std::string("Ключ 1\r\nnot part of it\n"));
    TProgramRun run =
        RunTxtp({"encrypt", "-o", Path("doc.txtp"), "--pass", "file:" + Path("pw.txt")}, WithInput("text"));
    ASSERT_EQ(run.Exit, 0) << run.Err;
    run = RunTxtp({"decrypt", Path("doc.txtp"), "--pass", kFromEnv}, WithPassword("Ключ 1"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "text\r\n");

    // The first line of standard input is the password, the rest the text.
    run = RunTxtp({"encrypt", "-o", Path("doc.txtp"), "--pass", "fd:0"}, WithInput("Ключ 2\nтекст\n"));
    ASSERT_EQ(run.Exit, 0) << run.Err;
    run = RunTxtp({"decrypt", Path("doc.txtp"), "--pass", "fd:0"}, WithInput("Ключ 2\r\n"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "текст\r\n");

#ifndef _WIN32 // a Windows child gets no C descriptors beyond the standard three
    int ends[2];
    ASSERT_EQ(pipe(ends), 0) << "inherited by the child: no close-on-exec";
    ASSERT_EQ(write(ends[1], "Ключ 2\n", 11), 11);
    close(ends[1]);
    run = RunTxtp({"check", Path("doc.txtp"), "--pass", QStringLiteral("fd:%1").arg(ends[0])});
    close(ends[0]);
    EXPECT_EQ(run.Exit, 0) << run.Err;
#endif

    run = RunTxtp({"check", Path("doc.txtp"), "--pass", "env:TXTP_TEST_UNSET_VARIABLE"});
    EXPECT_EQ(run.Exit, 2);
    ExpectOneLineAbout(run, "TXTP_TEST_UNSET_VARIABLE");
}

TEST_F(TxtpProgram, WithoutPassAndWithoutTerminalItStopsAtOnce)
{
    const QString doc = Protect("doc.txtp", "text", "pw");
    const QStringList commands[] = {
        {"encrypt", "-o", Path("new.txtp")},
        {"decrypt", doc, "-o", Path("new.txt")},
        {"check", doc},
    };
    for (const QStringList& arguments : commands) {
        const TProgramRun run = RunTxtp(arguments, WithInput("text"));
        EXPECT_EQ(run.Exit, 2) << arguments.front().toStdString();
        ExpectOneLineAbout(run, "no terminal to ask for the password on");
        EXPECT_NE(run.Err.find("--pass"), std::string::npos) << run.Err;
    }
    EXPECT_FALSE(QFile::exists(Path("new.txtp")));
    EXPECT_FALSE(QFile::exists(Path("new.txt")));
}

TEST_F(TxtpProgram, CheckConfirmsWithoutShowingTheText)
{
    const QString doc = Protect("doc.txtp", "Секретный\nтекст", "pw");
    TProgramRun run = RunTxtp({"check", doc, "--pass", kFromEnv}, WithPassword("pw"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find(Name("doc.txtp") + ": password correct"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("18 bytes in 2 lines"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("Секрет"), std::string::npos);
    run = RunTxtp({"check", doc, "--pass", kFromEnv}, WithPassword("PW"));
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "");
}

TEST_F(TxtpProgram, DecryptedTextIsCreatedForItsOwnerOnly)
{
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the folder's access list decides who may read a new file";
#endif
    const QString doc = Protect("doc.txtp", "text", "pw");
    const TProgramRun run = RunTxtp({"decrypt", doc, "-o", Path("plain.txt"), "--pass", kFromEnv}, WithPassword("pw"));
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const QFile::Permissions permissions = QFile::permissions(Path("plain.txt"));
    EXPECT_TRUE(permissions & QFile::ReadOwner);
    EXPECT_FALSE(permissions & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther));
}

TEST_F(TxtpProgram, EncryptRefusesPasswordsThatCouldNeverOpenTheFile)
{
    std::string twenty;
    for (int i = 0; i < 10; ++i)
        twenty += "Жж";
    const std::string refused[] = {"123456789012345678901", twenty + "Ж", "a|b", "tab\tin", "✓"};
    for (const std::string& password : refused) {
        const TProgramRun run = RunTxtp({"encrypt", "-o", Path("doc.txtp"), "--pass", kFromEnv},
                                        WithPassword(password, "text"));
        EXPECT_EQ(run.Exit, 2) << password;
        ExpectOneLineAbout(run, "password: ");
        EXPECT_FALSE(QFile::exists(Path("doc.txtp"))) << password;
    }
    const TProgramRun run = RunTxtp({"encrypt", "-o", Path("doc.txtp"), "--pass", kFromEnv},
                                    WithPassword(twenty, "text"));
    EXPECT_EQ(run.Exit, 0) << "twenty Cyrillic letters are twenty characters: " << run.Err;
}
