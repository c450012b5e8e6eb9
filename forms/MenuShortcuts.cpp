#include "MenuShortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace tainoteka {

namespace {

// Access letters are Cyrillic; with a Latin layout the same key must reach them.
bool ForwardAsCyrillic(QObject* target, const QKeyEvent& key, Qt::KeyboardModifiers modifiers)
{
    const QChar cyrillic = CyrillicOnKey(key.key());
    if (cyrillic.isNull())
        return false;
    QKeyEvent translated(QEvent::KeyPress, cyrillic.unicode(), modifiers, QString(cyrillic.toLower()));
    QApplication::sendEvent(target, &translated);
    return true;
}

} // namespace

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

void TMenuShortcuts::LeaveToTextFields(QKeyCombination key)
{
    for (Entry& entry : entries_)
        if (entry.Key == key)
            entry.LeftToTextFields = true;
}

void TMenuShortcuts::KeepOverDialogs(QKeyCombination key)
{
    for (Entry& entry : entries_)
        if (entry.Key == key)
            entry.OverDialogs = true;
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

bool TMenuShortcuts::OpenMenuByLatinKey(const QKeyEvent& key)
{
    const QChar cyrillic = CyrillicOnKey(key.key());
    auto* bar = window_->findChild<QMenuBar*>();
    if (cyrillic.isNull() || !bar)
        return false;
    for (QAction* top : bar->actions())
        if (top->isEnabled() && HasAccessLetter(top->text(), cyrillic)) {
            bar->setActiveAction(top);
            return true;
        }
    return false;
}

bool TMenuShortcuts::HandleOverDialog(QEvent& event, const QKeyEvent& key)
{
    const Entry* entry = Find(key.keyCombination());
    if (!entry || !entry->OverDialogs)
        return false;
    if (event.type() == QEvent::ShortcutOverride) {
        event.accept();
        return false;
    }
    entry->Item->trigger(); // nothing when the item is off
    return true;
}

bool TMenuShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (auto* menu = qobject_cast<QMenu*>(watched); menu && event->type() == QEvent::KeyPress
        && (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier)
        return ForwardAsCyrillic(menu, *key, key->modifiers());
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && widget->window() == modal)
        return HandleOverDialog(*event, *key);
    if (widget->window() != window_ || QApplication::activeModalWidget())
        return false;
    if (const Entry* entry = Find(key->keyCombination());
        entry && entry->LeftToTextFields && qobject_cast<QLineEdit*>(widget))
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim our keys so that no widget shortcut takes them; the press follows.
        if (Find(key->keyCombination()))
            event->accept();
        return false;
    }
    if (key->modifiers() == Qt::AltModifier && OpenMenuByLatinKey(*key))
        return true;
    return HandleKey(key->keyCombination());
}

} // namespace tainoteka
