// A 39,000,000-character document saved and opened through the main window
// as .txtp and as .txt.age, side by side, and the age key derivation alone.
// Wall-clock medians; the open ends once the text is in the editing area.
// First, before anything else raises the peak: a 1.5 GB .txt.age refused.
//
//   age_document_bench [--runs N]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

#include "AgeFile.h"
#include "FakeKeyboardState.h"
#include "RichEditText.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"

using namespace tainoteka;

namespace {

constexpr std::size_t kCharacters = 39'000'000; // with its line breaks counting two, within the limit
const QString kPassword = QStringLiteral("Тайный_пароль-2024ok");

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class Step>
double TimedMedian(int runs, Step step)
{
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        if (!step())
            return -1;
        seconds.push_back(t.nsecsElapsed() / 1e9);
    }
    return Median(seconds);
}

// Far beyond the editing area's limit: only its header is real, the rest
// of the file is a hole.
constexpr qint64 kOversizedFile = 1'500'000'000;

long PeakMegabytes()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
#else
    return -1;
#endif
}

// Refused from its size: before a password is asked for or the file read.
bool ReportOversizedRefusal(TFrmGeneral& window, test::ScriptedPrompts& prompts, const QString& path)
{
    const std::vector<std::uint8_t> head = EncryptAgeFile(std::vector<std::uint8_t>(1, 'x'), "password", 10);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(head.data()), qint64(head.size())) < 0 ||
        !file.resize(kOversizedFile))
        return false;
    file.close();
    QElapsedTimer t;
    t.start();
    const bool opened = window.LoadProtectedFile(path);
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("a %lld-byte .txt.age refused in %.3f s, peak %ld MB: %s\n", static_cast<long long>(kOversizedFile),
                seconds, PeakMegabytes(), qPrintable(prompts.Errors.value(0).Text.section(QLatin1Char('\n'), 0, 0)));
    QFile::remove(path);
    const bool refused = !opened && prompts.Errors.size() == 1 && prompts.DialogsShown.isEmpty();
    prompts.Errors.clear();
    return refused;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc == 3 && QByteArray(argv[1]) == "--runs" ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir folder;
    test::ScriptedPrompts prompts;
    test::RecordingShell shell;
    test::FakeKeyboardState keyboard;
    TTainoteka program(TProgramServices{prompts, shell, keyboard, {}, folder.path() + QLatin1Char('/')});
    TFrmGeneral& window = program.FrmGeneral;
    if (!ReportOversizedRefusal(window, prompts, folder.filePath(QStringLiteral("huge.txt.age")))) {
        std::fprintf(stderr, "the oversized file was not refused before its password\n");
        return 1;
    }
    // A new note: what Ctrl+S costs when the key derivation is all there is.
    window.RichEditText->LoadPlainText(QStringLiteral("Купить хлеб и позвонить маме."));
    program.Document.CurrentPassword = kPassword;
    const QString note = folder.filePath(QStringLiteral("note.txt.age"));
    const double noteSave = TimedMedian(runs, [&] { return window.SaveProtectedFile(note, TDocumentType::Age); });
    std::printf("a new one-line note saved as .txt.age: %.3f s\n", noteSave);
    window.RichEditText->LoadPlainText(QString::fromStdU16String(bench::MakeSampleText(kCharacters)));
    window.RichEditText->FinishLoading();
    program.Document.CurrentPassword = kPassword;

    const double derivation = TimedMedian(runs, [] {
        return !EncryptAgeFile({}, "password").empty(); // an empty payload: the derivation is all
    });
    std::printf("age key derivation (scrypt, log2 N = 18): %.3f s\n", derivation);

    for (const TDocumentType type : {TDocumentType::Txtp, TDocumentType::Age}) {
        const QString path = folder.filePath(type == TDocumentType::Age ? QStringLiteral("forty.txt.age")
                                                                        : QStringLiteral("forty.txtp"));
        const double save = TimedMedian(runs, [&] { return window.SaveProtectedFile(path, type); });
        const double open = TimedMedian(runs, [&] {
            prompts.DialogScripts.push_back([](QDialog& d) {
                auto& dialog = static_cast<TFrmPasswordEnter&>(d);
                dialog.TxtPassword->setText(kPassword);
                dialog.BtnOkClick();
            });
            return window.LoadProtectedFile(path) && window.RichEditText->CharCount() >= qint64(kCharacters);
        });
        if (save < 0 || open < 0 || !prompts.Errors.isEmpty()) {
            std::fprintf(stderr, "%s: save or open failed: %s\n", qPrintable(path),
                         qPrintable(prompts.Errors.value(0).Text));
            return 1;
        }
        std::printf("%-14s %11lld bytes  save %.3f s  open %.3f s\n", qPrintable(QFileInfo(path).fileName()),
                    static_cast<long long>(QFileInfo(path).size()), save, open);
    }
    return 0;
}
