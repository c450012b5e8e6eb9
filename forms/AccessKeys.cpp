#include "AccessKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>

namespace tainoteka {
namespace {

// The Russian layout's letters on the keys of the Latin letters.
const QString kCyrillicKeys = QStringLiteral("ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ");
const QString kLatinKeys = QStringLiteral("QWERTYUIOPASDFGHJKLZXCVBNM");

int IndexOfKey(const QString& keys, int key)
{
    return key <= 0xFFFF ? keys.indexOf(QChar(static_cast<char16_t>(key))) : -1;
}

bool Usable(const QWidget* widget) { return widget->isVisible() && widget->isEnabled(); }

// What Qt does for an access letter it recognises itself.
bool ActOnAccessLetter(QWidget& window, QChar letter)
{
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (Usable(button) && HasAccessLetter(button->text(), letter)) {
            if (button->focusPolicy() != Qt::NoFocus)
                button->setFocus(Qt::ShortcutFocusReason);
            button->click();
            return true;
        }
    for (QLabel* label : window.findChildren<QLabel*>())
        if (QWidget* field = label->buddy();
            field && Usable(label) && Usable(field) && HasAccessLetter(label->text(), letter)) {
            field->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    return false;
}

} // namespace

QChar CyrillicOnKey(int key)
{
    const int at = IndexOfKey(kLatinKeys, key);
    return at < 0 ? QChar() : kCyrillicKeys.at(at);
}

QKeyCombination LatinKeyOf(QKeyCombination key)
{
    const int at = IndexOfKey(kCyrillicKeys, key.key());
    if (at < 0)
        return key;
    return QKeyCombination(key.keyboardModifiers(), static_cast<Qt::Key>(kLatinKeys.at(at).unicode()));
}

bool HasAccessLetter(const QString& caption, QChar letter)
{
    const auto key = static_cast<Qt::Key>(letter.toUpper().unicode());
    return QKeySequence::mnemonic(caption) == QKeySequence(QKeyCombination(Qt::AltModifier, key));
}

TDialogAccessKeys::TDialogAccessKeys(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

bool TDialogAccessKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->modifiers() != Qt::AltModifier || !widget || !qobject_cast<QDialog*>(widget->window()))
        return false;
    const bool cyrillicTyped = IndexOfKey(kCyrillicKeys, key->key()) >= 0;
    const QChar letter = cyrillicTyped ? QChar(static_cast<char16_t>(key->key())) : CyrillicOnKey(key->key());
    if (letter.isNull())
        return false;
    if (!ActOnAccessLetter(*widget->window(), letter))
        QApplication::beep();
    return true;
}

} // namespace tainoteka
