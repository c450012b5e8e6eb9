#pragma once
// How much text an age file on disk holds at least, told from its size and
// first bytes: a file far too large for the editing area is refused unread.
#include <QByteArray>
#include <QString>

#include <optional>

namespace tainoteka {

// Payload bytes the age file at path holds at least, given its first bytes
// (head) and its size; nullopt when its size tells nothing.
std::optional<quint64> LeastAgePayloadOnDisk(const QString& path, const QByteArray& head, quint64 size);

} // namespace tainoteka
