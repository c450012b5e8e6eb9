#include "SecretClipboard.h"

#include <QGuiApplication>

namespace tainoteka {

bool HoldsOwnData(QClipboard::Mode mode)
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (mode == QClipboard::Selection && !clipboard->supportsSelection())
        return false;
    if (mode == QClipboard::Clipboard ? clipboard->ownsClipboard() : clipboard->ownsSelection())
        return true;
    // A clipboard kept inside the process (the offscreen platform's) tells no
    // owner; whatever it holds was put there by this program.
    return QGuiApplication::platformName() == QLatin1String("offscreen") && clipboard->mimeData(mode) &&
        !clipboard->mimeData(mode)->formats().isEmpty();
}

TSecretMimeData::TSecretMimeData(std::unique_ptr<QMimeData> rendered) : rendered_(std::move(rendered))
{
    MarkAsSecret(*this);
}

bool TSecretMimeData::IsOwnFormat(const QString& mimeType) const
{
    // The base's own list: hasFormat() would come back to formats() below.
    return QMimeData::formats().contains(mimeType);
}

QStringList TSecretMimeData::formats() const
{
    QStringList all = rendered_ ? rendered_->formats() : QStringList();
    for (const QString& own : QMimeData::formats())
        if (!all.contains(own))
            all << own;
    return all;
}

bool TSecretMimeData::hasFormat(const QString& mimeType) const
{
    return IsOwnFormat(mimeType) || (rendered_ && rendered_->hasFormat(mimeType));
}

QVariant TSecretMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (IsOwnFormat(mimeType) || !rendered_ || !rendered_->hasFormat(mimeType))
        return QMimeData::retrieveData(mimeType, type);
    // The wrapped data's own conversions (text as QString, not bytes).
    if (mimeType == QLatin1String("text/plain") && type.id() == QMetaType::QString)
        return rendered_->text();
    if (mimeType == QLatin1String("text/html") && type.id() == QMetaType::QString)
        return rendered_->html();
    return rendered_->data(mimeType);
}

} // namespace tainoteka
