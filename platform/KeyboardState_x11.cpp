// Keyboard state on X11 through the XKB extension: the Lock modifier's locked
// state and the layout of the locked group. On native Wayland Caps Lock comes
// with the key events and no layout is known; elsewhere (offscreen) the
// factory hands out the source that knows nothing.
#include "KeyboardState.h"
#include "KeyboardStateFromKeys.h"

#include <QGuiApplication>
#include <QSet>
#include <QStringList>

#ifdef TAINOTEKA_HAS_X11
#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
// Xlib last: its macros (None, Bool, Status, ...) clash with Qt names.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#define TAINOTEKA_USE_XKB 1
#endif
#endif

namespace tainoteka {

QString XkbLayoutFromRulesNames(const QByteArray& property, int group)
{
    // rules \0 model \0 layouts \0 variants \0 options \0
    const QList<QByteArray> fields = property.split('\0');
    if (group < 0 || fields.size() < 3)
        return {};
    const QStringList layouts = QString::fromLatin1(fields[2]).split(QLatin1Char(','));
    const QStringList variants = fields.size() > 3 ? QString::fromLatin1(fields[3]).split(QLatin1Char(','))
                                                   : QStringList();
    if (group >= layouts.size())
        return {};
    const QString layout = layouts[group].trimmed();
    if (layout.isEmpty())
        return {};
    const QString variant = group < variants.size() ? variants[group].trimmed() : QString();
    return variant.isEmpty() ? layout : layout + QLatin1Char('(') + variant + QLatin1Char(')');
}

QString XkbLayoutFromSymbolsName(const QString& symbols, int group)
{
    // Symbols files that the rules add for the keyboard model or for options
    // rather than for a layout. The rules put layouts before options, so the
    // list only has to be good enough to step over the model's part.
    static const QSet<QString> notLayouts = {
        QStringLiteral("pc"),       QStringLiteral("inet"),      QStringLiteral("group"),
        QStringLiteral("compose"),  QStringLiteral("ctrl"),      QStringLiteral("altwin"),
        QStringLiteral("capslock"), QStringLiteral("level2"),    QStringLiteral("level3"),
        QStringLiteral("level5"),   QStringLiteral("keypad"),    QStringLiteral("kpdl"),
        QStringLiteral("nbsp"),     QStringLiteral("parens"),    QStringLiteral("eurosign"),
        QStringLiteral("rupeesign"), QStringLiteral("shift"),    QStringLiteral("srvr_ctrl"),
        QStringLiteral("terminate"), QStringLiteral("typo"),     QStringLiteral("empty"),
    };
    if (group < 0)
        return {};
    // '+' overrides, '|' augments; both separate files.
    const QStringList parts = QString(symbols).replace(QLatin1Char('|'), QLatin1Char('+'))
                                  .split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (QString part : parts) {
        part = part.trimmed();
        int partGroup = 0;
        const int colon = part.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            bool ok = false;
            partGroup = part.mid(colon + 1).toInt(&ok) - 1;
            if (!ok)
                continue; // ":all" and the like belong to options
            part.truncate(colon);
        }
        if (partGroup != group || part.isEmpty())
            continue;
        const int bracket = part.indexOf(QLatin1Char('('));
        const QString file = bracket >= 0 ? part.left(bracket) : part;
        // Vendor files ("macintosh_vndr/...", "xfree68_vndr/...") are model parts.
        if (notLayouts.contains(file) || file.contains(QLatin1Char('/')))
            continue;
        return part;
    }
    return {};
}

#ifdef TAINOTEKA_USE_XKB
namespace {

class TX11KeyboardState final : public IKeyboardState {
public:
    explicit TX11KeyboardState(Display* display)
        : display_(display)
        , rulesNamesAtom_(XInternAtom(display, "_XKB_RULES_NAMES", True))
    {
    }

    bool IsCapsLockOn() override
    {
        XkbStateRec state{};
        if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success)
            return false;
        // Caps Lock locks the Lock modifier; that lock is the toggle state.
        return (state.locked_mods & LockMask) != 0;
    }

    QString LayoutName() override
    {
        XkbStateRec state{};
        if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success)
            return {};
        const int group = state.locked_group;
        // The keymap's own symbols name describes what is loaded; the root
        // property is what the last setxkbmap-like tool asked for and can be
        // stale, so it only fills in when the symbols name says nothing.
        QString name = XkbLayoutFromSymbolsName(SymbolsName(), group);
        if (name.isEmpty())
            name = XkbLayoutFromRulesNames(RulesNamesProperty(), group);
        return name;
    }

private:
    QString SymbolsName()
    {
        XkbDescPtr desc = XkbAllocKeyboard();
        if (!desc)
            return {};
        desc->device_spec = XkbUseCoreKbd;
        QString result;
        if (XkbGetNames(display_, XkbSymbolsNameMask, desc) == Success && desc->names
            && desc->names->symbols != None) {
            if (char* name = XGetAtomName(display_, desc->names->symbols)) {
                result = QString::fromLatin1(name);
                XFree(name);
            }
        }
        XkbFreeKeyboard(desc, 0, True);
        return result;
    }

    QByteArray RulesNamesProperty()
    {
        if (rulesNamesAtom_ == None)
            return {};
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        QByteArray result;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), rulesNamesAtom_, 0, 1024, False, XA_STRING,
                               &type, &format, &count, &remaining, &data)
                == Success
            && data && type == XA_STRING && format == 8)
            result = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
        if (data)
            XFree(data);
        return result;
    }

    Display* display_;
    Atom rulesNamesAtom_;
};

} // namespace
#endif

std::unique_ptr<IKeyboardState> CreateSystemKeyboardState()
{
#ifdef TAINOTEKA_USE_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        int opcode = 0, event = 0, error = 0;
        int major = XkbMajorVersion, minor = XkbMinorVersion;
        if (XkbQueryExtension(display, &opcode, &event, &error, &major, &minor))
            return std::make_unique<TX11KeyboardState>(display);
    }
#endif
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::make_unique<TKeyboardStateFromKeys>();
    return std::make_unique<TUnknownKeyboardState>();
}

} // namespace tainoteka
