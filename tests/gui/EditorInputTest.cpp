// Typing into the editing area as a user does: line breaks of every kind,
// Alt keys, Shift+click with the clipboard switch off, and what a save
// makes of the characters that are not plain letters.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>

#include "MainWindowFixture.h"
#include "RtfImport.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

const QString kCount = QStringLiteral("Количество символов:    ");

void Paste(TRichEditText& editor, const QString& text)
{
    QMimeData mime;
    mime.setText(text);
    editor.insertFromMimeData(&mime);
}

} // namespace

class EditorInput : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window().show();
        editor().setFocus();
    }
    QString Count() const { return program->FrmGeneral.StatusPanel->text().mid(kCount.size()); }
};

TEST_F(EditorInput, EveryLineBreakCountsTwoAsItIsSaved)
{
    QTest::keyClicks(&editor(), QStringLiteral("ab"));
    QTest::keyClick(&editor(), Qt::Key_Return, Qt::ShiftModifier); // a break inside the paragraph
    QTest::keyClicks(&editor(), QStringLiteral("cd"));
    QTest::keyClick(&editor(), Qt::Key_Return);
    QTest::keyClicks(&editor(), QStringLiteral("ef"));
    ASSERT_TRUE(editor().document()->toRawText().contains(QChar::LineSeparator));
    EXPECT_EQ(Count(), QStringLiteral("10"));

    Paste(editor(), QString::fromUtf16(u"1\u20292\u20283"));
    EXPECT_EQ(Count(), QStringLiteral("17"));

    editor().selectAll();
    Paste(editor(), QString::fromUtf16(u"\u2028\u2028"));
    EXPECT_EQ(Count(), QStringLiteral("4")) << "separators that are gone no longer count";
    editor().undo();
    EXPECT_EQ(Count(), QStringLiteral("17"));
    editor().LoadPlainText(QStringLiteral("x"));
    EXPECT_EQ(Count(), QStringLiteral("1"));
    editor().ClearAll();
    EXPECT_EQ(editor().CharCount(), 0);
}

TEST_F(EditorInput, APasteIsAnUndoStepOfItsOwnAndCtrlYRedoes)
{
    QTest::keyClicks(&editor(), QStringLiteral("ab"));
    Paste(editor(), QStringLiteral("XY"));
    QTest::keyClicks(&editor(), QStringLiteral("cd"));
    for (const QString& before : {QStringLiteral("abXY"), QStringLiteral("ab")}) {
        QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor().toPlainText(), before);
    }
    for (const Qt::KeyboardModifiers redo : {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::ControlModifier | Qt::ShiftModifier}) {
        QTest::keyClick(&editor(), redo & Qt::ShiftModifier ? Qt::Key_Z : Qt::Key_Y, redo);
        EXPECT_EQ(editor().toPlainText(), QStringLiteral("abXY"));
        QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor().toPlainText(), QStringLiteral("ab"));
    }
}

TEST_F(EditorInput, JoiningAndSplittingLinesKeepsTheCount)
{
    editor().LoadPlainText(QString::fromUtf16(u"a\u2028b\nc\u2028d"));
    EXPECT_EQ(editor().CharCount(), 10);
    QTextCursor join(editor().document());
    join.setPosition(3); // after "b", before the paragraph end
    join.deleteChar(); // "a|b" and "c|d" become one line
    EXPECT_EQ(editor().CharCount(), 8);
    join.insertBlock(); // and split again
    EXPECT_EQ(editor().CharCount(), 10);
    join.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    join.removeSelectedText();
    EXPECT_EQ(editor().CharCount(), 6) << "a, separator, b, break";
}

TEST_F(EditorInput, ReplacingAllKeepsTheCountOfLineSeparators)
{
    editor().LoadPlainText(QString::fromUtf16(u"a\u2028b x\nc\u2028d x"));
    ASSERT_EQ(editor().CharCount(), 14);
    TTextSnapshot snapshot(*editor().document());
    // Every kind of line break matches every other: both separators go.
    EXPECT_EQ(editor().ReplaceAll(TSearchPattern(QStringLiteral("\n"), {}), QStringLiteral("="), &snapshot).Count, 3);
    EXPECT_EQ(editor().document()->toRawText(), QStringLiteral("a=b x=c=d x"));
    EXPECT_EQ(editor().CharCount(), 11);
    editor().undo();
    EXPECT_EQ(editor().CharCount(), 14);
    // A separator in the replacement becomes a line of its own.
    EXPECT_EQ(editor().ReplaceAll(TSearchPattern(QStringLiteral("x"), {}), QString::fromUtf16(u"\u2028"), &snapshot)
                  .Count,
              2);
    EXPECT_EQ(editor().document()->blockCount(), 4);
    EXPECT_EQ(editor().CharCount(), 16) << "each x became a line break, which counts two";
    editor().LoadPlainText(QStringLiteral("no breaks\nat all"));
    EXPECT_EQ(editor().CharCount(), 17) << "the separators of the text before are gone";
}

TEST_F(EditorInput, SeparatorsCountAgainstTheLimit)
{
    editor().SetTextLimit(6);
    QTest::keyClicks(&editor(), QStringLiteral("ab"));
    QTest::keyClick(&editor(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&editor(), QStringLiteral("cd"));
    EXPECT_EQ(editor().CharCount(), 6);
    QTest::keyClick(&editor(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&editor(), QStringLiteral("e"));
    EXPECT_EQ(editor().document()->toRawText(), QString::fromUtf16(u"ab\u2028cd"));
    Paste(editor(), QString::fromUtf16(u"x\u2028"));
    EXPECT_EQ(editor().document()->toRawText(), QString::fromUtf16(u"ab\u2028cd")) << "no room for x and a break";
}

TEST_F(EditorInput, SeparatorsAndNoBreakSpacesAsSaved)
{
    editor().LoadPlainText(QString::fromUtf16(u"a\u00A0b"));
    QTextCursor end(editor().document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromUtf16(u"\u2028c\u2029d"));
    program->Document.CurrentPassword = QStringLiteral("pw");
    prompts.SaveNames.push_back(Path("breaks.txtp"));
    window().MnuFileSaveAsClick();
    ASSERT_TRUE(prompts.Errors.isEmpty());
    const TDecodedFile decoded = DecodeTxtpFile(ReadFile("breaks.txtp"), "pw");
    ASSERT_EQ(decoded.Status, TDecodeStatus::Ok);
    EXPECT_EQ(decoded.Body, std::string("a\xA0" "b\r\nc\r\nd\r\n"));
    EXPECT_EQ(qint64(decoded.Body.size()), editor().CharCount() + 2) << "all but the last line's end is counted";
}

TEST_F(EditorInput, AltWithAKeyThatOpensNoMenuTypesNothing)
{
    QTest::keyClick(&editor(), Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(&editor(), Qt::Key_1, Qt::AltModifier);
    QTest::keyClick(&editor(), Qt::Key_Z, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(&editor(), Qt::Key_Period, Qt::AltModifier);
    QTest::keyClick(&editor(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(editor().toPlainText(), QString());
    EXPECT_EQ(window().MnuGeneralTop->activeAction(), nullptr);

    // Characters of the third level: Ctrl+Alt on Windows, AltGr elsewhere.
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString::fromUtf16(u"€"));
    QApplication::sendEvent(&editor(), &euro);
    QKeyEvent at(QEvent::KeyPress, Qt::Key_At, Qt::NoModifier, QStringLiteral("@"));
    QApplication::sendEvent(&editor(), &at);
    EXPECT_EQ(editor().toPlainText(), QString::fromUtf16(u"€@"));

    QTest::keyClick(&editor(), Qt::Key_A, Qt::AltModifier); // Ф of "&Файл" is on the A key
    EXPECT_EQ(window().MnuGeneralTop->activeAction(), window().MnuFile->menuAction());
    EXPECT_EQ(editor().toPlainText(), QString::fromUtf16(u"€@"));
}

TEST_F(EditorInput, ShiftClickExtendsTheSelectionWithTheSwitchOff)
{
    editor().LoadPlainText(QStringLiteral("abcdefgh"));
    window().MnuEditClipboard->setChecked(false);
    window().MnuEditClipboardClick();
    QApplication::processEvents();
    const auto pointAt = [this](int position) {
        QTextCursor c(editor().document());
        c.setPosition(position);
        return editor().cursorRect(c).center();
    };
    QTextCursor selection(editor().document());
    selection.setPosition(1);
    selection.setPosition(3, QTextCursor::KeepAnchor);
    editor().setTextCursor(selection);

    QTest::mouseClick(editor().viewport(), Qt::LeftButton, Qt::ShiftModifier, pointAt(6));
    EXPECT_EQ(editor().textCursor().selectedText(), QStringLiteral("bcdef"));

    QTest::mousePress(editor().viewport(), Qt::LeftButton, {}, pointAt(2));
    EXPECT_FALSE(editor().textCursor().hasSelection()) << "a press inside it would start dragging it out";
    QTest::mouseRelease(editor().viewport(), Qt::LeftButton, {}, pointAt(2));
}

TEST(WordLength, RunsWithoutASpace)
{
    EXPECT_FALSE(HasWordLongerThan(u"abc def", 3));
    EXPECT_TRUE(HasWordLongerThan(u"abc defg", 3));
    EXPECT_FALSE(HasWordLongerThan(QString::fromUtf16(u"abc\u2028def\u00A0"), 3)) << "a line separator ends a word";
    EXPECT_FALSE(HasWordLongerThan(u"", 0));
    // The check skips ahead a run's length at a time: runs at every place.
    const QString run(3000, QLatin1Char('w'));
    const struct {
        QString text;
        bool longer;
    } cases[] = {
        {run.left(2000), false},
        {run.left(2001), true},
        {QStringLiteral("a b ") + run.left(2000) + QStringLiteral(" c"), false},
        {QStringLiteral("a b ") + run.left(2001), true},
        {QString(5000, QLatin1Char(' ')) + run.left(2001) + QStringLiteral(" c"), true},
        {(QStringLiteral("слово ") + run.left(1999) + QLatin1Char('\n')).repeated(3), false},
        {run.left(1000) + QLatin1Char(' ') + run.left(1000) + QLatin1Char('x'), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasWordLongerThan(c.text, TRichEditText::LongestWordWrappedWhole), c.longer) << c.text.size();
}

TEST_F(EditorInput, AHugeWordWrapsAnywhereSoThatLayingItOutStaysLinear)
{
    const QString longWord(TRichEditText::LongestWordWrappedWhole + 1, QLatin1Char('w'));
    editor().LoadPlainText(QStringLiteral("plain words"));
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    editor().LoadPlainText(QStringLiteral("a ") + longWord);
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("a ") + longWord) << "the text itself is untouched";
    editor().LoadPlainText(QStringLiteral("plain again"));
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    Paste(editor(), longWord);
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAnywhere);
    window().MnuFileNewClick();
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    // Rich text whose every letter has its own look, and no space at all.
    QByteArray body = "{\\rtf1\\ansi ";
    for (int i = 0; i <= TRichEditText::LongestWordWrappedWhole; ++i)
        body += i % 2 ? "\\b0 b" : "\\b a";
    body += "}";
    QTextDocument formatted;
    ASSERT_TRUE(ImportRichText(body, formatted));
    editor().LoadFormattedText(formatted);
    EXPECT_EQ(editor().wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(editor().CharCount(), TRichEditText::LongestWordWrappedWhole + 1);
}
