#pragma once
// Whole-file reading and safe replacement. The old file is replaced only
// once the new content is completely on disk, so a crash or a full disk
// half-way through never destroys the previous version.
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace tainoteka {

struct TFileResult {
    bool Ok = false;
    QString Error; // "<path>: <system's reason>" when !Ok
    // The system's error number, when it gave one: errno, or on Windows the
    // GetLastError() code.
    int SystemError = 0;
    // The in-place writer could not keep its copy first, so it wrote nothing:
    // Error says why the copy failed.
    bool NoSafetyCopy = false;
};

// Writes data to path through a temporary file in the same folder, keeping an
// existing file's permissions (on Windows its attributes and security); a symbolic link keeps pointing at the file it
// names. Where the folder refuses new files but the file itself may be
// written, the file is written in place, its new size reserved first so that
// a full disk is found before the old bytes are touched (by inPlace when
// given, which may keep a copy first). An existing node that is not a regular
// file (a device, a pipe) is written directly.
using TInPlaceWrite = std::function<TFileResult(const QString& path, const QByteArray& data)>;
TFileResult WriteFileAtomically(const QString& path, const QByteArray& data, const TInPlaceWrite& inPlace = {});

// Writes data over an existing file's own bytes, its new size claimed first
// so that a full disk is found before any old byte is touched: what
// WriteFileAtomically does where the folder refuses new files.
TFileResult WriteFileInPlace(const QString& path, const QByteArray& data);

// Reads a regular file whole; a folder, a FIFO or a device is refused.
TFileResult ReadWholeFile(const QString& path, QByteArray& data);

// What tells one version of a file from another without reading it.
struct TFileStamp {
    qint64 Size = 0;
    qint64 Modified = 0; // the system's modification time, in its own units
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the regular file at path; nullopt when there is none.
std::optional<TFileStamp> RegularFileStamp(const QString& path);

// The reason given for a path that names a FIFO or a device.
QString NotAFileReason();

// A failure naming the file and the reason, as all file errors are reported.
TFileResult FileFailure(const QString& path, const QString& reason);
// The same with the system's own reason for errnoValue.
TFileResult SystemFileFailure(const QString& path, int errnoValue);
#ifdef _WIN32
// The same for a Windows error code.
TFileResult WindowsFileFailure(const QString& path, unsigned long code);
#endif

} // namespace tainoteka
