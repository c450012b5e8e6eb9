#include "U_PasswordEnter.h"

#include "DialogFont.h"
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace tainoteka {

TFrmPasswordEnter::TFrmPasswordEnter(IKeyboardState& keyboard, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                              | Qt::MSWindowsFixedSizeDialogHint)
    , Label1(new QLabel(QStringLiteral("Введите пароль к файлу:"), this))
    , TxtPassword(new QLineEdit(this))
    , BtnOk(new QPushButton(QStringLiteral("OK"), this))
    , TmrKeyGet(new QTimer(this))
    , Indicator(keyboard, *this, kEntryIndicatorLook)
    , mainWindow_(mainWindow)
{
    setWindowTitle(QStringLiteral("Доступ к файлу"));
    setFont(ClassicDialogFont());
    setFixedSize(294, 101);

    Label1->setGeometry(16, 16, 127, 13);
    SetUpPasswordField(*TxtPassword, CreatePasswordEchoStyle(this), QRect(147, 16, 134, 21));
    BtnOk->setGeometry(91, 58, 118, 25);
    BtnOk->setDefault(true);
    FitDialogFontToLabels(*this, {Label1});
    setTabOrder(TxtPassword, BtnOk);
    connect(BtnOk, &QPushButton::clicked, this, &TFrmPasswordEnter::BtnOkClick);

    // Ticks from creation on, also while hidden: a hidden dialog's tick takes
    // a pop-up left standing down.
    TmrKeyGet->setInterval(1000);
    connect(TmrKeyGet, &QTimer::timeout, this, &TFrmPasswordEnter::TmrKeyGetTimer);
    TmrKeyGet->start();
}

void TFrmPasswordEnter::SetDocumentType(TDocumentType type)
{
    TxtPassword->setMaxLength(PasswordLimit(type));
}

void TFrmPasswordEnter::FormActivate()
{
    EmptyPasswordField(*TxtPassword);
    TxtPassword->setFocus(Qt::OtherFocusReason);
    CentreOnMainWindow(*this, mainWindow_);
    Indicator.ActivationStep(*TxtPassword);
}

void TFrmPasswordEnter::BtnOkClick()
{
    accept();
}

void TFrmPasswordEnter::TmrKeyGetTimer()
{
    Indicator.TickStep({TxtPassword});
}

void TFrmPasswordEnter::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is not a new showing.
    if (!event->spontaneous())
        FormActivate();
}

void TFrmPasswordEnter::hideEvent(QHideEvent* event)
{
    // Closing leaves the field focused in a hidden window; without this the
    // pop-up would hang on screen until the next tick.
    Indicator.HideKeyboardHint();
    QDialog::hideEvent(event);
}

void TFrmPasswordEnter::keyPressEvent(QKeyEvent* event)
{
    // There is nothing to cancel: closing hands the text to the reader all
    // the same, so Esc must not close by accident. The close box still does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tainoteka
