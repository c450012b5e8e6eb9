#include "DocumentSnapshot.h"

#include "PasswordSealer.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

std::string_view View(const QByteArray& bytes) { return {bytes.constData(), std::size_t(bytes.size())}; }

} // namespace

TDocumentSnapshot TDocumentSnapshot::Seal(TPasswordSealer& sealer, const QString& password, TRecoveryContent& content)
{
    TWipeOnExit<QString> wipeText(content.Text);
    UseNewlines(content.Text);
    QByteArray payload = EncodeRecoveryContent(content);
    TWipeOnExit<QByteArray> wipePayload(payload);
    Wipe(content.Text);
    TDocumentSnapshot snapshot;
    snapshot.sealed_ = sealer.Seal(password, payload);
    return snapshot;
}

TOpenedSnapshot TDocumentSnapshot::Open(const QString& password) const
{
    QByteArray utf8 = password.toUtf8();
    TWipeOnExit<QByteArray> wipePassword(utf8);
    AgeOpened opened = DecryptAgeFile(sealed_, View(utf8));
    TOpenedSnapshot result{opened.status, std::nullopt};
    if (opened.status == AgeStatus::Ok) {
        result.Content = DecodeRecoveryContent(QByteArray::fromRawData(
            reinterpret_cast<const char*>(opened.payload.data()), qsizetype(opened.payload.size())));
        if (!result.Content)
            result.Status = AgeStatus::Damaged;
    }
    Wipe(opened.payload);
    return result;
}

} // namespace tainoteka
