// The editor itself with large documents: opening a .txtp file through the
// main window's reader until the text is painted and counted, saving it
// through the writer, one typed key at the end and in the middle of the
// document, and the peak memory of the open. Wall-clock times, medians.
//
//   editor_bench [--runs N] [--keys N] [--no-stages] [--keys-only] [--tsv FILE]
//
// --keys-only opens the 40 M document once and times the keys alone, for a
// run on a real X server with another program owning the clipboard.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Lengths are in the status bar's measure: a line break counts as CR and LF,
// which is also the byte count of the file's body.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "CodePage1251.h"
#include "FakeKeyboardState.h"
#include "RichEditText.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"
#include "TxtpFile.h"

using namespace tainoteka;

namespace {

struct Options {
    int runs = 3;
    int keys = 7;
    bool stages = true;
    bool keysOnly = false;
    QString tsvPath;
};

const QString kPassword = QStringLiteral("Тайный_пароль-2024ok");

// Room left under the editor's limit so the timed keys are not refused.
constexpr qint64 kKeyRoom = 64;

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// Hands freed heap back to the system so the next peak starts low (glibc only).
void ReturnFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// kB figures from /proc/self/status.
long StatusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Lets VmHWM start again from the current resident size (Linux 4.0 on).
bool ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// Sample text whose saved length (line breaks as CR LF) is exactly `saved`,
// ending with a line break.
std::u16string MakeDocument(qint64 saved)
{
    std::u16string text = bench::MakeSampleText(static_cast<std::size_t>(saved));
    qint64 length = 0;
    std::size_t i = 0;
    while (i < text.size() && length < saved - 2) {
        length += text[i] == u'\n' ? 2 : 1;
        ++i;
    }
    text.resize(i);
    // Close the last line; a line break is two in the saved measure.
    length += (text.back() == u'\n' ? 0 : 2);
    if (text.back() != u'\n')
        text += u'\n';
    while (length < saved) {
        text.insert(text.size() - 1, 1, u'x');
        ++length;
    }
    return text;
}

class Results {
public:
    struct Row {
        QString key;
        QString label;
        QString value;
    };
    void Add(const QString& key, const QString& label, const QString& value)
    {
        rows_.push_back({key, label, value});
        std::printf("  %-52s %s\n", label.toUtf8().constData(), value.toUtf8().constData());
        std::fflush(stdout);
    }
    void WriteTsv(const QString& path) const
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return;
        }
        for (const Row& r : rows_)
            f.write((r.key + QLatin1Char('\t') + r.label + QLatin1Char('\t') + r.value + QLatin1Char('\n')).toUtf8());
    }

private:
    std::vector<Row> rows_;
};

QString Seconds(const std::vector<double>& v)
{
    return QStringLiteral("%1 s (max %2)").arg(Median(v), 0, 'f', 3).arg(Max(v), 0, 'f', 3);
}
QString Millis(const std::vector<double>& v)
{
    return QStringLiteral("%1 ms (max %2)").arg(Median(v) * 1e3, 0, 'f', 2).arg(Max(v) * 1e3, 0, 'f', 2);
}
QString Mib(long kb) { return QStringLiteral("%1 MiB").arg(kb / 1024.0, 0, 'f', 0); }

// Counts paint events of the editing area, so a timing can end only once
// the change has been drawn.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class Bench {
public:
    explicit Bench(const Options& options) : options_(options)
    {
        if (options_.keysOnly)
            options_.runs = 1;
        if (!folder_.isValid()) {
            std::fprintf(stderr, "no temporary folder\n");
            std::exit(1);
        }
    }

    int Run()
    {
        std::printf("Editor with large documents (wall clock; median of %d, keys median of %d)\n", options_.runs,
                    options_.keys);
        const qint64 size10 = 10'000'000;
        const qint64 size40 = 40'000'000 - kKeyRoom;
        const QString file10 = options_.keysOnly ? QString() : WriteDocument(QStringLiteral("ten.txtp"), size10);
        const QString file40 = WriteDocument(QStringLiteral("forty.txtp"), size40);
        ReturnFreeMemory();

        program_ = std::make_unique<TTainoteka>(
            TProgramServices{prompts_, shell_, keyboard_, {}, folder_.path() + QLatin1Char('/')});
        TFrmGeneral& window = program_->FrmGeneral;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "main window never exposed\n");
            return 1;
        }
        Editor().viewport()->installEventFilter(&paints_);
        Settle();
        results_.Add(QStringLiteral("platform"), QStringLiteral("Qt platform"), QGuiApplication::platformName());

        if (options_.keysOnly) {
            if (!TimeOpens(file40, size40, QStringLiteral("open40"), QStringLiteral("open 40 M characters")))
                return 1;
            if (!TimeKeys(QStringLiteral("key_end"), QStringLiteral("key at the end of 40 M"), true)
                || !TimeKeys(QStringLiteral("key_mid"), QStringLiteral("key in the middle of 40 M"), false))
                return 1;
            if (!options_.tsvPath.isEmpty())
                results_.WriteTsv(options_.tsvPath);
            return failed_ ? 1 : 0;
        }

        if (!TimeOpens(file10, size10, QStringLiteral("open10"), QStringLiteral("open 10 M characters")))
            return 1;

        ClearEditor();
        const long rssBefore = StatusKb("VmRSS");
        const bool peakReset = ResetPeak();
        if (!TimeOpens(file40, size40, QStringLiteral("open40"), QStringLiteral("open 40 M characters"),
                       [&](int run) {
                           if (run != 0)
                               return;
                           const long hwm = StatusKb("VmHWM");
                           const long rss = StatusKb("VmRSS");
                           results_.Add(QStringLiteral("rss_before_open40"),
                                        QStringLiteral("resident before the open (empty editor)"), Mib(rssBefore));
                           results_.Add(QStringLiteral("peak_open40"),
                                        QStringLiteral("peak resident (VmHWM) opening 40 M") +
                                            (peakReset ? QString() : QStringLiteral(" [peak not reset]")),
                                        Mib(hwm));
                           results_.Add(QStringLiteral("rss_after_open40"),
                                        QStringLiteral("resident after opening 40 M"), Mib(rss));
                       }))
            return 1;

        if (!TimeSaves(file40))
            return 1;
        ResetPeak();
        window.SaveProtectedFile(folder_.filePath(QStringLiteral("peak.txtp")));
        results_.Add(QStringLiteral("peak_save40"), QStringLiteral("peak resident (VmHWM) saving 40 M"),
                     Mib(StatusKb("VmHWM")));

        if (!TimeKeys(QStringLiteral("key_end"), QStringLiteral("key at the end of 40 M"), true))
            return 1;
        if (!TimeKeys(QStringLiteral("key_mid"), QStringLiteral("key in the middle of 40 M"), false))
            return 1;

        if (options_.stages)
            TimeStages(file40);

        if (!options_.tsvPath.isEmpty())
            results_.WriteTsv(options_.tsvPath);
        return failed_ ? 1 : 0;
    }

private:
    TRichEditText& Editor() { return *program_->FrmGeneral.RichEditText; }

    QString WriteDocument(const QString& name, qint64 saved)
    {
        QElapsedTimer t;
        t.start();
        std::u16string text = MakeDocument(saved);
        TCp1251Encoding bytes = Utf16ToCp1251(text);
        text = {};
        const TCp1251Encoding password = Utf16ToCp1251(kPassword.toStdU16String());
        const std::string file = EncodeTxtpFile(bytes.Bytes, password.Bytes);
        const QString path = folder_.filePath(name);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.data(), qint64(file.size())) != qint64(file.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        std::printf("  (made %s: %lld characters, %lld bytes, in %.1f s)\n", qPrintable(name),
                    static_cast<long long>(saved), static_cast<long long>(file.size()), t.elapsed() / 1e3);
        return path;
    }

    // Runs queued events until the editing area has been painted since
    // `before` (or nothing more is pending for a while).
    void ProcessUntilPainted(int before)
    {
        QElapsedTimer t;
        t.start();
        do {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } while (paints_.paints == before && t.elapsed() < 2000);
        if (paints_.paints == before) {
            std::fprintf(stderr, "warning: editing area not repainted\n");
            failed_ = true;
        }
    }

    void Settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

    void ClearEditor()
    {
        Editor().ClearAll();
        program_->FrmGeneral.UpdateCharCount();
        Settle();
        ReturnFreeMemory();
    }

    bool CountShown(qint64 expected)
    {
        const QString shown = program_->FrmGeneral.StatusPanel->text();
        const QString want = FormatThousands(static_cast<quint32>(expected));
        if (Editor().CharCount() != expected || !shown.endsWith(want)) {
            std::fprintf(stderr, "count is %lld, status bar shows \"%s\", expected %lld\n",
                         static_cast<long long>(Editor().CharCount()), qPrintable(shown),
                         static_cast<long long>(expected));
            return false;
        }
        return true;
    }

    bool TimeOpens(const QString& path, qint64 expected, const QString& key, const QString& label,
                   const std::function<void(int)>& afterRun = {})
    {
        std::vector<double> handler, shown, whole;
        for (int run = 0; run < options_.runs; ++run) {
            ClearEditor();
            prompts_.DialogScripts.push_back([](QDialog& d) {
                auto& dialog = static_cast<TFrmPasswordEnter&>(d);
                dialog.TxtPassword->setText(kPassword);
                dialog.BtnOkClick();
            });
            const int before = paints_.paints;
            QElapsedTimer t;
            t.start();
            const bool ok = program_->FrmGeneral.LoadProtectedFile(path);
            const qint64 loaded = t.nsecsElapsed();
            ProcessUntilPainted(before);
            const qint64 painted = t.nsecsElapsed();
            while (Editor().IsLoading()) // the rest comes in slices from the event loop
                QCoreApplication::processEvents();
            const qint64 loadedWhole = t.nsecsElapsed();
            if (!ok || !prompts_.Errors.isEmpty()) {
                std::fprintf(stderr, "open of %s failed\n", qPrintable(path));
                return false;
            }
            if (!CountShown(expected))
                return false;
            handler.push_back(loaded / 1e9);
            shown.push_back(painted / 1e9);
            whole.push_back(loadedWhole / 1e9);
            if (afterRun)
                afterRun(run);
        }
        results_.Add(key + QStringLiteral("_handler"), label + QStringLiteral(": LoadProtectedFile"), Seconds(handler));
        results_.Add(key + QStringLiteral("_shown"), label + QStringLiteral(": until painted"), Seconds(shown));
        results_.Add(key + QStringLiteral("_whole"), label + QStringLiteral(": until the whole text is in"), Seconds(whole));
        return true;
    }

    bool TimeSaves(const QString& original)
    {
        const qint64 originalSize = QFileInfo(original).size();
        const QString path = folder_.filePath(QStringLiteral("saved.txtp"));
        std::vector<double> times;
        for (int run = 0; run < options_.runs; ++run) {
            QFile::remove(path);
            Settle();
            QElapsedTimer t;
            t.start();
            const bool ok = program_->FrmGeneral.SaveProtectedFile(path);
            times.push_back(t.nsecsElapsed() / 1e9);
            if (!ok || QFileInfo(path).size() != originalSize || !prompts_.Errors.isEmpty()) {
                std::fprintf(stderr, "save failed or wrote %lld bytes instead of %lld\n",
                             static_cast<long long>(QFileInfo(path).size()), static_cast<long long>(originalSize));
                return false;
            }
        }
        results_.Add(QStringLiteral("save40"), QStringLiteral("save 40 M characters: SaveProtectedFile"),
                     Seconds(times));
        return true;
    }

    // One typed character: the press and release handlers (which refresh
    // the count and the edit commands), then the events until it is drawn.
    // The typed text must really be inserted, not refused at the limit.
    bool TimeKeys(const QString& key, const QString& label, bool atEnd)
    {
        TRichEditText& editor = Editor();
        editor.setFocus();
        QTextCursor cursor = editor.textCursor();
        if (atEnd) {
            cursor.movePosition(QTextCursor::End);
        } else {
            const QTextBlock middle = editor.document()->findBlockByNumber(editor.document()->blockCount() / 2);
            cursor.setPosition(middle.position() + middle.length() / 2);
        }
        editor.setTextCursor(cursor);
        editor.ensureCursorVisible();
        Settle();

        std::vector<double> handlers, shown;
        for (int i = 0; i < options_.keys; ++i) {
            const qint64 countBefore = editor.CharCount();
            const int before = paints_.paints;
            QElapsedTimer t;
            t.start();
            // As a real key arrives: shortcut override first, then press and
            // release, past the application's event filters.
            QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_Z, QStringLiteral("ж"), Qt::NoModifier, 0);
            const qint64 handled = t.nsecsElapsed();
            ProcessUntilPainted(before);
            const qint64 painted = t.nsecsElapsed();
            if (editor.CharCount() != countBefore + 1 || !CountShown(countBefore + 1)) {
                std::fprintf(stderr, "typed key was not taken (count %lld)\n",
                             static_cast<long long>(editor.CharCount()));
                return false;
            }
            handlers.push_back(handled / 1e9);
            shown.push_back(painted / 1e9);
            Settle();
        }
        results_.Add(key + QStringLiteral("_handler"), label + QStringLiteral(": press+release handlers"),
                     Millis(handlers));
        results_.Add(key + QStringLiteral("_shown"), label + QStringLiteral(": until painted"), Millis(shown));
        return true;
    }

    // Where an open's time goes, stage by stage, on the 40 M file.
    void TimeStages(const QString& path)
    {
        ClearEditor();
        QElapsedTimer t;
        QFile in(path);
        in.open(QIODevice::ReadOnly);
        t.start();
        QByteArray raw = in.readAll();
        const double read = t.nsecsElapsed() / 1e9;
        const TCp1251Encoding password = Utf16ToCp1251(kPassword.toStdU16String());
        t.restart();
        TDecodedFile decoded = DecodeTxtpFile(std::string_view(raw.constData(), raw.size()), password.Bytes);
        const double decode = t.nsecsElapsed() / 1e9;
        raw = {};
        t.restart();
        const QString text = QString::fromStdU16String(Cp1251ToUtf16(decoded.Body));
        const double convert = t.nsecsElapsed() / 1e9;
        decoded = {};

        ReturnFreeMemory();
        const long richBase = StatusKb("VmRSS");
        t.restart();
        Editor().LoadPlainText(text);
        const double firstScreens = t.nsecsElapsed() / 1e9;
        Editor().FinishLoading();
        const double load = t.nsecsElapsed() / 1e9;
        const long richHeld = StatusKb("VmRSS") - richBase;
        ClearEditor();

        // The same text in a bare QPlainTextEdit of the same size: no link
        // marking, no count refresh.
        QPlainTextEdit bare;
        bare.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        bare.resize(Editor().size());
        bare.show();
        if (!QTest::qWaitForWindowExposed(&bare))
            std::fprintf(stderr, "warning: bare editor never exposed\n");
        ReturnFreeMemory();
        const long bareBase = StatusKb("VmRSS");
        t.restart();
        bare.setPlainText(text);
        const double bareLoad = t.nsecsElapsed() / 1e9;
        const long bareHeld = StatusKb("VmRSS") - bareBase;
        t.restart();
        bare.clear();
        const double bareClear = t.nsecsElapsed() / 1e9;


        results_.Add(QStringLiteral("stage_read"), QStringLiteral("stage: read the 40 M file"),
                     QStringLiteral("%1 s").arg(read, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_decode"), QStringLiteral("stage: key block + decipher"),
                     QStringLiteral("%1 s").arg(decode, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_convert"), QStringLiteral("stage: Windows-1251 to QString"),
                     QStringLiteral("%1 s").arg(convert, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_first_screens"), QStringLiteral("stage: TRichEditText::LoadPlainText, first screens"),
                     QStringLiteral("%1 s").arg(firstScreens, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_load"), QStringLiteral("stage: TRichEditText::LoadPlainText, whole text"),
                     QStringLiteral("%1 s").arg(load, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_bare"), QStringLiteral("stage: bare QPlainTextEdit::setPlainText"),
                     QStringLiteral("%1 s").arg(bareLoad, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_bare_clear"), QStringLiteral("stage: bare QPlainTextEdit::clear"),
                     QStringLiteral("%1 s").arg(bareClear, 0, 'f', 3));
        results_.Add(QStringLiteral("stage_rich_held"), QStringLiteral("stage: resident added by the text, TRichEditText"),
                     Mib(richHeld));
        results_.Add(QStringLiteral("stage_bare_held"), QStringLiteral("stage: resident added by the text, bare"),
                     Mib(bareHeld));
    }

    Options options_;
    QTemporaryDir folder_;
    test::ScriptedPrompts prompts_;
    test::RecordingShell shell_;
    test::FakeKeyboardState keyboard_;
    std::unique_ptr<TTainoteka> program_;
    PaintCounter paints_;
    Results results_;
    bool failed_ = false;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const auto value = [&]() -> QString { return i + 1 < argc ? QString::fromLocal8Bit(argv[++i]) : QString(); };
        if (arg == QLatin1String("--runs"))
            options.runs = std::max(1, value().toInt());
        else if (arg == QLatin1String("--keys"))
            options.keys = std::max(1, value().toInt());
        else if (arg == QLatin1String("--no-stages"))
            options.stages = false;
        else if (arg == QLatin1String("--keys-only"))
            options.keysOnly = true;
        else if (arg == QLatin1String("--tsv"))
            options.tsvPath = value();
        else
            return false;
    }
    return true;
}

void DropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // The offscreen plugin notes every dialog it cannot raise.
    if (message.contains(QLatin1String("does not support raise()")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
#ifndef NDEBUG
    std::fprintf(stderr, "warning: editor_bench built without NDEBUG; build Release for meaningful figures\n");
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own arguments (-platform) are taken out before ours are read.
    qInstallMessageHandler(DropPlatformNotes);
    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: editor_bench [--runs N] [--keys N] [--no-stages] [--keys-only] [--tsv FILE]\n");
        return 2;
    }
    Bench bench(options);
    return bench.Run();
}
