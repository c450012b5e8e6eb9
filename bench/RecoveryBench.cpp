// One recovery copy of a 1,000,000- and a 40,000,000-character document:
// the first copy under a password (with the key derivation) and a later one
// (key kept), each from the text's snapshot to the file on disk, and the part
// of it spent on the interface thread; then the program's CPU time over 10 s
// of idling with a copy pending.
//
//   recovery_bench
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <utility>

#include "FakeKeyboardState.h"
#include "RecoveryKeeper.h"
#include "RichEditText.h"
#include "ProcessCpu.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"

using namespace tainoteka;

namespace {

// Fires when the benchmark says, so that the interface thread's part can be timed.
class TManualTimer final : public IRecoveryTimer {
public:
    std::chrono::milliseconds Now() const override { return {}; }
    void Start(std::chrono::milliseconds, std::function<void()> wake) override { wake_ = std::move(wake); }
    void Stop() override { wake_ = {}; }
    void Fire() { std::exchange(wake_, {})(); }

private:
    std::function<void()> wake_;
};

struct TCopyTimes {
    double InterfaceThread;
    double Whole;
};

TCopyTimes TimedCopy(TTainoteka& program, TManualTimer& timer)
{
    program.FrmGeneral.RichEditText->insertPlainText(QStringLiteral("x")); // a change to keep
    QElapsedTimer clock;
    clock.start();
    timer.Fire();
    const double handedOver = double(clock.nsecsElapsed()) / 1e9;
    program.FrmGeneral.Recovery->Wait();
    return {handedOver, double(clock.nsecsElapsed()) / 1e9};
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
    const auto start = [&] {
        return std::make_unique<TTainoteka>(TProgramServices{prompts, shell, keyboard, {}, folder.path() + QLatin1Char('/'),
                                                             nullptr, folder.filePath(QStringLiteral("recovery"))});
    };
    {
        const auto program = start();
        auto manual = std::make_unique<TManualTimer>();
        TManualTimer& timer = *manual;
        program->FrmGeneral.Recovery->UseTimer(std::move(manual));
        for (const std::size_t length : {std::size_t(1'000'000), std::size_t(40'000'000)}) {
            program->Document.CurrentPassword = QStringLiteral("пароль-%1").arg(length);
            program->FrmGeneral.RichEditText->LoadPlainText(QString::fromStdU16String(bench::MakeSampleText(length)));
            program->FrmGeneral.RichEditText->FinishLoading();
            const TCopyTimes first = TimedCopy(*program, timer);
            const TCopyTimes later = TimedCopy(*program, timer);
            std::printf("recovery copy, %zu characters: first %.2f s (with the key derivation), later %.2f s; "
                        "on the interface thread %.3f s\n",
                        length, first.Whole, later.Whole, later.InterfaceThread);
            std::fflush(stdout);
        }
    }
    const auto program = start();
    program->Document.CurrentPassword = QStringLiteral("пароль");
    program->FrmGeneral.RichEditText->insertPlainText(QStringLiteral("pending")); // due in 20 s
    const double cpuBefore = CpuSeconds();
    QTimer::singleShot(10'000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("idle 10 s with a copy pending: %.1f ms of CPU\n", (CpuSeconds() - cpuBefore) * 1000);
    return 0;
}
