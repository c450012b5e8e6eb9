// Rich-text bodies with many format changes in one paragraph: the reader
// alone (body to document) and the whole way into the editing area, for
// several sizes, so that the growth with the size shows. Wall-clock times,
// medians.
//
//   rtf_bench [--runs N] [--sizes 50000,200000,800000] [--limit SECONDS]
//
// Patterns: "letters" switches bold on and off for every letter with no
// space anywhere ("\b a\b0 b..."), "words" the same with a space after each
// letter, "sizes" steps through 40 font sizes letter by letter, "colours"
// through a 64-entry colour table word by word.
// A size whose previous step already took longer than --limit is skipped.
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "RichEditText.h"
#include "RtfImport.h"
#include "ScriptedPrompts.h"

using namespace tainoteka;

namespace {

struct Options {
    int runs = 3;
    std::vector<int> sizes = {50'000, 200'000, 800'000};
    double limitSeconds = 30;
};

QByteArray Alternating(int changes, const char* on, const char* off)
{
    QByteArray body = "{\\rtf1\\ansi ";
    body.reserve(changes * 8 + 32);
    for (int i = 0; i < changes; ++i)
        body += (i % 2 == 0) ? on : off;
    body += "}";
    return body;
}

// One letter each, no space anywhere: the paragraph is one long word.
QByteArray AlternatingLetters(int changes) { return Alternating(changes, "\\b a", "\\b0 b"); }
QByteArray AlternatingWords(int changes) { return Alternating(changes, "\\b a ", "\\b0 b "); }

QByteArray Cycling(int changes)
{
    QByteArray body = "{\\rtf1\\ansi ";
    body.reserve(changes * 10 + 32);
    for (int i = 0; i < changes; ++i)
        body += "\\fs" + QByteArray::number(16 + 2 * (i % 40)) + " x";
    body += "}";
    return body;
}

QByteArray Colours(int changes)
{
    QByteArray body = "{\\rtf1\\ansi{\\colortbl;";
    for (int c = 0; c < 64; ++c)
        body += "\\red" + QByteArray::number(c * 4) + "\\green0\\blue" + QByteArray::number(255 - c * 4) + ";";
    body += "}";
    for (int i = 0; i < changes; ++i)
        body += "\\cf" + QByteArray::number(1 + i % 64) + " z ";
    body += "}";
    return body;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

Options Parse(const QStringList& args)
{
    Options options;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--runs"))
            options.runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--limit"))
            options.limitSeconds = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--sizes")) {
            options.sizes.clear();
            for (const QString& size : args[i + 1].split(QLatin1Char(',')))
                options.sizes.push_back(size.toInt());
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = Parse(app.arguments());
    test::RecordingShell shell;
    TRichEditText editor(shell);
    editor.resize(780, 480);
    editor.show();
    QApplication::processEvents();

    const struct {
        const char* Name;
        QByteArray (*Make)(int);
    } patterns[] = {{"letters", AlternatingLetters},
                    {"words", AlternatingWords},
                    {"sizes", Cycling},
                    {"colours", Colours}};

    std::printf("%-12s %10s %10s %14s %12s\n", "pattern", "changes", "read (s)", "into area (s)", "painted (s)");
    for (const auto& pattern : patterns) {
        bool tooSlow = false;
        for (int changes : options.sizes) {
            if (tooSlow) {
                std::printf("%-12s %10d %10s %14s %12s\n", pattern.Name, changes, "skipped", "skipped", "skipped");
                continue;
            }
            const QByteArray body = pattern.Make(changes);
            std::vector<double> read, loaded, painted;
            for (int run = 0; run < options.runs; ++run) {
                QTextDocument document;
                read.push_back(Seconds([&] { ImportRichText(body, document); }));
                loaded.push_back(Seconds([&] { editor.LoadFormattedText(document); }));
                painted.push_back(Seconds([&] { editor.viewport()->repaint(); }));
                editor.ClearAll();
            }
            std::printf("%-12s %10d %10.3f %14.3f %12.3f\n", pattern.Name, changes, Median(read), Median(loaded),
                        Median(painted));
            std::fflush(stdout);
            tooSlow = Median(read) + Median(loaded) + Median(painted) > options.limitSeconds;
        }
    }
    return 0;
}
