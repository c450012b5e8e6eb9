#include "RecoveryCopy.h"

#include <QStringEncoder>

namespace tainoteka {
namespace {

const QByteArray kTag = QByteArrayLiteral("tainoteka recovery 2\n");
const QByteArray kTagWithoutStamp = QByteArrayLiteral("tainoteka recovery 1\n");

// "size modified" in decimal; empty for none.
QByteArray StampField(const std::optional<TFileStamp>& stamp)
{
    return stamp ? QByteArray::number(stamp->Size) + ' ' + QByteArray::number(stamp->Modified) : QByteArray();
}

// False for a field that is neither empty nor a stamp.
bool ReadStamp(QByteArrayView field, std::optional<TFileStamp>& stamp)
{
    if (field.isEmpty())
        return true;
    const qsizetype space = field.indexOf(' ');
    if (space < 0)
        return false;
    bool sizeOk = false, modifiedOk = false;
    TFileStamp read;
    read.Size = field.first(space).toLongLong(&sizeOk);
    read.Modified = field.sliced(space + 1).toLongLong(&modifiedOk);
    if (!sizeOk || !modifiedOk)
        return false;
    stamp = read;
    return true;
}

// The next field ended by a NUL from at on, or nullopt; at moves past it.
std::optional<QByteArrayView> NextField(const QByteArray& payload, qsizetype& at)
{
    const qsizetype end = payload.indexOf('\0', at);
    if (end < 0)
        return std::nullopt;
    const QByteArrayView field(payload.constData() + at, end - at);
    at = end + 1;
    return field;
}

} // namespace

void UseNewlines(QString& text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
}

QByteArray EncodeRecoveryContent(const TRecoveryContent& content)
{
    const QByteArray type = content.Type.toUtf8();
    const QByteArray path = content.Path.toUtf8();
    QByteArray payload = kTag + type + '\0' + path + '\0' + StampField(content.Stamp) + '\0';
    // Encoded in place: the text may be tens of megabytes, and every copy of
    // it would be one more to wipe.
    QStringEncoder utf8(QStringEncoder::Utf8);
    const qsizetype head = payload.size();
    payload.resize(head + utf8.requiredSpace(content.Text.size()));
    char* const end = utf8.appendToBuffer(payload.data() + head, content.Text);
    payload.resize(end - payload.constData());
    return payload;
}

std::optional<TRecoveryContent> DecodeRecoveryContent(const QByteArray& payload)
{
    const bool stamped = payload.startsWith(kTag);
    if (!stamped && !payload.startsWith(kTagWithoutStamp))
        return std::nullopt;
    qsizetype at = (stamped ? kTag : kTagWithoutStamp).size();
    const std::optional<QByteArrayView> type = NextField(payload, at);
    const std::optional<QByteArrayView> path = type ? NextField(payload, at) : std::nullopt;
    const std::optional<QByteArrayView> stamp = path && stamped ? NextField(payload, at) : std::nullopt;
    if (!path || (stamped && !stamp))
        return std::nullopt;
    TRecoveryContent content;
    if (stamp && !ReadStamp(*stamp, content.Stamp))
        return std::nullopt;
    content.Type = QString::fromUtf8(*type);
    content.Path = QString::fromUtf8(*path);
    content.Text = QString::fromUtf8(payload.constData() + at, payload.size() - at);
    return content;
}

} // namespace tainoteka
