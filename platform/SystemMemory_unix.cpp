// Memory on Linux and other Unix systems: what /proc/meminfo calls available plus free swap, capped
// by the control group's limit and by the process's own resource limits.
#include "SystemMemory.h"

#if !defined(_WIN32)
#include <QByteArray>
#include <QFile>
#include <QList>

#include <algorithm>
#include <sys/resource.h>

namespace tainoteka {
namespace {

QByteArray ReadSmallFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
}

// The value of a "Name:   1234 kB" line, in bytes.
std::optional<quint64> KilobyteField(const QByteArray& text, const QByteArray& name)
{
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(name + ':')) {
            bool ok = false;
            const quint64 kilobytes = line.mid(name.size() + 1).trimmed().split(' ').value(0).toULongLong(&ok);
            if (ok)
                return kilobytes * 1024;
        }
    return std::nullopt;
}

std::optional<quint64> FreeMemoryAndSwap()
{
    const QByteArray info = ReadSmallFile(QStringLiteral("/proc/meminfo"));
    const std::optional<quint64> available = KilobyteField(info, "MemAvailable");
    if (!available)
        return std::nullopt;
    return *available + KilobyteField(info, "SwapFree").value_or(0);
}

std::optional<quint64> ControlGroupRoom()
{
    for (const QByteArray& line : ReadSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        if (!line.startsWith("0::"))
            continue;
        const QString group = QStringLiteral("/sys/fs/cgroup") + QString::fromUtf8(line.mid(3).trimmed());
        bool limited = false, known = false;
        const quint64 limit = ReadSmallFile(group + QStringLiteral("/memory.max")).trimmed().toULongLong(&limited);
        const quint64 used = ReadSmallFile(group + QStringLiteral("/memory.current")).trimmed().toULongLong(&known);
        if (limited && known)
            return limit > used ? limit - used : 0;
    }
    return std::nullopt;
}

std::optional<quint64> ResourceLimitRoom(int resource, const QByteArray& usageField)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    const quint64 used = KilobyteField(ReadSmallFile(QStringLiteral("/proc/self/status")), usageField).value_or(0);
    return limit.rlim_cur > used ? quint64(limit.rlim_cur) - used : 0;
}

} // namespace

std::optional<quint64> AvailableMemoryBytes()
{
    std::optional<quint64> room;
    for (const std::optional<quint64> bound : {FreeMemoryAndSwap(), ControlGroupRoom(),
                                                ResourceLimitRoom(RLIMIT_AS, "VmSize"),
                                                ResourceLimitRoom(RLIMIT_DATA, "VmData")})
        if (bound)
            room = room ? std::min(*room, *bound) : *bound;
    return room;
}

} // namespace tainoteka
#endif
