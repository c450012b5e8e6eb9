#include "PasswordSealer.h"

#include <span>
#include <string_view>

#include "AgeFile.h"
#include "Wipe.h"

namespace tainoteka {

TPasswordSealer::TPasswordSealer() = default;

TPasswordSealer::~TPasswordSealer() { Forget(); }

std::vector<std::uint8_t> TPasswordSealer::Seal(const QString& password, const QByteArray& payload)
{
    QByteArray utf8 = password.toUtf8();
    TWipeOnExit<QByteArray> wipe(utf8);
    const std::lock_guard lock(mutex_);
    if (!sealer_ || utf8 != password_) {
        sealer_.reset();
        Wipe(password_);
        sealer_ = std::make_unique<AgeSealer>(std::string_view(utf8.constData(), std::size_t(utf8.size())));
        password_ = utf8;
        password_.detach();
    }
    return sealer_->Seal(
        std::span(reinterpret_cast<const std::uint8_t*>(payload.constData()), std::size_t(payload.size())));
}

void TPasswordSealer::Forget()
{
    const std::lock_guard lock(mutex_);
    sealer_.reset();
    Wipe(password_);
    password_.clear();
}

bool TPasswordSealer::HoldsKey() const
{
    const std::lock_guard lock(mutex_);
    return sealer_ != nullptr;
}

} // namespace tainoteka
