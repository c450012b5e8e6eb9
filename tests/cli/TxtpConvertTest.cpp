// txtp convert through the real program: one protected file into another.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <gtest/gtest.h>

#include "TempFiles.h"
#include "TxtpRunner.h"

using namespace tainoteka::test;

namespace {

const std::string kOld = "старый пароль";
const std::string kNew = "новый пароль";

TProgramSetup WithPasswords()
{
    TProgramSetup setup;
    setup.Environment = {"TXTP_OLD_PW=" + QString::fromStdString(kOld), "TXTP_NEW_PW=" + QString::fromStdString(kNew),
                         "TXTP_LONG_PW=" + QString(21, 'x')};
    return setup;
}

class TxtpConvert : public testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }

    TProgramRun Run(const QStringList& arguments) { return RunTxtp(arguments, WithPasswords()); }

    // A protected file of text made by encrypt, under the old password unless told.
    QString Protect(const QString& name, const std::string& text, const QStringList& options = {},
                    const QString& passwordVariable = "TXTP_OLD_PW")
    {
        PutFile(Path("plain"), text);
        const TProgramRun run = Run(QStringList{"encrypt", "-i", Path("plain"), "-o", Path(name), "--pass",
                                                "env:" + passwordVariable} +
                                    options);
        EXPECT_EQ(run.Exit, 0) << run.Err;
        QFile::remove(Path("plain"));
        return Path(name);
    }

    // The text of a file as txtp decrypt gives it.
    std::string Opened(const QString& file, const std::string& passwordVariable)
    {
        const TProgramRun run = Run({"decrypt", file, "--pass", QString::fromStdString("env:" + passwordVariable)});
        EXPECT_EQ(run.Exit, 0) << run.Err;
        return run.Out;
    }

    QTemporaryDir Dir;
};

// Line ends of every kind on the way in; an age file gets LF, a .txtp CR LF.
TEST_F(TxtpConvert, EitherTypeIntoTheOtherWithTheSameOrANewPassword)
{
    const std::string text = "Строка one\r\nline two\nthree\rlast";
    const struct {
        const char* What;
        QString Input;
        QStringList Convert;
        std::string Variable; // the password of the output
        std::string Start, Text;
    } cases[] = {
        {"txtp to age", Protect("a.txtp", text), {"-o", Path("out.txt.age")}, "TXTP_OLD_PW",
         "age-encryption.org/v1\n", "Строка one\nline two\nthree\nlast\n"},
        {"txtp to armored age, new password", Protect("b.txtp", text),
         {"-o", Path("out.asc"), "--format", "age", "-a", "--new-pass", "env:TXTP_NEW_PW"}, "TXTP_NEW_PW",
         "-----BEGIN AGE ENCRYPTED FILE-----\n", "Строка one\nline two\nthree\nlast\n"},
        {"age to txtp", Protect("c.age", text), {"-o", Path("out.txtp")}, "TXTP_OLD_PW", "",
         "Строка one\r\nline two\r\nthree\r\nlast\r\n"},
        {"armored age to txtp, new password", Protect("d.age", text, {"--armor"}),
         {"-o", Path("out.doc"), "--new-pass", "env:TXTP_NEW_PW"}, "TXTP_NEW_PW", "",
         "Строка one\r\nline two\r\nthree\r\nlast\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const QString output = c.Convert.at(1);
        const std::string before = TakeFile(c.Input);
        const TProgramRun run = Run(QStringList{"convert", c.Input, "--pass", "env:TXTP_OLD_PW"} + c.Convert);
        ASSERT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(run.Out + run.Err, "");
        EXPECT_EQ(TakeFile(c.Input), before);
        EXPECT_EQ(TakeFile(output).rfind(c.Start, 0), 0u);
        EXPECT_EQ(Opened(output, c.Variable), c.Text);
        QFile::remove(output);
    }
}

TEST_F(TxtpConvert, RefusedConversionsWriteNothing)
{
    const QString txtp = Protect("in.txtp", "text\n");
    const QString age = Protect("in.age", "text\n");
    const QString longPassword = Protect("long.age", "text\n", {}, "TXTP_LONG_PW");
    const QString emoji = Protect("emoji.age", "line\nsmile 😀\n");
    std::string damaged = TakeFile(Protect("armored.age", "text\n", {"--armor"}));
    damaged[damaged.find('\n') + 5] = '*';
    PutFile(Path("damaged.age"), damaged);
    PutFile(Path("empty-pw"), std::string("\n")); // Windows has no empty variables
    const QString out = Path("out");
    const struct {
        const char* What;
        QStringList Arguments;
        int Exit;
        std::string Says;
    } cases[] = {
        {"wrong password", {txtp, "-o", out, "--pass", "env:TXTP_NEW_PW"}, 1, "wrong password"},
        {"output onto the input", {txtp, "-o", txtp, "--pass", "env:TXTP_OLD_PW"}, 2, "input file itself"},
        {"password too long for .txtp", {longPassword, "-o", out, "--pass", "env:TXTP_LONG_PW"}, 2, "--new-pass"},
        {"empty new password",
         {txtp, "-o", out, "--pass", "env:TXTP_OLD_PW", "--new-pass", "file:" + Path("empty-pw")},
         2,
         "--allow-empty-password"},
        {"text Windows-1251 cannot hold", {emoji, "-o", out, "--pass", "env:TXTP_OLD_PW"}, 5, "line 2, column 7"},
        {"armored .txtp", {age, "-o", out, "--format", "txtp", "--armor", "--pass", "env:TXTP_OLD_PW"}, 2, "--armor"},
        {"armor not canonical", {Path("damaged.age"), "-o", out, "--pass", "env:TXTP_OLD_PW"}, 6, "armor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TProgramRun run = Run(QStringList{"convert"} + c.Arguments);
        EXPECT_EQ(run.Exit, c.Exit) << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(Opened(txtp, "TXTP_OLD_PW"), "text\r\n") << "the input stays as it was";
}

} // namespace
