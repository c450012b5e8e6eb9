#include "ProfileFile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include <limits>
#include <string_view>

#include "CodePage1251.h"

namespace tainoteka {
namespace {

enum class TLineKind { Other, Section, Key, Comment };

struct TLine {
    QByteArray Bytes; // without the line ending
    QByteArray Eol; // "\n", "\r\n", or empty on a last line without one
    QString Text;
    TLineKind Kind = TLineKind::Other;
    QString Name; // section or key name, trimmed
    QString Value; // key value, trimmed, quotes still on
};

struct TProfileImage {
#ifdef Q_OS_WIN
    bool Utf8 = false; // a new file on Windows: the ANSI code page
#else
    bool Utf8 = true;
#endif
    QByteArray Bom;
    QList<TLine> Lines;
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

QByteArray NativeEol()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

QString Decode(const QByteArray& bytes, bool utf8)
{
    if (utf8)
        return QString::fromUtf8(bytes);
    return QString::fromStdU16String(Cp1251ToUtf16(std::string_view(bytes.constData(), size_t(bytes.size()))));
}

void Classify(TLine& line)
{
    const QString text = line.Text.trimmed();
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        line.Kind = TLineKind::Section;
        line.Name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        return;
    }
    if (text.startsWith(QLatin1Char(';'))) {
        line.Kind = TLineKind::Comment;
        return;
    }
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return;
    line.Kind = TLineKind::Key;
    line.Name = text.left(equals).trimmed();
    line.Value = text.mid(equals + 1).trimmed();
}

#ifdef Q_OS_WIN
bool IsAscii(const QByteArray& data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
#endif

TProfileImage Parse(QByteArray data)
{
    TProfileImage image;
    if (data.startsWith(kUtf8Bom)) {
        image.Bom = kUtf8Bom;
        data.remove(0, kUtf8Bom.size());
    }
    QStringDecoder check(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = check.decode(data);
    image.Utf8 = !check.hasError();
#ifdef Q_OS_WIN
    // Windows programs keep INI files in the ANSI code page: a new or
    // plain-ASCII file is Windows-1251 unless it is marked as UTF-8.
    if (image.Bom.isEmpty() && IsAscii(data))
        image.Utf8 = false;
#endif

    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype newline = data.indexOf('\n', start);
        TLine line;
        if (newline < 0) {
            line.Bytes = data.mid(start);
            start = data.size();
        } else {
            line.Bytes = data.mid(start, newline - start);
            line.Eol = QByteArrayLiteral("\n");
            if (line.Bytes.endsWith('\r')) {
                line.Bytes.chop(1);
                line.Eol = QByteArrayLiteral("\r\n");
            }
            start = newline + 1;
        }
        line.Text = Decode(line.Bytes, image.Utf8);
        Classify(line);
        image.Lines.append(std::move(line));
    }
    return image;
}

enum class TLoad { Missing, Loaded, Unreadable };

TLoad Load(const QString& path, TProfileImage& image)
{
    QFile file(path);
    if (!file.exists())
        return TLoad::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return TLoad::Unreadable;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return TLoad::Unreadable;
    image = Parse(data);
    return TLoad::Loaded;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

qsizetype FindSection(const QList<TLine>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].Kind == TLineKind::Section && SameName(lines[i].Name, section))
            return i;
    return -1;
}

// Index of the next section line after header, or the end.
qsizetype SectionEnd(const QList<TLine>& lines, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < lines.size() && lines[i].Kind != TLineKind::Section)
        ++i;
    return i;
}

qsizetype FindKey(const QList<TLine>& lines, qsizetype header, const QString& key)
{
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines[i].Kind == TLineKind::Key && SameName(lines[i].Name, key))
            return i;
    return -1;
}

bool IsQuoted(const QString& value)
{
    if (value.size() < 2)
        return false;
    const QChar first = value.front();
    return (first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first;
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// The value as written, so that reading it gives it back unchanged.
QString StoredValue(const QString& value)
{
    if (value != value.trimmed() || IsQuoted(value))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

bool FitsCp1251(const QString& text) { return Utf16ToCp1251(text.toStdU16String()).Ok(); }

QByteArray Encode(const QString& text, bool utf8)
{
    if (utf8)
        return text.toUtf8();
    const TCp1251Encoding encoded = Utf16ToCp1251(text.toStdU16String());
    return QByteArray(encoded.Bytes.data(), qsizetype(encoded.Bytes.size()));
}

TLine MakeLine(const QString& text, const QByteArray& eol, bool utf8)
{
    TLine line;
    line.Text = text;
    line.Bytes = Encode(text, utf8);
    line.Eol = eol;
    Classify(line);
    return line;
}

// Puts a new line at index, giving the line before it a line ending if it had none.
void InsertLine(QList<TLine>& lines, qsizetype index, TLine line)
{
    if (index > 0 && lines[index - 1].Eol.isEmpty())
        lines[index - 1].Eol = line.Eol;
    lines.insert(index, std::move(line));
}

} // namespace

int ParseProfileInteger(const QString& text, int fallback)
{
    const auto hexDigit = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        return -1;
    };

    qsizetype hexStart = -1;
    if (text.startsWith(QLatin1Char('$')))
        hexStart = 1;
    else if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        hexStart = 2;
    if (hexStart >= 0) {
        if (hexStart >= text.size())
            return fallback;
        quint64 value = 0;
        for (qsizetype i = hexStart; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0)
                return fallback;
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu)
                return fallback;
        }
        return int(quint32(value)); // the 32-bit pattern: FF000008 is negative
    }

    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size())
        return fallback;
    const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return fallback;
        value = value * 10 + (u - u'0');
        if (value > limit)
            return fallback;
    }
    return int(negative ? -value : value);
}

QString TProfileFile::ReadString(const QString& section, const QString& key, const QString& fallback) const
{
    TProfileImage image;
    if (Load(path_, image) != TLoad::Loaded)
        return fallback;
    const qsizetype header = FindSection(image.Lines, section.trimmed());
    if (header < 0)
        return fallback;
    const qsizetype found = FindKey(image.Lines, header, key.trimmed());
    if (found < 0)
        return fallback;
    QString value = image.Lines[found].Value;
    if (IsQuoted(value))
        value = value.mid(1, value.size() - 2);
    return value.left(MaxValueLength);
}

int TProfileFile::ReadInteger(const QString& section, const QString& key, int fallback) const
{
    return ParseProfileInteger(ReadString(section, key, QString()), fallback);
}

bool TProfileFile::ReadFlag(const QString& section, const QString& key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

TFileResult TProfileFile::WriteString(const QString& sectionName, const QString& keyName, const QString& value)
{
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    if (section.isEmpty() || key.isEmpty())
        return FileFailure(path_, QStringLiteral("empty section or key name"));
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return FileFailure(path_, QStringLiteral("a line break cannot be stored"));
    if (section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('['))
        || key.startsWith(QLatin1Char(';')))
        return FileFailure(path_, QStringLiteral("name cannot be stored"));

    TProfileImage image;
    switch (Load(path_, image)) {
    case TLoad::Unreadable:
        // Writing without the old content would destroy every other line.
        return FileFailure(path_, QStringLiteral("existing file cannot be read"));
    case TLoad::Missing:
    case TLoad::Loaded: break;
    }
    QList<TLine>& lines = image.Lines;

    QByteArray eol = NativeEol();
    for (const TLine& line : lines)
        if (!line.Eol.isEmpty()) {
            eol = line.Eol;
            break;
        }

    const QString stored = StoredValue(value);
    const qsizetype header = FindSection(lines, section);
    const qsizetype found = header < 0 ? -1 : FindKey(lines, header, key);
    const QString keyText = (found < 0 ? key : lines[found].Name) + QLatin1Char('=') + stored;
    const QString sectionText = QLatin1Char('[') + section + QLatin1Char(']');

    if (!image.Utf8 && !FitsCp1251(keyText + sectionText)) {
        image.Utf8 = true;
        for (TLine& line : lines)
            line.Bytes = line.Text.toUtf8();
    }

    if (found >= 0) {
        TLine& line = lines[found];
        line = MakeLine(keyText, line.Eol, image.Utf8);
    } else if (header >= 0) {
        qsizetype at = header + 1;
        const qsizetype end = SectionEnd(lines, header);
        for (qsizetype i = header + 1; i < end; ++i)
            if (lines[i].Kind == TLineKind::Key)
                at = i + 1;
        InsertLine(lines, at, MakeLine(keyText, eol, image.Utf8));
    } else {
        InsertLine(lines, lines.size(), MakeLine(sectionText, eol, image.Utf8));
        InsertLine(lines, lines.size(), MakeLine(keyText, eol, image.Utf8));
    }

    QByteArray data = image.Bom;
    for (const TLine& line : lines)
        data += line.Bytes + line.Eol;

    const QFileInfo info(path_);
    if (info.exists() && !info.isWritable())
        return FileFailure(path_, QStringLiteral("file is read-only"));
    return WriteFileAtomically(path_, data);
}

TFileResult TProfileFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

TFileResult TProfileFile::WriteFlag(const QString& section, const QString& key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace tainoteka
