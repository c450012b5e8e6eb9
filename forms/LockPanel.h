#pragma once
// What the main window shows in place of a locked document: the notice, a
// password field and the unlock button (Enter presses it), and a line that
// says when the password was wrong. After a few wrong passwords in a row
// the next try waits, counting down on that line.
#include <QWidget>

#include <functional>

#include "UnlockBackOff.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tainoteka {

class TLockPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TLockPanel(QWidget* parent = nullptr);

    // A password long enough for any document type.
    static constexpr int LongestPassword = 1024;

    // The field and the message emptied, the field focused, no wait.
    void Reset();
    // The typed password; the field is emptied, undo history and all.
    QString TakePassword();
    void ShowWrongPassword();
    // A password that was checked and was wrong: the next try may wait.
    void RejectPassword();
    bool IsWaiting() const { return secondsLeft_ > 0; }
    void SecondPassed();
    // Starts or stops the ticks that call SecondPassed; tests put in their own.
    std::function<void(bool on)> StartTicking;
    void ShowMessage(const QString& message);

    QLabel* LblLocked = nullptr;
    QLineEdit* TxtPassword = nullptr;
    QPushButton* BtnUnlock = nullptr;
    QLabel* LblMessage = nullptr;

signals:
    void UnlockRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RequestUnlock();

    TUnlockBackOff backOff_;
    int secondsLeft_ = 0;
    QTimer* ticks_ = nullptr;
};

} // namespace tainoteka
