// What the editing area costs for a text, as the memory estimate of opening
// uses it: the peak resident memory (VmHWM) a shown editing area adds while a
// text goes in and is painted, for a text of many one-character lines and
// for one of long lines. Each case runs in a child process of its own, so
// every peak is that case's alone.
//
//   block_cost_bench [--lines N] [--chars N]
//
// Prints bytes per line (block) and bytes per character.
#include <QApplication>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "RichEditText.h"
#include "ScriptedPrompts.h"

using namespace tainoteka;

namespace {

quint64 StatusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toULongLong();
    return 0;
}

// Peak bytes the shown editing area adds for the text (the text itself excluded).
quint64 PeakAddedBy(const QString& text, int argc, char** argv)
{
    QApplication app(argc, argv);
    test::RecordingShell shell;
    TRichEditText editor(shell);
    editor.SetTextLimit(INT32_MAX);
    editor.resize(800, 600);
    editor.show();
    app.processEvents();
    // Resets the peak to what is resident now.
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const quint64 before = StatusKilobytes("VmRSS:");
    editor.LoadPlainText(text);
    editor.FinishLoading();
    editor.repaint();
    app.processEvents();
    return (StatusKilobytes("VmHWM:") - before) * 1024;
}

// The child's result through a pipe: the parent never made a QApplication.
quint64 InChild(const QString& text, int argc, char** argv)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        const quint64 bytes = PeakAddedBy(text, argc, argv);
        (void)!::write(fds[1], &bytes, sizeof bytes);
        ::_exit(0);
    }
    ::close(fds[1]);
    quint64 bytes = 0;
    (void)!::read(fds[0], &bytes, sizeof bytes);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return bytes;
}

QString Lines(qsizetype count, qsizetype length)
{
    QString line(length, QLatin1Char('x'));
    line += QLatin1Char('\n');
    QString text;
    text.reserve(count * (length + 1));
    for (qsizetype i = 0; i < count; ++i)
        text += line;
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    qsizetype lines = 2'000'000, chars = 20'000'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--lines") == 0)
            lines = std::stoll(argv[i + 1]);
        else if (std::strcmp(argv[i], "--chars") == 0)
            chars = std::stoll(argv[i + 1]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    constexpr qsizetype kLongLine = 1000;
    const quint64 longLines = InChild(Lines(chars / (kLongLine + 1), kLongLine), argc, argv);
    const double perChar = double(longLines) / double(chars);
    const quint64 shortLines = InChild(Lines(lines, 1), argc, argv);
    const double perLine = (double(shortLines) - perChar * double(2 * lines)) / double(lines);
    std::printf("%lld characters in lines of %lld: peak +%.1f MiB, %.2f bytes per character\n",
                static_cast<long long>(chars), static_cast<long long>(kLongLine), double(longLines) / (1 << 20),
                perChar);
    std::printf("%lld lines of one character: peak +%.1f MiB, %.1f bytes per line besides its characters\n",
                static_cast<long long>(lines), double(shortLines) / (1 << 20), perLine);
    return 0;
}
