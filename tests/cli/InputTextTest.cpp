#include <gtest/gtest.h>

#include "InputText.h"

using namespace tainoteka::cli;

TEST(InputText, RawBytesAreTakenAsTheyStand)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string out;
    const TOutcome outcome = ImportInputText(all, true, "in", out);
    EXPECT_TRUE(outcome.Ok()) << outcome.Message;
    EXPECT_EQ(out, all);
}

TEST(InputText, Utf8BecomesWindows1251AndLosesItsByteOrderMark)
{
    std::string out;
    ASSERT_TRUE(ImportInputText("\xEF\xBB\xBFЯ\n", false, "in", out).Ok());
    EXPECT_EQ(out, "\xDF\n");
    ASSERT_TRUE(ImportInputText("", false, "in", out).Ok());
    EXPECT_EQ(out, "");
}

TEST(InputText, RefusalsNameTheInputAndThePlace)
{
    std::string out = "untouched";
    TOutcome outcome = ImportInputText("one\ntwo ✓✓ ✓", false, "notes.txt", out);
    EXPECT_EQ(outcome.Code, TExitCode::BadText);
    EXPECT_EQ(outcome.Message, "notes.txt: 3 characters have no Windows-1251 form, the first at line 2, column 5");

    outcome = ImportInputText("✓", false, "notes.txt", out);
    EXPECT_EQ(outcome.Message, "notes.txt: 1 character has no Windows-1251 form, the first at line 1, column 1");

    outcome = ImportInputText("ok\r\nЖ\xFF", false, "standard input", out);
    EXPECT_EQ(outcome.Code, TExitCode::BadText);
    EXPECT_NE(outcome.Message.find("standard input: not valid UTF-8 at line 2, column 2"), std::string::npos)
        << outcome.Message;
    EXPECT_EQ(out, "untouched") << "a refused text gives nothing";
}

TEST(InputText, NulIsRefusedRatherThanCuttingTheText)
{
    std::string out;
    for (const bool raw : {true, false}) {
        const TOutcome outcome = ImportInputText(std::string("ab\ncd\0ef", 8), raw, "in", out);
        EXPECT_EQ(outcome.Code, TExitCode::BadText);
        EXPECT_NE(outcome.Message.find("in: NUL character at line 2, column 3"), std::string::npos) << outcome.Message;
    }
}
