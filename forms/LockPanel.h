#pragma once
// What the main window shows in place of a locked document: the notice, a
// password field and the unlock button (Enter presses it), and a line that
// says when the password was wrong.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tainoteka {

class TLockPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TLockPanel(QWidget* parent = nullptr);

    // The field and the message emptied, the field focused.
    void Reset();
    // The typed password; the field is emptied, undo history and all.
    QString TakePassword();
    void ShowWrongPassword();
    void ShowMessage(const QString& message);

    QLabel* LblLocked = nullptr;
    QLineEdit* TxtPassword = nullptr;
    QPushButton* BtnUnlock = nullptr;
    QLabel* LblMessage = nullptr;

signals:
    void UnlockRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tainoteka
