// A save into a folder that refuses new files writes the file over its own
// bytes; the copy it keeps meanwhile in the state folder is offered after a
// crash, with the recovery question.
#include <QDirIterator>
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
const QString kQuestion = QStringLiteral("Найден несохранённый текст от %1. Восстановить?");

} // namespace

class InPlaceCopy : public MainWindowFixture {
protected:
    QByteArray SavedFile(const QString& text)
    {
        const QString path = Path(QStringLiteral("made.txtp"));
        TDocumentFileServices services;
        services.CopyFolder = RecoveryFolder();
        EXPECT_EQ(TDocumentFile(std::move(services)).Save(path, text, kPassword).Status, TSaveStatus::Ok);
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        file.remove();
        return bytes;
    }
    QStringList CopiesOf(const char* suffix) const
    {
        return QDir(RecoveryFolder()).entryList({QLatin1String(suffix)}, QDir::Files);
    }
    QString Asked(const QString& copy) const
    {
        return kQuestion.arg(QFileInfo(copy).lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    }
    QByteArray Bytes(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(InPlaceCopy, LeftCopyIsOfferedUnlessTheFileHoldsIt)
{
    const QString target = Path(QStringLiteral("Заметка.txtp"));
    const QByteArray newFile = SavedFile(QStringLiteral("новый текст\nвторая строка"));
    const QByteArray mixed = newFile.left(newFile.size() / 2) + QByteArray(newFile.size() / 2, '\xAA');
    const struct {
        const char* Name;
        QByteArray OnDisk;
        std::optional<TAnswer> Answer; // none: nothing is asked
        QString Typed;
        bool Restored;
        bool CopyKept;
    } cases[] = {
        {"yes", mixed, TAnswer::Yes, kPassword, true, false},
        {"yes, wrong password", mixed, TAnswer::Yes, QStringLiteral("wrong"), false, true},
        {"no", mixed, TAnswer::No, {}, false, false},
        {"later", mixed, TAnswer::Cancel, {}, false, true},
        {"file already whole", newFile, std::nullopt, {}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        program.reset(); // its recovery copy and lock go with the folder
        QDir(RecoveryFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(RecoveryFolder()));
        const QString copy = RecoveryFolder() + QStringLiteral("/0123456789abcdef.inplace");
        {
            QFile file(copy);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(EncodeInPlaceCopy({target, newFile}));
        }
        {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.OnDisk);
        }
        const QString question = Asked(copy);
        Start({});
        prompts.Questions.clear();
        prompts.Errors.clear();
        prompts.DialogScripts.clear();
        if (c.Answer)
            prompts.Answers.push_back(*c.Answer);
        if (c.Answer == TAnswer::Yes)
            ScriptTypedPassword(c.Typed);
        window().FormActivate();
        EXPECT_EQ(prompts.Questions, c.Answer ? QStringList{question} : QStringList{});
        EXPECT_EQ(editor().toPlainText(), c.Restored ? QStringLiteral("новый текст\nвторая строка\n") : QString());
        EXPECT_EQ(window().windowTitle(),
                  (c.Restored ? QStringLiteral("Заметка.txtp") : QStringLiteral("Безымянный")) + QStringLiteral(" - Тайнотека"));
        EXPECT_EQ(prompts.Errors.size(), c.Typed == QStringLiteral("wrong") ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(copy), c.CopyKept);
        // The restored text is safe in a recovery copy before its in-place copy goes.
        EXPECT_EQ(CopiesOf("*.txt.age").size(), c.Restored ? 1 : 0);
        EXPECT_EQ(Bytes(target), c.OnDisk) << "the file waits for the user's save";
    }
}

#ifdef Q_OS_UNIX
// A large save into a folder nobody may add files to, killed half-way
// through writing the file: the next start offers the copy, and once it is
// back the document saves whole.
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
    TDocumentFileServices services;
    services.CopyFolder = RecoveryFolder();
    const TDocumentFile files(std::move(services));
    ASSERT_EQ(files.Save(doc, oldText, kPassword).Status, TSaveStatus::Ok);
    const QByteArray oldFile = Bytes(doc);
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
        files.Save(doc, newText, kPassword);
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
    const QByteArray left = Bytes(doc);
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
    window().MnuFileSaveClick();
    EXPECT_TRUE(prompts.Errors.isEmpty());
    const TOpenedDocument reopened = files.Open(Bytes(doc), kPassword);
    EXPECT_EQ(reopened.Status, TOpenStatus::Ok);
    EXPECT_EQ(reopened.PlainText, QString(newText).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}
#endif
