// After a lock no line of the document is left anywhere in the process's
// memory: not in the editing area's buffers or undo history, not in the find
// panel's copy, not in what a save or the recovery copy went through.
#include <QFile>
#include <QTest>
#include <QThreadPool>

#include <string>

#include "FindPanel.h"
#include "FindField.h"
#include "MainWindowFixture.h"
#include "OwnMemory.h"
#include "RecoveryKeeper.h"
#include "Wipe.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

// The marker in pieces: the test's own constants never hold it whole.
const std::vector<std::string_view> kMarker = {"qZx", "Vw", "Jkq", "-"};

std::string Marked(int line)
{
    std::string text;
    for (std::string_view piece : kMarker)
        text += piece;
    return text + std::to_string(line);
}

// Fifty marked lines in a .txtp file; the plain text is wiped.
void WriteMarkedFile(const QString& path)
{
    std::string body;
    for (int line = 0; line < 50; ++line)
        body += "line " + Marked(line) + " of the document\r\n";
    std::string file = EncodeTxtpFile(body, "pw");
    Wipe(body);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(file.data(), qsizetype(file.size()));
    Wipe(file);
}

} // namespace

class LockLeavesNoText : public MainWindowFixture {};

TEST_F(LockLeavesNoText, NoMarkedLineStaysInMemory)
{
    if (!CanReadOwnMemory())
        GTEST_SKIP() << "this process's memory cannot be read here";
    WriteMarkedFile(Path("marked.txtp"));
    window().show();
    prompts.OpenNames.push_back(Path("marked.txtp"));
    ScriptTypedPassword(QStringLiteral("pw"));
    window().MnuFileOpenClick();
    ASSERT_EQ(editor().document()->blockCount(), 51);

    QTest::keyClicks(&editor(), QStringLiteral("a few words"));
    window().FindPanel->OpenFind();
    window().FindPanel->TxtFind->setText(QStringLiteral("document"));
    window().FindPanel->FindNext();
    ASSERT_EQ(editor().textCursor().selectedText(), QStringLiteral("document"));
    const std::string before = ReadFile("marked.txtp");
    QTest::keyClick(&editor(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_NE(ReadFile("marked.txtp"), before) << "saved";
    ASSERT_GT(CopiesInOwnMemory(kMarker).Wide, 0) << "the reading sees the open document";
    QTest::keyClick(&editor(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(window().IsLocked());
    // Large buffers are wiped on other threads: those wipes are done first.
    window().Recovery->Wait();
    QThreadPool::globalInstance()->waitForDone();

    const TCopies copies = CopiesInOwnMemory(kMarker);
    EXPECT_EQ(copies.Wide, 0) << "UTF-16";
    EXPECT_EQ(copies.Narrow, 0) << "one byte a letter";
}
