#pragma once
// The windows are laid out for "MS Sans Serif" 8 pt. Where it is missing, the
// narrowest look-alike stands in, made smaller where even that is too wide
// for the fixed boxes.
#include <QFont>
#include <functional>
#include <initializer_list>

class QLabel;
class QWidget;

namespace tainoteka {

QFont ClassicDialogFont();
// Smaller in half-point (or one-pixel) steps until fits() holds, down to 6 pt.
QFont ShrunkToFit(QFont font, const std::function<bool(const QFont&)>& fits);
// Makes the dialog's font small enough for every label's text to fit its box.
void FitDialogFontToLabels(QWidget& dialog, std::initializer_list<const QLabel*> labels);

} // namespace tainoteka
