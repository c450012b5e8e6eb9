#pragma once
// On a Wayland session that also offers XWayland the program runs on X11,
// where the clipboard guard and the keyboard hint work fully; a platform the
// user names (QT_QPA_PLATFORM or -platform) always wins.
#include <QByteArray>
#include <QStringList>

#include <vector>

namespace tainoteka {

bool PrefersX11(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display,
                const QStringList& arguments);

// The command line for QApplication: the program's own, with "-platform xcb"
// added when PrefersX11 says so for this process's environment. An argument
// rather than the variable, so that programs started from here (a browser
// for a link) pick their own platform.
class TPlatformArguments {
public:
    TPlatformArguments(int argc, char** argv);
    TPlatformArguments(const TPlatformArguments&) = delete;
    TPlatformArguments& operator=(const TPlatformArguments&) = delete;

    int& Count() { return count_; }
    char** Values() { return values_.data(); }

private:
    QByteArray platformSwitch_ = QByteArrayLiteral("-platform");
    QByteArray platformName_ = QByteArrayLiteral("xcb");
    std::vector<char*> values_;
    int count_ = 0;
};

} // namespace tainoteka
