#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>

#include "CodePage1251.h"
#include "AgeFile.h"
#include "MainWindowFixture.h"
#include "PasswordSealer.h"
#include "RecoveryKeeper.h"

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
        {"open, no", [this] { prompts.Answers.push_back(TAnswer::No); window().MnuFileOpenClick(); }},
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
