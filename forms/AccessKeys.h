#pragma once
// The program's access letters are Cyrillic. With a Latin keyboard layout the
// same key must reach them (Alt+Y stands for Alt+Н), in the main menu as in
// the dialogs and message boxes.
#include <QChar>
#include <QKeyCombination>
#include <QObject>
#include <QString>

namespace tainoteka {

// The Russian layout's letter on the key of a Latin letter, or a null QChar.
QChar CyrillicOnKey(int key);
// Letters typed with the Russian layout stand for the Latin letter on the same key.
QKeyCombination LatinKeyOf(QKeyCombination key);
// Whether the caption's access letter ("&Нет") is the letter, in either case.
bool HasAccessLetter(const QString& caption, QChar letter);

// Alt with a letter in a dialog or message box that no control took as its
// own access letter: the control whose access letter is the Cyrillic letter
// on that key acts (a button is pressed, a label's field takes the focus);
// with none, the key beeps and is never typed into a field.
class TDialogAccessKeys final : public QObject {
public:
    explicit TDialogAccessKeys(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tainoteka
