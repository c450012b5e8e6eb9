#include "InPlaceCopy.h"

#include <QFile>

namespace tainoteka {
namespace {

const QByteArray kTag = QByteArrayLiteral("tainoteka in-place copy 1\n");

} // namespace

QByteArray EncodeInPlaceCopy(const TInPlaceCopy& copy)
{
    return kTag + copy.Target.toUtf8() + '\0' + copy.File;
}

std::optional<TInPlaceCopy> DecodeInPlaceCopy(const QByteArray& bytes)
{
    if (!bytes.startsWith(kTag))
        return std::nullopt;
    const qsizetype end = bytes.indexOf('\0', kTag.size());
    if (end < 0)
        return std::nullopt;
    return TInPlaceCopy{QString::fromUtf8(bytes.mid(kTag.size(), end - kTag.size())), bytes.mid(end + 1)};
}

std::unique_ptr<TRecoveryStore> InPlaceCopyStore(const QString& folder)
{
    return std::make_unique<TRecoveryStore>(folder, QStringLiteral(".inplace"));
}

TFileResult WriteInPlaceThroughCopy(TRecoveryStore& store, const QString& path, const QByteArray& data)
{
    QString copy;
    TFileResult kept = store.PrepareOwnCopy(copy);
    if (kept.Ok)
        kept = WriteRecoveryFile(copy, EncodeInPlaceCopy({path, data}));
    if (!kept.Ok) {
        kept.NoSafetyCopy = true;
        return kept;
    }
    const TFileResult written = WriteFileInPlace(path, data);
    // Written or not, the save has ended and the window still holds the
    // text: the copy only stands in for a save that never ends.
    QFile::remove(copy);
    return written;
}

std::vector<TLeftInPlaceCopy> ClaimLeftInPlaceCopies(TRecoveryStore& store)
{
    std::vector<TLeftInPlaceCopy> left;
    for (const TLeftCopy& claimed : store.ClaimLeftCopies()) {
        QByteArray bytes;
        if (!ReadWholeFile(claimed.Path, bytes).Ok) {
            store.Release(claimed.Path);
            continue;
        }
        std::optional<TInPlaceCopy> copy = DecodeInPlaceCopy(bytes);
        bytes.clear();
        QByteArray target;
        if (!copy || (ReadWholeFile(copy->Target, target).Ok && target == copy->File)) {
            store.Remove(claimed.Path);
            continue;
        }
        left.push_back({claimed.Path, claimed.Written, std::move(*copy)});
    }
    return left;
}

} // namespace tainoteka
