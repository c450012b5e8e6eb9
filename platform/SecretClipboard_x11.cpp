// Linux desktops (X11 and Wayland alike): the marker that KDE's Klipper, the
// GNOME clipboard extensions and other histories skip.
#include "SecretClipboard.h"

namespace tainoteka {

namespace {
const QString kPasswordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
}

QStringList SecretMarkFormats() { return {kPasswordManagerHint}; }

void MarkAsSecret(QMimeData& data) { data.setData(kPasswordManagerHint, QByteArrayLiteral("secret")); }

} // namespace tainoteka
