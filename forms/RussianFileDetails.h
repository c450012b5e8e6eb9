#pragma once
// The file dialogs' size and date columns in Russian ("227 байт",
// "7 дек. 2026 21:10") whatever the system's locale: Qt's file model writes
// them in the system's language, English on a machine left at C.UTF-8.
#include <QDateTime>
#include <QIdentityProxyModel>

namespace tainoteka {

QString RussianFileSize(qint64 bytes);
QString RussianFileTime(const QDateTime& time);

// Set on a QFileDialog (setProxyModel) over its own file model.
class TRussianFileDetails final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace tainoteka
