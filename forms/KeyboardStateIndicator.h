#pragma once
// The Caps Lock / layout pop-up that both password dialogs show under the
// password field in use, and the few things the two dialogs share.
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QString>

#include <initializer_list>

class QLineEdit;
class QStyle;

namespace tainoteka {

class IKeyboardState;

// A free-standing hint window: stays above other windows, never takes the
// focus, shows the keyboard state in two lines.
class TKeyboardHintWindow : public QLabel {
    Q_OBJECT
public:
    TKeyboardHintWindow(const QString& text, const QRect& screenRect, QWidget* owner);
};

// What a tick does when none of the watched fields has the focus.
enum class TNoFocusTick {
    QuietTick, // counts it and takes the pop-up down at once
    Nothing,
};

struct TKeyboardIndicatorLook {
    int VerticalGap;
    int HintHeight;
    TNoFocusTick NoFocusTick;
};

// The entry dialog's and the change dialog's settings.
inline constexpr TKeyboardIndicatorLook kEntryIndicatorLook{0, 30, TNoFocusTick::QuietTick};
inline constexpr TKeyboardIndicatorLook kChangeIndicatorLook{5, 40, TNoFocusTick::Nothing};

// One per dialog; nothing is shared between the two.
class TKeyboardStateIndicator : public QObject {
    Q_OBJECT
public:
    TKeyboardStateIndicator(IKeyboardState& keyboard, QWidget& dialog, TKeyboardIndicatorLook look);
    ~TKeyboardStateIndicator() override;

    bool LastCapsLock = false;
    QString LastLayoutCode;
    qint32 HintTicks = 0;
    // The pop-up now standing, null while down. A new one is made for each
    // showing, so a replaced pop-up is a different object.
    QPointer<TKeyboardHintWindow> KeyboardHintWindow;

    bool IsCapsLockOn() const;
    QString GetLayoutCode() const;
    static QString KeyboardStateText(bool capsLockOn, const QString& layoutCode);
    QString KeyboardStateText() const;

    // Screen rectangle of the pop-up under `field`, a control of the dialog.
    QRect HintRect(const QWidget& field) const;
    void ShowKeyboardHint(const QWidget& field, const QString& text);
    void HideKeyboardHint();

    // Run at the end of the dialog's activation, after its first field has
    // been emptied and focused.
    void ActivationStep(const QWidget& firstField);
    // Run on every tick of the dialog's timer; `watched` in the order they are tested.
    void TickStep(std::initializer_list<const QWidget*> watched);

    // Pop-up text and rectangle as they stand; empty while down.
    QString HintText() const;
    QRect HintGeometry() const;

    const TKeyboardIndicatorLook& Look() const { return look_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RecordState();

    IKeyboardState& keyboard_;
    QWidget& dialog_;
    TKeyboardIndicatorLook look_;
    QPointer<const QWidget> hintField_;
};

// --- Shared by the two password dialogs ---

// Echo "*" for each character, whatever the platform's usual mask is. The
// style is owned by `owner` and may serve several fields.
QStyle* CreatePasswordEchoStyle(QObject* owner);
void SetUpPasswordField(QLineEdit& field, QStyle* echoStyle, const QRect& geometry);
// Empties a password field and its undo history, so no typed password can be
// brought back from it (clear() would keep the removed text for undo).
void EmptyPasswordField(QLineEdit& field);
// Outer frame centred on the main window's outer frame (on the screen when
// there is no visible main window).
void CentreOnMainWindow(QWidget& dialog, const QWidget* mainWindow);

} // namespace tainoteka
