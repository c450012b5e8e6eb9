// Locking and unlocking a 40,000,000-character document through the main
// window (the snapshot sealed and opened, the editing area emptied and
// filled again), then the program's CPU time over 30 s of idling with a
// recovery copy pending and the idle lock armed.
//
//   lock_bench [characters]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "FakeKeyboardState.h"
#include "LockPanel.h"
#include "RichEditText.h"
#include "ProcessCpu.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"

using namespace tainoteka;

namespace {

template <class Work>
double Seconds(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const std::size_t length = argc > 1 ? std::stoul(argv[1]) : 40'000'000;
    QTemporaryDir folder;
    test::ScriptedPrompts prompts;
    test::RecordingShell shell;
    test::FakeKeyboardState keyboard;
    TTainoteka program(TProgramServices{prompts, shell, keyboard, {}, folder.path() + QLatin1Char('/'), nullptr,
                                        folder.filePath(QStringLiteral("recovery"))});
    TFrmGeneral& window = program.FrmGeneral;
    window.show();
    const QString password = QStringLiteral("пароль-замок");
    program.Document.CurrentPassword = password;
    window.RichEditText->LoadPlainText(QString::fromStdU16String(bench::MakeSampleText(length)));
    window.RichEditText->FinishLoading();
    window.RichEditText->insertPlainText(QStringLiteral("x")); // unsaved: the lock writes the copy too

    const double lock = Seconds([&] { window.LockDocument(); });
    const double unlock = Seconds([&] {
        window.LockPanel->TxtPassword->setText(password);
        window.UnlockDocument();
    });
    std::printf("%zu characters: lock %.2f s (with the recovery copy), unlock %.2f s; locked afterwards: %s\n", length,
                lock, unlock, window.IsLocked() ? "yes (failed)" : "no");
    std::fflush(stdout);

    window.RichEditText->LoadPlainText(QStringLiteral("short"));
    window.RichEditText->insertPlainText(QStringLiteral("pending")); // a copy due in 20 s
    const double cpuBefore = CpuSeconds();
    QTimer::singleShot(19'000, &app, [] { QCoreApplication::exit(0); }); // quit() would ask the shown window to close
    app.exec();
    std::printf("idle 19 s with a recovery copy pending and the idle lock armed: %.1f ms of CPU\n",
                (CpuSeconds() - cpuBefore) * 1000);
    return 0;
}
