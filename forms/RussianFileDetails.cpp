#include "RussianFileDetails.h"

#include <QFileSystemModel>
#include <QLocale>

namespace tainoteka {
namespace {

// The columns of QFileSystemModel.
constexpr int kSizeColumn = 1;
constexpr int kModifiedColumn = 3;

const QLocale& Russian()
{
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    return russian;
}

} // namespace

QString RussianFileSize(qint64 bytes)
{
    if (bytes >= 1024)
        return Russian().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    // Qt's Russian word for bytes ("байты") does not agree with the number.
    const qint64 last = bytes % 10;
    const qint64 lastTwo = bytes % 100;
    const bool twoToFour = last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14);
    return QStringLiteral("%1 %2").arg(bytes).arg(twoToFour ? QStringLiteral("байта") : QStringLiteral("байт"));
}

QString RussianFileTime(const QDateTime& time)
{
    return Russian().toString(time, QStringLiteral("d MMM yyyy H:mm"));
}

QVariant TRussianFileDetails::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    const int column = index.column();
    if (role != Qt::DisplayRole || !files || (column != kSizeColumn && column != kModifiedColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex file = mapToSource(index);
    if (column == kModifiedColumn)
        return RussianFileTime(files->lastModified(file));
    // Folders show no size.
    return files->isDir(file) ? QIdentityProxyModel::data(index, role) : QVariant(RussianFileSize(files->size(file)));
}

} // namespace tainoteka
