#pragma once
// Menu shortcuts that behave as the menu does: the top-level menu's own click
// runs first, then the item only if it is enabled, and the key is consumed
// either way, so it never reaches the editing area. A disabled QAction alone
// would let the key through to the editor.
#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <functional>

#include "AccessKeys.h"

class QAction;
class QKeyEvent;
class QMenu;
class QWidget;

namespace tainoteka {

class TMenuShortcuts final : public QObject {
public:
    explicit TMenuShortcuts(QWidget* window);

    // topMenuClick may be empty; the key is shown in the item's caption.
    void Add(QKeyCombination key, QMenu* topMenu, std::function<void()> topMenuClick, QAction* item);
    // A focused one-line text field keeps this key of an item for itself.
    void LeaveToTextFields(QKeyCombination key);
    // The item's key works in the program's modal dialogs too; the item
    // then acts on its own, without its menu's click.
    void KeepOverDialogs(QKeyCombination key);
    // True when the key press was one of ours (and is consumed).
    bool HandleKey(QKeyCombination key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QKeyCombination Key;
        QMenu* TopMenu;
        std::function<void()> TopMenuClick;
        QAction* Item;
        bool LeftToTextFields = false;
        bool OverDialogs = false;
    };
    const Entry* Find(QKeyCombination key) const;
    bool HandleOverDialog(QEvent& event, const QKeyEvent& key);
    bool OpenMenuByLatinKey(const QKeyEvent& key);

    QWidget* window_;
    QList<Entry> entries_;
};

} // namespace tainoteka
