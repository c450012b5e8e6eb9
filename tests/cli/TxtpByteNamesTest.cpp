// File names that are not UTF-8, as Linux allows: txtp takes them as the
// bytes they are and shows their odd bytes escaped.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TxtpRunner.h"

using namespace tainoteka::test;

namespace {

const std::vector<std::string> kPassword = {"TXTP_NAMES_PW=пароль"};

// QTemporaryDir takes names for text, so it cannot remove such a file itself.
struct TRemovedAtEnd {
    std::string Path;
    ~TRemovedAtEnd() { ::unlink(Path.c_str()); }
};

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

TEST(TxtpByteNames, NamesAreTheBytesGivenAndShownEscaped)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    std::ofstream(folder + "in.txt") << "текст\n";
    const std::string written = folder + "new\xff.txtp";
    const TRemovedAtEnd removed{written};
    const TProgramRun encrypt = RunTxtpWithBytes(
        {"encrypt", "-i", folder + "in.txt", "-o", written, "--pass", "env:TXTP_NAMES_PW"}, kPassword);
    ASSERT_EQ(encrypt.Exit, 0) << encrypt.Err;
    EXPECT_TRUE(Exists(written)) << "the file has the very name given";

    const std::string shown = folder + "new\\xff.txtp";
    const struct {
        const char* What;
        std::vector<std::string> Arguments;
        int Exit;
        std::string Out, Err;
    } cases[] = {
        {"check", {"check", written}, 0, shown + ": password correct, text of 7 bytes in 1 lines\n", ""},
        {"decrypt", {"decrypt", written}, 0, "текст\r\n", ""},
        {"missing", {"check", folder + "bad\xff\xfe.txtp"}, 4, "",
         "txtp: " + folder + "bad\\xff\\xfe.txtp: No such file or directory\n"},
        {"refused output", {"decrypt", written, "-o", folder + "nowhere\xe9/out.txt"}, 4, "",
         "txtp: " + folder + "nowhere\\xe9/out.txt: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> arguments = c.Arguments;
        arguments.insert(arguments.end(), {"--pass", "env:TXTP_NAMES_PW"});
        const TProgramRun run = RunTxtpWithBytes(arguments, kPassword);
        EXPECT_EQ(run.Exit, c.Exit) << run.Err;
        EXPECT_EQ(run.Out, c.Out);
        EXPECT_EQ(run.Err, c.Err);
    }
}
