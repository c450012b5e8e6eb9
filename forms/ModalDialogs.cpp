#include "ModalDialogs.h"

#include <QApplication>
#include <QDialog>

namespace tainoteka {

bool WithdrawModalDialogs()
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            return false;
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(WithdrawnResult); // leaves its modal loop once control is back there
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return false;
    }
    return true;
}

bool WasWithdrawn(const QDialog& dialog) { return dialog.result() == WithdrawnResult; }

} // namespace tainoteka
