#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "RtfImport.h"

using namespace tainoteka;

namespace {

QByteArray Bytes(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// The document text with block separators shown as '\n', and nothing else
// rewritten (toPlainText would turn no-break spaces into spaces).
QString Text(const QTextDocument& document)
{
    return document.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// Imports a body that must be accepted.
QString Imported(std::string_view rtf, QTextDocument& document)
{
    EXPECT_TRUE(ImportRichText(Bytes(rtf), document)) << rtf;
    return Text(document);
}

QString Imported(std::string_view rtf)
{
    QTextDocument document;
    return Imported(rtf, document);
}

// The format of the first occurrence of `needle`, which must be one run.
QTextCharFormat FormatOf(QTextDocument& document, const QString& needle)
{
    const int at = static_cast<int>(Text(document).indexOf(needle));
    if (at < 0) {
        ADD_FAILURE() << "no \"" << needle.toStdString() << "\" in \"" << Text(document).toStdString() << '"';
        return {};
    }
    QTextCursor cursor(&document);
    cursor.setPosition(at + 1);
    const QTextCharFormat first = cursor.charFormat();
    for (int i = 2; i <= needle.size(); ++i) {
        cursor.setPosition(at + i);
        EXPECT_EQ(cursor.charFormat(), first) << "\"" << needle.toStdString() << "\" changes format at " << i - 1;
    }
    return first;
}

struct TLook {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    double PointSize = 0; // 0: not set
};

void ExpectLook(QTextDocument& document, const QString& needle, const TLook& look)
{
    SCOPED_TRACE(needle.toStdString());
    const QTextCharFormat format = FormatOf(document, needle);
    EXPECT_EQ(format.fontWeight() == QFont::Bold, look.Bold);
    EXPECT_EQ(format.fontItalic(), look.Italic);
    EXPECT_EQ(format.fontUnderline(), look.Underline);
    EXPECT_EQ(format.fontStrikeOut(), look.Strike);
    if (look.PointSize == 0)
        EXPECT_FALSE(format.hasProperty(QTextFormat::FontPointSize));
    else
        EXPECT_DOUBLE_EQ(format.fontPointSize(), look.PointSize);
}

Qt::Alignment AlignmentOfBlock(const QTextDocument& document, int number)
{
    return document.findBlockByNumber(number).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

} // namespace

// ------------------------------------------------------------ recognition

TEST(RtfRecognition, OnlyTheRtfHeaderAtTheVeryStartCounts)
{
    EXPECT_TRUE(IsRichTextDocument("{\\rtf1\\ansi hello}"));
    EXPECT_TRUE(IsRichTextDocument("{\\rtf}"));
    EXPECT_TRUE(IsRichTextDocument("{\\rtf"));
    EXPECT_TRUE(IsRichTextDocument("{\\rtf\r\n}"));
    EXPECT_TRUE(IsRichTextDocument("{\\rtf{}}"));

    EXPECT_FALSE(IsRichTextDocument(""));
    EXPECT_FALSE(IsRichTextDocument("{\\rt"));
    EXPECT_FALSE(IsRichTextDocument(" {\\rtf1 a}"));
    EXPECT_FALSE(IsRichTextDocument("\r\n{\\rtf1 a}"));
    EXPECT_FALSE(IsRichTextDocument("{\\RTF1 a}"));
    EXPECT_FALSE(IsRichTextDocument("{\\rtfx a}")) << "a different control word";
    EXPECT_FALSE(IsRichTextDocument("rtf1"));
    EXPECT_FALSE(IsRichTextDocument("Привет, {\\rtf1}"));
}

// ------------------------------------------------------------- formatting

TEST(RtfFormatting, CharacterRunsCarryTheirProperties)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1\\ansi plain {\\b bold} {\\i italic} {\\ul under} {\\strike struck} "
                       "{\\fs40 big} {\\b\\i\\ul\\strike\\fs17 all}}",
                       document),
              "plain bold italic under struck big all");
    ExpectLook(document, "plain", {});
    ExpectLook(document, "bold", {.Bold = true});
    ExpectLook(document, "italic", {.Italic = true});
    ExpectLook(document, "under", {.Underline = true});
    ExpectLook(document, "struck", {.Strike = true});
    ExpectLook(document, "big", {.PointSize = 20});
    ExpectLook(document, "all", {.Bold = true, .Italic = true, .Underline = true, .Strike = true, .PointSize = 8.5});
}

TEST(RtfFormatting, SwitchesTurnOffWithZeroUlnoneAndPlain)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1 \\b\\i\\ul\\strike\\fs30 A\\b0 B\\i0 C\\ul0 D\\strike0 E"
                       "\\b1\\ulw F\\ulnone G\\plain H}",
                       document),
              "ABCDEFGH");
    ExpectLook(document, "A", {.Bold = true, .Italic = true, .Underline = true, .Strike = true, .PointSize = 15});
    ExpectLook(document, "B", {.Italic = true, .Underline = true, .Strike = true, .PointSize = 15});
    ExpectLook(document, "C", {.Underline = true, .Strike = true, .PointSize = 15});
    ExpectLook(document, "D", {.Strike = true, .PointSize = 15});
    ExpectLook(document, "E", {.PointSize = 15});
    ExpectLook(document, "F", {.Bold = true, .Underline = true, .PointSize = 15});
    ExpectLook(document, "G", {.Bold = true, .PointSize = 15});
    ExpectLook(document, "H", {});
}

TEST(RtfFormatting, FontSizeParameterIsKeptInBounds)
{
    QTextDocument document;
    Imported("{\\rtf1 {\\fs a}{\\fs0 b}{\\fs-8 c}{\\fs99999999999 d}{\\fs21 e}}", document);
    ExpectLook(document, "a", {.PointSize = 12}); // a bare \fs means the default 24 half-points
    ExpectLook(document, "b", {});
    ExpectLook(document, "c", {});
    ExpectLook(document, "d", {.PointSize = 1638});
    ExpectLook(document, "e", {.PointSize = 10.5});
}

TEST(RtfFormatting, ColoursComeFromTheColourTable)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\blue300;}"
                       "{\\cf1 red}{\\cf2 green}{\\cf3 blue}{\\cf0 auto}{\\cf9 beyond}{\\cf1\\plain reset} none}",
                       document),
              "redgreenblueautobeyondreset none");
    EXPECT_EQ(FormatOf(document, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(document, "green").foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(FormatOf(document, "blue").foreground().color(), QColor(0, 0, 255)) << "components are clamped";
    for (const char* automatic : {"auto", "beyond", "reset", "none"})
        EXPECT_FALSE(FormatOf(document, automatic).hasProperty(QTextFormat::ForegroundBrush)) << automatic;
}

TEST(RtfFormatting, ALaterColourTableDoesNotRecolourEarlierText)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 a{\\colortbl;\\red0\\green0\\blue255;}b"
                       "{\\colortbl;\\red0\\green0\\blue255;\\red0\\green255\\blue0;}\\cf2 c}",
                       document),
              "abc");
    EXPECT_EQ(FormatOf(document, "a").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(document, "b").foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(FormatOf(document, "c").foreground().color(), QColor(0, 255, 0));
}

TEST(RtfFormatting, NestedGroupsRestoreTheOuterState)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}"
                       "{\\b a{\\i b{\\ul\\fs40\\cf1 c}d}e}f{{{\\strike g}}}h}",
                       document),
              "abcdefgh");
    ExpectLook(document, "a", {.Bold = true});
    ExpectLook(document, "b", {.Bold = true, .Italic = true});
    ExpectLook(document, "c", {.Bold = true, .Italic = true, .Underline = true, .PointSize = 20});
    EXPECT_EQ(FormatOf(document, "c").foreground().color(), QColor(0, 0, 255));
    ExpectLook(document, "d", {.Bold = true, .Italic = true});
    EXPECT_FALSE(FormatOf(document, "d").hasProperty(QTextFormat::ForegroundBrush));
    ExpectLook(document, "e", {.Bold = true});
    ExpectLook(document, "f", {});
    ExpectLook(document, "g", {.Strike = true});
    ExpectLook(document, "h", {});
}

TEST(RtfFormatting, SuperscriptSubscriptAndHiddenText)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1 x{\\super 2}y{\\sub 3}z\\super s\\nosupersub n{\\v secret}!}", document), "x2y3zsn!");
    EXPECT_EQ(FormatOf(document, "2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatOf(document, "3").verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(FormatOf(document, "s").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatOf(document, "n").verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(FormatOf(document, "z").verticalAlignment(), QTextCharFormat::AlignNormal);
}

// ------------------------------------------------------------- paragraphs

TEST(RtfParagraphs, ParLineTabAndTheFinalParagraphMark)
{
    QTextDocument document;
    EXPECT_EQ(Imported("{\\rtf1 one\\par two\\line half\\tab tabbed\\par\\par four\\par}", document),
              QString::fromUtf16(u"one\ntwo\u2028half\ttabbed\n\nfour"));
    EXPECT_EQ(document.blockCount(), 4) << "the last \\par is the document's own end, not a new paragraph";

    EXPECT_EQ(Imported("{\\rtf1 only}"), "only");
    EXPECT_EQ(Imported("{\\rtf1 \\par}"), "");
    EXPECT_EQ(Imported("{\\rtf1 a\\par\\par}"), "a\n");
    EXPECT_EQ(Imported("{\\rtf1 a\\par{\\colortbl;}}"), "a") << "also when the mark was already written out";
    EXPECT_EQ(Imported("{\\rtf1 a\\sect b\\page c\\row d}"), "a\nb\nc\nd");
    EXPECT_EQ(Imported("{\\rtf1 a\\cell b\\cell\\row}"), "a\tb\t");
}

TEST(RtfParagraphs, SourceLineBreaksAreIgnoredButAnEscapedOneEndsAParagraph)
{
    EXPECT_EQ(Imported("{\\rtf1\r\n ab\r\ncd\ne\rf\r\n}\r\n"), " abcdef");
    EXPECT_EQ(Imported("{\\rtf1 a\\\r\nb\\\nc}"), "a\nb\nc");
    EXPECT_EQ(Imported("{\\rtf1 \\b\r\nx}"), "x") << "a line break delimits a control word without becoming text";
}

TEST(RtfParagraphs, AlignmentFollowsTheParagraphEnd)
{
    QTextDocument document;
    Imported("{\\rtf1 \\qc centre\\par\\pard left\\par\\qr right\\par{\\qj just\\par}after\\par\\ql\\qc last}",
             document);
    ASSERT_EQ(document.blockCount(), 6);
    EXPECT_EQ(AlignmentOfBlock(document, 0), Qt::AlignHCenter);
    EXPECT_EQ(document.findBlockByNumber(1).blockFormat().hasProperty(QTextFormat::BlockAlignment), false);
    EXPECT_EQ(AlignmentOfBlock(document, 2), Qt::AlignRight);
    EXPECT_EQ(AlignmentOfBlock(document, 3), Qt::AlignJustify);
    EXPECT_EQ(AlignmentOfBlock(document, 4), Qt::AlignRight) << "the group's \\qj ended with the group";
    EXPECT_EQ(AlignmentOfBlock(document, 5), Qt::AlignHCenter);

    Imported("{\\rtf1 \\qc first\\par\\qr only\\par\\pard}", document);
    ASSERT_EQ(document.blockCount(), 2);
    EXPECT_EQ(Text(document), "first\nonly");
    EXPECT_EQ(AlignmentOfBlock(document, 1), Qt::AlignRight) << "dropping the final mark keeps the last paragraph's look";
}

// ------------------------------------------------------------------- text

TEST(RtfText, HexBytesAreWindows1251)
{
    EXPECT_EQ(Imported("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'C0\\'a8\\'b9}"),
              QString::fromUtf16(u"Привет, АЁ№"));
    EXPECT_EQ(Imported("{\\rtf1 \xCF\xF0\xE8 raw}"), QString::fromUtf16(u"При raw"));
    EXPECT_EQ(Imported("{\\rtf1 a\\'zzb}"), "azzb") << "no hex digits: nothing but the text after it";
    EXPECT_EQ(Imported("{\\rtf1 \\'09x\\'00\\'0d\\'41}"), "\txA") << "control bytes other than tab are dropped";
}

TEST(RtfText, UnicodeCharactersSkipTheirFallback)
{
    EXPECT_EQ(Imported("{\\rtf1 \\u1055?\\u1088?}"), QString::fromUtf16(u"Пр")) << "\\uc1 is the default";
    EXPECT_EQ(Imported("{\\rtf1\\uc2 \\u1055??x}"), QString::fromUtf16(u"Пx"));
    EXPECT_EQ(Imported("{\\rtf1\\uc0 \\u1055\\u1088 x}"), QString::fromUtf16(u"Прx"));
    EXPECT_EQ(Imported("{\\rtf1 \\u1055\\'cf\\u1088\\'f0}"), QString::fromUtf16(u"Пр")) << "a hex byte is one fallback";
    EXPECT_EQ(Imported("{\\rtf1 \\u1055\\emdash x}"), QString::fromUtf16(u"Пx")) << "so is a control word";
    EXPECT_EQ(Imported("{\\rtf1\\uc3 {\\u1055}abc}"), QString::fromUtf16(u"Пabc")) << "a group end stops skipping";
    EXPECT_EQ(Imported("{\\rtf1 {\\uc2 \\u1055xx}\\u1088y z}"), QString::fromUtf16(u"Пр z")) << "\\uc is per group";
    EXPECT_EQ(Imported("{\\rtf1\\uc1 \\u1055abc}"), QString::fromUtf16(u"Пbc"));
    EXPECT_EQ(Imported("{\\rtf1 \\u-3913?}"), QString(QChar(0xF0B7))) << "negative: plus 65536";
    EXPECT_EQ(Imported("{\\rtf1 \\u-10179?\\u-8704?}"), QString::fromUtf16(u"\U0001F600")) << "a surrogate pair";
    EXPECT_EQ(Imported("{\\rtf1 \\u0?a\\u13?b\\u9?c}"), "a" "b\tc") << "control characters other than tab are dropped";
}

TEST(RtfText, EscapesSymbolsAndNamedCharacters)
{
    EXPECT_EQ(Imported("{\\rtf1 \\{a\\}\\\\ b\\~c\\-d\\_e}"), QString::fromUtf16(u"{a}\\ b\u00A0c\u00ADd\u2011e"));
    EXPECT_EQ(Imported("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
              QString::fromUtf16(u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D"));
    EXPECT_EQ(Imported("{\\rtf1 \\:\\|\\#x}"), "x") << "other symbols carry no text";
}

TEST(RtfText, ControlWordsEndAtTheirDelimiter)
{
    EXPECT_EQ(Imported("{\\rtf1 \\b x\\b0  y}"), "x y") << "a control word swallows exactly one space";
    EXPECT_EQ(Imported("{\\rtf1\\b x\\b0   y}"), "x  y") << "only the first space is the delimiter";
    EXPECT_EQ(Imported("{\\rtf1 \\unknown123 a\\unknown-7b}"), "ab");
    EXPECT_EQ(Imported("{\\rtf1 \\unknown-x}"), "-x") << "a minus without digits is text";
    EXPECT_EQ(Imported("{\\rtf1 \\b1x}"), "x");
}

// ------------------------------------------------------------ destinations

TEST(RtfDestinations, NonTextGroupsAreSkipped)
{
    const std::string_view rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0"
        "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1 Times New Roman;}}"
        "{\\colortbl;\\red1\\green2\\blue3;}"
        "{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}}"
        "{\\*\\generator Some Writer 1.0;}"
        "{\\info{\\title T}{\\author A}{\\creatim\\yr2020}}"
        "{\\header head text\\par}{\\footer foot text\\par}"
        "{\\*\\unknowndestination hidden {nested} \\par text}"
        "{\\pict\\wmetafile8 0123456789abcdef}"
        "{\\object{\\*\\objdata 0102}{\\result}}"
        "{\\*\\bkmkstart mark}"
        "\\f0\\fs20 visible{\\footnote note}\\par\n"
        "end}";
    EXPECT_EQ(Imported(rtf), "visible\nend");
}

TEST(RtfDestinations, BinaryDataIsSkippedEvenWhenItHoldsBraces)
{
    EXPECT_EQ(Imported("{\\rtf1 a{\\pict\\bin4 }}{\\}b}"), "ab");
    EXPECT_EQ(Imported("{\\rtf1 a\\bin3 {x}b}"), "ab") << "binary bytes are never text";
    EXPECT_EQ(Imported("{\\rtf1 \\u1055\\bin2 zzb}"), QString::fromUtf16(u"Пb")) << "binary data is one fallback";
    EXPECT_EQ(Imported("{\\rtf1 a\\bin b}"), "ab") << "no length, no data";
}

TEST(RtfDestinations, FieldsShowTheirResultAndListsTheirFallbackText)
{
    EXPECT_EQ(Imported("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt here}}.}"), "see here.");
    EXPECT_EQ(Imported("{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 7}}}"), "7");
    EXPECT_EQ(Imported("{\\rtf1 {\\*\\pn\\pnlvlblt{\\pntxtb x}}{\\pntext 1.\\tab}item}"), "1.\titem");
}

// ---------------------------------------------------------------- rejection

TEST(RtfRejection, MalformedBodiesLeaveTheDocumentUntouched)
{
    std::vector<std::string> bodies = {
        "",
        "plain text",
        " {\\rtf1 a}",
        "{\\rtfx a}",
        "{\\rtf1 abc",
        "{\\rtf1 {abc}",
        "{\\rtf1 abc}}",
        "{\\rtf1 abc} trailing text",
        "{\\rtf1 abc}{more}",
        "{\\rtf1 abc\\",
        "{\\rtf1 \\bin10 ab}",
        "{\\rtf1 \\bin2147483647 ab}",
        "{\\rtf1 a}\r\n}",
    };
    bodies.push_back("{\\rtf1 " + std::string(100'000, '{'));
    bodies.push_back(std::string("{\\rtf1 a}\0x", 11));

    QTextDocument document;
    document.setPlainText("kept\nas it was");
    QTextCursor(&document).insertText("!"); // something to undo
    const int revision = document.revision();
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body.substr(0, 40));
        EXPECT_FALSE(ImportRichText(Bytes(body), document));
        EXPECT_EQ(document.toPlainText(), "!kept\nas it was");
        EXPECT_EQ(document.revision(), revision);
        EXPECT_TRUE(document.isUndoAvailable());
    }
}

TEST(RtfRejection, BlankBytesAfterTheClosingBraceAreAccepted)
{
    EXPECT_EQ(Imported("{\\rtf1 a}\r\n"), "a") << "the line end a saved body always has";
    EXPECT_EQ(Imported(std::string_view("{\\rtf1 a}\0\0 \t\r\n", 15)), "a");
}

TEST(RtfRejection, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    const std::string deep = "{\\rtf1 " + std::string(100'000, '{') + "x" + std::string(100'000, '}') + "}";
    QTextDocument document;
    document.setPlainText("before");
    EXPECT_FALSE(ImportRichText(Bytes(deep), document));
    EXPECT_EQ(document.toPlainText(), "before");

    // Nesting of a plausible depth still reads, and unwinds to the outer state.
    const std::string nested =
        "{\\rtf1 " + std::string(999, '{') + "\\b x" + std::string(999, '}') + "y}";
    EXPECT_EQ(Imported(nested, document), "xy");
    ExpectLook(document, "x", {.Bold = true});
    ExpectLook(document, "y", {});
}

// ---------------------------------------------------------------- hostile

namespace {

// Pieces that never contain a brace other than a structural one, so whether
// a body is balanced can be told from the pieces alone.
const std::vector<std::string_view> kPieces = {
    "{", "}", "{", "}", "\\b ", "\\i0", "\\par ", "\\'e0", "\\'", "\\u1080", "\\u-5", "x", "\\*",
    "\\colortbl", ";", "\\red9", "\\cf1", "\\uc5 ", "\\fs30", "\r\n", "\\pict", "\\~", "\\\\", "\\fonttbl",
    "\\line", "\\qc", "\\pard", "\\plain", "\\v", "\xE0\xFF",
};

// 1: balanced and closed by the last structural brace; 0: not.
bool ShouldAccept(const std::vector<std::string_view>& pieces)
{
    int depth = 1;
    for (std::string_view piece : pieces) {
        if (depth == 0 && piece != "\r\n")
            return false;
        depth += piece == "{" ? 1 : piece == "}" ? -1 : 0;
    }
    return depth == 0;
}

} // namespace

TEST(RtfHostile, RandomPieceSequencesAreAcceptedExactlyWhenBalanced)
{
    std::mt19937 random(20240611);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string_view> pieces(random() % 40);
        for (std::string_view& piece : pieces)
            piece = kPieces[random() % kPieces.size()];
        // Close most bodies so that both answers come up often.
        if (random() % 2 == 0) {
            int depth = 1;
            for (std::string_view piece : pieces)
                depth += piece == "{" ? 1 : piece == "}" ? -1 : 0;
            for (; depth > 0; --depth)
                pieces.push_back("}");
        }
        std::string body = "{\\rtf1";
        for (std::string_view piece : pieces)
            body += piece;

        QTextDocument document;
        document.setPlainText("before");
        const bool ok = ImportRichText(Bytes(body), document);
        ASSERT_EQ(ok, ShouldAccept(pieces)) << body;
        if (ok) {
            ++accepted;
        } else {
            ASSERT_EQ(document.toPlainText(), "before") << body;
        }
    }
    EXPECT_GT(accepted, 300);
    EXPECT_LT(accepted, 2700);
}

TEST(RtfHostile, ArbitraryBytesAfterTheHeaderAreSafe)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string body = "{\\rtf1";
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) {
            // Lean towards the bytes RTF cares about.
            static constexpr char kSyntax[] = "{}\\'*u0123456789-; \r\nabf";
            body += random() % 2 ? static_cast<char>(random()) : kSyntax[random() % (sizeof kSyntax - 1)];
        }
        QTextDocument document;
        document.setPlainText("before");
        if (!ImportRichText(Bytes(body), document)) {
            ASSERT_EQ(document.toPlainText(), "before");
        }
    }
}

// ------------------------------------------------------------------ large

TEST(RtfLarge, ManyParagraphsAndLongRunsReadInOnePass)
{
    // About 5 MB: a quadratic step anywhere would not finish in the test run.
    constexpr int kLines = 100'000;
    std::string body = "{\\rtf1\\ansi\\ansicpg1251{\\colortbl;\\red255\\green0\\blue0;}\r\n";
    body.reserve(60 * kLines);
    for (int i = 0; i < kLines; ++i)
        body += "{\\b Line} \\'cf\\'f0\\'e8 \\u1080? {\\cf1 red}{}{{}}\\par\r\n";
    body += "}";

    QTextDocument document;
    ASSERT_TRUE(ImportRichText(Bytes(body), document));
    EXPECT_EQ(document.blockCount(), kLines);
    EXPECT_EQ(document.lastBlock().text(), QString::fromUtf16(u"Line При и red"));
    QTextCursor cursor(document.findBlockByNumber(kLines / 2));
    cursor.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.movePosition(QTextCursor::EndOfBlock);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));

    // One paragraph of 4 MB text, and a body of a million empty groups.
    const std::string longRun = "{\\rtf1 " + std::string(4'000'000, 'a') + "}";
    ASSERT_TRUE(ImportRichText(Bytes(longRun), document));
    EXPECT_EQ(document.characterCount(), 4'000'001);

    std::string groups = "{\\rtf1 ";
    for (int i = 0; i < 1'000'000; ++i)
        groups += "{}";
    groups += "z}";
    EXPECT_EQ(Imported(groups, document), "z");
}

// ------------------------------------------------------------- the target

TEST(RtfImportTarget, ReplacesTheContentAndForgetsTheUndoHistory)
{
    QTextDocument document;
    QFont font("Serif");
    font.setPointSize(17);
    document.setDefaultFont(font);
    document.setPlainText("old text\nold line");
    QTextCursor(&document).insertText("typed");
    ASSERT_TRUE(document.isUndoAvailable());

    EXPECT_EQ(Imported("{\\rtf1 new}", document), "new");
    EXPECT_EQ(document.blockCount(), 1);
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_TRUE(document.isUndoRedoEnabled()) << "undo works again for the user's edits";
    EXPECT_EQ(document.defaultFont(), font) << "the display font stays the user's";
    ExpectLook(document, "new", {});

    QTextDocument noUndo;
    noUndo.setUndoRedoEnabled(false);
    EXPECT_EQ(Imported("{\\rtf1 x}", noUndo), "x");
    EXPECT_FALSE(noUndo.isUndoRedoEnabled());
}
