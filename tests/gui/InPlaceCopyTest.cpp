// A save into a folder that refuses new files writes the file over its own
// bytes; the copy it keeps meanwhile in the state folder is offered after a
// crash, with the recovery question.
#include <QFile>

#include "DocumentFile.h"
#include "InPlaceCopy.h"
#include "MainWindowFixture.h"
#include "SystemLimits.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/wait.h>
#endif

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

const QString kPassword = QStringLiteral("пароль-Key7");

} // namespace

class InPlaceCopy : public MainWindowFixture {
protected:
    QStringList CopiesOf(const char* pattern) const
    {
        return QDir(RecoveryFolder()).entryList({QLatin1String(pattern)}, QDir::Files);
    }
    TDocumentFileServices Services() const
    {
        TDocumentFileServices services;
        services.CopyFolder = RecoveryFolder();
        return services;
    }
};

// "Да" is the kill test's below.
TEST_F(InPlaceCopy, LeftCopyIsAskedAboutUnlessTheFileHoldsIt)
{
    ASSERT_EQ(TDocumentFile(Services()).Save(Path(QStringLiteral("new.txtp")), QStringLiteral("новый"), kPassword).Status,
              TSaveStatus::Ok);
    const std::string saved = ReadFile(QStringLiteral("new.txtp"));
    const struct {
        const char* Name;
        std::string OnDisk;
        std::optional<TAnswer> Answer; // none: nothing is asked
        bool CopyKept;
    } cases[] = {
        {"wrong password", saved.substr(0, saved.size() / 2), TAnswer::Yes, true},
        {"no", saved.substr(0, saved.size() / 2), TAnswer::No, false},
        {"later", saved.substr(0, saved.size() / 2), TAnswer::Cancel, true},
        {"file already whole", saved, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString copy = RecoveryFolder() + QStringLiteral("/0123456789abcdef.inplace");
        QDir().mkpath(RecoveryFolder());
        QFile file(copy);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(EncodeInPlaceCopy({Path(QStringLiteral("Заметка.txtp")), QByteArray::fromStdString(saved)}));
        file.close();
        WriteFile(QStringLiteral("Заметка.txtp"), c.OnDisk);
        const QString when = QFileInfo(copy).lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        Start({});
        prompts.Questions.clear();
        prompts.Errors.clear();
        if (c.Answer)
            prompts.Answers.push_back(*c.Answer);
        ScriptTypedPassword(QStringLiteral("wrong"));
        window().FormActivate();
        prompts.DialogScripts.clear();
        EXPECT_EQ(prompts.Questions, c.Answer ? QStringList{QStringLiteral("Найден несохранённый текст от %1. Восстановить?").arg(when)}
                                              : QStringList{});
        EXPECT_EQ(prompts.Errors.size(), c.Answer == TAnswer::Yes ? 1 : 0);
        EXPECT_EQ(editor().toPlainText(), QString());
        EXPECT_EQ(QFileInfo::exists(copy), c.CopyKept);
        EXPECT_EQ(ReadFile(QStringLiteral("Заметка.txtp")), c.OnDisk) << "the file waits for the user's save";
    }
}

#ifdef Q_OS_UNIX
// A large save into a folder nobody may add files to, stopped half-way
// through writing the file and killed: the next start offers the copy, and
// once it is back the document saves whole.
TEST_F(InPlaceCopy, SaveKilledHalfWayIsOfferedAtTheNextStart)
{
    const QString lockedDir = Path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(lockedDir));
    const QString doc = lockedDir + QStringLiteral("/Большой.txtp");
    QString oldText, newText;
    for (int line = 0; line < 200000; ++line) {
        oldText += QStringLiteral("старая строка %1\n").arg(line);
        newText += QStringLiteral("новая строка номер %1\n").arg(line);
    }
    const TDocumentFile files(Services());
    ASSERT_EQ(files.Save(doc, oldText, kPassword).Status, TSaveStatus::Ok);
    const QByteArray oldFile = QByteArray::fromStdString(ReadFile(QStringLiteral("locked/Большой.txtp")));
    const bool root = ::geteuid() == 0;
    if (root)
        detail::ChangeOwner(folder.path(), 65534, 65534);
    QFile::setPermissions(lockedDir, QFile::ReadOwner | QFile::ExeOwner);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::setenv("TAINOTEKA_TEST_IN_PLACE_PAUSE", QByteArray::number(oldFile.size() / 2).constData(), 1);
        TDocumentFile(Services()).Save(doc, newText, kPassword);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    const bool stopped = WIFSTOPPED(status);
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    QFile::setPermissions(lockedDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (root)
        detail::ChangeOwner(folder.path(), 0, 0);
    ASSERT_TRUE(stopped) << "the save never reached its in-place write";
    const QByteArray left = QByteArray::fromStdString(ReadFile(QStringLiteral("locked/Большой.txtp")));
    const qsizetype half = oldFile.size() / 2;
    EXPECT_NE(left.left(half), oldFile.left(half)) << "new up to the kill";
    EXPECT_EQ(left.mid(half, oldFile.size() - half), oldFile.mid(half)) << "old after it";
    ASSERT_EQ(CopiesOf("*.inplace").size(), 1);

    Start({});
    prompts.Answers.push_back(TAnswer::Yes);
    ScriptTypedPassword(kPassword);
    window().FormActivate();
    EXPECT_EQ(prompts.Questions.size(), 1);
    EXPECT_EQ(editor().toPlainText(), newText);
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Большой.txtp - Тайнотека"));
    EXPECT_TRUE(CopiesOf("*.inplace").isEmpty());
    EXPECT_EQ(CopiesOf("*.txt.age").size(), 1) << "the text is in a recovery copy before its in-place copy goes";
    EXPECT_EQ(QByteArray::fromStdString(ReadFile(QStringLiteral("locked/Большой.txtp"))), left) << "untouched until saved";
    window().MnuFileSaveClick();
    EXPECT_TRUE(prompts.Errors.isEmpty());
    const TOpenedDocument reopened = files.Open(QByteArray::fromStdString(ReadFile(QStringLiteral("locked/Большой.txtp"))), kPassword);
    EXPECT_EQ(reopened.Status, TOpenStatus::Ok);
    EXPECT_EQ(reopened.PlainText, QString(newText).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}
#endif

// Without its copy a file is not written over its own bytes: killed half-way,
// it would be damaged with nothing to offer at the next start.
TEST_F(InPlaceCopy, SaveThatCannotKeepItsCopyLeavesTheFileAndTheDocument)
{
    const QString blocked = Path(QStringLiteral("state"));
    WriteFile(QStringLiteral("state"), "a file where the copies' folder should be");
    const std::unique_ptr<TRecoveryStore> copies = InPlaceCopyStore(blocked);
    TDocumentFileServices services = Services();
    services.Write = [&copies](const QString& path, const QByteArray& data) {
        return WriteInPlaceThroughCopy(*copies, path, data);
    };
    TDocumentFile inPlace(services);
    ASSERT_EQ(TDocumentFile(Services()).Save(Path(QStringLiteral("Заметка.txtp")), QStringLiteral("старый"), kPassword).Status,
              TSaveStatus::Ok);
    const std::string before = ReadFile(QStringLiteral("Заметка.txtp"));
    documentFile = &inPlace;
    Start({});
    prompts.OpenNames.push_back(Path(QStringLiteral("Заметка.txtp")));
    ScriptTypedPassword(kPassword);
    window().MnuFileOpenClick();
    ASSERT_TRUE(prompts.Errors.isEmpty());
    editor().selectAll();
    editor().insertPlainText(QStringLiteral("новый"));

    window().MnuFileSaveClick();
    ASSERT_EQ(prompts.Errors.size(), 1);
    const QString& message = prompts.Errors[0].Text;
    EXPECT_TRUE(message.startsWith(QStringLiteral("Не удалось сохранить копию перед записью: %1: ").arg(QDir::toNativeSeparators(blocked))) &&
                message.endsWith(QStringLiteral(". Файл не сохранён.")))
        << message.toStdString();
    EXPECT_EQ(ReadFile(QStringLiteral("Заметка.txtp")), before);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("новый"));
}
