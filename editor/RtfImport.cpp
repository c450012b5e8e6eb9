#include "RtfImport.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CodePage1251.h"

namespace tainoteka {
namespace {

// Real documents nest a few dozen groups deep; anything far beyond that is
// hostile or broken and is better shown as plain text.
constexpr int kMaxGroupDepth = 4096;
// Word's own limit for a font size, in half-points.
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxUnicodeSkip = 255;
constexpr size_t kFormatCacheSize = 16;

// ---------------------------------------------------------------- tokens

enum class TTokenKind { End, Error, GroupOpen, GroupClose, Word, Symbol, HexByte, Text, Binary };

struct TToken {
    TTokenKind Kind = TTokenKind::End;
    std::string_view Text; // word name, text run or binary data
    bool HasParam = false;
    int Param = 0;
    char Symbol = 0; // '\n' stands for a backslash before CR or LF
    unsigned char Byte = 0;
};

TToken TokenOf(TTokenKind kind, std::string_view text = {})
{
    TToken token;
    token.Kind = kind;
    token.Text = text;
    return token;
}

TToken SymbolToken(char symbol)
{
    TToken token = TokenOf(TTokenKind::Symbol);
    token.Symbol = symbol;
    return token;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSourceLineBreak(char c) { return c == '\r' || c == '\n'; }

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class TTokenizer {
public:
    explicit TTokenizer(std::string_view source) : Source(source) {}

    TToken Next()
    {
        while (Pos < Source.size() && IsSourceLineBreak(Source[Pos]))
            ++Pos;
        if (Pos >= Source.size())
            return {};
        switch (Source[Pos]) {
        case '{':
            ++Pos;
            return TokenOf(TTokenKind::GroupOpen);
        case '}':
            ++Pos;
            return TokenOf(TTokenKind::GroupClose);
        case '\\':
            ++Pos;
            return ReadControl();
        default:
            return ReadText();
        }
    }

    std::string_view Rest() const { return Source.substr(Pos); }

private:
    TToken ReadControl()
    {
        if (Pos >= Source.size())
            return TokenOf(TTokenKind::Error);
        const char c = Source[Pos];
        if (IsLetter(c))
            return ReadWord();
        ++Pos;
        if (c == '\'')
            return ReadHexByte();
        return SymbolToken(IsSourceLineBreak(c) ? '\n' : c);
    }

    TToken ReadWord()
    {
        const size_t start = Pos;
        while (Pos < Source.size() && IsLetter(Source[Pos]))
            ++Pos;
        TToken token = TokenOf(TTokenKind::Word, Source.substr(start, Pos - start));
        token.HasParam = ReadParam(token.Param);
        if (Pos < Source.size() && Source[Pos] == ' ')
            ++Pos;
        if (token.Text == "bin")
            return ReadBinary(token.HasParam ? token.Param : 0);
        return token;
    }

    // A minus sign belongs to the parameter only when a digit follows it.
    // Values saturate instead of overflowing.
    bool ReadParam(int& value)
    {
        size_t p = Pos;
        const bool negative = p + 1 < Source.size() && Source[p] == '-' && IsDigit(Source[p + 1]);
        if (negative)
            ++p;
        if (p >= Source.size() || !IsDigit(Source[p]))
            return false;
        int64_t magnitude = 0;
        for (; p < Source.size() && IsDigit(Source[p]); ++p)
            magnitude = std::min<int64_t>(magnitude * 10 + (Source[p] - '0'), INT_MAX);
        Pos = p;
        value = static_cast<int>(negative ? -magnitude : magnitude);
        return true;
    }

    TToken ReadBinary(int length)
    {
        const size_t count = static_cast<size_t>(std::max(length, 0));
        if (Source.size() - Pos < count)
            return TokenOf(TTokenKind::Error);
        TToken token = TokenOf(TTokenKind::Binary, Source.substr(Pos, count));
        Pos += count;
        return token;
    }

    // Up to two hex digits; "\'" with none is a symbol nobody uses.
    TToken ReadHexByte()
    {
        int value = 0;
        int digits = 0;
        for (; digits < 2 && Pos < Source.size() && HexValue(Source[Pos]) >= 0; ++digits, ++Pos)
            value = value * 16 + HexValue(Source[Pos]);
        if (digits == 0)
            return SymbolToken('\'');
        TToken token = TokenOf(TTokenKind::HexByte);
        token.Byte = static_cast<unsigned char>(value);
        return token;
    }

    TToken ReadText()
    {
        const size_t start = Pos;
        while (Pos < Source.size()) {
            const char c = Source[Pos];
            if (c == '\\' || c == '{' || c == '}' || IsSourceLineBreak(c))
                break;
            ++Pos;
        }
        return TokenOf(TTokenKind::Text, Source.substr(start, Pos - start));
    }

    std::string_view Source;
    size_t Pos = 0;
};

// ------------------------------------------------------------ well-formed

// What may follow the closing brace: the line end the body gets on saving,
// padding, nothing else.
bool IsBlankTail(std::string_view tail)
{
    return std::all_of(tail.begin(), tail.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; });
}

// One group holding everything, balanced, not too deep, no broken escape.
// Checked in full before the document is touched, so the build cannot fail.
bool IsWellFormed(std::string_view source)
{
    TTokenizer tokens(source);
    int depth = 0;
    for (;;) {
        const TToken token = tokens.Next();
        if (token.Kind == TTokenKind::End || token.Kind == TTokenKind::Error)
            return false;
        if (depth == 0 && token.Kind != TTokenKind::GroupOpen)
            return false;
        if (token.Kind == TTokenKind::GroupOpen && ++depth > kMaxGroupDepth)
            return false;
        if (token.Kind == TTokenKind::GroupClose && --depth == 0)
            return IsBlankTail(tokens.Rest());
    }
}

// ----------------------------------------------------------- control words

enum class TWord {
    Unknown,
    SkippedDestination,
    ColorTable,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    FontSize,
    Color,
    Plain,
    Superscript,
    Subscript,
    NoSuperSub,
    ParagraphDefaults,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustify,
    ParagraphEnd,
    Character,
    Unicode,
    UnicodeSkip,
};

struct TWordInfo {
    TWord Kind = TWord::Unknown;
    char16_t Char = 0; // for TWord::Character
};

using TWordTable = std::unordered_map<std::string_view, TWordInfo>;

void AddSkippedDestinations(TWordTable& table)
{
    // Groups whose content is not document text. {\* ...} groups are
    // skipped anyway; these are the ones that often come without the star.
    static constexpr std::string_view names[] = {
        "fonttbl", "stylesheet", "info", "pict", "object", "objdata", "objclass", "objname",
        "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
        "footnote", "annotation", "atnid", "atnauthor", "atndate", "atnref", "atntime", "atrfstart",
        "atrfend", "fldinst", "filetbl", "listtable", "listoverridetable", "revtbl", "rsidtbl",
        "generator", "xmlnstbl", "themedata", "colorschememapping", "datastore", "latentstyles",
        "pgdsctbl", "template", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
        "bkmkstart", "bkmkend", "shp", "shpinst", "shptxt", "shppict", "nonshppict", "userprops",
        "docvar", "private", "pn", "pntxta", "pntxtb", "falt", "panose", "xe", "tc", "txe", "rxe",
        "comment", "title", "subject", "author", "operator", "keywords", "doccomm", "company",
        "category", "manager", "hlinkbase", "creatim", "revtim", "printim", "buptim", "listpicture",
        "pgptbl", "oldcprops", "oldpprops", "oldsprops", "oldtprops", "protusertbl", "passwordhash",
    };
    for (std::string_view name : names)
        table[name] = {TWord::SkippedDestination};
}

void AddUnderlines(TWordTable& table)
{
    // Every underline style shows as the one underline the editor has.
    static constexpr std::string_view names[] = {
        "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
        "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave",
    };
    for (std::string_view name : names)
        table[name] = {TWord::Underline};
}

void AddCharacters(TWordTable& table)
{
    static constexpr std::pair<std::string_view, char16_t> chars[] = {
        {"line", u'\u2028'}, {"tab", u'\t'}, {"cell", u'\t'}, {"nestcell", u'\t'},
        {"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"bullet", u'\u2022'},
        {"lquote", u'\u2018'}, {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'},
        {"rdblquote", u'\u201D'}, {"emspace", u'\u2003'}, {"enspace", u'\u2002'},
        {"qmspace", u'\u2005'}, {"zwj", u'\u200D'}, {"zwnj", u'\u200C'},
        {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'},
    };
    for (const auto& [name, ch] : chars)
        table[name] = {TWord::Character, ch};
}

TWordTable MakeWordTable()
{
    TWordTable table = {
        {"colortbl", {TWord::ColorTable}}, {"b", {TWord::Bold}}, {"i", {TWord::Italic}},
        {"ulnone", {TWord::UnderlineNone}}, {"strike", {TWord::Strike}}, {"striked", {TWord::Strike}},
        {"v", {TWord::Hidden}}, {"fs", {TWord::FontSize}}, {"cf", {TWord::Color}},
        {"plain", {TWord::Plain}}, {"super", {TWord::Superscript}}, {"sub", {TWord::Subscript}},
        {"nosupersub", {TWord::NoSuperSub}}, {"pard", {TWord::ParagraphDefaults}},
        {"ql", {TWord::AlignLeft}}, {"qr", {TWord::AlignRight}}, {"qc", {TWord::AlignCenter}},
        {"qj", {TWord::AlignJustify}}, {"par", {TWord::ParagraphEnd}}, {"sect", {TWord::ParagraphEnd}},
        {"page", {TWord::ParagraphEnd}}, {"row", {TWord::ParagraphEnd}}, {"nestrow", {TWord::ParagraphEnd}},
        {"u", {TWord::Unicode}}, {"uc", {TWord::UnicodeSkip}},
    };
    AddSkippedDestinations(table);
    AddUnderlines(table);
    AddCharacters(table);
    return table;
}

TWordInfo LookUpWord(std::string_view name)
{
    static const TWordTable table = MakeWordTable();
    const auto it = table.find(name);
    return it == table.end() ? TWordInfo{} : it->second;
}

// ---------------------------------------------------------------- builder

enum class TDestination { Text, ColorTable, Skipped };

struct TCharProps {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    bool Hidden = false;
    int HalfPoints = 0; // 0: the editing area's own size
    int Color = 0; // index into the colour table; 0 is usually "auto"
    QTextCharFormat::VerticalAlignment VAlign = QTextCharFormat::AlignNormal;
    bool operator==(const TCharProps&) const = default;
};

struct TGroupState {
    TCharProps Char;
    Qt::Alignment Align; // empty: not set
    int UnicodeSkip = 1;
    TDestination Destination = TDestination::Text;
};

// A control word without a parameter switches on, "\b0" switches off.
bool SwitchesOn(const TToken& token) { return !token.HasParam || token.Param != 0; }

int HalfPointsOf(const TToken& token)
{
    if (!token.HasParam)
        return 24; // the default a bare \fs stands for
    return token.Param <= 0 ? 0 : std::min(token.Param, kMaxHalfPoints);
}

// Walks the tokens of a well-formed body once, keeping one state per open
// group, and writes runs of equally formatted text through a cursor.
class TBuilder {
public:
    explicit TBuilder(QTextDocument& document) : Cursor(&document) {}

    void Run(std::string_view source)
    {
        Cursor.beginEditBlock();
        TTokenizer tokens(source);
        while (Take(tokens.Next())) {
        }
        Finish();
        Cursor.endEditBlock();
    }

private:
    TGroupState& Top() { return Stack.back(); }

    // False once the outermost group has closed.
    bool Take(const TToken& token)
    {
        switch (token.Kind) {
        case TTokenKind::GroupOpen:
            OpenGroup();
            return true;
        case TTokenKind::GroupClose:
            return CloseGroup();
        case TTokenKind::Word:
            OnWord(token);
            return true;
        case TTokenKind::Symbol:
            OnSymbol(token.Symbol);
            return true;
        case TTokenKind::HexByte:
            OnHexByte(token.Byte);
            return true;
        case TTokenKind::Text:
            OnText(token.Text);
            return true;
        case TTokenKind::Binary:
            ConsumeFallback();
            return true;
        case TTokenKind::End:
        case TTokenKind::Error:
            return false;
        }
        return false;
    }

    // A group boundary also ends the fallback of a \uN.
    void OpenGroup()
    {
        PendingSkip = 0;
        Stack.push_back(Top());
    }

    // The document's own group stays for Finish to read.
    bool CloseGroup()
    {
        PendingSkip = 0;
        if (Stack.size() == 2)
            return false;
        Stack.pop_back();
        return true;
    }

    // Whether the token is one of the fallback characters after a \uN.
    bool ConsumeFallback()
    {
        if (PendingSkip == 0)
            return false;
        --PendingSkip;
        return true;
    }

    void OnWord(const TToken& token)
    {
        if (Top().Destination == TDestination::Skipped)
            return;
        if (Top().Destination == TDestination::ColorTable) {
            OnColorComponent(token);
            return;
        }
        if (ConsumeFallback())
            return;
        const TWordInfo info = LookUpWord(token.Text);
        if (!ApplyCharWord(info.Kind, token))
            ApplyOtherWord(info, token);
    }

    bool ApplyCharWord(TWord kind, const TToken& token)
    {
        TCharProps& props = Top().Char;
        switch (kind) {
        case TWord::Bold: props.Bold = SwitchesOn(token); return true;
        case TWord::Italic: props.Italic = SwitchesOn(token); return true;
        case TWord::Underline: props.Underline = SwitchesOn(token); return true;
        case TWord::UnderlineNone: props.Underline = false; return true;
        case TWord::Strike: props.Strike = SwitchesOn(token); return true;
        case TWord::Hidden: props.Hidden = SwitchesOn(token); return true;
        case TWord::FontSize: props.HalfPoints = HalfPointsOf(token); return true;
        case TWord::Color: props.Color = token.HasParam ? std::max(token.Param, 0) : 0; return true;
        case TWord::Plain: props = {}; return true;
        case TWord::Superscript: props.VAlign = QTextCharFormat::AlignSuperScript; return true;
        case TWord::Subscript: props.VAlign = QTextCharFormat::AlignSubScript; return true;
        case TWord::NoSuperSub: props.VAlign = QTextCharFormat::AlignNormal; return true;
        default: return false;
        }
    }

    void ApplyOtherWord(const TWordInfo& info, const TToken& token)
    {
        TGroupState& state = Top();
        switch (info.Kind) {
        case TWord::SkippedDestination: state.Destination = TDestination::Skipped; break;
        case TWord::ColorTable: StartColorTable(); break;
        case TWord::ParagraphDefaults: state.Align = {}; break;
        case TWord::AlignLeft: state.Align = Qt::AlignLeft; break;
        case TWord::AlignRight: state.Align = Qt::AlignRight; break;
        case TWord::AlignCenter: state.Align = Qt::AlignHCenter; break;
        case TWord::AlignJustify: state.Align = Qt::AlignJustify; break;
        case TWord::ParagraphEnd: EndParagraph(); break;
        case TWord::Character: AppendChar(info.Char); break;
        case TWord::Unicode: OnUnicode(token); break;
        case TWord::UnicodeSkip: state.UnicodeSkip = std::clamp(token.Param, 0, kMaxUnicodeSkip); break;
        default: break;
        }
    }

    void OnSymbol(char symbol)
    {
        if (Top().Destination != TDestination::Text)
            return;
        // An ignorable destination: nothing inside it is ours.
        if (symbol == '*') {
            Top().Destination = TDestination::Skipped;
            return;
        }
        if (ConsumeFallback())
            return;
        switch (symbol) {
        case '\\': case '{': case '}': AppendChar(char16_t(symbol)); break;
        case '~': AppendChar(u'\u00A0'); break;
        case '-': AppendChar(u'\u00AD'); break;
        case '_': AppendChar(u'\u2011'); break;
        case '\n': EndParagraph(); break;
        default: break;
        }
    }

    void OnHexByte(unsigned char byte)
    {
        if (Top().Destination == TDestination::Text && !ConsumeFallback())
            AppendByte(byte);
    }

    void OnText(std::string_view text)
    {
        if (Top().Destination == TDestination::ColorTable) {
            OnColorTableText(text);
            return;
        }
        if (Top().Destination != TDestination::Text)
            return;
        const size_t skipped = std::min<size_t>(PendingSkip, text.size());
        PendingSkip -= static_cast<int>(skipped);
        for (char c : text.substr(skipped))
            AppendByte(static_cast<unsigned char>(c));
    }

    // Negative values stand for the upper half: N + 65536.
    void OnUnicode(const TToken& token)
    {
        if (!token.HasParam)
            return;
        AppendCodeUnit(static_cast<char16_t>(token.Param & 0xFFFF));
        PendingSkip = Top().UnicodeSkip;
    }

    // ------------------------------------------------------ colour table

    // Text so far keeps the colours it was written with.
    void StartColorTable()
    {
        FlushRun();
        FormatCache.clear();
        Top().Destination = TDestination::ColorTable;
        Colors.clear();
        ResetColorEntry();
    }

    void ResetColorEntry()
    {
        EntryRgb[0] = EntryRgb[1] = EntryRgb[2] = 0;
        EntryHasRgb = false;
    }

    void OnColorComponent(const TToken& token)
    {
        static constexpr std::string_view components[] = {"red", "green", "blue"};
        for (int i = 0; i < 3; ++i) {
            if (token.Text == components[i]) {
                EntryRgb[i] = std::clamp(token.HasParam ? token.Param : 0, 0, 255);
                EntryHasRgb = true;
            }
        }
    }

    // Each ';' ends an entry; one without components is the automatic colour.
    void OnColorTableText(std::string_view text)
    {
        for (char c : text) {
            if (c != ';')
                continue;
            Colors.push_back(EntryHasRgb ? QColor(EntryRgb[0], EntryRgb[1], EntryRgb[2]) : QColor());
            ResetColorEntry();
        }
    }

    QColor ColorAt(int index) const
    {
        return index < static_cast<int>(Colors.size()) ? Colors[static_cast<size_t>(index)] : QColor();
    }

    // ------------------------------------------------------------ output

    void AppendByte(unsigned char byte) { AppendCodeUnit(Cp1251ToChar(byte)); }

    // Control characters other than tab carry nothing for the reader.
    void AppendCodeUnit(char16_t ch)
    {
        if (ch >= 0x20 || ch == u'\t')
            AppendChar(ch);
    }

    void AppendChar(char16_t ch)
    {
        if (Top().Char.Hidden)
            return;
        AppendToRun(ch);
        EndedWithParagraph = false;
    }

    void AppendToRun(char16_t ch)
    {
        const TCharProps& props = Top().Char;
        if (!(props == RunProps))
            FlushRun();
        RunProps = props;
        RunText.append(QChar(ch));
    }

    void FlushRun()
    {
        if (!RunText.isEmpty())
            Cursor.insertText(RunText, CachedCharFormat(RunProps));
        RunText.clear();
    }

    // Documents switch between a handful of looks; reusing the format
    // objects spares building and hashing one per run.
    const QTextCharFormat& CachedCharFormat(const TCharProps& props)
    {
        for (const auto& [known, format] : FormatCache) {
            if (known == props)
                return format;
        }
        if (FormatCache.size() >= kFormatCacheSize)
            FormatCache.clear();
        FormatCache.emplace_back(props, CharFormat(props));
        return FormatCache.back().second;
    }

    QTextCharFormat CharFormat(const TCharProps& props) const
    {
        QTextCharFormat format;
        if (props.Bold)
            format.setFontWeight(QFont::Bold);
        if (props.Italic)
            format.setFontItalic(true);
        if (props.Underline)
            format.setFontUnderline(true);
        if (props.Strike)
            format.setFontStrikeOut(true);
        if (props.HalfPoints > 0)
            format.setFontPointSize(props.HalfPoints / 2.0);
        if (props.VAlign != QTextCharFormat::AlignNormal)
            format.setVerticalAlignment(props.VAlign);
        if (const QColor color = ColorAt(props.Color); color.isValid())
            format.setForeground(color);
        return format;
    }

    // A paragraph takes the paragraph properties in force at its end. The
    // block being written inherits its format from the one before, so the
    // cursor is only stopped when the alignment changes.
    void SetParagraphAlignment()
    {
        const Qt::Alignment align = Top().Align;
        if (align == BlockAlign)
            return;
        FlushRun();
        QTextBlockFormat format;
        if (align)
            format.setAlignment(align);
        Cursor.setBlockFormat(format);
        BlockAlign = align;
    }

    // Paragraph marks go into the run: one insertion for many paragraphs.
    void EndParagraph()
    {
        SetParagraphAlignment();
        AppendToRun(QChar::ParagraphSeparator);
        EndedWithParagraph = true;
    }

    // The document's last paragraph mark is implicit, so a final \par does
    // not add an empty paragraph after the text.
    void Finish()
    {
        if (!EndedWithParagraph) {
            SetParagraphAlignment();
            FlushRun();
        } else if (!RunText.isEmpty()) {
            RunText.chop(1);
            FlushRun();
        } else {
            Cursor.deletePreviousChar();
        }
    }

    QTextCursor Cursor;
    std::vector<TGroupState> Stack{TGroupState{}};
    std::vector<QColor> Colors;
    int EntryRgb[3] = {0, 0, 0};
    bool EntryHasRgb = false;
    int PendingSkip = 0; // fallback characters still to drop after a \uN
    QString RunText;
    TCharProps RunProps;
    bool EndedWithParagraph = false;
    Qt::Alignment BlockAlign; // of the block the cursor is in
    std::vector<std::pair<TCharProps, QTextCharFormat>> FormatCache;
};

std::string_view View(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

} // namespace

bool IsRichTextDocument(const QByteArray& body)
{
    static constexpr std::string_view start = "{\\rtf";
    const std::string_view source = View(body);
    return source.starts_with(start) && (source.size() == start.size() || !IsLetter(source[start.size()]));
}

bool ImportRichText(const QByteArray& body, QTextDocument& document)
{
    if (!IsRichTextDocument(body) || !IsWellFormed(View(body)))
        return false;
    // Undo records for the whole load would only cost memory; the history
    // goes anyway when a document is opened.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    TBuilder(document).Run(View(body));
    document.setUndoRedoEnabled(undo);
    return true;
}

} // namespace tainoteka
