// Documents kept as age files: the save dialog's type, the type a document
// keeps, opening by content, the messages of a file that does not open, and
// the window staying live while the key is derived.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QMenu>
#include <QSemaphore>
#include <QTimer>

#include "AgeArmor.h"
#include "AgeFile.h"
#include "CodePage1251.h"
#include "DocumentFile.h"
#include "MainWindowFixture.h"
#include "ProfileFile.h"
#include "SystemLimits.h"
#include "Settings.h"
#include "U_Password.h"
#include "UpgradeBar.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

// Well below the real 18, so that a key derivation takes milliseconds.
constexpr int kTestWorkFactor = 10;

const QString kWrongPassword =
    QStringLiteral("Пароль введён неверно или\nформат выбранного для открытия файла\nне соответствует программе.");

TDocumentFileServices FastServices(std::function<TFileResult(const QString&, const QByteArray&)> write = {})
{
    TDocumentFileServices services;
    services.Write = std::move(write);
    services.AgeWorkFactor = kTestWorkFactor;
    return services;
}

std::span<const std::uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string AgeFileOf(const std::string& payload, const std::string& passphrase)
{
    const std::vector<std::uint8_t> file = EncryptAgeFile(Bytes(payload), passphrase, kTestWorkFactor);
    return {file.begin(), file.end()};
}

std::string Armored(const std::string& file)
{
    const std::vector<std::uint8_t> armored = ArmorAge(Bytes(file));
    return {armored.begin(), armored.end()};
}

std::string PayloadOf(const std::string& file, const QString& passphrase)
{
    const AgeOpened opened = DecryptAgeFile(Bytes(file), passphrase.toStdString());
    EXPECT_EQ(opened.status, AgeStatus::Ok);
    return {opened.payload.begin(), opened.payload.end()};
}

} // namespace

class AgeDocument : public MainWindowFixture {
protected:
    void SetUp() override
    {
        documentFile = &fastFile;
        Start({});
    }
    void SaveAs(const QString& name, TDocumentType type)
    {
        prompts.SaveTypes.push_back(type);
        prompts.SaveNames.push_back(Path(name));
        window().MnuFileSaveAsClick();
    }
    void Open(const QString& name, const QString& password)
    {
        prompts.OpenNames.push_back(Path(name));
        ScriptTypedPassword(password);
        window().MnuFileOpenClick();
    }
    // A fresh attempt to open a file over the unsaved document "mine" (password "own").
    void OpenOverOwn(const QString& name, const std::string& file, const QString& password)
    {
        editor().LoadPlainText(QStringLiteral("mine"));
        program->Document.CurrentPassword = QStringLiteral("own");
        prompts.Errors.clear();
        prompts.DialogsShown.clear();
        prompts.DialogScripts.clear();
        WriteFile(name, file);
        Open(name, password);
    }
    void ExpectUntouched()
    {
        EXPECT_EQ(editor().toPlainText(), QStringLiteral("mine"));
        EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("own"));
        EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
        EXPECT_TRUE(window().RichEditText->isEnabled());
    }

    TDocumentFile fastFile{FastServices()};
};

TEST_F(AgeDocument, SavedTextKeepsEveryCharacterAndTheDocumentKeepsItsType)
{
    // Greek, an emoji and a NUL have no Windows-1251 byte; a .txtp file refuses them.
    const QString text = QStringLiteral("Ωμέγα 😀 ё\nвторая") + QChar(0) + QStringLiteral("строка");
    editor().LoadPlainText(text);
    ScriptNewPassword(QStringLiteral("пароль"));
    SaveAs(QStringLiteral("note"), TDocumentType::Age);
    ASSERT_TRUE(prompts.Errors.isEmpty()) << prompts.Errors.value(0).Text.toStdString();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("note.txt.age - Тайнотека"));
    // LF line ends, as age users on Linux expect.
    const QString stored = text + QStringLiteral("\n");
    EXPECT_EQ(PayloadOf(ReadFile("note.txt.age"), QStringLiteral("пароль")), stored.toStdString());

    // Save writes the type the document has, without a dialog.
    editor().LoadPlainText(QStringLiteral("иначе"));
    window().MnuFileSaveClick();
    EXPECT_EQ(PayloadOf(ReadFile("note.txt.age"), QStringLiteral("пароль")), "иначе\n");

    window().MnuFileNewClick();
    Open(QStringLiteral("note.txt.age"), QStringLiteral("пароль"));
    ASSERT_TRUE(prompts.Errors.isEmpty());
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("иначе\n"));
    EXPECT_EQ(program->Document.CurrentType, TDocumentType::Age);
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("пароль"));
}

TEST_F(AgeDocument, OpensByContentWhateverTheName)
{
    const struct {
        const char* Name;
        std::string File;
        QString Shown;
        TDocumentType Type;
    } cases[] = {
        {"age-named.txtp", AgeFileOf("по содержимому\r\n", "pw"), QStringLiteral("по содержимому\n"), TDocumentType::Age},
        {"txtp-named.txt.age", EncodeTxtpFile("classic\r\n", "pw"), QStringLiteral("classic\n"), TDocumentType::Txtp},
        {"rich.txt.age", AgeFileOf("{\\rtf1 \\b bold\\b0}", "pw"), QStringLiteral("bold"), TDocumentType::Age},
        {"armored.asc", Armored(AgeFileOf("в броне\r\n", "pw")), QStringLiteral("в броне\n"), TDocumentType::Age},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(QLatin1String(c.Name), c.File);
        Open(QLatin1String(c.Name), QStringLiteral("pw"));
        EXPECT_TRUE(prompts.Errors.isEmpty());
        EXPECT_EQ(editor().toPlainText(), c.Shown);
        EXPECT_EQ(program->Document.CurrentType, c.Type);
        EXPECT_EQ(window().windowTitle(), QLatin1String(c.Name) + QStringLiteral(" - Тайнотека"));
    }
}

TEST_F(AgeDocument, FileThatDoesNotOpenLeavesTheDocumentAsItWas)
{
    const std::string good = AgeFileOf("secret\r\n", "right");
    std::string altered = good;
    altered[altered.size() - 20] ^= 1;
    std::string badArmor = Armored(good);
    badArmor[badArmor.find('\n') + 1] = '*';
    std::string tooHard = good;
    const std::size_t factor = tooHard.find(" 10\n");
    ASSERT_NE(factor, std::string::npos);
    tooHard.replace(factor, 4, " 23\n");
    const std::string keyed = "age-encryption.org/v1\n"
                              "-> X25519 TEiF0ypqr+bpvcqXNyCVJpL7OuwPdVwPL7KQEbFDOCc\n"
                              "EmECAEcKN+n/Vs9SbWiV+Hu0r+E8R77DdWYyd83nw7U\n"
                              "--- Vn+54jqiiUCE+WZcEVY3f1sqHjlu/z1LCQ/T7Xm7qI0\n" +
        std::string(16, 'n') + std::string(40, 'p');
    // Each message names the file and ends saying the document is unchanged.
    const QString damaged = QStringLiteral("» повреждён или изменён:\n");
    const QString keys = QStringLiteral("» зашифрован для ключей, а не паролем.\n");
    const QString hard = QStringLiteral("» защищён с такой сложностью проверки пароля,\n");
    const struct {
        const char* Name;
        std::string File;
        const char* Password;
        QString Says;
        bool AsksPassword = true; // a damaged or keyed header is refused before
    } cases[] = {
        {"wrong.txt.age", good, "wrong", kWrongPassword},
        {"altered.txt.age", altered, "right", damaged},
        {"cut.txt.age", good.substr(0, good.size() - 1), "right", damaged},
        {"header.txt.age", good.substr(0, 30), "right", damaged, false},
        {"armor.txt.age", badArmor, "right", damaged, false},
        {"keyed.txt.age", keyed, "right", keys, false},
        {"hard.txt.age", tooHard, "right", hard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenOverOwn(QLatin1String(c.Name), c.File, QLatin1String(c.Password));
        EXPECT_EQ(prompts.DialogsShown.size(), c.AsksPassword ? 1 : 0);
        ASSERT_EQ(prompts.Errors.size(), 1);
        EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Ошибка"));
        const QString& text = prompts.Errors[0].Text;
        if (c.Says == kWrongPassword)
            EXPECT_EQ(text, kWrongPassword);
        else
            EXPECT_TRUE(text.startsWith(QStringLiteral("Файл «%1").arg(QLatin1String(c.Name)) + c.Says) &&
                        text.endsWith(QStringLiteral("\nТекущий документ не изменён.")))
                << text.toStdString();
        ExpectUntouched();
    }
}

TEST_F(AgeDocument, SaveAsOffersTheTypePickedLastAndTheSettingsKeepIt)
{
    const QString ini = Path(QStringLiteral("options.ini"));
    const auto settingsNow = [&] {
        EXPECT_TRUE(SaveSettings(window().CollectSettings(), ini, 96).Ok);
        return TProfileFile(ini).ReadString(QStringLiteral("SAVE AS"), QStringLiteral("Type"), QStringLiteral("<none>"));
    };
    EXPECT_EQ(settingsNow(), QStringLiteral("<none>")) << "never picked: the file stays as it always was";

    // The strong type is offered first; picking .txtp once is remembered.
    ScriptNewPassword(QStringLiteral("pw"));
    SaveAs(QStringLiteral("a.txtp"), TDocumentType::Txtp);
    prompts.SaveNames.push_back(std::nullopt); // a cancelled dialog picks nothing
    window().MnuFileSaveAsClick();
    EXPECT_EQ(settingsNow(), QStringLiteral("txtp"));

    Start({});
    window().ApplySettings(LoadSettings(ini, program->Document.CurrentDir, editor().font(), 96));
    ScriptNewPassword(QStringLiteral("pw"));
    SaveAs(QStringLiteral("b.txt.age"), TDocumentType::Age);
    EXPECT_EQ(prompts.SaveTypesOffered,
              (QList<TDocumentType>{TDocumentType::Age, TDocumentType::Txtp, TDocumentType::Txtp}));
    EXPECT_EQ(settingsNow(), QStringLiteral("txt.age"));
}

TEST_F(AgeDocument, PasswordNoTxtpFileCanHoldIsRefusedThere)
{
    // Characters with no Windows-1251 byte, and more than a key block stores.
    for (const std::string password : {"αβγ", "twenty-one characters"}) {
        SCOPED_TRACE(password);
        prompts.Errors.clear();
        WriteFile("strong.txt.age", AgeFileOf("text\n", password));
        Open(QStringLiteral("strong.txt.age"), QString::fromStdString(password));
        ASSERT_TRUE(prompts.Errors.isEmpty());
        SaveAs(QStringLiteral("weak.txtp"), TDocumentType::Txtp);
        ASSERT_EQ(prompts.Errors.size(), 1);
        EXPECT_TRUE(prompts.Errors[0].Text.startsWith(QStringLiteral("Пароль документа длиннее 20 символов")));
        EXPECT_FALSE(QFile::exists(Path("weak.txtp")));
        EXPECT_EQ(window().windowTitle(), QStringLiteral("strong.txt.age - Тайнотека"));
    }
}

TEST_F(AgeDocument, WindowStaysLiveWhileTheKeyIsDerived)
{
    // The file is written on the worker thread, which waits here until the
    // interface thread has shown it handles events meanwhile.
    QSemaphore seen;
    TDocumentFile file{FastServices([&](const QString& path, const QByteArray& bytes) {
        if (!seen.tryAcquire(1, 60000))
            return TFileResult{false, QStringLiteral("interface frozen"), 0};
        return WriteFileAtomically(path, bytes);
    })};
    documentFile = &file;
    Start({});
    bool menuOff = false;
    bool busyCursor = false;
    QTimer::singleShot(0, &window(), [&] {
        menuOff = !window().MnuFile->menuAction()->isEnabled();
        busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        EXPECT_FALSE(window().close()) << "no closing in the middle of a save";
        seen.release();
    });
    ScriptNewPassword(QStringLiteral("pw"));
    SaveAs(QStringLiteral("live.txt.age"), TDocumentType::Age);
    EXPECT_TRUE(prompts.Errors.isEmpty());
    EXPECT_TRUE(menuOff);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window().MnuFile->menuAction()->isEnabled());
    EXPECT_TRUE(prompts.Questions.isEmpty()) << "the refused close asked nothing";
}

// The real work factor, once: what the age tool writes.
TEST(AgeDocumentFile, WritesTheStandardWorkFactor)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("real.txt.age"));
    ASSERT_EQ(TDocumentFile().Save(path, QStringLiteral("x"), QStringLiteral("pw"), TDocumentType::Age).Status,
              TSaveStatus::Ok);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> header = file.readAll().split('\n');
    ASSERT_GE(header.size(), 2);
    EXPECT_TRUE(header[1].startsWith("-> scrypt ") && header[1].endsWith(" 18")) << header[1].toStdString();
}

TEST_F(AgeDocument, NewDocumentsAreAgeFiles)
{
    // At start and after New: the strong type is offered and a bare name completed.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1)
            window().MnuFileNewClick(); // "No" to saving first
        EXPECT_EQ(program->Document.CurrentType, TDocumentType::Age);
        editor().LoadPlainText(QStringLiteral("note"));
        ScriptNewPassword(QStringLiteral("pw"));
        prompts.SaveNames.push_back(Path(QStringLiteral("bare%1").arg(round)));
        window().MnuFileSaveClick();
        EXPECT_EQ(prompts.SaveTypesOffered.value(round), TDocumentType::Age);
        EXPECT_EQ(PayloadOf(ReadFile(QStringLiteral("bare%1.txt.age").arg(round)), QStringLiteral("pw")), "note\n");
    }
}

TEST_F(AgeDocument, PasswordRulesFollowTheDocumentsType)
{
    // As passphrase advice has it: long, with spaces, punctuation and any script.
    const QString passphrase = QStringLiteral("Ёлка, «мост» & river: 42 bananas! ") + QString(990, QLatin1Char('x'));
    const QString tooLong = passphrase + QStringLiteral("yz");
    const struct {
        TDocumentType Type;
        QString Typed;
        QString Kept; // the document's password afterwards
        bool Refused;
    } cases[] = {
        {TDocumentType::Age, tooLong, passphrase, false}, // the field stops at 1,024
        {TDocumentType::Txtp, passphrase, QStringLiteral("old"), true}, // 20 characters, and outside the set
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Type));
        prompts.Errors.clear();
        program->Document.CurrentType = c.Type;
        program->Document.CurrentPassword = QStringLiteral("old");
        prompts.DialogScripts.push_back([&c](QDialog& d) {
            auto& dialog = static_cast<TFrmPasswordCreate&>(d);
            dialog.TxtPasswordOld->setText(QStringLiteral("old"));
            dialog.TxtPasswordNew->setText(c.Typed);
            dialog.TxtPasswordRetry->setText(c.Typed);
            dialog.BtnOkClick();
        });
        window().MnuEditPasswordClick();
        EXPECT_EQ(program->Document.CurrentPassword, c.Kept);
        EXPECT_EQ(prompts.Errors.size(), c.Refused ? 1 : 0);
    }
    // The file opens with the whole passphrase typed into the entry dialog.
    WriteFile("long.txt.age", AgeFileOf("длинный\n", passphrase.toStdString()));
    Open(QStringLiteral("long.txt.age"), passphrase);
    EXPECT_EQ(prompts.Errors.size(), 1) << "only the refusal above";
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("длинный\n"));
}

TEST_F(AgeDocument, CancelledPasswordCancelsAnAgeSave)
{
    // An untitled age document, and a .txtp without a password saved as age.
    for (const TDocumentType type : {TDocumentType::Age, TDocumentType::Txtp}) {
        SCOPED_TRACE(int(type));
        Start({});
        program->Document.CurrentType = type;
        editor().LoadPlainText(QStringLiteral("secret"));
        for (int dialogs = 0; dialogs < 2; ++dialogs)
            prompts.DialogScripts.push_back([](QDialog& d) { static_cast<TFrmPasswordCreate&>(d).BtnCancelClick(); });
        prompts.SaveTypes.push_back(TDocumentType::Age);
        prompts.SaveNames.push_back(Path(QStringLiteral("open.txt.age")));
        prompts.SaveTypesOffered.clear();
        window().MnuFileSaveClick();
        EXPECT_EQ(prompts.SaveTypesOffered.size(), type == TDocumentType::Age ? 0 : 1);
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("open.txt.age"))));
        EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
        prompts.DialogScripts.clear();
        prompts.SaveNames.clear();
        prompts.SaveTypes.clear();
    }
}

TEST_F(AgeDocument, OldTypeBarSavesChecksThenDeletesTheOldFile)
{
    const QString oldFormat = QStringLiteral("Этот файл в старом формате .txtp: его копию можно открыть без пароля.");
    WriteFile("notes.txtp", EncodeTxtpFile("old text\r\n", "pw"));
    Open(QStringLiteral("notes.txtp"), QStringLiteral("pw"));
    TUpgradeBar& bar = *window().UpgradeBar;
    ASSERT_TRUE(bar.isVisibleTo(&window()));
    EXPECT_EQ(bar.LblMessage->text(), oldFormat);

    prompts.SaveNames.push_back(Path(QStringLiteral("notes.txt.age")));
    bar.BtnUpgrade->click();
    EXPECT_EQ(prompts.SaveNamesSuggested.value(0), QStringLiteral("notes.txt.age"));
    EXPECT_EQ(prompts.SaveTypesOffered.value(0), TDocumentType::Age);
    EXPECT_EQ(PayloadOf(ReadFile("notes.txt.age"), QStringLiteral("pw")), "old text\n");
    EXPECT_EQ(bar.LblMessage->text(), QStringLiteral("Сохранено в notes.txt.age. Старый файл notes.txtp остался на диске."));
    ASSERT_TRUE(bar.BtnDeleteOld->isVisibleTo(&bar));

    prompts.Answers.push_back(TAnswer::No);
    bar.BtnDeleteOld->click();
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("notes.txtp"))));
    prompts.Answers.push_back(TAnswer::Yes);
    bar.BtnDeleteOld->click();
    EXPECT_EQ(prompts.Questions.last(), QStringLiteral("Удалить файл notes.txtp? Копии этого файла, сделанные раньше, "
                                                       "так и останутся открытыми для подбора."));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("notes.txtp"))));
    EXPECT_FALSE(bar.isVisibleTo(&window()));

    // Hidden for this file, it stays hidden until another .txtp is opened.
    WriteFile("other.txtp", EncodeTxtpFile("x\r\n", "pw"));
    Open(QStringLiteral("other.txtp"), QStringLiteral("pw"));
    bar.BtnHide->click();
    window().UpdateCaption();
    EXPECT_FALSE(bar.isVisibleTo(&window()));
}

TEST_F(AgeDocument, OldFileStaysWhenTheNewOneDoesNotOpen)
{
    // A writer that damages what it writes: the check after the save sees it.
    static TDocumentFile damaging{FastServices([](const QString& path, const QByteArray& bytes) {
        QByteArray changed = bytes;
        changed[changed.size() - 1] = char(changed[changed.size() - 1] ^ 1);
        return WriteFileAtomically(path, changed);
    })};
    documentFile = &damaging;
    Start({});
    WriteFile("notes.txtp", EncodeTxtpFile("old text\r\n", "pw"));
    Open(QStringLiteral("notes.txtp"), QStringLiteral("pw"));
    prompts.SaveNames.push_back(Path(QStringLiteral("notes.txt.age")));
    window().UpgradeBar->BtnUpgrade->click();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_TRUE(prompts.Errors[0].Text.startsWith(QStringLiteral("Новый файл «notes.txt.age» не открылся")));
    EXPECT_FALSE(window().UpgradeBar->BtnDeleteOld->isVisibleTo(window().UpgradeBar));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("notes.txtp"))));
}

TEST_F(AgeDocument, ArmoredFileIsSavedInItsArmourAgain)
{
    WriteFile("mail.age", Armored(AgeFileOf("из письма\n", "pw")));
    Open(QStringLiteral("mail.age"), QStringLiteral("pw"));
    ASSERT_TRUE(prompts.Errors.isEmpty());
    editor().LoadPlainText(QStringLiteral("ответ"));
    window().MnuFileSaveClick();
    const std::string saved = ReadFile("mail.age");
    EXPECT_EQ(saved.rfind("-----BEGIN AGE ENCRYPTED FILE-----\n", 0), 0u) << saved.substr(0, 40);
    EXPECT_EQ(PayloadOf(saved, QStringLiteral("pw")), "ответ\n");
    // A new document is written in the binary form.
    window().MnuFileNewClick();
    ScriptNewPassword(QStringLiteral("pw"));
    SaveAs(QStringLiteral("plain.txt.age"), TDocumentType::Age);
    EXPECT_EQ(ReadFile("plain.txt.age").rfind("age-encryption.org/v1\n", 0), 0u);
}

// age -p keeps any bytes; shown with U+FFFD in their place, they would be
// lost at the next save.
TEST_F(AgeDocument, TextThatIsNotUtf8IsRefusedWhereItStopsBeingSo)
{
    const struct {
        const char* Name;
        std::string Payload;
        int Byte; // from 1
    } cases[] = {
        {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2\n", 1},
        {"after utf-8", "ёж \xE5\xF8\xE5\n", 6},
        {"surrogate", "a\xED\xA0\x80", 2},
        {"cut short", "abc\xD0", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = AgeFileOf(c.Payload, "right");
        OpenOverOwn(QStringLiteral("cp.txt.age"), file, QStringLiteral("right"));
        ASSERT_EQ(prompts.Errors.size(), 1);
        EXPECT_EQ(prompts.Errors[0].Text,
                  QStringLiteral("Текст файла не в кодировке UTF-8 (байт %1). Файл не открыт.").arg(c.Byte));
        ExpectUntouched();
        EXPECT_EQ(ReadFile(QStringLiteral("cp.txt.age")), file);
    }
}

#ifdef Q_OS_LINUX
// Work factor 22 makes scrypt take 4 GiB: with less at hand the derivation
// is not started, and the message gives its need, not the file's.
TEST_F(AgeDocument, KeyDerivationBeyondTheMemoryThereIsIsNotStarted)
{
    std::string file = AgeFileOf("secret\n", "right");
    const std::size_t factor = file.find(" 10\n");
    ASSERT_NE(factor, std::string::npos);
    file.replace(factor, 4, " 22\n");
    WriteFile(QStringLiteral("hard.txt.age"), file);
    editor().LoadPlainText(QStringLiteral("mine"));
    program->Document.CurrentPassword = QStringLiteral("own");
    {
        TAddressSpaceLimit limit(1u << 30);
        Open(QStringLiteral("hard.txt.age"), QStringLiteral("right"));
    }
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Text, QStringLiteral("Не хватает памяти, чтобы открыть файл «hard.txt.age»\n"
                                                     "(нужно около 4 097 МБ).\nТекущий документ не изменён."));
    ExpectUntouched();
}
#endif

// A character takes at most four bytes of UTF-8: a payload larger than four
// times the editing area's limit is refused from the file's size, before the
// file is read whole or a password asked for.
TEST_F(AgeDocument, FileTooLargeForTheEditingAreaIsRefusedFromItsSize)
{
    editor().SetTextLimit(1000);
    const struct {
        const char* Name;
        std::string File;
        QString Says;
        bool AsksPassword;
    } cases[] = {
        {"big.txt.age", AgeFileOf(std::string(4001, 'a'), "pw"),
         QStringLiteral("Документ слишком велик: в файле «big.txt.age» не меньше 1 001 символов,\n"
                        "а в редакторе помещается не больше 1 000.\nТекущий документ не изменён."),
         false},
        {"big.age", Armored(AgeFileOf(std::string(8000, 'a'), "pw")), QStringLiteral("» не меньше "), false},
        {"edge.txt.age", AgeFileOf(std::string(4000, 'a'), "pw"),
         QStringLiteral("Документ слишком велик: в файле «edge.txt.age» 4 000 символов,\n"
                        "а в редакторе помещается не больше 1 000.\nТекущий документ не изменён."),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenOverOwn(QLatin1String(c.Name), c.File, QStringLiteral("pw"));
        EXPECT_EQ(prompts.DialogsShown.size(), c.AsksPassword ? 1 : 0);
        ASSERT_EQ(prompts.Errors.size(), 1);
        EXPECT_TRUE(prompts.Errors[0].Text.contains(c.Says))
            << prompts.Errors[0].Text.toStdString();
        ExpectUntouched();
    }
}
