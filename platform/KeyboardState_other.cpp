// The part of the keyboard layer that is the same on every platform.
#include "KeyboardState.h"

namespace tainoteka {

QString LayoutCodeFromName(const QString& layoutName)
{
    // Windows layout identifiers and XKB layout names never collide, so one
    // table serves both.
    if (layoutName == QLatin1String("00000409") || layoutName == QLatin1String("us"))
        return QStringLiteral("en");
    if (layoutName == QLatin1String("00000419") || layoutName == QLatin1String("ru"))
        return QStringLiteral("ru");
    return {};
}

QString GetLayoutCode(IKeyboardState& keyboard)
{
    return LayoutCodeFromName(keyboard.LayoutName());
}

} // namespace tainoteka
