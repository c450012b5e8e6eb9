#include "RecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>

#include <algorithm>

#include "StateFolder.h"

namespace tainoteka {
namespace {

QString RandomName()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

} // namespace

TRecoveryStore::TRecoveryStore(QString folder, QString suffix) : folder_(std::move(folder)), suffix_(std::move(suffix)) {}

QString TRecoveryStore::LockPathOf(const QString& copy) const
{
    return copy.chopped(suffix_.size()) + QStringLiteral(".lock");
}

TRecoveryStore::~TRecoveryStore() = default;

bool TRecoveryStore::Lock(const QString& copy)
{
    if (locks_.count(copy))
        return true;
    auto lock = std::make_unique<QLockFile>(LockPathOf(copy));
    lock->setStaleLockTime(0); // stale only when its editor no longer runs
    if (!lock->tryLock(0))
        return false;
    locks_.emplace(copy, std::move(lock));
    return true;
}

// An editor killed after its copy went (saved, or the changes given up)
// leaves its lock alone. One that no running editor holds is taken and let
// go, which removes it; a live one cannot be taken. The lock of a copy that
// is there, of this store or another in the folder, goes with the claim of
// the copy.
void TRecoveryStore::RemoveStaleLocks()
{
    const QDir dir(folder_);
    for (const QString& name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString stem = name.chopped(int(qstrlen("lock")));
        const QString lock = dir.absoluteFilePath(name);
        if (locks_.count(lock.chopped(int(qstrlen(".lock"))) + suffix_)
            || dir.entryList({stem + QLatin1Char('*')}, QDir::Files).size() > 1)
            continue;
        QLockFile probe(lock);
        probe.setStaleLockTime(0); // stale only when its editor no longer runs
        if (probe.tryLock(0))
            probe.unlock();
    }
}

std::vector<TLeftCopy> TRecoveryStore::ClaimLeftCopies()
{
    RemoveStaleLocks();
    std::vector<TLeftCopy> left;
    const QDir dir(folder_);
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*") + suffix_}, QDir::Files)) {
        const QString copy = file.absoluteFilePath();
        // An empty file is a name reserved by an editor that ended before it wrote anything.
        if (copy != own_ && Lock(copy)) {
            if (file.size() > 0)
                left.push_back({copy, file.lastModified()});
            else
                Remove(copy);
        }
    }
    std::sort(left.begin(), left.end(), [](const TLeftCopy& a, const TLeftCopy& b) { return a.Written < b.Written; });
    return left;
}

void TRecoveryStore::Release(const QString& copy) { locks_.erase(copy); }

void TRecoveryStore::Remove(const QString& copy)
{
    QFile::remove(copy);
    if (copy != own_)
        Release(copy);
}

void TRecoveryStore::Adopt(const QString& copy)
{
    if (!own_.isEmpty() && own_ != copy) {
        QFile::remove(own_);
        Release(own_);
    }
    own_ = copy;
}

TFileResult TRecoveryStore::PrepareOwnCopy(QString& path)
{
    if (own_.isEmpty()) {
        const TFileResult folder = MakePrivateFolder(folder_);
        if (!folder.Ok)
            return folder;
        const QString copy = QDir(folder_).absoluteFilePath(RandomName() + suffix_);
        if (!Lock(copy))
            return FileFailure(LockPathOf(copy), QStringLiteral("файл блокировки не удалось создать"));
        own_ = copy;
    }
    path = own_;
    return {true, {}, 0};
}

TFileResult WriteRecoveryFile(const QString& path, const QByteArray& file)
{
    if (!QFileInfo::exists(path)) {
        const TFileResult created = CreatePrivateFile(path);
        if (!created.Ok)
            return created;
    }
    return WriteFileAtomically(path, file);
}

} // namespace tainoteka
