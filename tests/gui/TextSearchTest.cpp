#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <random>

#include "DocumentSearch.h"
#include "TextSearch.h"

using namespace tainoteka;

namespace {

TSearchPattern Pattern(const QString& text, bool matchCase = false, bool wholeWord = false)
{
    return TSearchPattern(text, TSearchOptions{matchCase, wholeWord});
}

QList<qsizetype> Starts(const QString& needle, const QString& text, bool matchCase = false, bool wholeWord = false)
{
    return Pattern(needle, matchCase, wholeWord).AllIn(text);
}

// A document whose text is made of `line` repeated, one per line, with the
// needle only at the given lines.
QString Lines(int count, const QString& line)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << line;
    return lines.join(QLatin1Char('\n'));
}

TFoundText Find(const QTextDocument& document, const QString& needle, qsizetype from, TSearchDirection direction,
                bool matchCase = false, bool wholeWord = false)
{
    return FindInDocument(document, Pattern(needle, matchCase, wholeWord), from, direction);
}

} // namespace

TEST(TextSearch, LetterCaseIsFoldedUnlessItCounts)
{
    EXPECT_EQ(Starts("привет", "Привет, ПРИВЕТ и привет"), (QList<qsizetype>{0, 8, 17}));
    EXPECT_EQ(Starts("привет", "Привет, ПРИВЕТ и привет", true), QList<qsizetype>{17});
    EXPECT_EQ(Starts("Word", "word WORD Word"), (QList<qsizetype>{0, 5, 10}));
    EXPECT_EQ(Starts("Word", "word WORD Word", true), QList<qsizetype>{10});
    EXPECT_TRUE(Starts("x", "").isEmpty());
    EXPECT_TRUE(Starts("", "text").isEmpty());
}

TEST(TextSearch, YoKeepsApartFromYe)
{
    EXPECT_EQ(Starts("ёлка", "Ёлка, ЁЛКА, елка, Елка"), (QList<qsizetype>{0, 6}));
    EXPECT_EQ(Starts("елка", "Ёлка, ЁЛКА, елка, Елка"), (QList<qsizetype>{12, 18}));
    EXPECT_EQ(Starts("Ё", "ЕеЁё"), (QList<qsizetype>{2, 3}));
    EXPECT_EQ(Starts("Ё", "ЕеЁё", true), QList<qsizetype>{2});
}

TEST(TextSearch, WholeWordNeedsNoWordCharacterAround)
{
    const QString text = QStringLiteral("кот котёнок скот кот_1 (кот) кот");
    EXPECT_EQ(Starts("кот", text, false, true), (QList<qsizetype>{0, 24, 29}));
    EXPECT_EQ(Starts("кот", text).size(), 6);
    EXPECT_EQ(Starts("a", "a ab ba a1 (a)", false, true), (QList<qsizetype>{0, 12}));
    EXPECT_EQ(Starts("2", "12 2 23", false, true), QList<qsizetype>{3});
}

TEST(TextSearch, MatchesDoNotOverlapAndLongNeedlesAreFound)
{
    EXPECT_EQ(Starts("aa", "aaaaa"), (QList<qsizetype>{0, 2}));
    const QString needle = QStringLiteral("съешь же ещё этих мягких французских булок");
    const QString text = QStringLiteral("Начало. ") + needle.toUpper() + QStringLiteral(" конец; ") + needle;
    EXPECT_EQ(Starts(needle, text), (QList<qsizetype>{8, 8 + needle.size() + 8}));
    EXPECT_EQ(Starts(needle, text, true), QList<qsizetype>{8 + needle.size() + 8});
}

TEST(TextSearch, ALineBreakIsMatchedOnlyByALineBreak)
{
    EXPECT_TRUE(Starts("ab", "a\nb").isEmpty());
    EXPECT_TRUE(Starts("a b", "a\nb").isEmpty());
    EXPECT_EQ(Starts("a\nb", "xa\nb"), QList<qsizetype>{1});
    EXPECT_EQ(Starts("a\r\nb", "xa\nb"), QList<qsizetype>{1}) << "CR LF is one break in the editor";
    EXPECT_EQ(Starts("a\nb", QString("xa") + QChar::ParagraphSeparator + "b"), QList<qsizetype>{1});
    EXPECT_TRUE(Starts("a\nb", "a b").isEmpty());

    QTextDocument document(QStringLiteral("первая строка\nвторая строка"));
    EXPECT_FALSE(Find(document, "строкавторая", 0, TSearchDirection::Forward).Found());
    EXPECT_FALSE(Find(document, "строка вторая", 0, TSearchDirection::Forward).Found());
    const TFoundText spanning = Find(document, "строка\nвторая", 0, TSearchDirection::Forward);
    EXPECT_EQ(spanning.Start, 7);
    EXPECT_EQ(spanning.Length, 13);
}

TEST(DocumentSearch, ForwardFindsTheNextAndWrapsToTheStart)
{
    QTextDocument document(QStringLiteral("one two one two one"));
    TFoundText found = Find(document, "one", 1, TSearchDirection::Forward);
    EXPECT_EQ(found.Start, 8);
    EXPECT_FALSE(found.Wrapped);
    found = Find(document, "one", 8, TSearchDirection::Forward);
    EXPECT_EQ(found.Start, 8) << "a match at the caret itself is found";
    found = Find(document, "one", 17, TSearchDirection::Forward);
    EXPECT_EQ(found.Start, 0);
    EXPECT_TRUE(found.Wrapped);
    found = Find(document, "one", 19, TSearchDirection::Forward);
    EXPECT_EQ(found.Start, 0);
    EXPECT_TRUE(found.Wrapped);
}

TEST(DocumentSearch, BackwardFindsThePreviousAndWrapsToTheEnd)
{
    QTextDocument document(QStringLiteral("one two one two one"));
    TFoundText found = Find(document, "one", 16, TSearchDirection::Backward);
    EXPECT_EQ(found.Start, 8);
    EXPECT_FALSE(found.Wrapped);
    found = Find(document, "one", 11, TSearchDirection::Backward);
    EXPECT_EQ(found.Start, 8) << "a match ending at the caret is the previous one";
    found = Find(document, "one", 8, TSearchDirection::Backward);
    EXPECT_EQ(found.Start, 0);
    found = Find(document, "one", 2, TSearchDirection::Backward);
    EXPECT_EQ(found.Start, 16);
    EXPECT_TRUE(found.Wrapped);
}

TEST(DocumentSearch, TheOnlyMatchIsFoundAgainAfterWrapping)
{
    QTextDocument document(QStringLiteral("alpha beta gamma"));
    const TFoundText forward = Find(document, "beta", 10, TSearchDirection::Forward);
    EXPECT_EQ(forward.Start, 6);
    EXPECT_TRUE(forward.Wrapped);
    const TFoundText backward = Find(document, "beta", 6, TSearchDirection::Backward);
    EXPECT_EQ(backward.Start, 6);
    EXPECT_TRUE(backward.Wrapped);
}

TEST(DocumentSearch, NoMatchIsReported)
{
    QTextDocument document(QStringLiteral("Ёж под ёлкой"));
    EXPECT_FALSE(Find(document, "еж", 0, TSearchDirection::Forward).Found());
    EXPECT_FALSE(Find(document, "ёж", 0, TSearchDirection::Forward, true).Found());
    EXPECT_TRUE(Find(document, "под", 0, TSearchDirection::Backward, false, true).Found());
    EXPECT_FALSE(Find(document, "по", 0, TSearchDirection::Forward, false, true).Found());
    EXPECT_FALSE(Find(QTextDocument(), "x", 0, TSearchDirection::Backward).Found());
    EXPECT_FALSE(Find(document, "", 0, TSearchDirection::Forward).Found());
}

TEST(DocumentSearch, MatchesOnTheBordersOfThePiecesReadAreFound)
{
    // The document is read in windows of 4096, 16384, ... characters from
    // the caret; a match may straddle any border, its word edge may lie
    // just past one.
    for (const qsizetype border : {4096, 4096 + 16384}) {
        for (qsizetype at = border - 6; at <= border + 1; ++at) {
            const QString text = QString(at, QLatin1Char('x')) + QStringLiteral(" слово ") + QString(40, QLatin1Char('y'));
            QTextDocument document(text);
            const TFoundText found = Find(document, "СЛОВО", 0, TSearchDirection::Forward, false, true);
            EXPECT_EQ(found.Start, at + 1) << "border " << border << " at " << at;
            const TFoundText back = Find(document, "слово", text.size(), TSearchDirection::Backward, true, true);
            EXPECT_EQ(back.Start, at + 1) << "border " << border << " at " << at;
            const QString glued = QString(at, QLatin1Char('x')) + QStringLiteral("слово");
            EXPECT_FALSE(Find(QTextDocument(glued), "слово", 0, TSearchDirection::Forward, false, true).Found());
        }
    }
}

TEST(DocumentSearch, LongDocumentsAreSearchedAndReplacedWhole)
{
    const QString line = QStringLiteral("Слово и ещё слово, и снова: слово за словом идут строка за строкой");
    QTextDocument document(Lines(20000, line) + QStringLiteral("\nконец"));
    const qsizetype length = document.characterCount() - 1;
    ASSERT_GT(length, 1 << 20);
    const TFoundText last = FindInDocument(document, Pattern("КОНЕЦ"), 0, TSearchDirection::Forward);
    EXPECT_EQ(last.Start, length - 5);
    const TFoundText back = FindInDocument(document, Pattern("конец"), 3, TSearchDirection::Backward);
    EXPECT_EQ(back.Start, length - 5);
    EXPECT_TRUE(back.Wrapped);
    const TFoundText spanning = FindInDocument(document, Pattern("строкой\nслово"), length, TSearchDirection::Backward);
    EXPECT_EQ(spanning.Start, length - 6 - line.size() - 1 - 7);

    const TReplaceResult done = ReplaceAllInDocument(document, Pattern("слово", false, true), "речь", 1 << 20);
    EXPECT_EQ(done.Count, 3 * 20000) << "\"словом\" is not the whole word";
    const QString replaced = QStringLiteral("речь и ещё речь, и снова: речь за словом идут строка за строкой");
    EXPECT_EQ(document.toPlainText(), Lines(20000, replaced) + QStringLiteral("\nконец"));
}

TEST(DocumentSearch, IsMatchAtChecksTheExactPlace)
{
    QTextDocument document(QStringLiteral("Кот и котик"));
    EXPECT_TRUE(IsMatchAt(document, Pattern("кот"), 0, 3));
    EXPECT_FALSE(IsMatchAt(document, Pattern("кот", true), 0, 3));
    EXPECT_TRUE(IsMatchAt(document, Pattern("кот"), 6, 3));
    EXPECT_FALSE(IsMatchAt(document, Pattern("кот", false, true), 6, 3));
    EXPECT_FALSE(IsMatchAt(document, Pattern("кот"), 1, 3));
    EXPECT_FALSE(IsMatchAt(document, Pattern("кот"), 0, 2));
    EXPECT_FALSE(IsMatchAt(document, Pattern("кот"), 10, 3));
}

TEST(DocumentSearch, ReplaceAllIsOneUndoStep)
{
    QTextDocument document(QStringLiteral("Мама мыла раму.\nМАМА мыла раму мамой."));
    document.clearUndoRedoStacks();
    const TReplaceResult done = ReplaceAllInDocument(document, Pattern("мама", false, true), "Папа", 1000);
    EXPECT_EQ(done.Count, 2);
    EXPECT_FALSE(done.TooLong);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("Папа мыла раму.\nПапа мыла раму мамой."));
    document.undo();
    EXPECT_EQ(document.toPlainText(), QStringLiteral("Мама мыла раму.\nМАМА мыла раму мамой."));
    EXPECT_FALSE(document.isUndoAvailable());
    document.redo();
    EXPECT_EQ(document.toPlainText(), QStringLiteral("Папа мыла раму.\nПапа мыла раму мамой."));
}

TEST(DocumentSearch, ReplaceAllOfDenseAndSparseMatches)
{
    // Many matches close together.
    const QString dense = Lines(3000, QStringLiteral("ab ab ab"));
    QTextDocument document(dense);
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("ab"), "xyz", 1 << 20).Count, 9000);
    EXPECT_EQ(document.toPlainText(), Lines(3000, QStringLiteral("xyz xyz xyz")));
    EXPECT_EQ(document.blockCount(), 3000);
    document.undo();
    EXPECT_EQ(document.toPlainText(), dense);

    // Two matches far apart.
    const QString sparse = QStringLiteral("ab ") + Lines(3000, QStringLiteral("0123456789")) + QStringLiteral(" AB");
    QTextDocument far(sparse);
    EXPECT_EQ(ReplaceAllInDocument(far, Pattern("ab"), "", 0).Count, 2);
    EXPECT_EQ(far.toPlainText(), QStringLiteral(" ") + Lines(3000, QStringLiteral("0123456789")) + QStringLiteral(" "));
    far.undo();
    EXPECT_EQ(far.toPlainText(), sparse);
}

TEST(DocumentSearch, ReplaceAllWithLineBreaksAndTheGrowthLimit)
{
    QTextDocument document(QStringLiteral("a;b;c"));
    document.clearUndoRedoStacks();
    EXPECT_TRUE(ReplaceAllInDocument(document, Pattern(";"), "\r\n", 1).TooLong) << "two breaks count four";
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a;b;c"));
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern(";"), "\r\n", 2).Count, 2);
    EXPECT_EQ(document.blockCount(), 3);
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("\nb\n"), "-", -4).Count, 1);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a-c"));
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("zzz"), "-", 100).Count, 0);
}

// Lines of every length, matches at their ends, side by side and at every
// distance from each other: the result is what a plain replace gives.
TEST(DocumentSearch, ReplaceAllAgreesWithAPlainReplaceWhereverTheMatchesLie)
{
    std::mt19937 random(7);
    QString text;
    for (int line = 0; line < 400; ++line) {
        if (line > 0)
            text += QLatin1Char('\n');
        const int length = int(random() % 200);
        for (int i = 0; i < length; ++i)
            text += random() % 9 == 0 ? QStringLiteral("ab") : QString(QChar(char16_t(u'c' + random() % 3)));
    }
    text += QStringLiteral("abab\nab") + QString(63, QLatin1Char('c')) + QStringLiteral("ab") + QString(65, QLatin1Char('c'))
        + QStringLiteral("ab");
    QTextDocument document(text);
    const qsizetype count = text.count(QStringLiteral("ab"));
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("ab", true), "XYZ", 1 << 20).Count, count);
    EXPECT_EQ(document.toPlainText(), QString(text).replace(QStringLiteral("ab"), QStringLiteral("XYZ")));
    EXPECT_EQ(document.blockCount(), 401);
    document.undo();
    EXPECT_EQ(document.toPlainText(), text);

    // The same through the find panel's copy of the text, which follows.
    TTextSnapshot snapshot(document);
    ASSERT_EQ(snapshot.Text().size(), text.size());
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("ab", true), "", 1 << 20, &snapshot).Count, count);
    EXPECT_EQ(document.toPlainText(), QString(text).remove(QStringLiteral("ab")));
    EXPECT_EQ(snapshot.Text(), document.toRawText());
}

TEST(DocumentSearch, ReplacementsKeepTheFormatOfTheTextTheyReplace)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("one "));
    cursor.insertText(QStringLiteral("кот"), bold);
    cursor.insertText(QStringLiteral(" two "), QTextCharFormat());
    cursor.insertText(QStringLiteral("кот"), italic);
    EXPECT_EQ(ReplaceAllInDocument(document, Pattern("кот"), "пёс", 100).Count, 2);
    ASSERT_EQ(document.toPlainText(), QStringLiteral("one пёс two пёс"));
    const auto formatAt = [&](int position) {
        QTextCursor at(&document);
        at.setPosition(position);
        return at.charFormat();
    };
    EXPECT_EQ(formatAt(6).fontWeight(), QFont::Bold);
    EXPECT_FALSE(formatAt(6).fontItalic());
    EXPECT_TRUE(formatAt(14).fontItalic());
    EXPECT_NE(formatAt(2).fontWeight(), QFont::Bold);
}

// Typing, deleting, pasting lines, undo and redo anywhere in the text: the
// copy is always the document's text, though it is only patched.
TEST(TextSnapshot, FollowsEveryChangeOfTheDocument)
{
    QTextDocument document(Lines(300, QStringLiteral("строка текста")));
    TTextSnapshot snapshot(document);
    std::mt19937 random(11);
    ASSERT_EQ(snapshot.Text(), document.toRawText());
    for (int step = 0; step < 300; ++step) {
        const int length = document.characterCount() - 1;
        QTextCursor cursor(&document);
        cursor.setPosition(int(random() % (length + 1)));
        switch (random() % 6) {
        case 0:
            cursor.insertText(QStringLiteral("x"));
            break;
        case 1:
            cursor.insertText(QStringLiteral("две\nстроки\n"));
            break;
        case 2:
            cursor.setPosition(std::min(length, cursor.position() + int(random() % 40)), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            break;
        case 3:
            document.undo();
            break;
        case 4:
            document.redo();
            break;
        default:
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(QStringLiteral("\nконец"));
        }
        if (random() % 3 == 0) {
            ASSERT_EQ(snapshot.Text(), document.toRawText()) << "step " << step;
        }
    }
    document.setPlainText(QStringLiteral("всё новое"));
    EXPECT_EQ(snapshot.Text(), QStringLiteral("всё новое"));
    QTextCursor(&document).insertText(QStringLiteral("и "));
    EXPECT_EQ(snapshot.Text(), QStringLiteral("и всё новое"));
}
