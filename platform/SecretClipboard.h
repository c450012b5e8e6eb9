#pragma once
// Marks what the program puts on the clipboard as secret, so that clipboard
// histories and cloud clipboards that honour the marks skip it. The text and
// every other format stay as they are, so a paste works as before.
#include <QClipboard>
#include <QMimeData>
#include <QStringList>

#include <memory>

namespace tainoteka {

// Adds this platform's marks beside whatever `data` already offers.
void MarkAsSecret(QMimeData& data);

// Whether the clipboard (mode) holds what this program put there. Never
// asks another program.
bool HoldsOwnData(QClipboard::Mode mode);

// The formats MarkAsSecret adds on this platform.
QStringList SecretMarkFormats();

// Offers everything `rendered` offers (drawn only when a reader asks, as the
// editing area's own data is) plus the secret marks.
class TSecretMimeData final : public QMimeData {
public:
    explicit TSecretMimeData(std::unique_ptr<QMimeData> rendered);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    bool IsOwnFormat(const QString& mimeType) const;

    std::unique_ptr<QMimeData> rendered_;
};

} // namespace tainoteka
