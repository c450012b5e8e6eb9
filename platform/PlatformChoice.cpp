#include "PlatformChoice.h"

namespace tainoteka {

bool PrefersX11(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display,
                const QStringList& arguments)
{
    if (!qpaPlatform.isEmpty() || waylandDisplay.isEmpty() || display.isEmpty())
        return false;
    // Qt takes "-platform" and "--platform", the name as the next argument.
    for (const QString& argument : arguments)
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            return false;
    return true;
}

TPlatformArguments::TPlatformArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    values_.assign(argv, argv + argc);
    if (PrefersX11(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), arguments)) {
        // Right after the program's name: a document path stays the last.
        values_.insert(values_.begin() + (argc > 0 ? 1 : 0), {platformSwitch_.data(), platformName_.data()});
    }
    count_ = static_cast<int>(values_.size());
    values_.push_back(nullptr);
}

} // namespace tainoteka
