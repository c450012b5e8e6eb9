#pragma once
// The small dialog that asks for the password of a file being opened. It
// judges nothing: whatever way it is closed, the file reader takes the text
// of TxtPassword afterwards.
#include "DocumentType.h"
#include "KeyboardStateIndicator.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tainoteka {

class IKeyboardState;

class TFrmPasswordEnter : public QDialog {
    Q_OBJECT
public:
    TFrmPasswordEnter(IKeyboardState& keyboard, QWidget* mainWindow);

    QLabel* Label1;
    QLineEdit* TxtPassword;
    QPushButton* BtnOk;
    QTimer* TmrKeyGet;
    TKeyboardStateIndicator Indicator;

    // The file's type sets how long a password may be typed: call before showing.
    void SetDocumentType(TDocumentType type);
    // Runs once each time the dialog is shown.
    void FormActivate();
    void BtnOkClick();
    void TmrKeyGetTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* mainWindow_;
};

} // namespace tainoteka
