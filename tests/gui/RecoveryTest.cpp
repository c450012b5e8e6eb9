#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QPushButton>
#include <QStringEncoder>
#include <QSysInfo>
#include <QTableWidget>
#include <QTest>

#include <sys/stat.h>

#include "CodePage1251.h"
#include "AgeFile.h"
#include "MainWindowFixture.h"
#include "PasswordSealer.h"
#include "RecoveryKeeper.h"
#include "RecoveryStore.h"

using namespace tainoteka;
using namespace tainoteka::test;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

// Time moves only when the test says so.
class ScriptedTimer final : public IRecoveryTimer {
public:
    milliseconds Now() const override { return now_; }
    void Start(milliseconds delay, std::function<void()> wake) override
    {
        due_ = now_ + delay;
        wake_ = std::move(wake);
    }
    void Stop() override { due_.reset(); }
    void Advance(milliseconds step)
    {
        now_ += step;
        if (due_ && *due_ <= now_) {
            due_.reset();
            wake_();
        }
    }

private:
    milliseconds now_{0};
    std::optional<milliseconds> due_;
    std::function<void()> wake_;
};

const QString kText = QStringLiteral("Тайная строка secret-line 42");
const QString kPassword = QStringLiteral("пароль-Key7");
const QString kChangedOnDisk = QStringLiteral("Файл изменён другой программой. Сохранить поверх?");

QString Shown(const QDateTime& written) { return written.toString(QStringLiteral("dd.MM.yyyy HH:mm")); }

} // namespace

class Recovery : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        UseScriptedTimer();
    }
    void UseScriptedTimer()
    {
        auto owned = std::make_unique<ScriptedTimer>();
        timer = owned.get();
        window().Recovery->UseTimer(std::move(owned));
    }
    void GivePassword()
    {
        ScriptNewPassword(kPassword);
        window().MnuEditPasswordClick();
    }
    void Type(const QString& text) { editor().insertPlainText(text); }
    // Lets the timer run out, then waits for the writer and its note.
    void Advance(milliseconds step)
    {
        timer->Advance(step);
        window().Recovery->Wait();
        QCoreApplication::sendPostedEvents();
    }
    QStringList Copies() const
    {
        return QDir(RecoveryFolder()).entryList({QStringLiteral("*.txt.age")}, QDir::Files);
    }
    // The program ends without a normal close, leaving its copy behind.
    void Restart()
    {
        Start({});
        UseScriptedTimer();
    }

    // A run that wrote a copy of text under password and was killed; the
    // copy's time is set, so that the copies keep their order.
    QString LeaveCopy(const QString& text, const QDateTime& written, const QString& password = kPassword)
    {
        Restart();
        const QStringList before = Copies();
        program->Document.CurrentPassword = password;
        Type(text);
        Advance(TRecoveryKeeper::QuietTime);
        QString copy;
        for (const QString& name : Copies())
            if (!before.contains(name))
                copy = RecoveryFolder() + QLatin1Char('/') + name;
        QFile file(copy);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
        Restart();
        return copy;
    }

    ScriptedTimer* timer = nullptr;
};

TEST_F(Recovery, WrittenTwentySecondsAfterTheLastChangeAndEveryTwoMinutesWhileTyping)
{
    GivePassword();
    Type(QStringLiteral("a"));
    Advance(seconds(19));
    EXPECT_TRUE(Copies().isEmpty());
    Advance(seconds(1));
    ASSERT_EQ(Copies().size(), 1);
    const QString copy = RecoveryFolder() + QLatin1Char('/') + Copies().constFirst();
#ifndef _WIN32
    struct stat file {}, dir {};
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(RecoveryFolder()).constData(), &dir), 0);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    EXPECT_EQ(dir.st_mode & 07777, 0700u);
#endif
    QFile::remove(copy);
    // A key every 10 s never lets 20 quiet seconds pass; the copy still comes at 2 minutes.
    for (int i = 0; i < 11; ++i) {
        Type(QStringLiteral("b"));
        Advance(seconds(10));
    }
    EXPECT_TRUE(Copies().isEmpty());
    Type(QStringLiteral("c"));
    Advance(seconds(10));
    EXPECT_EQ(Copies().size(), 1);
}

TEST_F(Recovery, NothingWrittenWithoutPassword)
{
    Type(kText);
    Advance(TRecoveryKeeper::LongestWait);
    window().WriteRecoveryNow();
    EXPECT_FALSE(QFileInfo::exists(RecoveryFolder()));
}

TEST_F(Recovery, NoByteOfTextOrPasswordInTheFolder)
{
    GivePassword();
    Type(kText);
    Advance(TRecoveryKeeper::QuietTime);
    ASSERT_EQ(Copies().size(), 1);
    QByteArray everything;
    for (QDirIterator it(RecoveryFolder(), QDir::Files | QDir::Hidden); it.hasNext();) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        everything += file.readAll();
    }
    for (const QString& secret : {QStringLiteral("Тайная"), QStringLiteral("secret-line"), kPassword}) {
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        for (const QByteArray& form : {secret.toUtf8(), QByteArray(utf16(secret)),
                                       QByteArray::fromStdString(Utf16ToCp1251(secret.toStdU16String()).Bytes)})
            EXPECT_EQ(everything.indexOf(form), -1) << secret.toStdString();
    }
}

TEST_F(Recovery, FailedWriteCostsOnlyAStatusNote)
{
    const struct {
        const char* Name;
        std::function<void()> Spoil;
    } cases[] = {
        {"folder cannot be made", [this] { WriteFile(QStringLiteral("recovery"), "a file"); }},
        {"copy cannot be replaced",
         [this] {
             Type(QStringLiteral("first"));
             Advance(TRecoveryKeeper::QuietTime);
             const QString copy = RecoveryFolder() + QLatin1Char('/') + Copies().value(0);
             ASSERT_TRUE(QFile::remove(copy));
             ASSERT_TRUE(QDir().mkdir(copy));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Restart();
        QDir(RecoveryFolder()).removeRecursively();
        QFile::remove(RecoveryFolder());
        program->Document.CurrentPassword = kPassword;
        c.Spoil();
        Type(kText);
        Advance(TRecoveryKeeper::QuietTime);
        EXPECT_TRUE(window().RecoveryNote->text().startsWith(QStringLiteral("Копия для восстановления не записана: ")))
            << window().RecoveryNote->text().toStdString();
        EXPECT_TRUE(prompts.Errors.isEmpty());
        EXPECT_TRUE(editor().toPlainText().endsWith(kText));
    }
}

TEST_F(Recovery, CopyRemovedWhenTheChangesAreSavedOrGivenUp)
{
    const struct {
        const char* Name;
        std::function<void()> Act;
    } cases[] = {
        {"save", [this] { prompts.SaveNames.push_back(Path("doc.txtp")); window().MnuFileSaveClick(); }},
        {"new, no", [this] { prompts.Answers.push_back(TAnswer::No); window().MnuFileNewClick(); }},
        {"open, no, another file opened",
         [this] {
             WriteFile("other.txtp", EncodeTxtpFile("other\r\n", "pw"));
             prompts.Answers.push_back(TAnswer::No);
             prompts.OpenNames.push_back(Path("other.txtp"));
             ScriptTypedPassword(QStringLiteral("pw"));
             window().MnuFileOpenClick();
         }},
        {"close, no", [this] { prompts.Answers.push_back(TAnswer::No); window().close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Restart();
        program->Document.CurrentPassword = kPassword;
        Type(kText);
        Advance(TRecoveryKeeper::QuietTime);
        ASSERT_EQ(Copies().size(), 1);
        c.Act();
        window().Recovery->Wait();
        EXPECT_TRUE(Copies().isEmpty());
    }
}

TEST_F(Recovery, StartOffersTheCopyLeftBehind)
{
    const QString question = QStringLiteral("Найден несохранённый текст от %1. Восстановить?");
    const struct {
        const char* Name;
        TAnswer Answer;
        QString Typed;
        bool Restored;
        bool CopyKept;
        TDocumentType Type = TDocumentType::Txtp;
    } cases[] = {
        {"yes", TAnswer::Yes, kPassword, true, true},
        {"yes, an age document", TAnswer::Yes, kPassword, true, true, TDocumentType::Age},
        {"yes, wrong password", TAnswer::Yes, QStringLiteral("wrong"), false, true},
        {"no", TAnswer::No, {}, false, false},
        {"later", TAnswer::Cancel, {}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Restart();
        prompts.DialogScripts.clear();
        QDir(RecoveryFolder()).removeRecursively();
        editor().LoadPlainText(QStringLiteral("saved"));
        const QString name = c.Type == TDocumentType::Age ? QStringLiteral("Заметка.txt.age") : QStringLiteral("Заметка.txtp");
        ScriptNewPassword(kPassword);
        prompts.SaveNames.push_back(Path(name));
        prompts.SaveTypes.push_back(c.Type);
        window().MnuFileSaveAsClick();
        Type(kText);
        Advance(TRecoveryKeeper::QuietTime);
        const QString typed = editor().toPlainText();
        const QDateTime written = QFileInfo(RecoveryFolder() + QLatin1Char('/') + Copies().value(0)).lastModified();
        Restart();
        prompts.Questions.clear();
        prompts.Errors.clear();
        prompts.Answers.push_back(c.Answer);
        if (c.Answer == TAnswer::Yes)
            ScriptTypedPassword(c.Typed);
        window().FormActivate();
        EXPECT_EQ(prompts.Questions, QStringList{question.arg(written.toString(QStringLiteral("dd.MM.yyyy HH:mm")))});
        EXPECT_EQ(editor().toPlainText(), c.Restored ? typed : QString());
        // A restored text is not in any file yet: the title marks it unsaved.
        EXPECT_EQ(window().windowTitle(), (c.Restored ? QStringLiteral("*") + name : QStringLiteral("Безымянный")) +
                                              QStringLiteral(" - Тайнотека"));
        EXPECT_EQ(program->Document.CurrentPassword, c.Restored ? kPassword : QString());
        EXPECT_EQ(program->Document.CurrentType, c.Restored ? c.Type : TDocumentType::Age);
        EXPECT_EQ(prompts.Errors.size(), c.Typed == QStringLiteral("wrong") ? 1 : 0);
        EXPECT_EQ(Copies().size(), c.CopyKept ? 1 : 0);
    }
}

TEST_F(Recovery, RefusedOrCancelledOpenLeavesTheCopyAsItWas)
{
    WriteFile("damaged.txt.age", "age-encryption.org/v1\n-> scryp");
    WriteFile("other.txtp", EncodeTxtpFile("other\r\n", "other"));
    const struct {
        const char* Name;
        std::optional<QString> Chosen;
        QString Typed;
    } cases[] = {
        {"no file chosen", std::nullopt, {}},
        {"damaged file", Path("damaged.txt.age"), {}},
        {"wrong password", Path("other.txtp"), QStringLiteral("wrong")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(RecoveryFolder()).removeRecursively();
        Restart();
        prompts.DialogScripts.clear();
        program->Document.CurrentPassword = kPassword;
        Type(kText);
        Advance(TRecoveryKeeper::QuietTime);
        ASSERT_EQ(Copies().size(), 1);
        prompts.Answers.push_back(TAnswer::No); // not saved first
        prompts.OpenNames.push_back(c.Chosen);
        if (!c.Typed.isEmpty())
            ScriptTypedPassword(c.Typed);
        window().MnuFileOpenClick();
        window().Recovery->Wait();
        EXPECT_EQ(editor().toPlainText(), kText);
        // Killed now: the next start still has the text to offer.
        Restart();
        prompts.Answers = {TAnswer::Yes};
        ScriptTypedPassword(kPassword);
        window().FormActivate();
        EXPECT_EQ(editor().toPlainText(), kText);
    }
}

TEST_F(Recovery, RestoredDocumentAsksBeforeWritingOverAFileChangedSinceItsCopy)
{
    const std::string otherProgram = EncodeTxtpFile("другая программа\r\n", "x");
    // The payload of a copy from before copies kept the file's stamp.
    const auto oldCopy = [this](const QString& path, const QString& text) {
        const QByteArray payload = QByteArrayLiteral("tainoteka recovery 1\n") + "txtp" + '\0' + path.toUtf8() + '\0' +
            text.toUtf8();
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(payload.constData()), std::size_t(payload.size()));
        const std::vector<std::uint8_t> file = EncryptAgeFile(bytes, kPassword.toStdString(), 10);
        QDir().mkpath(RecoveryFolder());
        QFile copy(RecoveryFolder() + QStringLiteral("/00112233445566778899aabbccddeeff.txt.age"));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
    };
    const struct {
        const char* Name;
        bool ChangedAfterTheCopy;
        bool OldCopy;
        bool Asks;
    } cases[] = {
        {"changed after the crash", true, false, true},
        {"untouched", false, false, false},
        {"copy that kept no stamp", false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(RecoveryFolder()).removeRecursively();
        QFile::remove(Path("Заметка.txtp"));
        Restart();
        editor().LoadPlainText(QStringLiteral("saved"));
        ScriptNewPassword(kPassword);
        prompts.SaveNames.push_back(Path("Заметка.txtp"));
        prompts.SaveTypes.push_back(TDocumentType::Txtp);
        window().MnuFileSaveAsClick();
        if (c.OldCopy) {
            oldCopy(Path("Заметка.txtp"), kText);
        } else {
            Type(kText);
            Advance(TRecoveryKeeper::QuietTime);
        }
        ASSERT_EQ(Copies().size(), 1);
        if (c.ChangedAfterTheCopy)
            WriteFile("Заметка.txtp", otherProgram);
        const std::string before = ReadFile("Заметка.txtp");
        Restart();
        prompts.Answers = {TAnswer::Yes};
        ScriptTypedPassword(kPassword);
        window().FormActivate();
        ASSERT_EQ(program->Document.CurrentFileName, QStringLiteral("Заметка.txtp"));
        prompts.Questions.clear();
        prompts.Answers = {TAnswer::No}; // not over the file
        window().MnuFileSaveClick();
        EXPECT_EQ(prompts.Questions, c.Asks ? QStringList{kChangedOnDisk} : QStringList{});
        EXPECT_EQ(ReadFile("Заметка.txtp") == before, c.Asks);
    }
}

// The list of copies at start: its rows, selected in a test as a user would.
class RecoveryList : public Recovery {
protected:
    static QTableWidget& Table(QDialog& dialog)
    {
        return *dialog.findChild<QTableWidget*>(QStringLiteral("TblCopies"));
    }
    static void Select(QDialog& dialog, std::initializer_list<int> rows)
    {
        QTableWidget& table = Table(dialog);
        table.clearSelection();
        for (const int row : rows)
            table.selectionModel()->select(table.model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static void Press(QDialog& dialog, const char* button)
    {
        dialog.findChild<QPushButton*>(QLatin1String(button))->click();
    }
    static QStringList Row(QDialog& dialog, int row)
    {
        QStringList cells;
        for (int column = 0; column < Table(dialog).columnCount(); ++column)
            cells.append(Table(dialog).item(row, column)->text());
        return cells;
    }
    void Script(std::function<void(QDialog&)> step)
    {
        prompts.DialogScripts.push_back([step = std::move(step)](QDialog& dialog) {
            if (dialog.objectName() == QStringLiteral("FrmRecoveryCopies"))
                step(dialog);
            else
                ADD_FAILURE() << "the list was due, not " << dialog.objectName().toStdString();
        });
    }

    const QDateTime first{QDate(2026, 3, 1), QTime(9, 5)};
    const QDateTime second{QDate(2026, 3, 2), QTime(10, 15)};
    const QDateTime third{QDate(2026, 3, 3), QTime(11, 25)};
};

TEST_F(RecoveryList, OneListOfDatesAndSizesRemovesTheSelectedOnceAskedAgainAndKeepsTheRestForLater)
{
    const QString copies[] = {LeaveCopy(QStringLiteral("третий"), third), LeaveCopy(QStringLiteral("первый"), first),
                              LeaveCopy(QStringLiteral("второй"), second)};
    const auto shown = [](const QDateTime& written, const QString& copy) {
        return QStringList{Shown(written), QStringLiteral("%1 КБ").arg((QFileInfo(copy).size() + 1023) / 1024), {}};
    };
    QList<QStringList> rows;
    const auto removeFirstTwo = [&](QDialog& dialog) {
        for (int row = 0; row < Table(dialog).rowCount(); ++row)
            rows.append(Row(dialog, row));
        Select(dialog, {0, 1});
        Press(dialog, "BtnRemove");
    };
    prompts.Answers = {TAnswer::No, TAnswer::Yes};
    Script(removeFirstTwo); // "No" to the second question: the list again, whole
    Script(removeFirstTwo);
    Script([&](QDialog& dialog) {
        rows.append(Row(dialog, 0));
        Press(dialog, "BtnLater");
    });
    const QStringList oldest = shown(first, copies[1]), middle = shown(second, copies[2]), newest = shown(third, copies[0]);
    window().FormActivate();
    EXPECT_EQ(rows, QList<QStringList>({oldest, middle, newest, oldest, middle, newest, newest}));
    ASSERT_EQ(prompts.Questions.size(), 2) << "one question for each copy";
    EXPECT_EQ(prompts.Questions[0], prompts.Questions[1]);
    EXPECT_EQ(Copies(), QStringList{QFileInfo(copies[0]).fileName()});
    EXPECT_TRUE(editor().toPlainText().isEmpty());
}

TEST_F(RecoveryList, RestoreTakesTheFirstSelectedNamesItAndKeepsTheOthersForLater)
{
    const QString restored = LeaveCopy(QStringLiteral("первый"), first);
    const QString kept = LeaveCopy(QStringLiteral("второй"), second);
    QStringList restoredRow;
    QString note;
    bool restoreOffered = true;
    Script([this](QDialog& dialog) {
        Select(dialog, {0, 1});
        Press(dialog, "BtnRestore");
    });
    ScriptTypedPassword(kPassword);
    Script([&](QDialog& dialog) {
        restoredRow = Row(dialog, 0);
        note = dialog.findChild<QLabel*>(QStringLiteral("LblNote"))->text();
        restoreOffered = dialog.findChild<QPushButton*>(QStringLiteral("BtnRestore"))->isEnabled();
        Press(dialog, "BtnLater");
    });
    window().FormActivate();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("первый"));
    EXPECT_EQ(restoredRow.value(2), QStringLiteral("Безымянный — в окне"));
    EXPECT_TRUE(note.contains(QStringLiteral("остальные выбранные копии сохранены до следующего запуска")))
        << note.toStdString();
    EXPECT_FALSE(restoreOffered) << "one document fits in the window";
    EXPECT_EQ(window().Recovery->Store().OwnCopy(), restored);
    EXPECT_TRUE(QFileInfo::exists(kept));
}

TEST_F(RecoveryList, StaleLocksOfKilledRunsGoAndLiveOnesStay)
{
#ifdef Q_OS_WIN
    // Under Wine a lock naming this made-up process is not taken for stale;
    // only Linux guarantees that no process has the number (above pid_max).
    GTEST_SKIP() << "the dead process number is Linux's";
#endif
    QDir().mkpath(RecoveryFolder());
    // The lock of a run killed after its copy went: a process that is no more.
    const QString stale = RecoveryFolder() + QStringLiteral("/0123456789abcdef0123456789abcdef.lock");
    {
        QFile lock(stale);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write("4194305\n" + QCoreApplication::applicationName().toUtf8() + '\n' +
                   QSysInfo::machineHostName().toUtf8() + '\n');
    }
    TRecoveryStore running(RecoveryFolder());
    QString own;
    ASSERT_TRUE(running.PrepareOwnCopy(own).Ok);
    const QString live = own.chopped(int(qstrlen(".txt.age"))) + QStringLiteral(".lock");
    ASSERT_TRUE(QFileInfo::exists(live));

    window().FormActivate();
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(live));
}

// One derivation serves every copy under a password (their headers match);
// another password or Forget derives afresh. Every copy opens on its own.
TEST(PasswordSealer, DerivesOncePerPasswordUntilForgotten)
{
    const QString first = QStringLiteral("первый"), second = QStringLiteral("second");
    const QByteArray payload("payload");
    TPasswordSealer sealer;
    const auto header = [](const std::vector<std::uint8_t>& file) {
        const std::string text(file.begin(), file.end());
        return text.substr(0, text.find("\n---"));
    };
    const auto opens = [&](const std::vector<std::uint8_t>& file, const QString& password) {
        const QByteArray utf8 = password.toUtf8();
        const AgeOpened opened = DecryptAgeFile(file, std::string_view(utf8.constData(), std::size_t(utf8.size())));
        return opened.status == AgeStatus::Ok && std::string(opened.payload.begin(), opened.payload.end()) == "payload";
    };
    const auto a = sealer.Seal(first, payload), b = sealer.Seal(first, payload);
    EXPECT_EQ(header(a), header(b));
    EXPECT_NE(a, b) << "a fresh payload nonce each time";
    const auto c = sealer.Seal(second, payload);
    EXPECT_NE(header(c), header(a));
    sealer.Forget();
    EXPECT_FALSE(sealer.HoldsKey());
    const auto d = sealer.Seal(second, payload);
    EXPECT_NE(header(d), header(c));
    for (const auto& [file, password] : {std::pair{a, first}, {b, first}, {c, second}, {d, second}})
        EXPECT_TRUE(opens(file, password));
}
