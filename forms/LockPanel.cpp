#include "LockPanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "KeyboardStateIndicator.h"

namespace tainoteka {
namespace {

const QString kLocked = QStringLiteral("Документ заблокирован");
const QString kWrongPassword = QStringLiteral("Пароль введен не верно.");
constexpr int kTickMs = 1000;

QString NextTryIn(int seconds)
{
    return QStringLiteral("Неверный пароль. Следующая попытка через %1 с.").arg(seconds);
}

} // namespace

TLockPanel::TLockPanel(QWidget* parent)
    : QWidget(parent),
      LblLocked(new QLabel(kLocked, this)),
      TxtPassword(new QLineEdit(this)),
      BtnUnlock(new QPushButton(QStringLiteral("Разблокировать"), this)),
      LblMessage(new QLabel(this)),
      ticks_(new QTimer(this))
{
    setObjectName(QStringLiteral("LockPanel"));
    LblLocked->setObjectName(QStringLiteral("LblLocked"));
    TxtPassword->setObjectName(QStringLiteral("TxtUnlockPassword"));
    BtnUnlock->setObjectName(QStringLiteral("BtnUnlock"));
    LblMessage->setObjectName(QStringLiteral("LblLockMessage"));
    QFont big = LblLocked->font();
    big.setPixelSize(16);
    big.setBold(true);
    LblLocked->setFont(big);
    LblLocked->setAlignment(Qt::AlignCenter);
    LblMessage->setAlignment(Qt::AlignCenter);
    // The style before the echo mode, as in the password dialogs: it never
    // shows the last typed character.
    TxtPassword->setStyle(CreatePasswordEchoStyle(this));
    TxtPassword->setEchoMode(QLineEdit::Password);
    TxtPassword->setMaxLength(LongestPassword);
    TxtPassword->setAccessibleName(QStringLiteral("Пароль"));
    TxtPassword->setMinimumWidth(160);
    BtnUnlock->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(TxtPassword);
    row->addWidget(BtnUnlock);
    row->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addWidget(LblLocked);
    column->addSpacing(12);
    column->addLayout(row);
    column->addWidget(LblMessage);
    column->addStretch(2);
    setTabOrder(TxtPassword, BtnUnlock);

    ticks_->setInterval(kTickMs);
    connect(ticks_, &QTimer::timeout, this, &TLockPanel::SecondPassed);
    StartTicking = [this](bool on) { on ? ticks_->start() : ticks_->stop(); };
    connect(BtnUnlock, &QPushButton::clicked, this, &TLockPanel::RequestUnlock);
    connect(TxtPassword, &QLineEdit::returnPressed, this, &TLockPanel::RequestUnlock);
}

void TLockPanel::Reset()
{
    backOff_.Reset();
    secondsLeft_ = 0;
    StartTicking(false);
    BtnUnlock->setEnabled(true);
    EmptyPasswordField(*TxtPassword);
    LblMessage->clear();
    TxtPassword->setFocus(Qt::OtherFocusReason);
}

QString TLockPanel::TakePassword()
{
    QString typed = TxtPassword->text();
    EmptyPasswordField(*TxtPassword);
    return typed;
}

void TLockPanel::ShowWrongPassword() { ShowMessage(kWrongPassword); }

void TLockPanel::RejectPassword()
{
    secondsLeft_ = backOff_.Wrong();
    if (!IsWaiting())
        return ShowWrongPassword();
    BtnUnlock->setEnabled(false);
    StartTicking(true);
    ShowMessage(NextTryIn(secondsLeft_));
}

void TLockPanel::SecondPassed()
{
    if (!IsWaiting())
        return;
    if (--secondsLeft_ > 0)
        return LblMessage->setText(NextTryIn(secondsLeft_));
    StartTicking(false);
    BtnUnlock->setEnabled(true);
    LblMessage->setText(kWrongPassword);
}

void TLockPanel::RequestUnlock()
{
    // A try during the wait is not checked; the countdown stays in view.
    if (!IsWaiting())
        emit UnlockRequested();
}

void TLockPanel::ShowMessage(const QString& message)
{
    LblMessage->setText(message);
    TxtPassword->setFocus(Qt::OtherFocusReason);
}

void TLockPanel::keyPressEvent(QKeyEvent* event)
{
    // Outside a dialog a default button takes no Enter of its own.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        RequestUnlock();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tainoteka
