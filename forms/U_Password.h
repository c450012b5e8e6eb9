#pragma once
// The dialog that gives the document a password or changes it. Its only
// effect is the assignment to CurrentPassword when all three tests pass.
#include "DocumentType.h"
#include "KeyboardStateIndicator.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tainoteka {

class IKeyboardState;
class IPrompts;
struct TDocumentState;

class TFrmPasswordCreate : public QDialog {
    Q_OBJECT
public:
    TFrmPasswordCreate(IKeyboardState& keyboard, TDocumentState& document, IPrompts& prompts, QWidget* mainWindow);

    QLabel* Label3;
    QLineEdit* TxtPasswordOld;
    QLabel* Label1;
    QLineEdit* TxtPasswordNew;
    QLabel* Label2;
    QLineEdit* TxtPasswordRetry;
    // Under the fields: how long the new password holds out (age), or why a
    // .txtp password protects nothing against a copy.
    QLabel* LblStrength;
    QPushButton* BtnGenerate; // "Придумать", for age documents
    // A generated passphrase in plain text, to be written down, until a field is edited.
    QLabel* LblGenerated;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
    QTimer* TmrKeyGet;
    TKeyboardStateIndicator Indicator;

    // Whether a Windows-1251 byte may appear in a new password.
    static bool InPasswordChars(unsigned char byte);
    // True when every character has a Windows-1251 byte in PasswordChars;
    // true for the empty text.
    static bool IsValidPasswordText(const QString& text);

    // The type the new password is for sets its rules: a .txtp takes 20
    // characters of PasswordChars, an age file any 1,024. Call before showing.
    void SetDocumentType(TDocumentType type);
    // Runs once each time the dialog is shown.
    void FormActivate();
    void BtnOkClick();
    void BtnCancelClick();
    void BtnGenerateClick();
    void TxtPasswordNewChange();
    void TmrKeyGetTimer();
    void TxtPasswordOldExit();
    void TxtPasswordNewExit();
    void TxtPasswordRetryExit();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EmptyFields();
    void ForgetGenerated();

    TDocumentState& document_;
    IPrompts& prompts_;
    TDocumentType rulesType_ = TDocumentType::Txtp;
    QWidget* mainWindow_;
};

} // namespace tainoteka
