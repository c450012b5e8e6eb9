#pragma once
// Hands a link or a file to the desktop to open (browser, mail program, help viewer).
#include <QString>

namespace tainoteka {

class IShell {
public:
    virtual ~IShell() = default;
    // target: a URL ("https://...", "mailto:...") or a local file path.
    // Failures are the desktop's to show; nothing is reported back.
    virtual void Open(const QString& target) = 0;
};

class TDesktopShell final : public IShell {
public:
    void Open(const QString& target) override;
};

} // namespace tainoteka
