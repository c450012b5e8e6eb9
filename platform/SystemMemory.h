#pragma once
// How much memory this process may still take before the system refuses
// (or starts killing): free memory and swap, less any limit set on the
// process or its control group.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace tainoteka {

// Bytes; nullopt when the system does not say.
std::optional<quint64> AvailableMemoryBytes();

#ifndef _WIN32
// Bytes the control groups still let the process take: for its own group
// and every one above it, cgroup v2's memory.max less memory.current, or
// v1's memory.limit_in_bytes less memory.usage_in_bytes. ownGroups is
// /proc/self/cgroup's text, mountRoot where the hierarchies are mounted
// (/sys/fs/cgroup); nullopt when no group sets a limit.
std::optional<quint64> ControlGroupRoom(const QByteArray& ownGroups, const QString& mountRoot);
#endif

} // namespace tainoteka
