#include "AgeFileSize.h"

#include <QFile>

#include <cstdint>
#include <span>

#include "AgeArmor.h"
#include "AgeFile.h"

namespace tainoteka {
namespace {

// Whitespace after the armour's end line holds nothing: only as much of it
// as the last block shows is left out.
constexpr qint64 kTailBlock = 64 * 1024;

std::span<const std::uint8_t> BytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

// The header's own length when the head holds it whole, else the longest a
// passphrase file has; nullopt for a header that is refused as it is.
std::optional<quint64> HeaderSize(const QByteArray& head)
{
    AgeReader reader;
    std::size_t used = 0;
    if (reader.ReadHeader(BytesOf(head), used) != AgeStatus::Ok)
        return std::nullopt;
    return reader.HeaderComplete() ? used : kAgeLongestPassphraseHeader;
}

std::optional<quint64> SizeBeforeTrailingSpace(const QString& path, quint64 size)
{
    QFile file(path);
    const qint64 tail = std::min<qint64>(qint64(size), kTailBlock);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(size) - tail))
        return std::nullopt;
    const QByteArray block = file.read(tail);
    for (qsizetype at = block.size() - 1; at >= 0; --at)
        if (!QByteArrayView(" \t\r\n").contains(block[at]))
            return size - quint64(block.size()) + quint64(at) + 1;
    return std::nullopt;
}

} // namespace

std::optional<quint64> LeastAgePayloadOnDisk(const QString& path, const QByteArray& head, quint64 size)
{
    if (!LooksLikeArmoredAge(BytesOf(head))) {
        const std::optional<quint64> header = HeaderSize(head);
        return header ? std::optional<quint64>(LeastAgePayload(size, *header)) : std::nullopt;
    }
    const std::optional<quint64> armored = SizeBeforeTrailingSpace(path, size);
    if (!armored)
        return std::nullopt;
    return LeastAgePayload(LeastDearmoredSize(*armored), kAgeLongestPassphraseHeader);
}

} // namespace tainoteka
