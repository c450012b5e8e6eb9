// Find and replace in the main window with a document near the 40 M limit:
// find next when the only match lies behind the caret (the whole document
// is read, then the search wraps), find previous the same way, a search
// that finds nothing, a typed key in the editing area with the find panel
// open and 10,000 matches in the document, and "Заменить все" of 1,000,000
// matches with its peak memory and its undo. Wall-clock times, medians.
//
//   find_bench [--runs N] [--tsv FILE]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <string>
#include <vector>

#include "ElidedLabel.h"
#include "FakeKeyboardState.h"
#include "FindField.h"
#include "FindPanel.h"
#include "RichEditText.h"
#include "SampleText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"

using namespace tainoteka;

namespace {

// Hands freed heap back to the system so the next peak starts low (glibc only).
void ReturnFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Planted words: digits keep them apart from the sample's own words.
const std::u16string kFrequent = u"жук7"; // 1,000,000 times
const std::u16string kSparse = u"оса9"; // 10,000 times
const std::u16string kOnly = u"Зюзя5"; // once, at the very start
constexpr std::size_t kFrequentCount = 1'000'000;
constexpr std::size_t kSparseCount = 10'000;
// Saved measure (a line break counts two) of the document: just under the
// 40 M limit, with room for the typed keys.
constexpr std::size_t kSavedSize = 40'000'000 - 64;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

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

bool ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// CPU time of this thread: what the command costs, whatever else the
// machine is busy with.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

QString Millis(const std::vector<double>& v)
{
    return QStringLiteral("%1 ms (max %2)").arg(Median(v) * 1e3, 0, 'f', 2).arg(Max(v) * 1e3, 0, 'f', 2);
}
QString Seconds(double s) { return QStringLiteral("%1 s").arg(s, 0, 'f', 3); }
QString Mib(long kb) { return QStringLiteral("%1 MiB").arg(kb / 1024.0, 0, 'f', 0); }

// Writes `word` between two blanks at `at`, or a little further on where a
// line break would be overwritten.
bool Plant(std::u16string& text, std::size_t at, const std::u16string& word, std::size_t limit)
{
    const std::u16string framed = u" " + word + u" ";
    for (; at + framed.size() <= limit; ++at) {
        const auto place = text.begin() + std::ptrdiff_t(at);
        if (std::find(place, place + std::ptrdiff_t(framed.size()), u'\n') == place + std::ptrdiff_t(framed.size())) {
            std::copy(framed.begin(), framed.end(), place);
            return true;
        }
    }
    return false;
}

std::u16string MakeDocument()
{
    std::u16string text = bench::MakeSampleText(kSavedSize);
    std::size_t saved = 0;
    std::size_t i = 0;
    for (; i < text.size() && saved < kSavedSize; ++i)
        saved += text[i] == u'\n' ? 2 : 1;
    text.resize(i);
    std::copy(kOnly.begin(), kOnly.end(), text.begin());
    text[kOnly.size()] = u' ';
    const std::size_t segment = text.size() / kFrequentCount;
    for (std::size_t s = 0; s < kFrequentCount; ++s) {
        const std::size_t start = s * segment;
        bool planted = Plant(text, start + 7, kFrequent, start + segment / 2);
        if (s % (kFrequentCount / kSparseCount) == 50)
            planted = planted && Plant(text, start + segment / 2, kSparse, start + segment);
        if (!planted)
            std::fprintf(stderr, "warning: segment %zu holds no place for a word\n", s);
    }
    return text;
}

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
    explicit Bench(int runs, QString tsv) : runs_(runs), tsv_(std::move(tsv)) {}

    int Run()
    {
        program_ = std::make_unique<TTainoteka>(
            TProgramServices{prompts_, shell_, keyboard_, {}, folder_.path() + QLatin1Char('/')});
        TFrmGeneral& window = program_->FrmGeneral;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "main window never exposed\n");
            return 1;
        }
        Editor().viewport()->installEventFilter(&paints_);
        QElapsedTimer t;
        t.start();
        {
            const std::u16string text = MakeDocument();
            Editor().LoadPlainText(QString::fromStdU16String(text));
            Editor().FinishLoading();
        }
        ReturnFreeMemory();
        Settle();
        std::printf("Find and replace (wall clock; median of %d)\n  (document of %lld characters in the "
                    "status bar's count, made and loaded in %.1f s)\n",
                    runs_, static_cast<long long>(Editor().CharCount()), t.elapsed() / 1e3);
        Add(QStringLiteral("platform"), QStringLiteral("Qt platform"), QGuiApplication::platformName());

        bool ok = TimeWrappingFinds() && TimeNotFound() && TimeKeysWithMarks() && TimeReplaceAll();
        if (!tsv_.isEmpty())
            WriteTsv();
        return ok ? 0 : 1;
    }

private:
    TRichEditText& Editor() { return *program_->FrmGeneral.RichEditText; }
    TFindPanel& Panel() { return *program_->FrmGeneral.FindPanel; }

    void Settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
    void ProcessUntilPainted(int before)
    {
        QElapsedTimer t;
        t.start();
        do {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } while (paints_.paints == before && t.elapsed() < 2000);
    }
    void Caret(qsizetype at, qsizetype length = 0)
    {
        QTextCursor cursor = Editor().textCursor();
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + length), QTextCursor::KeepAnchor);
        Editor().setTextCursor(cursor);
    }
    void Look(const QString& text, bool matchCase, bool wholeWord)
    {
        Panel().ChkMatchCase->setChecked(matchCase);
        Panel().ChkWholeWord->setChecked(wholeWord);
        Panel().TxtFind->setText(text);
    }
    bool Check(bool condition, const char* what)
    {
        if (!condition)
            std::fprintf(stderr, "failed: %s\n", what);
        return condition;
    }

    // Timings of one command run from a given selection each time.
    // Wall-clock times; the CPU times of the same runs go to cpu_.
    // `before` runs first each time, untimed.
    template <class Command, class Before = void (*)()>
    std::vector<double> Repeat(qsizetype caret, qsizetype length, Command command, Before before = [] {})
    {
        std::vector<double> times;
        cpu_.clear();
        for (int run = 0; run < runs_; ++run) {
            before();
            Caret(caret, length);
            Settle();
            QElapsedTimer t;
            const double cpu = ThreadSeconds();
            t.start();
            command();
            times.push_back(t.nsecsElapsed() / 1e9);
            cpu_.push_back(ThreadSeconds() - cpu);
        }
        return times;
    }
    QString WithCpu(const std::vector<double>& wall)
    {
        return Millis(wall) + QStringLiteral(", CPU %1 ms").arg(Median(cpu_) * 1e3, 0, 'f', 1);
    }

    bool TimeWrappingFinds()
    {
        const QString only = QString::fromStdU16String(kOnly);
        const qsizetype n = only.size();
        Panel().OpenFind();
        struct Variant {
            const char* key;
            const char* label;
            QString text;
            bool matchCase, wholeWord;
        };
        const Variant variants[] = {
            {"find_wrap", "find next, only match behind the caret (wraps)", only.toLower(), false, false},
            {"find_wrap_case", "  the same, letter case counting", only, true, false},
            {"find_wrap_word", "  the same, whole word", only.toUpper(), false, true},
        };
        for (const Variant& v : variants) {
            Look(v.text, v.matchCase, v.wholeWord);
            const auto times = Repeat(0, n, [this] { Panel().FindNext(); });
            if (!Check(Editor().textCursor().selectionStart() == 0
                           && Panel().LblFindMessage->text() == TFindPanel::WrappedToStart,
                       "wrapping find next"))
                return false;
            Add(QLatin1String(v.key), QLatin1String(v.label), WithCpu(times));
        }
        Look(only.toLower(), false, false);
        {
            // A key typed in the middle of the text, then the same search.
            const auto times = Repeat(0, n, [this] { Panel().FindNext(); }, [this] {
                Caret(Editor().document()->characterCount() / 2);
                QTest::sendKeyEvent(QTest::Click, &Editor(), Qt::Key_Z, QStringLiteral("ж"), Qt::NoModifier, 0);
            });
            if (!Check(Panel().LblFindMessage->text() == TFindPanel::WrappedToStart, "find next after a typed key"))
                return false;
            Add(QStringLiteral("find_after_key"), QStringLiteral("  the same, first search after a typed key"),
                WithCpu(times));
        }
        {
            QString whole;
            const auto copy = Repeat(0, n, [&] { whole = Editor().document()->toRawText(); });
            whole = QString();
            Add(QStringLiteral("whole_copy"), QStringLiteral("  of which: one copy of the whole text"), WithCpu(copy));
            const TSearchPattern pattern(only.toLower(), {});
            const auto direct = Repeat(0, n, [&] {
                (void)FindInDocument(*Editor().document(), pattern, n, TSearchDirection::Forward);
            });
            Add(QStringLiteral("find_direct"), QStringLiteral("  the search alone, without the panel"), WithCpu(direct));
        }
        const auto back = Repeat(0, n, [this] { Panel().FindPrevious(); });
        if (!Check(Editor().textCursor().selectionStart() == 0
                       && Panel().LblFindMessage->text() == TFindPanel::WrappedToEnd,
                   "wrapping find previous"))
            return false;
        Add(QStringLiteral("find_wrap_back"), QStringLiteral("find previous, only match ahead of the caret (wraps)"),
            WithCpu(back));
        return true;
    }

    bool TimeNotFound()
    {
        Look(QStringLiteral("нет-такого-слова"), false, false);
        const auto times = Repeat(Editor().CharCount() / 2, 0, [this] { Panel().FindNext(); });
        if (!Check(Panel().IsNotFoundShown(), "search for a missing word"))
            return false;
        Add(QStringLiteral("find_none"), QStringLiteral("find next, no match anywhere"), WithCpu(times));
        return true;
    }

    // Typed keys beside a marked match, the panel open with 10,000 matches.
    bool TimeKeysWithMarks()
    {
        const QString sparse = QString::fromStdU16String(kSparse);
        Look(sparse, false, false);
        const qsizetype middle = Editor().document()->characterCount() / 2;
        const TFoundText near = FindInDocument(*Editor().document(), TSearchPattern(sparse, {}), middle,
                                               TSearchDirection::Forward);
        if (!Check(near.Found(), "a planted match in the middle"))
            return false;
        Editor().setFocus();
        Caret(near.Start + near.Length);
        Editor().centerCursor();
        Settle();
        Editor().viewport()->repaint();
        int marked = 0;
        for (const QTextEdit::ExtraSelection& mark : Editor().extraSelections())
            marked += mark.cursor.selectedText().compare(sparse, Qt::CaseInsensitive) == 0;
        std::vector<double> handlers, shown;
        for (int i = 0; i < 7; ++i) {
            const qint64 countBefore = Editor().CharCount();
            const int before = paints_.paints;
            QElapsedTimer t;
            t.start();
            QTest::sendKeyEvent(QTest::Click, &Editor(), Qt::Key_Z, QStringLiteral("ж"), Qt::NoModifier, 0);
            const qint64 handled = t.nsecsElapsed();
            ProcessUntilPainted(before);
            const qint64 painted = t.nsecsElapsed();
            if (!Check(Editor().CharCount() == countBefore + 1, "typed key taken"))
                return false;
            handlers.push_back(handled / 1e9);
            shown.push_back(painted / 1e9);
            Settle();
        }
        if (!Check(marked >= 1 && Panel().isVisible(), "a match marked on screen"))
            return false;
        Add(QStringLiteral("key_marks_handler"),
            QStringLiteral("key with the panel open, 10,000 matches: handlers"), Millis(handlers));
        Add(QStringLiteral("key_marks_shown"), QStringLiteral("key with the panel open, 10,000 matches: painted"),
            Millis(shown));
        Add(QStringLiteral("key_marks_on_screen"), QStringLiteral("  matches marked on screen"), QString::number(marked));
        return true;
    }

    bool TimeReplaceAll()
    {
        Panel().OpenReplace();
        Look(QString::fromStdU16String(kFrequent), false, true);
        Panel().TxtReplace->setText(QStringLiteral("мух8"));
        Caret(0);
        const qint64 countBefore = Editor().CharCount();
        ReturnFreeMemory();
        Settle();
        const long rssBefore = StatusKb("VmRSS");
        const bool peakReset = ResetPeak();
        const int paintsBefore = paints_.paints;
        QElapsedTimer t;
        double cpu = ThreadSeconds();
        t.start();
        Panel().ReplaceAll();
        const double replaced = t.nsecsElapsed() / 1e9;
        const double replacedCpu = ThreadSeconds() - cpu;
        ProcessUntilPainted(paintsBefore);
        const double painted = t.nsecsElapsed() / 1e9;
        const long peak = StatusKb("VmHWM");
        const long rssAfter = StatusKb("VmRSS");
        const QString done = Panel().LblFindMessage->text();
        if (!Check(done == QStringLiteral("Заменено: 1 000 000") && Editor().CharCount() == countBefore
                       && !Contains(kFrequent),
                   "replace all of a million"))
            return false;
        Add(QStringLiteral("replace_all"), QStringLiteral("replace all, 1,000,000 matches"),
            Seconds(replaced) + QStringLiteral(", CPU ") + Seconds(replacedCpu));
        Add(QStringLiteral("replace_all_shown"), QStringLiteral("  until painted"), Seconds(painted));
        Add(QStringLiteral("replace_all_rss_before"), QStringLiteral("  resident before"), Mib(rssBefore));
        Add(QStringLiteral("replace_all_peak"),
            QStringLiteral("  peak resident (VmHWM)") + (peakReset ? QString() : QStringLiteral(" [not reset]")),
            Mib(peak));
        Add(QStringLiteral("replace_all_rss_after"), QStringLiteral("  resident after (undo kept)"), Mib(rssAfter));

        cpu = ThreadSeconds();
        t.restart();
        Editor().undo();
        const double undone = t.nsecsElapsed() / 1e9;
        const double undoneCpu = ThreadSeconds() - cpu;
        if (!Check(Contains(kFrequent) && !Contains(u"мух8"), "one undo brings the text back"))
            return false;
        Add(QStringLiteral("replace_all_undo"), QStringLiteral("  undo of it"),
            Seconds(undone) + QStringLiteral(", CPU ") + Seconds(undoneCpu));

        Look(QString::fromStdU16String(kSparse), false, true);
        cpu = ThreadSeconds();
        t.restart();
        Panel().ReplaceAll();
        const double sparse = t.nsecsElapsed() / 1e9;
        const double sparseCpu = ThreadSeconds() - cpu;
        // A word or two may have been overwritten while planting: the count is shown.
        if (!Check(Panel().LblFindMessage->text().startsWith(QStringLiteral("Заменено: ")), "replace all of 10,000"))
            return false;
        Add(QStringLiteral("replace_sparse"), QStringLiteral("replace all, ") + Panel().LblFindMessage->text(),
            Seconds(sparse) + QStringLiteral(", CPU ") + Seconds(sparseCpu));
        return true;
    }

    bool Contains(const std::u16string& word)
    {
        return FindInDocument(*Editor().document(), TSearchPattern(QString::fromStdU16String(word), {}), 0,
                              TSearchDirection::Forward)
            .Found();
    }

    void Add(const QString& key, const QString& label, const QString& value)
    {
        rows_.push_back({key, label, value});
        std::printf("  %-56s %s\n", label.toUtf8().constData(), value.toUtf8().constData());
        std::fflush(stdout);
    }
    void WriteTsv() const
    {
        QFile f(tsv_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        for (const auto& [key, label, value] : rows_)
            f.write((key + QLatin1Char('\t') + label + QLatin1Char('\t') + value + QLatin1Char('\n')).toUtf8());
    }

    struct Row {
        QString key, label, value;
    };
    int runs_;
    QString tsv_;
    QTemporaryDir folder_;
    test::ScriptedPrompts prompts_;
    test::RecordingShell shell_;
    test::FakeKeyboardState keyboard_;
    std::unique_ptr<TTainoteka> program_;
    PaintCounter paints_;
    std::vector<Row> rows_;
    std::vector<double> cpu_;
};

} // namespace

int main(int argc, char** argv)
{
#ifndef NDEBUG
    std::fprintf(stderr, "warning: find_bench built without NDEBUG; build Release for meaningful figures\n");
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 5;
    QString tsv;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--runs") && i + 1 < argc)
            runs = std::max(1, QString::fromLocal8Bit(argv[++i]).toInt());
        else if (arg == QLatin1String("--tsv") && i + 1 < argc)
            tsv = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: find_bench [--runs N] [--tsv FILE]\n");
            return 2;
        }
    }
    return Bench(runs, tsv).Run();
}
