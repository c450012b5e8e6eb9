#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <stdexcept>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "CodePage1251.h"
#include "DocumentFile.h"
#include "FileName.h"
#include "MainWindowFixture.h"
#include "RandomSource.h"
#include "SystemError.h"
#include "SystemLimits.h"
#include "ToolbarPanel.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

const QString kAskNew = QStringLiteral("Перед созданием нового файла\nсохранить текущий текст в файл?");
const QString kAskOpen = QStringLiteral("Перед открытием другого файла\nсохранить текущий текст в файл?");
const QString kAskClose = QStringLiteral("Сохранить текущий текст в файл?");
const QString kWrongPassword =
    QStringLiteral("Пароль введён неверно или\nформат выбранного для открытия файла\nне соответствует программе.");
const QString kShortFile = QStringLiteral("Формат выбранного для открытия файла\nне соответствует программе.");

std::string Cp1251(const QString& text) { return Utf16ToCp1251(text.toStdU16String()).Bytes; }

} // namespace

class DocumentCommands : public MainWindowFixture {
protected:
    // Saves the editor's text as a new document under a password.
    void SaveAsNew(const QString& name, const QString& password)
    {
        ScriptNewPassword(password);
        prompts.SaveNames.push_back(Path(name));
        window().MnuFileSaveClick();
    }
};

TEST_F(DocumentCommands, SaveUntitledAsksPasswordThenNameAndWritesTheFile)
{
    editor().LoadPlainText(QStringLiteral("Первая\nвторая"));
    SaveAsNew("doc.txtp", QStringLiteral("пароль"));
    EXPECT_EQ(prompts.DialogsShown, QStringList{"FrmPasswordCreate"});
    EXPECT_EQ(window().windowTitle(), QStringLiteral("doc.txtp - Тайнотека"));
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("пароль"));
    const TDecodedFile file = DecodeTxtpFile(ReadFile("doc.txtp"), Cp1251(QStringLiteral("пароль")));
    ASSERT_EQ(file.Status, TDecodeStatus::Ok);
    EXPECT_EQ(file.Body, Cp1251(QStringLiteral("Первая\r\nвторая\r\n")));
    EXPECT_EQ(window().OpenDialog.InitialDir, QDir::toNativeSeparators(folder.path()));
    EXPECT_EQ(window().SaveDialog.InitialDir, window().OpenDialog.InitialDir);
}

TEST_F(DocumentCommands, NamedDocumentSavesAtOnceWithFreshKeys)
{
    editor().LoadPlainText(QStringLiteral("text"));
    SaveAsNew("a.txtp", QStringLiteral("pw"));
    const std::string first = ReadFile("a.txtp");
    window().MnuFileSaveClick();
    EXPECT_EQ(prompts.DialogsShown.size(), 1) << "no password dialog the second time";
    EXPECT_TRUE(prompts.SaveNames.empty());
    const std::string second = ReadFile("a.txtp");
    EXPECT_EQ(first.size(), second.size());
    EXPECT_NE(first, second);
}

TEST_F(DocumentCommands, CancelledPasswordStillSavesATxtpUnderEmptyPassword)
{
    program->Document.CurrentType = TDocumentType::Txtp;
    editor().LoadPlainText(QStringLiteral("open to all"));
    prompts.DialogScripts.push_back([](QDialog& d) { static_cast<TFrmPasswordCreate&>(d).BtnCancelClick(); });
    prompts.SaveNames.push_back(Path("open.txtp"));
    window().MnuFileSaveAsClick();
    EXPECT_EQ(DecodeTxtpFile(ReadFile("open.txtp"), "").Status, TDecodeStatus::Ok);
}

TEST_F(DocumentCommands, OpenRestoresTextNamePasswordAndFolders)
{
    WriteFile("Letter.TXTP", EncodeTxtpFile(Cp1251(QStringLiteral("строка 1\r\nline 2\r\n")), Cp1251("секрет")));
    editor().LoadPlainText(QStringLiteral("old"));
    prompts.Answers.push_back(TAnswer::No);
    prompts.OpenNames.push_back(Path("Letter.TXTP"));
    ScriptTypedPassword(QStringLiteral("секрет"));
    window().MnuFileOpenClick();
    EXPECT_EQ(prompts.Questions, QStringList{kAskOpen});
    EXPECT_TRUE(prompts.Errors.isEmpty());
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("строка 1\nline 2\n"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Letter.TXTP - Тайнотека"));
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("секрет"));
    EXPECT_EQ(window().StatusPanel->text(), QStringLiteral("Количество символов:    18"));
    EXPECT_FALSE(editor().document()->isUndoAvailable());
}

TEST_F(DocumentCommands, WrongPasswordChangesNothing)
{
    WriteFile("x.txtp", EncodeTxtpFile("secret text\r\n", "right"));
    editor().LoadPlainText(QStringLiteral("mine"));
    program->Document.CurrentPassword = QStringLiteral("own");
    prompts.Answers.push_back(TAnswer::No);
    prompts.OpenNames.push_back(Path("x.txtp"));
    ScriptTypedPassword(QStringLiteral("wrong"));
    window().MnuFileOpenClick();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Ошибка"));
    EXPECT_EQ(prompts.Errors[0].Text, kWrongPassword);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("mine"));
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("own"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    EXPECT_TRUE(window().RichEditText->isEnabled()) << "commands back on after a failure";
}

TEST_F(DocumentCommands, ShortFileNeverAsksThePassword)
{
    WriteFile("short.txtp", std::string(199, 'a'));
    prompts.OpenNames.push_back(Path("short.txtp"));
    window().MnuFileOpenClick();
    EXPECT_TRUE(prompts.DialogsShown.isEmpty());
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Ошибка"));
    EXPECT_EQ(prompts.Errors[0].Text, kShortFile);
}

TEST_F(DocumentCommands, ExactlyTwoHundredBytesOpensEmpty)
{
    WriteFile("empty.txtp", EncodeTxtpFile("", ""));
    editor().LoadPlainText(QStringLiteral("before"));
    prompts.OpenNames.push_back(Path("empty.txtp"));
    prompts.DialogScripts.push_back([](QDialog&) {}); // closed with the close box, nothing typed
    window().MnuFileOpenClick();
    EXPECT_TRUE(prompts.Errors.isEmpty());
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_EQ(window().windowTitle(), QStringLiteral("empty.txtp - Тайнотека"));
}

TEST_F(DocumentCommands, CommandsAreOffWhileTheFileIsRead)
{
    WriteFile("a.txtp", EncodeTxtpFile("x", ""));
    prompts.OpenNames.push_back(Path("a.txtp"));
    bool editorOn = true, fileMenuOn = true, toolbarOn = true;
    prompts.DialogScripts.push_back([&](QDialog&) {
        editorOn = window().RichEditText->isEnabled();
        fileMenuOn = window().MnuFile->menuAction()->isEnabled();
        toolbarOn = window().RzToolbarPictures->isEnabled();
    });
    window().MnuFileOpenClick();
    EXPECT_FALSE(editorOn);
    EXPECT_FALSE(fileMenuOn);
    EXPECT_FALSE(toolbarOn);
    EXPECT_TRUE(window().MnuHelp->menuAction()->isEnabled());
}

TEST_F(DocumentCommands, RichTextBodyOpensFormattedAndSavesPlain)
{
    WriteFile("r.txtp", EncodeTxtpFile("{\\rtf1\\ansi {\\b bold} plain\\par next}", ""));
    prompts.OpenNames.push_back(Path("r.txtp"));
    window().MnuFileOpenClick();
    ASSERT_EQ(editor().toPlainText(), QStringLiteral("bold plain\nnext"));
    const QTextBlock first = editor().document()->firstBlock();
    EXPECT_EQ(first.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    window().MnuFileSaveClick();
    EXPECT_EQ(DecodeTxtpFile(ReadFile("r.txtp"), "").Body, "bold plain\r\nnext\r\n");
}

TEST_F(DocumentCommands, NewAsksAndResets)
{
    WriteFile("a.txtp", EncodeTxtpFile("abc", "pw"));
    prompts.OpenNames.push_back(Path("a.txtp"));
    ScriptTypedPassword("pw");
    window().MnuFileOpenClick();
    prompts.Answers.push_back(TAnswer::No);
    window().MnuFileNewClick();
    EXPECT_EQ(prompts.Questions.last(), kAskNew);
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_FALSE(editor().document()->isUndoAvailable());
    EXPECT_TRUE(program->Document.CurrentPassword.isEmpty());
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    EXPECT_EQ(program->Document.CurrentDir, QDir::toNativeSeparators(folder.path() + QLatin1Char('/')));
    EXPECT_EQ(window().OpenDialog.InitialDir, QDir::toNativeSeparators(folder.path())) << "dialogs keep their folder";
}

TEST_F(DocumentCommands, YesWhoseSaveIsCancelledCallsTheCommandOff)
{
    editor().LoadPlainText(QStringLiteral("unsaved work"));
    prompts.Answers.push_back(TAnswer::Yes);
    prompts.SaveNames.push_back(std::nullopt); // save dialog cancelled
    window().MnuFileNewClick();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("unsaved work"));

    prompts.Answers.push_back(TAnswer::Yes);
    prompts.SaveNames.push_back(std::nullopt);
    window().MnuFileOpenClick();
    EXPECT_TRUE(prompts.OpenStartFolders.isEmpty()) << "the open dialog is not shown";
}

TEST_F(DocumentCommands, CloseQuestionAnswers)
{
    window().show();
    prompts.Answers.push_back(TAnswer::Cancel);
    EXPECT_FALSE(window().close());
    EXPECT_EQ(prompts.Questions, QStringList{kAskClose});

    prompts.Answers.push_back(TAnswer::Yes);
    prompts.SaveNames.push_back(std::nullopt);
    EXPECT_FALSE(window().close()) << "a save that did not happen keeps the program open";

    prompts.Answers.push_back(TAnswer::No);
    EXPECT_TRUE(window().close());
}

TEST_F(DocumentCommands, UnmappableCharacterRefusesTheSaveAndShowsWhere)
{
    editor().LoadPlainText(QStringLiteral("ok\nnot ok: é and €"));
    SaveAsNew("u.txtp", "pw");
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Тайнотека"));
    EXPECT_TRUE(prompts.Errors[0].Text.contains(QStringLiteral("«é» (U+00E9) в строке 2, позиция 9")))
        << prompts.Errors[0].Text.toStdString();
    EXPECT_EQ(editor().textCursor().position(), 11) << "the caret goes to it";
    EXPECT_FALSE(QFile::exists(Path("u.txtp")));
    EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
}

TEST_F(DocumentCommands, NulCharacterIsRefusedNotCutOff)
{
    editor().LoadPlainText(QStringLiteral("before"));
    QTextCursor(editor().document()).insertText(QString(QChar(0)) + QStringLiteral("x\n"));
    editor().moveCursor(QTextCursor::End);
    prompts.Answers.push_back(TAnswer::Yes); // New asks to save first; the save is refused
    ScriptNewPassword("pw");
    prompts.SaveNames.push_back(Path("n.txtp"));
    window().MnuFileNewClick();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_TRUE(prompts.Errors[0].Text.contains(QStringLiteral("NUL (U+0000) в строке 1, позиция 1")));
    EXPECT_EQ(editor().textCursor().position(), 0);
    EXPECT_FALSE(QFile::exists(Path("n.txtp")));
    EXPECT_TRUE(editor().toPlainText().endsWith(QStringLiteral("before"))) << "New was called off";
}

#ifdef Q_OS_UNIX
TEST_F(DocumentCommands, FailedWriteKeepsTheOldFileAndTheName)
{
    editor().LoadPlainText(QStringLiteral("v1"));
    SaveAsNew("keep.txtp", "pw");
    const std::string before = ReadFile("keep.txtp");
    editor().LoadPlainText(QString(3000, QLatin1Char('v')));
    {
        TFileSizeLimit limit(1000); // refuses the write whoever runs this
        window().MnuFileSaveClick();
        prompts.SaveNames.push_back(Path("other.txtp"));
        window().MnuFileSaveAsClick();
    }
    ASSERT_EQ(prompts.Errors.size(), 2);
    EXPECT_EQ(prompts.Errors[0].Text, QDir::toNativeSeparators(Path("keep.txtp")) + QStringLiteral(": Файл слишком велик"));
    EXPECT_EQ(ReadFile("keep.txtp"), before);
    EXPECT_FALSE(QFile::exists(Path("other.txtp")));
    EXPECT_EQ(program->Document.CurrentFileName, QStringLiteral("keep.txtp"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("keep.txtp - Тайнотека"));
}

TEST_F(DocumentCommands, FullDiskSaysSo)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    editor().LoadPlainText(QStringLiteral("text"));
    ScriptNewPassword("pw");
    prompts.SaveTypes.push_back(TDocumentType::Txtp); // no extension added to the device's name
    prompts.SaveNames.push_back(QStringLiteral("/dev/full"));
    window().MnuFileSaveClick();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Тайнотека"));
    EXPECT_EQ(prompts.Errors[0].Text, QStringLiteral("/dev/full: На устройстве не осталось свободного места"));
    EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
}
#endif

TEST_F(DocumentCommands, FileBeyondTheMemoryThereIsLeavesTheDocumentAlone)
{
    WriteFile("big.txtp", EncodeTxtpFile(std::string(1 << 20, 'a'), ""));
    TDocumentFile small(TDocumentFileServices{[] { return std::optional<quint64>(3u << 20); }, {}, nullptr});
    documentFile = &small;
    Start({});
    editor().LoadPlainText(QStringLiteral("mine"));
    prompts.OpenNames.push_back(Path("big.txtp"));
    window().MnuFileOpenClick();
    EXPECT_TRUE(prompts.DialogsShown.isEmpty()) << "no password asked for a file that cannot be opened";
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Ошибка"));
    EXPECT_EQ(prompts.Errors[0].Text,
              QStringLiteral("Файл «big.txtp» слишком велик для свободной памяти:\n"
                             "для его открытия нужно около 9 МБ, а свободно около 3 МБ.\n"
                             "Текущий документ не изменён."));
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("mine"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    EXPECT_TRUE(window().RichEditText->isEnabled());
    program.reset();
}

#ifdef Q_OS_LINUX
TEST_F(DocumentCommands, TextOfManyLinesBeyondTheAddressSpaceIsRefusedWithTheFigures)
{
    // Two million line ends: 4 MB on disk, a few hundred MB as blocks of the
    // editing area, more than the process may take.
    WriteFile("lines.txtp", EncodeTxtpFile(std::string(2'000'000, '\n'), "pw"));
    editor().LoadPlainText(QStringLiteral("mine"));
    prompts.OpenNames.push_back(Path("lines.txtp"));
    ScriptTypedPassword("pw");
    {
        TAddressSpaceLimit limit(150u << 20);
        window().MnuFileOpenClick();
    }
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_TRUE(prompts.Errors[0].Text.startsWith(QStringLiteral("Файл «lines.txtp» слишком велик для свободной памяти")))
        << prompts.Errors[0].Text.toStdString();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("mine"));
    EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
}
#endif

TEST_F(DocumentCommands, FailingRandomSourceGivesAMessageAndNoFile)
{
    struct : TRandomSource {
        uint32_t Random(uint32_t) override { throw std::runtime_error("no randomness"); }
    } failing;
    TDocumentFile broken(TDocumentFileServices{{}, {}, &failing});
    documentFile = &broken;
    Start({});
    editor().LoadPlainText(QStringLiteral("text"));
    SaveAsNew("r.txtp", "pw");
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Тайнотека"));
    EXPECT_EQ(prompts.Errors[0].Text,
              QStringLiteral("Система не дала случайных чисел для ключей шифрования.\nФайл не сохранён."));
    EXPECT_FALSE(QFile::exists(Path("r.txtp")));
    EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
    program.reset();
}

TEST_F(DocumentCommands, CommandLineFileOpensAtFirstActivation)
{
    WriteFile("Letter.TXTP", EncodeTxtpFile("hi", "pw"));
    WriteFile("note.txt", EncodeTxtpFile("hi", "pw"));
    Start({Path("Letter.TXTP"), Path("note.txt")});
    ScriptTypedPassword("pw");
    window().FormActivate();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Letter.TXTP - Тайнотека"));
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("hi\n"));

    for (const QString& name : {QStringLiteral("note.txt"), QStringLiteral("missing.txtp")}) {
        prompts.DialogsShown.clear();
        Start({Path(name)});
        window().FormActivate();
        EXPECT_TRUE(prompts.DialogsShown.isEmpty()) << name.toStdString();
        EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    }
}

#ifdef Q_OS_UNIX
TEST_F(DocumentCommands, PathThatIsNoReadableFileSaysWhy)
{
    QDir(folder.path()).mkdir(QStringLiteral("dir.txtp"));
    WriteFile("plain", "not a folder");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.txtp")).constData(), 0600), 0);
    const struct {
        const char* Name;
        bool FromDialog;
        QString Reason;
    } cases[] = {
        {"missing.txtp", false, SystemErrorText(ENOENT)}, {"dir.txtp", false, SystemErrorText(EISDIR)},
        {"plain/x.txtp", false, SystemErrorText(ENOTDIR)}, {"pipe.txtp", false, NotAFileReason()},
        {"missing.txtp", true, SystemErrorText(ENOENT)},
    };
    for (const auto& c : cases) {
        prompts.Errors.clear();
        Start(c.FromDialog ? QStringList() : QStringList{Path(c.Name)});
        if (c.FromDialog) {
            prompts.OpenNames.push_back(Path(c.Name));
            window().MnuFileOpenClick();
        } else {
            window().FormActivate();
        }
        ASSERT_EQ(prompts.Errors.size(), 1) << c.Name;
        EXPECT_EQ(prompts.Errors[0].Text, Path(c.Name) + QStringLiteral(": ") + c.Reason);
        EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    }
}

TEST_F(DocumentCommands, NameThatIsNotUtf8OpensAndSavesUnderItsOwnBytes)
{
    const QByteArray name("\xff\xc0-old.txtp");
    const QByteArray path = QFile::encodeName(folder.path()) + '/' + name;
    const std::string file = EncodeTxtpFile("hi", "pw");
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, file.data(), file.size()), ssize_t(file.size()));
    ::close(fd);
    char self[] = "tainoteka";
    QByteArray argument = path;
    char* argv[] = {self, argument.data()};
    Start(ProgramArguments(2, argv));
    ScriptTypedPassword("pw");
    window().FormActivate();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("hi\n"));
    EXPECT_EQ(FileNameForSystem(program->Document.CurrentFileName), name);
    editor().LoadPlainText(QStringLiteral("saved"));
    window().MnuFileSaveClick();
    EXPECT_TRUE(prompts.Errors.isEmpty());
    int entries = 0;
    DIR* dir = ::opendir(QFile::encodeName(folder.path()).constData());
    while (const dirent* entry = ::readdir(dir))
        entries += entry->d_name[0] != '.';
    ::closedir(dir);
    EXPECT_EQ(entries, 1) << "the same file, no other";
    char buffer[4096];
    const int in = ::open(path.constData(), O_RDONLY);
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    ::close(in);
    ::unlink(path.constData()); // a name Qt could not remove
    EXPECT_EQ(DecodeTxtpFile(std::string(buffer, std::size_t(std::max<ssize_t>(got, 0))), "pw").Body, "saved\r\n");
}
#endif

TEST_F(DocumentCommands, FileChangedByAnotherProgramIsWrittenOverOnlyWhenAsked)
{
    const QString question = QStringLiteral("Файл изменён другой программой. Сохранить поверх?");
    editor().LoadPlainText(QStringLiteral("mine"));
    SaveAsNew("shared.txtp", "pw");
    window().MnuFileSaveClick();
    EXPECT_FALSE(prompts.Questions.contains(question)) << "its own writes are no change";
    const std::string theirs = EncodeTxtpFile("theirs, longer", "pw");
    WriteFile("shared.txtp", theirs);
    prompts.Answers = {TAnswer::No};
    window().MnuFileSaveClick();
    EXPECT_EQ(prompts.Questions.count(question), 1);
    EXPECT_EQ(ReadFile("shared.txtp"), theirs);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("mine"));
    prompts.Answers = {TAnswer::Yes};
    window().MnuFileSaveClick();
    EXPECT_EQ(DecodeTxtpFile(ReadFile("shared.txtp"), "pw").Body, "mine\r\n");
}

TEST_F(DocumentCommands, TextBeyondTheLimitIsRefusedAndTheDocumentKept)
{
    editor().LoadPlainText(QStringLiteral("kept"));
    SaveAsNew("kept.txtp", "pw");
    editor().SetTextLimit(100);
    std::string markup = "{\\rtf1 ";
    while (markup.size() < 150)
        markup += "\\b\\b0 ";
    const struct {
        std::string Text; // stored with CR LF after the last line
        bool Opens;
    } cases[] = {
        {std::string(98, 'x'), true}, // 100 characters: at the limit
        {std::string(99, 'x'), false},
        {markup + "hi}", true}, // long markup, short text
        {"{\\rtf1 " + std::string(120, 'y') + "}", false},
    };
    for (const auto& c : cases) {
        prompts.Errors.clear();
        WriteFile("other.txtp", EncodeTxtpFile(c.Text, "pw"));
        prompts.OpenNames.push_back(Path("other.txtp"));
        ScriptTypedPassword("pw");
        window().MnuFileOpenClick();
        EXPECT_EQ(program->Document.CurrentFileName == QStringLiteral("other.txtp"), c.Opens) << c.Text;
        if (c.Opens) {
            EXPECT_TRUE(prompts.Errors.isEmpty());
            prompts.OpenNames.push_back(Path("kept.txtp"));
            ScriptTypedPassword("pw");
            window().MnuFileOpenClick();
            continue;
        }
        ASSERT_EQ(prompts.Errors.size(), 1) << c.Text;
        EXPECT_TRUE(prompts.Errors[0].Text.startsWith(QStringLiteral("Документ слишком велик: в файле «other.txtp»")))
            << prompts.Errors[0].Text.toStdString();
        EXPECT_EQ(editor().toPlainText(), QStringLiteral("kept\n"));
        EXPECT_EQ(program->Document.CurrentFileName, QStringLiteral("kept.txtp"));
    }
}

TEST_F(DocumentCommands, PasswordCommandChangesOnlyThePassword)
{
    editor().LoadPlainText(QStringLiteral("t"));
    SaveAsNew("p.txtp", "old");
    const std::string onDisk = ReadFile("p.txtp");
    prompts.DialogScripts.push_back([](QDialog& d) {
        auto& dialog = static_cast<TFrmPasswordCreate&>(d);
        dialog.TxtPasswordOld->setText("old");
        dialog.TxtPasswordNew->setText("new");
        dialog.TxtPasswordRetry->setText("new");
        dialog.BtnOkClick();
    });
    window().MnuEditPasswordClick();
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("new"));
    EXPECT_EQ(ReadFile("p.txtp"), onDisk);
    window().MnuFileSaveClick();
    EXPECT_EQ(DecodeTxtpFile(ReadFile("p.txtp"), "new").Status, TDecodeStatus::Ok);
}

TEST_F(DocumentCommands, UnwritablePathIsReportedAndNotAdopted)
{
    // A plain file standing where a folder should be fails for every user, root included.
    WriteFile("plain", "not a folder");
    editor().LoadPlainText(QStringLiteral("text"));
    SaveAsNew("first.txtp", "pw");
    prompts.SaveNames.push_back(Path("plain/second.txtp"));
    window().MnuFileSaveAsClick();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Тайнотека"));
    EXPECT_TRUE(prompts.Errors[0].Text.startsWith(QDir::toNativeSeparators(Path("plain/second.txtp"))));
    EXPECT_EQ(program->Document.CurrentFileName, QStringLiteral("first.txtp"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("first.txtp - Тайнотека"));
    EXPECT_TRUE(window().RichEditText->isEnabled());
}

namespace {

// Everything the field's undo history can still give back, with the echo
// shown (in password mode the field offers no undo, but it keeps the history).
QStringList RecoverableTexts(QLineEdit& field)
{
    field.setEchoMode(QLineEdit::Normal);
    QStringList seen;
    for (int step = 0; step < 50; ++step) {
        field.undo();
        if (!field.text().isEmpty())
            seen.append(field.text());
    }
    field.setEchoMode(QLineEdit::Password);
    return seen;
}

} // namespace

TEST_F(DocumentCommands, NoTypedPasswordCanBeBroughtBackFromTheEntryDialog)
{
    WriteFile("x.txtp", EncodeTxtpFile("text\r\n", "right"));
    for (const char* typed : {"right", "wrong", "right"}) {
        prompts.Answers.push_back(TAnswer::No);
        prompts.OpenNames.push_back(Path("x.txtp"));
        prompts.DialogScripts.push_back([typed](QDialog& d) {
            auto& dialog = static_cast<TFrmPasswordEnter&>(d);
            QTest::keyClicks(dialog.TxtPassword, QString::fromLatin1(typed)); // typed, so undo records it
            dialog.BtnOkClick();
        });
        window().MnuFileOpenClick();
    }
    ASSERT_EQ(prompts.Errors.size(), 1) << "the wrong one failed, the right ones opened";
    QLineEdit& field = *program->FrmPasswordEnter.TxtPassword;
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(RecoverableTexts(field), QStringList());
}

TEST_F(DocumentCommands, NoTypedPasswordStaysInTheClosedChangeDialog)
{
    TFrmPasswordCreate& dialog = program->FrmPasswordCreate;
    const auto typeAll = [](TFrmPasswordCreate& d, const char* retry) {
        QTest::keyClicks(d.TxtPasswordNew, QStringLiteral("new1"));
        QTest::keyClicks(d.TxtPasswordRetry, QString::fromLatin1(retry));
    };
    // A mismatch keeps the dialog and what was typed; cancelling then closes it.
    prompts.DialogScripts.push_back([&](QDialog&) {
        typeAll(dialog, "new2");
        dialog.BtnOkClick();
        EXPECT_EQ(dialog.TxtPasswordNew->text(), QStringLiteral("new1")) << "still there to correct";
        dialog.BtnCancelClick();
    });
    window().MnuEditPasswordClick();
    prompts.DialogScripts.push_back([&](QDialog&) {
        typeAll(dialog, "new1");
        dialog.BtnOkClick();
    });
    window().MnuEditPasswordClick();
    EXPECT_EQ(program->Document.CurrentPassword, QStringLiteral("new1"));
    for (QLineEdit* field : {dialog.TxtPasswordOld, dialog.TxtPasswordNew, dialog.TxtPasswordRetry}) {
        EXPECT_EQ(field->text(), QString());
        EXPECT_EQ(RecoverableTexts(*field), QStringList());
    }
}

TEST_F(DocumentCommands, TitleMarksUnsavedChangesUntilSaveOpenOrNew)
{
    const auto typeKey = [this] { QTest::keyClick(&editor(), Qt::Key_X); };
    typeKey();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("*Безымянный - Тайнотека"));
    SaveAsNew("mark.txtp", QStringLiteral("pw"));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("mark.txtp - Тайнотека"));
    typeKey();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("*mark.txtp - Тайнотека"));
    window().MnuFileNewClick(); // "No" to saving first
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    typeKey();
    prompts.OpenNames.push_back(Path("mark.txtp"));
    ScriptTypedPassword(QStringLiteral("pw"));
    window().MnuFileOpenClick();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("mark.txtp - Тайнотека"));
}

TEST_F(DocumentCommands, UndoAndRedoInTheMenuFollowTheText)
{
    window().show();
    editor().setFocus();
    EXPECT_FALSE(window().MnuEditUndo->isEnabled());
    EXPECT_FALSE(window().MnuEditRedo->isEnabled());
    QTest::keyClicks(&editor(), QStringLiteral("ab"));
    ASSERT_TRUE(window().MnuEditUndo->isEnabled());
    QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_TRUE(window().MnuEditRedo->isEnabled());
    QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("ab"));
    window().MnuEditUndo->trigger();
    window().MnuEditRedo->trigger();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("ab"));
    EXPECT_FALSE(window().MnuEditRedo->isEnabled());
}

TEST_F(DocumentCommands, SaveAsOffersTheDocumentsOwnNameAndFolder)
{
    editor().LoadPlainText(QStringLiteral("text"));
    SaveAsNew("own.txtp", QStringLiteral("pw"));
    prompts.SaveNames.push_back(std::nullopt);
    window().MnuFileSaveAsClick();
    EXPECT_EQ(prompts.SaveNamesSuggested.value(1), QStringLiteral("own.txtp"));
    EXPECT_EQ(prompts.SaveStartFolders.value(1), program->Document.CurrentDir);
    window().MnuFileNewClick();
    prompts.SaveNames.push_back(std::nullopt);
    ScriptNewPassword(QStringLiteral("pw"));
    window().MnuFileSaveAsClick();
    EXPECT_EQ(prompts.SaveNamesSuggested.value(2), QString()) << "an untitled document is offered no name";
}

TEST_F(DocumentCommands, RefusedOpenAtStartLeavesTheTitleUnmarked)
{
    WriteFile("Letter.txtp", EncodeTxtpFile("text\r\n", "right"));
    Start({Path("Letter.txtp")});
    window().show();
    ScriptTypedPassword(QStringLiteral("wrong"));
    window().FormActivate();
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
}
