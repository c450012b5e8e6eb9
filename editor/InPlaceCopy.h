#pragma once
// A file written over its own bytes (its folder refuses new files) cannot be
// replaced in one step: a program killed half-way would leave it new up to
// some byte and old after it. So the new bytes go first, flushed, to a copy
// of ours in the owner-only state folder, which also names the file; the
// copy goes once the file is whole. A copy a killed save left behind is
// offered at the next start, unless the file holds it already.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "AtomicFile.h"
#include "RecoveryStore.h"

namespace tainoteka {

struct TInPlaceCopy {
    QString Target; // the file written in place
    QByteArray File; // its new bytes: the protected file itself, as it is
};

// A tag line, the target's path in UTF-8 ended by a NUL, then the file.
QByteArray EncodeInPlaceCopy(const TInPlaceCopy& copy);
// nullopt for bytes that are not such a copy.
std::optional<TInPlaceCopy> DecodeInPlaceCopy(const QByteArray& bytes);

// The store of in-place copies in folder (the recovery copies' folder).
std::unique_ptr<TRecoveryStore> InPlaceCopyStore(const QString& folder);

// Writes data over path's own bytes, keeping the copy in store meanwhile.
// Where the copy cannot be written nothing is: a write killed half-way would
// leave the file damaged with nothing to offer at the next start.
TFileResult WriteInPlaceThroughCopy(TRecoveryStore& store, const QString& path, const QByteArray& data);

struct TLeftInPlaceCopy {
    QString Path; // the copy
    QDateTime Written;
    TInPlaceCopy Content;
};

// Copies left by killed saves that no running editor holds, oldest first,
// each claimed in store. A copy its file already matches byte for byte, and
// one that is not ours, is removed without a word.
std::vector<TLeftInPlaceCopy> ClaimLeftInPlaceCopies(TRecoveryStore& store);

} // namespace tainoteka
