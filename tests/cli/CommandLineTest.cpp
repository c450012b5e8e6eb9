#include <gtest/gtest.h>

#include "CommandLine.h"

using namespace tainoteka::cli;

namespace {

TOutcome Parse(QStringList arguments, TRequest& request)
{
    arguments.prepend("txtp");
    return ParseCommandLine(arguments, request);
}

} // namespace

TEST(CommandLine, CommandsFillTheRequest)
{
    TRequest request;
    ASSERT_TRUE(Parse({"encrypt", "-i", "in.txt", "-o", "out.txtp", "--raw", "--pass", "env:PW"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Encrypt);
    EXPECT_EQ(request.Input, "in.txt");
    EXPECT_EQ(request.Output, "out.txtp");
    EXPECT_EQ(request.Password.Kind, TPasswordKind::Environment);
    EXPECT_EQ(request.Password.Name, "PW");
    EXPECT_TRUE(request.Raw);

    ASSERT_TRUE(Parse({"encrypt", "--output=Документ.txtp"}, request).Ok());
    EXPECT_EQ(request.Input, "") << "standard input";
    EXPECT_EQ(request.Output, "Документ.txtp");
    EXPECT_FALSE(request.Raw);

    ASSERT_TRUE(Parse({"decrypt", "a.txtp", "--pass", "fd:0"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Decrypt);
    EXPECT_EQ(request.Input, "a.txtp");
    EXPECT_EQ(request.Output, "") << "standard output";

    ASSERT_TRUE(Parse({"check", "a.txtp"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Check);
    EXPECT_EQ(request.Password.Kind, TPasswordKind::Terminal);

    ASSERT_TRUE(Parse({"convert", "a.txtp", "-o", "b.bin", "--format", "age", "-a", "--new-pass", "fd:3"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Convert);
    EXPECT_EQ(request.Input, "a.txtp");
    EXPECT_EQ(request.Format, TFileFormat::Age);
    EXPECT_TRUE(request.Armor);
    ASSERT_TRUE(request.NewPassword.has_value());
    EXPECT_EQ(request.NewPassword->Fd, 3);
    EXPECT_EQ(request.Password.Kind, TPasswordKind::Terminal);

    ASSERT_TRUE(Parse({"--version"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Version);
    ASSERT_TRUE(Parse({"decrypt", "--help"}, request).Ok());
    EXPECT_EQ(request.Command, TCommand::Help);
}

TEST(CommandLine, MistakesAreUsageErrors)
{
    const QStringList mistakes[] = {
        {},
        {"open", "a.txtp"},
        {"encrypt", "-i", "in.txt"},
        {"encrypt", "-o", "a.txtp", "extra"},
        {"encrypt", "-o", ""},
        {"encrypt", "-o", "a.txtp", "-o", "b.txtp"},
        {"decrypt"},
        {"decrypt", "a.txtp", "b.txtp"},
        {"decrypt", "-i", "a.txtp"},
        {"decrypt", "a.txtp", "--pass", "env:A", "--pass", "env:B"},
        {"check", "a.txtp", "-o", "x"},
        {"check", "a.txtp", "--raw"},
        {"decrypt", "a.txtp", "--password", "x"},
        {"decrypt", "a.txtp", "--pass"},
        {"decrypt", "a.txtp", "--pass", "hunter2"},
        {"check", "a.txtp", "--pass", "fd:x"},
        {"convert", "a.txtp"},
        {"convert", "a.txtp", "-o", "b.txtp", "--raw"},
        {"convert", "a.txtp", "-o", "b.age", "--new-pass", "hunter2"},
        {"encrypt", "-o", "a.txtp", "--armor"},
        {"decrypt", "a.age", "--armor"},
        {"decrypt", "a.age", "--new-pass", "env:B"},
    };
    for (const QStringList& arguments : mistakes) {
        TRequest request;
        const TOutcome outcome = Parse(arguments, request);
        EXPECT_EQ(outcome.Code, TExitCode::Usage) << arguments.join(' ').toStdString();
        EXPECT_NE(outcome.Message.find("--help"), std::string::npos) << outcome.Message;
    }
}

TEST(CommandLine, HelpNamesEveryCommandSourceAndStatus)
{
    const std::string help = HelpText();
    for (const char* word : {"encrypt", "decrypt", "check", "convert", "--raw", "--armor", "--new-pass", "env:VAR",
                             "file:PATH", "fd:N", "  5  "})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}
