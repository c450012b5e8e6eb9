#include <gtest/gtest.h>

#include "Commands.h"
#include "PasswordRules.h"
#include "Passwords.h"
#include "TextCodec.h"

using namespace tainoteka::cli;
using tainoteka::test::OtherPassword;
using tainoteka::test::ProtectablePasswords;

namespace {

const std::string kText = "Первая строка\nвторая = AddKey=1 | Password=\rтретья";
const std::string kStored = "Первая строка\r\nвторая = AddKey=1 | Password=\r\nтретья\r\n";

} // namespace

TEST(ProtectRoundTrip, EveryProtectablePasswordOpensItsFileAndNoOther)
{
    const std::vector<std::string> passwords = ProtectablePasswords(3000);
    ASSERT_GT(passwords.size(), 3000u);
    for (const std::string& password : passwords) {
        SCOPED_TRACE(Cp1251ToUtf8(password));
        // The way a password arrives: as UTF-8, checked for protecting.
        std::string converted;
        const TOutcome accepted = PasswordToCp1251(Cp1251ToUtf8(password), TPasswordUse::Protect, converted);
        ASSERT_TRUE(accepted.Ok()) << accepted.Message;
        ASSERT_EQ(converted, password);

        std::string file;
        ASSERT_TRUE(ProtectText(kText, "in", false, converted, file).Ok());
        std::string text;
        const TOutcome opened = OpenProtected(file, "f.txtp", false, password, text);
        ASSERT_TRUE(opened.Ok()) << opened.Message;
        EXPECT_EQ(text, kStored);

        const TOutcome refused = OpenProtected(file, "f.txtp", false, OtherPassword(password), text);
        EXPECT_EQ(refused.Code, TExitCode::WrongPassword);
    }
}

TEST(ProtectRoundTrip, RawKeepsTheStoredBytes)
{
    std::string line;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            line += static_cast<char>(b);
    const std::string stored = line + "\r\n" + line + "\r\n";
    std::string file;
    ASSERT_TRUE(ProtectText(line + "\n" + line, "in", true, "pw", file).Ok());
    EXPECT_EQ(file.size(), 200 + stored.size());
    std::string raw;
    ASSERT_TRUE(OpenProtected(file, "f", true, "pw", raw).Ok());
    EXPECT_EQ(raw, stored);
    std::string utf8;
    ASSERT_TRUE(OpenProtected(file, "f", false, "pw", utf8).Ok());
    EXPECT_EQ(utf8, Cp1251ToUtf8(stored));
}

TEST(ProtectRoundTrip, FailuresNameTheFileAndGiveNoText)
{
    std::string file;
    ASSERT_TRUE(ProtectText("", "in", false, "", file).Ok());
    ASSERT_EQ(file.size(), 200u);
    std::string text = "stale";
    ASSERT_TRUE(OpenProtected(file, "f", false, "", text).Ok());
    EXPECT_EQ(text, "") << "a bare key block is an empty text";

    text = "stale";
    TOutcome outcome = OpenProtected(file.substr(0, 199), "short.txtp", false, "", text);
    EXPECT_EQ(outcome.Code, TExitCode::TooShort);
    EXPECT_NE(outcome.Message.find("short.txtp"), std::string::npos);
    outcome = OpenProtected(std::string(300, 'A'), "foreign.txtp", false, "", text);
    EXPECT_EQ(outcome.Code, TExitCode::WrongPassword);
    EXPECT_NE(outcome.Message.find("foreign.txtp"), std::string::npos);
    EXPECT_EQ(text, "stale");

    outcome = ProtectText("ok ✓", "notes.txt", false, "pw", file);
    EXPECT_EQ(outcome.Code, TExitCode::BadText);
    EXPECT_NE(outcome.Message.find("notes.txt"), std::string::npos);
}
