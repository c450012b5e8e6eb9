#include "MenuShortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace tainoteka {

QKeyCombination LatinKeyOf(QKeyCombination key)
{
    static const QString cyrillic = QStringLiteral("ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ");
    static const QString latin = QStringLiteral("QWERTYUIOPASDFGHJKLZXCVBNM");
    const int at = cyrillic.indexOf(QChar(static_cast<char16_t>(key.key())));
    if (key.key() > 0xFFFF || at < 0)
        return key;
    return QKeyCombination(key.keyboardModifiers(), static_cast<Qt::Key>(latin.at(at).unicode()));
}

TMenuShortcuts::TMenuShortcuts(QWidget* window) : QObject(window), window_(window)
{
    qApp->installEventFilter(this);
}

void TMenuShortcuts::Add(QKeyCombination key, QMenu* topMenu, std::function<void()> topMenuClick, QAction* item)
{
    entries_.append({key, topMenu, std::move(topMenuClick), item});
    const QString caption = item->text().section(QLatin1Char('\t'), 0, 0);
    item->setText(caption + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText));
}

const TMenuShortcuts::Entry* TMenuShortcuts::Find(QKeyCombination key) const
{
    const Qt::KeyboardModifiers relevant = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;
    const QKeyCombination pressed(key.keyboardModifiers() & relevant, key.key());
    const QKeyCombination latin = LatinKeyOf(pressed);
    for (const Entry& entry : entries_)
        if (entry.Key == pressed || entry.Key == latin)
            return &entry;
    return nullptr;
}

bool TMenuShortcuts::HandleKey(QKeyCombination key)
{
    const Entry* entry = Find(key);
    if (!entry)
        return false;
    if (!entry->TopMenu->isEnabled())
        return true;
    if (entry->TopMenuClick)
        entry->TopMenuClick();
    if (entry->Item->isEnabled())
        entry->Item->trigger();
    return true;
}

bool TMenuShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_ || QApplication::activeModalWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim our keys so that no widget shortcut takes them; the press follows.
        if (Find(key->keyCombination()))
            event->accept();
        return false;
    }
    return HandleKey(key->keyCombination());
}

} // namespace tainoteka
