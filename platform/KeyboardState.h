#pragma once
// What the password dialogs need to know about the keyboard: the Caps Lock
// toggle and the active layout. Behind an interface so that the dialogs can be
// driven in tests with a scripted keyboard.
#include <QByteArray>
#include <QString>

#include <memory>

namespace tainoteka {

class IKeyboardState {
public:
    virtual ~IKeyboardState() = default;
    // The toggle state, not whether the key is held down.
    virtual bool IsCapsLockOn() = 0;
    // The active layout's name as the platform spells it: the 8-hex-digit
    // identifier on Windows ("00000409"), the XKB layout with its variant in
    // brackets on X11 ("us", "ru", "us(intl)"). Empty when it cannot be read.
    virtual QString LayoutName() = 0;
};

// "en" for the plain US English layout, "ru" for the plain Russian one,
// empty for everything else. Exact, case-sensitive, whole-name comparison.
QString LayoutCodeFromName(const QString& layoutName);
QString GetLayoutCode(IKeyboardState& keyboard);

// Caps Lock off, no layout: where the platform tells us nothing (offscreen,
// a display without XKB).
class TUnknownKeyboardState final : public IKeyboardState {
public:
    bool IsCapsLockOn() override { return false; }
    QString LayoutName() override { return {}; }
};

// The source for the platform the application runs on. Call after the
// QGuiApplication exists; the X11 source borrows Qt's display connection.
std::unique_ptr<IKeyboardState> CreateSystemKeyboardState();

#ifndef _WIN32
// XKB names, kept apart from the display so they can be checked without one.
// Layout of group `group` (0-based) from the _XKB_RULES_NAMES root property
// (rules, model, layouts, variants, options; NUL-separated). Empty when the
// property does not name that group.
QString XkbLayoutFromRulesNames(const QByteArray& property, int group);
// Layout of group `group` from the keymap's symbols name, such as
// "pc+us+ru:2+inet(evdev)+group(alt_shift_toggle)". Empty when none is found.
QString XkbLayoutFromSymbolsName(const QString& symbols, int group);
#endif

} // namespace tainoteka
