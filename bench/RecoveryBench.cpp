// One recovery copy of a 1,000,000- and a 40,000,000-character document:
// the first copy (with the key derivation) and a later one (key kept), each
// from the text's snapshot to the file on disk; then the program's CPU time
// over 10 s of idling with a copy pending.
//
//   recovery_bench
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

#include "FakeKeyboardState.h"
#include "RecoveryKeeper.h"
#include "RichEditText.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"

using namespace tainoteka;

namespace {

double CpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double TimedCopy(TTainoteka& program)
{
    program.FrmGeneral.RichEditText->insertPlainText(QStringLiteral("x")); // a change to keep
    QElapsedTimer clock;
    clock.start();
    program.FrmGeneral.WriteRecoveryNow();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir folder;
    test::ScriptedPrompts prompts;
    test::RecordingShell shell;
    test::FakeKeyboardState keyboard;
    TTainoteka program({prompts, shell, keyboard, {}, folder.path() + QLatin1Char('/'), nullptr,
                        folder.filePath(QStringLiteral("recovery"))});
    program.Document.CurrentPassword = QStringLiteral("пароль-для-копии");
    for (const std::size_t length : {std::size_t(1'000'000), std::size_t(40'000'000)}) {
        program.FrmGeneral.RichEditText->LoadPlainText(QString::fromStdU16String(bench::MakeSampleText(length)));
        const double first = TimedCopy(program);
        const double later = TimedCopy(program);
        std::printf("recovery copy, %zu characters: first %.2f s (with the key derivation), later %.2f s\n", length,
                    first, later);
        std::fflush(stdout);
    }
    program.FrmGeneral.RichEditText->insertPlainText(QStringLiteral("y")); // pending for 20 s
    const double cpuBefore = CpuSeconds();
    QTimer::singleShot(10'000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("idle 10 s with a copy pending: %.1f ms of CPU\n", (CpuSeconds() - cpuBefore) * 1000);
    return 0;
}
