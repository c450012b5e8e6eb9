// txtp with age files, through the real program.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <gtest/gtest.h>

#include "TempFiles.h"
#include "TxtpRunner.h"

using namespace tainoteka::test;

namespace {

TProgramSetup WithPassword(const std::string& utf8)
{
    TProgramSetup setup;
    setup.Environment = {"TXTP_AGE_PW=" + QString::fromStdString(utf8)};
    return setup;
}

class TxtpAge : public testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    TProgramRun Run(QStringList arguments, const std::string& password)
    {
        return RunTxtp(arguments << "--pass" << "env:TXTP_AGE_PW", WithPassword(password));
    }
    QTemporaryDir Dir;
};

// LF line ends and a character no Windows-1251 byte holds come back as given.
const std::string kText = "Строка one\nline 😀 two\r\n";

TEST_F(TxtpAge, TextGoesThroughUntouchedAndTheTypeIsToldByContent)
{
    PutFile(Path("in.txt"), kText);
    const struct {
        QStringList Encrypt;
        QString File;
        std::string Start;
    } cases[] = {
        {{"-o", Path("doc.txt.age")}, Path("doc.txt.age"), "age-encryption.org/v1\n-> scrypt "},
        {{"-o", Path("doc.bin"), "--format", "age"}, Path("doc.bin"), "age-encryption.org/v1\n-> scrypt "},
        {{"-o", Path("doc.asc.age"), "-a"}, Path("doc.asc.age"), "-----BEGIN AGE ENCRYPTED FILE-----\nYWdlLWVu"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File.toStdString());
        TProgramRun run = Run(QStringList{"encrypt", "-i", Path("in.txt")} + c.Encrypt, "пароль");
        ASSERT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(TakeFile(c.File).rfind(c.Start, 0), 0u);
        run = Run({"decrypt", c.File}, "пароль");
        EXPECT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(run.Out, kText);
    }
    const TProgramRun check = Run({"check", Path("doc.bin")}, "пароль");
    EXPECT_EQ(check.Out, Path("doc.bin").toStdString() + ": password correct, text of " + std::to_string(kText.size()) +
                              " bytes in 2 lines\n");
    const TProgramRun wrong = Run({"check", Path("doc.bin")}, "Пароль");
    EXPECT_EQ(wrong.Exit, 1);
}

TEST_F(TxtpAge, DamagedFileEndsWithSixAndLeavesNoOutputFile)
{
    PutFile(Path("in.txt"), std::string(100000, 'a'));
    ASSERT_EQ(Run({"encrypt", "-i", Path("in.txt"), "-o", Path("doc.age")}, "pw").Exit, 0);
    const std::string good = TakeFile(Path("doc.age"));
    const struct {
        const char* What;
        std::string File;
    } cases[] = {
        {"changed", [&] { std::string f = good; f[f.size() / 2] ^= 0x20; return f; }()},
        {"cut", good.substr(0, good.size() - 1)},
        {"lengthened", good + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        PutFile(Path("bad.age"), c.File);
        const TProgramRun run = Run({"decrypt", Path("bad.age"), "-o", Path("out.txt")}, "pw");
        EXPECT_EQ(run.Exit, 6);
        std::string err = run.Err;
        std::erase(err, '\r'); // standard error ends lines in CR LF on Windows
        EXPECT_EQ(err, "txtp: " + Path("bad.age").toStdString() + ": damaged or altered file\n");
        EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no output, no temporary";
    }
}

// Its armour is checked only whole, so an armoured file is read whole: up to a bound.
TEST_F(TxtpAge, OversizedArmoredFileIsRefusedWithItsBound)
{
    const std::string line(64, 'A');
    std::string file = "-----BEGIN AGE ENCRYPTED FILE-----\n";
    while (file.size() <= (std::size_t(64) << 20))
        file += line + '\n';
    PutFile(Path("big.age"), file);
    const TProgramRun run = RunTxtp({"check", Path("big.age")});
    EXPECT_EQ(run.Exit, 4) << run.Err;
    EXPECT_NE(run.Err.find("larger than 64 MiB"), std::string::npos) << run.Err;
}

TEST_F(TxtpAge, FileForKeysIsRefusedBeforeAnyPasswordIsAsked)
{
    PutFile(Path("keys.age"), std::string("age-encryption.org/v1\n-> X25519 c2hhcmU\nYm9keQ\n--- ") +
                                  std::string(43, 'A') + "\npayload");
    // No --pass and no terminal: asking would be a usage error, not 1.
    const TProgramRun run = RunTxtp({"check", Path("keys.age")});
    EXPECT_EQ(run.Exit, 1) << run.Err;
    EXPECT_NE(run.Err.find("made for keys"), std::string::npos) << run.Err;
}

} // namespace

// A text in another encoding comes out as the bytes it was given as.
TEST_F(TxtpAge, TextThatIsNotUtf8ComesOutByteForByte)
{
    const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n\x98\xFF";
    PutFile(Path("in.txt"), cp1251);
    ASSERT_EQ(Run({"encrypt", "-i", Path("in.txt"), "-o", Path("cp.txt.age")}, "pw").Exit, 0);
    const TProgramRun run = Run({"decrypt", Path("cp.txt.age")}, "pw");
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, cp1251);
}

#ifndef _WIN32
// Work factor 22 makes scrypt take 4 GiB: with less at hand the derivation is
// not started, and the message says what it needs and what there is.
TEST_F(TxtpAge, KeyDerivationBeyondTheMemoryThereIsIsNotStarted)
{
    PutFile(Path("in.txt"), std::string("text"));
    ASSERT_EQ(Run({"encrypt", "-i", Path("in.txt"), "-o", Path("doc.age")}, "pw").Exit, 0);
    std::string file = TakeFile(Path("doc.age"));
    const std::size_t factor = file.find(" 18\n");
    ASSERT_NE(factor, std::string::npos);
    PutFile(Path("doc.age"), file.replace(factor, 4, " 22\n"));
    TProgramSetup setup = WithPassword("pw");
    setup.DataLimit = 64ul << 20;
    const TProgramRun run =
        RunTxtp({"decrypt", Path("doc.age"), "-o", Path("out.txt"), "--pass", "env:TXTP_AGE_PW"}, setup);
    EXPECT_EQ(run.Exit, 4);
    const std::string says = "txtp: " + Path("doc.age").toStdString() +
        ": the key derivation needs 4097 MiB of memory and only ";
    EXPECT_EQ(run.Err.rfind(says, 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find(" MiB are available; not opened\n"), std::string::npos) << run.Err;
    EXPECT_FALSE(QFile::exists(Path("out.txt")));
}
#endif
