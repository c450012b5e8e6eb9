// Memory on Linux and other Unix systems: what /proc/meminfo calls available plus free swap, capped
// by the control groups' limits (v2 or v1) and by the process's own resource limits.
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

std::optional<quint64> Tighter(std::optional<quint64> a, std::optional<quint64> b)
{
    if (a && b)
        return std::min(*a, *b);
    return a ? a : b;
}

// A group's limit less its use; nullopt when it sets none ("max" reads as no number).
std::optional<quint64> GroupRoom(const QString& folder, const QString& limitFile, const QString& usageFile)
{
    bool limited = false, known = false;
    const quint64 limit = ReadSmallFile(folder + limitFile).trimmed().toULongLong(&limited);
    const quint64 used = ReadSmallFile(folder + usageFile).trimmed().toULongLong(&known);
    if (!limited || !known)
        return std::nullopt;
    return limit > used ? limit - used : 0;
}

// The group and every group above it limit the process.
std::optional<quint64> RoomUpFrom(const QString& hierarchy, QString group, const QString& limitFile,
                                  const QString& usageFile)
{
    std::optional<quint64> room;
    for (;;) {
        room = Tighter(room, GroupRoom(hierarchy + group, limitFile, usageFile));
        if (group.isEmpty() || group == QLatin1String("/"))
            return room;
        group.truncate(group.lastIndexOf(QLatin1Char('/')));
    }
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

std::optional<quint64> ControlGroupRoom(const QByteArray& ownGroups, const QString& mountRoot)
{
    std::optional<quint64> room;
    for (const QByteArray& line : ownGroups.split('\n')) {
        // "id:controllers:path"; the path may hold colons itself.
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0)
            continue;
        const QByteArray controllers = line.mid(first + 1, second - first - 1);
        const QString group = QString::fromUtf8(line.mid(second + 1).trimmed());
        if (line.startsWith("0::"))
            room = Tighter(room, RoomUpFrom(mountRoot, group, QStringLiteral("/memory.max"),
                                            QStringLiteral("/memory.current")));
        else if (controllers.split(',').contains("memory"))
            room = Tighter(room, RoomUpFrom(mountRoot + QStringLiteral("/memory"), group,
                                            QStringLiteral("/memory.limit_in_bytes"),
                                            QStringLiteral("/memory.usage_in_bytes")));
    }
    return room;
}

std::optional<quint64> AvailableMemoryBytes()
{
    std::optional<quint64> room;
    const std::optional<quint64> groups =
        ControlGroupRoom(ReadSmallFile(QStringLiteral("/proc/self/cgroup")), QStringLiteral("/sys/fs/cgroup"));
    for (const std::optional<quint64> bound : {FreeMemoryAndSwap(), groups,
                                                ResourceLimitRoom(RLIMIT_AS, "VmSize"),
                                                ResourceLimitRoom(RLIMIT_DATA, "VmData")})
        room = Tighter(room, bound);
    return room;
}

} // namespace tainoteka
#endif
