#include <cstdlib>
#include <stdexcept>

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "PasswordRules.h"
#include "PasswordSource.h"
#include "TempFiles.h"

using namespace tainoteka::cli;
using tainoteka::test::PutFile;

TEST(PasswordRules, LengthCountsCharactersNotUtf8Bytes)
{
    std::string cp1251;
    std::string twenty;
    for (int i = 0; i < 10; ++i)
        twenty += "Жж";
    ASSERT_EQ(twenty.size(), 40u);
    TOutcome outcome = PasswordToCp1251(twenty, TPasswordUse::Protect, cp1251);
    EXPECT_TRUE(outcome.Ok()) << outcome.Message;
    EXPECT_EQ(cp1251.size(), 20u);

    outcome = PasswordToCp1251(twenty + "ж", TPasswordUse::Protect, cp1251);
    EXPECT_EQ(outcome.Code, TExitCode::Usage);
    EXPECT_NE(outcome.Message.find("21 characters"), std::string::npos) << outcome.Message;

    outcome = PasswordToCp1251(twenty + "ж", TPasswordUse::Open, cp1251);
    EXPECT_TRUE(outcome.Ok()) << "opening with a long one simply fails the check later";
    EXPECT_EQ(cp1251.size(), 21u);
}

TEST(PasswordRules, ProtectRefusesWhatCouldNeverOpenTheFile)
{
    std::string cp1251 = "kept";
    for (const char* bad : {"geheim|x", "|", "geheim\tx", "geheim\n", "\r"}) {
        const TOutcome outcome = PasswordToCp1251(bad, TPasswordUse::Protect, cp1251);
        EXPECT_EQ(outcome.Code, TExitCode::Usage) << bad;
        EXPECT_EQ(outcome.Message.find("geheim"), std::string::npos) << "the password is never echoed";
        EXPECT_TRUE(PasswordToCp1251(bad, TPasswordUse::Open, cp1251).Ok()) << bad;
    }
    const TOutcome bar = PasswordToCp1251("ab|", TPasswordUse::Protect, cp1251);
    EXPECT_NE(bar.Message.find("position 3"), std::string::npos) << bar.Message;
    EXPECT_TRUE(PasswordToCp1251(" = AddKey= \x7F", TPasswordUse::Protect, cp1251).Ok());
}

TEST(PasswordRules, TextWithoutWindows1251FormIsAUsageErrorForEveryUse)
{
    std::string cp1251;
    for (const TPasswordUse use : {TPasswordUse::Open, TPasswordUse::Protect}) {
        TOutcome outcome = PasswordToCp1251("ab✓", use, cp1251);
        EXPECT_EQ(outcome.Code, TExitCode::Usage);
        EXPECT_NE(outcome.Message.find("position 3"), std::string::npos) << outcome.Message;
        outcome = PasswordToCp1251("a\xC3", use, cp1251);
        EXPECT_EQ(outcome.Code, TExitCode::Usage);
        EXPECT_NE(outcome.Message.find("UTF-8"), std::string::npos) << outcome.Message;
    }
}

TEST(PasswordSource, FormsAreParsedOrRefused)
{
    TPasswordSource source;
    ASSERT_TRUE(ParsePasswordSource("", source).Ok());
    EXPECT_EQ(source.Kind, TPasswordKind::Terminal);
    ASSERT_TRUE(ParsePasswordSource("env:TXTP_PW", source).Ok());
    EXPECT_EQ(source.Kind, TPasswordKind::Environment);
    EXPECT_EQ(source.Name, "TXTP_PW");
    ASSERT_TRUE(ParsePasswordSource("file:/a:b/c", source).Ok());
    EXPECT_EQ(source.Kind, TPasswordKind::File);
    EXPECT_EQ(source.Name, "/a:b/c");
    ASSERT_TRUE(ParsePasswordSource("fd:17", source).Ok());
    EXPECT_EQ(source.Kind, TPasswordKind::Descriptor);
    EXPECT_EQ(source.Fd, 17);

    for (const char* bad : {"secret", "env:", "file:", "fd:", "fd:-1", "fd:+3", "fd:3x", "fd:99999999999",
                            "pass:abc", "ENV:X"}) {
        const TOutcome outcome = ParsePasswordSource(bad, source);
        EXPECT_EQ(outcome.Code, TExitCode::Usage) << bad;
        EXPECT_FALSE(outcome.Message.empty());
    }
}

namespace {

// Sets (or with nullptr removes) a variable of this process; UTF-8 value.
bool SetVariable(const char* name, const char* utf8)
{
#ifdef _WIN32
    const std::wstring wideName = QString::fromUtf8(name).toStdWString();
    const std::wstring wideValue = utf8 ? QString::fromUtf8(utf8).toStdWString() : std::wstring();
    return _wputenv_s(wideName.c_str(), wideValue.c_str()) == 0;
#else
    return utf8 ? setenv(name, utf8, 1) == 0 : unsetenv(name) == 0;
#endif
}

} // namespace

TEST(PasswordSource, EnvironmentGivesTheValueOrAUsageError)
{
    ASSERT_TRUE(SetVariable("TXTP_TEST_PASSWORD", "пароль = x"));
    std::string utf8;
    TOutcome outcome = ReadPassword({TPasswordKind::Environment, "TXTP_TEST_PASSWORD", -1}, {}, utf8);
    EXPECT_TRUE(outcome.Ok());
    EXPECT_EQ(utf8, "пароль = x");

    ASSERT_TRUE(SetVariable("TXTP_TEST_PASSWORD", nullptr));
    outcome = ReadPassword({TPasswordKind::Environment, "TXTP_TEST_PASSWORD", -1}, {}, utf8);
    EXPECT_EQ(outcome.Code, TExitCode::Usage);
    EXPECT_NE(outcome.Message.find("TXTP_TEST_PASSWORD"), std::string::npos);
}

TEST(PasswordSource, FileGivesItsFirstLineWithoutTheLineEnd)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        std::string Content;
        std::string Password;
    } cases[] = {
        {"first\nsecond\n", "first"},
        {"first\r\nsecond", "first"},
        {"no line end", "no line end"},
        {" spaced \n", " spaced "},
        {"\nsecond", ""},
        {"", ""},
        {"Пароль\r\n", "Пароль"},
    };
    const QString path = dir.filePath("pw");
    for (const auto& c : cases) {
        PutFile(path, c.Content);
        std::string utf8 = "stale";
        const TOutcome outcome = ReadPassword({TPasswordKind::File, path.toStdString(), -1}, {}, utf8);
        EXPECT_TRUE(outcome.Ok()) << outcome.Message;
        EXPECT_EQ(utf8, c.Password) << c.Content;
    }
    std::string utf8;
    const std::string missing = dir.filePath("missing").toStdString();
    const TOutcome outcome = ReadPassword({TPasswordKind::File, missing, -1}, {}, utf8);
    EXPECT_EQ(outcome.Code, TExitCode::FileError);
    const std::string native = QDir::toNativeSeparators(QString::fromStdString(missing)).toStdString();
    EXPECT_NE(outcome.Message.find(native), std::string::npos) << outcome.Message;
}

#ifndef _WIN32
namespace {

// A pipe holding data, write end closed; the read end is returned.
int PipeWith(const std::string& data)
{
    int ends[2];
    if (pipe(ends) != 0 || write(ends[1], data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        throw std::runtime_error("pipe");
    close(ends[1]);
    return ends[0];
}

std::string Rest(int fd)
{
    std::string rest;
    char buffer[256];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        rest.append(buffer, static_cast<std::size_t>(got));
    return rest;
}

} // namespace

TEST(PasswordSource, DescriptorGivesItsFirstLineAndLeavesTheRest)
{
    const int fd = PipeWith("секрет\r\nthe text\nmore");
    std::string utf8;
    const TOutcome outcome = ReadPassword({TPasswordKind::Descriptor, "fd:x", fd}, {}, utf8);
    EXPECT_TRUE(outcome.Ok()) << outcome.Message;
    EXPECT_EQ(utf8, "секрет");
    EXPECT_EQ(Rest(fd), "the text\nmore") << "what follows the line stays for the text";
    close(fd);

    const int empty = PipeWith("");
    EXPECT_TRUE(ReadPassword({TPasswordKind::Descriptor, "fd:x", empty}, {}, utf8).Ok());
    EXPECT_EQ(utf8, "");
    close(empty);
}

TEST(PasswordSource, DescriptorFailuresAreReported)
{
    const int endless = PipeWith(std::string(5000, 'a'));
    std::string utf8;
    TOutcome outcome = ReadPassword({TPasswordKind::Descriptor, "fd:9", endless}, {}, utf8);
    EXPECT_EQ(outcome.Code, TExitCode::Usage) << "a line that never ends is no password";
    EXPECT_NE(outcome.Message.find("fd:9"), std::string::npos);
    close(endless);

    outcome = ReadPassword({TPasswordKind::Descriptor, "fd:1000", 1000}, {}, utf8);
    EXPECT_EQ(outcome.Code, TExitCode::FileError) << "a descriptor that is not open";
    EXPECT_NE(outcome.Message.find("fd:1000"), std::string::npos);
}
#endif
