#include <QLabel>
#include <QTest>

#include <functional>

#include "ActiveWindow.h"
#include "CodePage1251.h"
#include "MainWindowFixture.h"
#include "PendingText.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

std::string Cp1251(const QString& text) { return Utf16ToCp1251(text.toStdU16String()).Bytes; }

QString ManyLines()
{
    QString text;
    for (int line = 1; line <= 300; ++line)
        text += QStringLiteral("строка %1 текста\n").arg(line);
    return text;
}

// A document opened through the password dialog, coming in by slices of 64 characters.
class SlicedLoad : public MainWindowFixture {
protected:
    void OpenBig()
    {
        Start({});
        ShowActive(window());
        editor().setFocus();
        editor().SetLoadSlice(64);
        QString stored = ManyLines();
        stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        WriteFile("big.txtp", EncodeTxtpFile(Cp1251(stored), "pw"));
        ScriptTypedPassword(QStringLiteral("pw"));
        ASSERT_TRUE(window().LoadProtectedFile(Path("big.txtp")));
        ASSERT_TRUE(editor().IsLoading());
    }
    QString Count() const { return program->FrmGeneral.StatusPanel->text(); }
};

} // namespace

TEST_F(SlicedLoad, WholeDocumentFromTheFirstPaintAndNoChangeWhenDone)
{
    ASSERT_NO_FATAL_FAILURE(OpenBig());
    const QString whole = Count();
    EXPECT_EQ(whole, QStringLiteral("Количество символов:    %1").arg(FormatThousands(quint32(ManyLines().size() + 300))));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("big.txtp - Тайнотека"));
    EXPECT_FALSE(editor().document()->isModified());
    QTRY_VERIFY(!editor().IsLoading());
    EXPECT_EQ(editor().toPlainText(), ManyLines());
    EXPECT_EQ(Count(), whole);
    EXPECT_FALSE(editor().document()->isModified());
    EXPECT_FALSE(editor().document()->isUndoAvailable()) << "loading is no undo step";
    EXPECT_TRUE(prompts.Errors.isEmpty());
}

TEST_F(SlicedLoad, MovingAroundLeavesTheLoadGoingAndTheCaretWhereItIs)
{
    ASSERT_NO_FATAL_FAILURE(OpenBig());
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Right})
        QTest::keyClick(&editor(), key);
    QTest::keyClick(&editor(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(editor().IsLoading());
    editor().moveCursor(QTextCursor::End); // the end of what is in so far
    const int caret = editor().textCursor().position();
    QTRY_VERIFY(!editor().IsLoading());
    EXPECT_EQ(editor().textCursor().position(), caret);
}

TEST_F(SlicedLoad, InputThatNeedsTheWholeTextFinishesTheLoadFirst)
{
    const QString whole = ManyLines();
    const struct {
        const char* what;
        std::function<void()> act;
        std::function<void()> check;
    } cases[] = {
        {"typing, then undo",
         [this] { QTest::keyClick(&editor(), Qt::Key_Z); },
         [&, this] {
             EXPECT_EQ(editor().toPlainText(), QLatin1Char('z') + whole);
             QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
             EXPECT_EQ(editor().toPlainText(), whole);
             EXPECT_FALSE(editor().document()->isUndoAvailable());
         }},
        {"Ctrl+End",
         [this] { QTest::keyClick(&editor(), Qt::Key_End, Qt::ControlModifier); },
         [&, this] { EXPECT_EQ(editor().textCursor().position(), whole.size()); }},
        {"Ctrl+A",
         [this] { QTest::keyClick(&editor(), Qt::Key_A, Qt::ControlModifier); },
         [&, this] { EXPECT_EQ(editor().textCursor().selectedText().size(), whole.size()); }},
        {"Ctrl+S",
         [this] { QTest::keyClick(&editor(), Qt::Key_S, Qt::ControlModifier); },
         [&, this] {
             QString stored = whole;
             stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
             EXPECT_EQ(DecodeTxtpFile(ReadFile("big.txtp"), "pw").Body, Cp1251(stored));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(OpenBig());
        c.act();
        EXPECT_FALSE(editor().IsLoading());
        c.check();
    }
}

TEST(SliceEnd, EndsAfterALineEndAndPartsNoLine)
{
    const struct {
        const char16_t* text;
        qsizetype wanted;
        qsizetype end;
    } cases[] = {
        {u"ab\ncd\nef", 7, 6},
        {u"ab\r\ncd", 3, 4}, // CR LF stays together
        {u"ab\rcd", 4, 3},
        {u"ab\u2029cd", 4, 3},
        {u"abcdef\r\nx", 4, 8}, // a line longer than the slice goes whole
        {u"abcdef", 4, 6},
        {u"ab", 10, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SliceEnd(QStringView(c.text), 0, c.wanted), c.end) << QString::fromUtf16(c.text).toStdString();
}
