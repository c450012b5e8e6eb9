#include "KeyboardStateIndicator.h"

#include "DialogFont.h"
#include "KeyboardState.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QWindow>
#include <QToolTip>

#include <algorithm>

namespace tainoteka {

namespace {

constexpr int kHintFrame = 1;
constexpr int kHintMargin = 1;

// The rectangle is fixed, and the tool-tip font of some desktops is too tall
// for two lines in 30 pixels; shrink it rather than cut the second line off.
QFont FittingHintFont(int height)
{
    const int room = height - 2 * (kHintFrame + kHintMargin);
    return ShrunkToFit(QToolTip::font(), [room](const QFont& font) {
        const QFontMetrics metrics(font);
        return metrics.height() + metrics.lineSpacing() <= room;
    });
}

class TPasswordEchoStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        // Some platforms briefly show the last typed character; never here.
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TKeyboardHintWindow::TKeyboardHintWindow(const QString& text, const QRect& screenRect, QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setPalette(QToolTip::palette());
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(kHintFrame);
    setMargin(kHintMargin);
    setIndent(1);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setFont(FittingHintFont(screenRect.height()));
    setText(text);
    // Lets the pop-up be read from outside the program (xprop, xdotool).
    setWindowTitle(text);
    setGeometry(screenRect);
}

TKeyboardStateIndicator::TKeyboardStateIndicator(IKeyboardState& keyboard, QWidget& dialog,
                                                 TKeyboardIndicatorLook look)
    : keyboard_(keyboard)
    , dialog_(dialog)
    , look_(look)
{
    dialog_.installEventFilter(this);
}

TKeyboardStateIndicator::~TKeyboardStateIndicator()
{
    HideKeyboardHint();
}

bool TKeyboardStateIndicator::IsCapsLockOn() const
{
    return keyboard_.IsCapsLockOn();
}

QString TKeyboardStateIndicator::GetLayoutCode() const
{
    return tainoteka::GetLayoutCode(keyboard_);
}

QString TKeyboardStateIndicator::KeyboardStateText(bool capsLockOn, const QString& layoutCode)
{
    return QStringLiteral("Caps Lock: ") + (capsLockOn ? QStringLiteral("Вкл.") : QStringLiteral("Выкл."))
        + QLatin1Char('\n') + QStringLiteral("Язык: ") + layoutCode;
}

QString TKeyboardStateIndicator::KeyboardStateText() const
{
    return KeyboardStateText(IsCapsLockOn(), GetLayoutCode());
}

namespace {

// QWidget's own frame geometry can lag behind the window manager's frame;
// the native window's margins are asked afresh.
QRect OuterGeometry(const QWidget& window)
{
    const QWindow* native = window.windowHandle();
    if (!native || !window.isVisible())
        return window.frameGeometry();
    return window.geometry().marginsAdded(native->frameMargins());
}

} // namespace

QRect TKeyboardStateIndicator::HintRect(const QWidget& field) const
{
    // Outer frame of the dialog plus the field's place in the client area:
    // the caption is about one field high, so twice the field height lands
    // just under the field.
    const QPoint outer = OuterGeometry(dialog_).topLeft();
    const QPoint inClient = field.mapTo(&dialog_, QPoint(0, 0));
    const int left = outer.x() + inClient.x();
    const int top = outer.y() + inClient.y() + 2 * field.height() + look_.VerticalGap;
    return QRect(left, top, field.width(), look_.HintHeight);
}

void TKeyboardStateIndicator::ShowKeyboardHint(const QWidget& field, const QString& text)
{
    HideKeyboardHint();
    KeyboardHintWindow = new TKeyboardHintWindow(text, HintRect(field), &dialog_);
    hintField_ = &field;
    KeyboardHintWindow->show();
    // The window manager may stack the dialog's frame over a pop-up shown
    // while the dialog itself was still being mapped.
    KeyboardHintWindow->raise();
}

void TKeyboardStateIndicator::HideKeyboardHint()
{
    if (KeyboardHintWindow) {
        KeyboardHintWindow->hide();
        delete KeyboardHintWindow.data();
    }
    KeyboardHintWindow = nullptr;
}

bool TKeyboardStateIndicator::eventFilter(QObject* watched, QEvent* event)
{
    // Before the window manager has framed a newly shown dialog its outer
    // position is not known yet, and the pop-up lands a caption too low.
    // Put it back under its field once the frame is known, and keep it
    // there when the dialog is moved.
    if (watched == &dialog_ && KeyboardHintWindow && hintField_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::WindowActivate: {
            const QRect place = HintRect(*hintField_);
            if (KeyboardHintWindow->geometry() != place)
                KeyboardHintWindow->setGeometry(place);
            break;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TKeyboardStateIndicator::RecordState()
{
    LastCapsLock = IsCapsLockOn();
    LastLayoutCode = GetLayoutCode();
}

void TKeyboardStateIndicator::ActivationStep(const QWidget& firstField)
{
    HintTicks = 0;
    RecordState();
    ShowKeyboardHint(firstField, KeyboardStateText(LastCapsLock, LastLayoutCode));
}

void TKeyboardStateIndicator::TickStep(std::initializer_list<const QWidget*> watched)
{
    const QWidget* focused = nullptr;
    for (const QWidget* field : watched) {
        if (field && field->hasFocus()) {
            focused = field;
            break;
        }
    }
    if (!focused) {
        if (look_.NoFocusTick == TNoFocusTick::Nothing)
            return;
        // A quiet tick whose field lacks the focus: down at once, counter to 0.
        ++HintTicks;
        HideKeyboardHint();
        HintTicks = 0;
        return;
    }

    // Read once so that the text shown and the state recorded agree.
    const bool capsLock = IsCapsLockOn();
    const QString layoutCode = GetLayoutCode();
    if (capsLock != LastCapsLock || layoutCode != LastLayoutCode) {
        // A change leaves the counter alone: the new pop-up goes when the
        // counter next reaches 5.
        ShowKeyboardHint(*focused, KeyboardStateText(capsLock, layoutCode));
        LastCapsLock = capsLock;
        LastLayoutCode = layoutCode;
        return;
    }
    ++HintTicks;
    if (HintTicks == 5) {
        HideKeyboardHint();
        HintTicks = 0;
    }
}

QString TKeyboardStateIndicator::HintText() const
{
    return KeyboardHintWindow ? KeyboardHintWindow->text() : QString();
}

QRect TKeyboardStateIndicator::HintGeometry() const
{
    return KeyboardHintWindow ? KeyboardHintWindow->frameGeometry() : QRect();
}

QStyle* CreatePasswordEchoStyle(QObject* owner)
{
    auto* style = new TPasswordEchoStyle;
    style->setParent(owner);
    return style;
}

void SetUpPasswordField(QLineEdit& field, QStyle* echoStyle, const QRect& geometry)
{
    field.setGeometry(geometry);
    field.setMaxLength(20);
    // The style before the echo mode: the line edit takes its mask character
    // from the style.
    field.setStyle(echoStyle);
    field.setEchoMode(QLineEdit::Password);
}

void EmptyPasswordField(QLineEdit& field)
{
    // Setting the text starts a new undo history.
    field.setText(QString());
}

void CentreOnMainWindow(QWidget& dialog, const QWidget* mainWindow)
{
    QRect area;
    if (mainWindow && mainWindow->isVisible())
        area = OuterGeometry(*mainWindow);
    else if (const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    const QSize outer = OuterGeometry(dialog).size();
    QPoint topLeft(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    // Keep the caption reachable when the main window hangs off the top or left.
    if (const QScreen* screen = QGuiApplication::screenAt(area.center()) ? QGuiApplication::screenAt(area.center())
                                                                          : QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableVirtualGeometry();
        topLeft.setX(std::max(topLeft.x(), desktop.left()));
        topLeft.setY(std::max(topLeft.y(), desktop.top()));
    }
    dialog.move(topLeft);
}

} // namespace tainoteka
