#pragma once
// The folder of recovery copies. Each running editor keeps at most one copy,
// under a random name, and holds a lock beside it for as long as it runs, so
// another editor started meanwhile never offers or deletes a copy still in
// use; the lock of a crashed editor is stale and taken over.
#include <QDateTime>
#include <QString>

#include <map>
#include <memory>
#include <vector>

#include "AtomicFile.h"

class QLockFile;

namespace tainoteka {

struct TLeftCopy {
    QString Path;
    QDateTime Written;
};

class TRecoveryStore {
public:
    // Copies are the files in folder whose names end with suffix.
    explicit TRecoveryStore(QString folder, QString suffix = QStringLiteral(".txt.age"));
    ~TRecoveryStore();
    TRecoveryStore(const TRecoveryStore&) = delete;
    TRecoveryStore& operator=(const TRecoveryStore&) = delete;

    const QString& Folder() const { return folder_; }

    // Copies that no running editor holds, oldest first; each is locked by
    // this one until it is released, removed or adopted. Stale locks with no
    // copy beside them go meanwhile.
    std::vector<TLeftCopy> ClaimLeftCopies();
    void Release(const QString& copy);
    void Remove(const QString& copy);
    // A claimed copy becomes this editor's own.
    void Adopt(const QString& copy);

    // This editor's copy: the folder made, the name drawn and locked on first
    // use. Fails when the folder cannot be made or locked.
    TFileResult PrepareOwnCopy(QString& path);
    // The path of this editor's copy; empty before the first PrepareOwnCopy.
    const QString& OwnCopy() const { return own_; }

private:
    bool Lock(const QString& copy);
    void RemoveStaleLocks();

    QString LockPathOf(const QString& copy) const;

    QString folder_;
    QString suffix_;
    QString own_;
    std::map<QString, std::unique_ptr<QLockFile>> locks_;
};

// Writes an encrypted copy: an owner-only file, replaced atomically.
TFileResult WriteRecoveryFile(const QString& path, const QByteArray& file);

} // namespace tainoteka
