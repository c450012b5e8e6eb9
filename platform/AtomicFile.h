#pragma once
// Whole-file reading and atomic replacement. The old file is replaced only
// once the new content is completely on disk, so a crash or a full disk
// half-way through never destroys the previous version.
#include <QByteArray>
#include <QString>

namespace tainoteka {

struct TFileResult {
    bool Ok = false;
    QString Error; // "<path>: <system's reason>" when !Ok
};

// Writes data to path through a temporary file in the same folder, keeping an
// existing file's permissions.
TFileResult WriteFileAtomically(const QString& path, const QByteArray& data);

TFileResult ReadWholeFile(const QString& path, QByteArray& data);

// A failure naming the file and the reason, as all file errors are reported.
TFileResult FileFailure(const QString& path, const QString& reason);

} // namespace tainoteka
