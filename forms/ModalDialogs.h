#pragma once
// The program's modal dialogs closed from outside, as a lock closes them:
// each ends as cancelled, with a result no button gives, so that a command
// waiting on one can tell a withdrawn dialog from one the user closed.
class QDialog;

namespace tainoteka {

constexpr int WithdrawnResult = -2;

// Closes the open pop-ups and every modal dialog, the topmost first. False
// when one refused to close.
bool WithdrawModalDialogs();

bool WasWithdrawn(const QDialog& dialog);

} // namespace tainoteka
