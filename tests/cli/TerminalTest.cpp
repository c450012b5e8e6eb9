#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "Terminal.h"
#include "TxtpRunner.h"

using namespace tainoteka::cli;

namespace {

// A chroot without /dev/pts has none; every real system does.
bool PseudoTerminalsAvailable()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return false;
    const bool usable = grantpt(master) == 0 && unlockpt(master) == 0 && ptsname(master) != nullptr
        && access(ptsname(master), R_OK | W_OK) == 0;
    close(master);
    return usable;
}

// A pseudo-terminal: the test types on the master side, the code under test
// uses the slave as its terminal.
class TPseudoTerminal {
public:
    TPseudoTerminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (slave_ < 0)
            throw std::runtime_error("no pseudo-terminal slave");
    }
    ~TPseudoTerminal()
    {
        close(slave_);
        close(master_);
    }
    int Slave() const { return slave_; }
    std::string SlaveName() const { return ptsname(master_); }

    // Reads what the terminal shows until text appears; false when the
    // program ends first.
    bool ShowsBefore(const std::string& text, QProcess& program) const
    {
        std::string shown;
        while (shown.find(text) == std::string::npos) {
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, 20) == 1) {
                char buffer[256];
                const ssize_t got = read(master_, buffer, sizeof buffer);
                if (got > 0)
                    shown.append(buffer, static_cast<std::size_t>(got));
            } else if (program.waitForFinished(0) || program.state() == QProcess::NotRunning) {
                return false;
            }
        }
        return true;
    }

    bool Echoes() const
    {
        termios modes{};
        tcgetattr(slave_, &modes);
        return (modes.c_lflag & ECHO) != 0;
    }

    void Type(const std::string& keys) const
    {
        if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
            throw std::runtime_error("cannot type");
    }

    // What the terminal has shown, up to the first line end. Ends with a line
    // end the slave writes itself, so it never waits for nothing.
    std::string ShownUpToLineEnd() const
    {
        if (write(slave_, "\n", 1) != 1)
            throw std::runtime_error("cannot write to the terminal");
        std::string shown;
        char ch = 0;
        while (shown.find('\n') == std::string::npos && read(master_, &ch, 1) == 1)
            shown += ch;
        return shown;
    }

private:
    int master_ = -1;
    int slave_ = -1;
};

} // namespace

TEST(Terminal, TypedLineDoesNotShowAndEchoComesBack)
{
    if (!PseudoTerminalsAvailable())
        GTEST_SKIP() << "no pseudo-terminals on this system";
    TPseudoTerminal terminal;
    ASSERT_TRUE(terminal.Echoes());
    TTerminalLine line;
    {
        const TEchoOff quiet(terminal.Slave());
        ASSERT_TRUE(quiet.Active()) << quiet.Error();
        EXPECT_FALSE(terminal.Echoes());
        terminal.Type("s3cr\xD0\xB5t\n");
        line = ReadTerminalLine(terminal.Slave());
    }
    EXPECT_TRUE(terminal.Echoes()) << "echo is back on afterwards";
    EXPECT_EQ(line.Status, TTerminalStatus::Ok);
    EXPECT_EQ(line.Text, "s3cr\xD0\xB5t");
    EXPECT_EQ(terminal.ShownUpToLineEnd(), "\r\n") << "nothing typed showed";
}

TEST(Terminal, LineEndsAndEndOfInput)
{
    if (!PseudoTerminalsAvailable())
        GTEST_SKIP() << "no pseudo-terminals on this system";
    TPseudoTerminal terminal;
    const TEchoOff quiet(terminal.Slave());
    terminal.Type("with cr\r");
    TTerminalLine line = ReadTerminalLine(terminal.Slave());
    EXPECT_EQ(line.Status, TTerminalStatus::Ok);
    EXPECT_EQ(line.Text, "with cr") << "Enter may send CR";
    terminal.Type("\n");
    line = ReadTerminalLine(terminal.Slave());
    EXPECT_EQ(line.Status, TTerminalStatus::Ok);
    EXPECT_EQ(line.Text, "") << "an empty password is a password";
    terminal.Type("\x04"); // Ctrl+D on an empty line
    EXPECT_EQ(ReadTerminalLine(terminal.Slave()).Status, TTerminalStatus::Cancelled);
}

TEST(Terminal, InterruptedPromptGivesTheEchoBack)
{
    if (!PseudoTerminalsAvailable())
        GTEST_SKIP() << "no pseudo-terminals on this system";
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        TPseudoTerminal terminal;
        ASSERT_TRUE(terminal.Echoes());
        tainoteka::test::TProgramSetup setup;
        setup.Terminal = terminal.SlaveName();
        const auto program = tainoteka::test::StartTxtp({"encrypt", "-o", "/nonexistent/never.txtp"}, setup);
        ASSERT_TRUE(terminal.ShowsBefore("Password for", *program))
            << "exit " << program->exitCode() << ": " << program->readAllStandardError().toStdString();
        EXPECT_FALSE(terminal.Echoes()) << "echo is off while it asks";
        ASSERT_EQ(kill(static_cast<pid_t>(program->processId()), signal), 0);
        program->waitForFinished(-1);
        EXPECT_EQ(program->exitStatus(), QProcess::CrashExit) << "the signal ends it, as it would have";
        EXPECT_TRUE(terminal.Echoes()) << "echo is back on after the signal";
    }
}

TEST(Terminal, PipeIsNoTerminal)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    {
        const TEchoOff quiet(ends[0]);
        EXPECT_FALSE(quiet.Active());
        EXPECT_FALSE(quiet.Error().empty());
    }
    close(ends[0]);
    close(ends[1]);
}
#endif
