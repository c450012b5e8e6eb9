#include "LockPanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "KeyboardStateIndicator.h"

namespace tainoteka {
namespace {

const QString kLocked = QStringLiteral("Документ заблокирован");
const QString kWrongPassword = QStringLiteral("Пароль введен не верно.");

} // namespace

TLockPanel::TLockPanel(QWidget* parent)
    : QWidget(parent),
      LblLocked(new QLabel(kLocked, this)),
      TxtPassword(new QLineEdit(this)),
      BtnUnlock(new QPushButton(QStringLiteral("Разблокировать"), this)),
      LblMessage(new QLabel(this))
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
    TxtPassword->setEchoMode(QLineEdit::Password);
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

    connect(BtnUnlock, &QPushButton::clicked, this, &TLockPanel::UnlockRequested);
    connect(TxtPassword, &QLineEdit::returnPressed, this, &TLockPanel::UnlockRequested);
}

void TLockPanel::Reset()
{
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

void TLockPanel::ShowMessage(const QString& message)
{
    LblMessage->setText(message);
    TxtPassword->setFocus(Qt::OtherFocusReason);
}

void TLockPanel::keyPressEvent(QKeyEvent* event)
{
    // Outside a dialog a default button takes no Enter of its own.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit UnlockRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tainoteka
