// Byte names on POSIX systems: valid UTF-8 is decoded, any other byte is
// carried as a lone surrogate and given back unchanged.
#include "FileName.h"

namespace tainoteka {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at bytes[at], or 0.
qsizetype ValidSequenceAt(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= min && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

QString FileNameFromSystem(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = ValidSequenceAt(bytes, at);
        if (length == 0) {
            name.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        name.append(QString::fromUtf8(bytes.constData() + at, length));
        at += length;
    }
    return name;
}

QByteArray FileNameForSystem(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        const bool escaped = i < name.size() && name[i].unicode() >= kEscapeBase + 0x80 &&
                             name[i].unicode() <= kEscapeBase + 0xFF &&
                             (i == 0 || !name[i - 1].isHighSurrogate());
        if (!escaped && i < name.size())
            continue;
        bytes.append(QStringView(name).mid(runStart, i - runStart).toUtf8());
        if (escaped)
            bytes.append(char(name[i].unicode() - kEscapeBase));
        runStart = i + 1;
    }
    return bytes;
}

QStringList ProgramArguments(int count, char** values)
{
    QStringList arguments;
    for (int i = 1; i < count; ++i)
        arguments.append(FileNameFromSystem(QByteArray(values[i])));
    return arguments;
}

} // namespace tainoteka
