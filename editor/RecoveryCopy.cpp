#include "RecoveryCopy.h"

#include <QStringEncoder>

namespace tainoteka {
namespace {

const QByteArray kTag = QByteArrayLiteral("tainoteka recovery 1\n");

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
    QByteArray payload = kTag + type + '\0' + path + '\0';
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
    if (!payload.startsWith(kTag))
        return std::nullopt;
    const qsizetype typeEnd = payload.indexOf('\0', kTag.size());
    const qsizetype pathEnd = typeEnd < 0 ? -1 : payload.indexOf('\0', typeEnd + 1);
    if (pathEnd < 0)
        return std::nullopt;
    TRecoveryContent content;
    content.Type = QString::fromUtf8(payload.constData() + kTag.size(), typeEnd - kTag.size());
    content.Path = QString::fromUtf8(payload.constData() + typeEnd + 1, pathEnd - typeEnd - 1);
    content.Text = QString::fromUtf8(payload.constData() + pathEnd + 1, payload.size() - pathEnd - 1);
    return content;
}

} // namespace tainoteka
