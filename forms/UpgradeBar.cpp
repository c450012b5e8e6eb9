#include "UpgradeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tainoteka {

TUpgradeBar::TUpgradeBar(QWidget* parent)
    : QFrame(parent)
    , LblMessage(new QLabel(this))
    , BtnUpgrade(new QPushButton(QStringLiteral("Сохранить с надёжной защитой"), this))
    , BtnDeleteOld(new QPushButton(QStringLiteral("Удалить старый файл"), this))
    , BtnHide(new QPushButton(QStringLiteral("Скрыть"), this))
{
    setObjectName(QStringLiteral("UpgradeBar"));
    setFrameShape(QFrame::StyledPanel);
    // The tool-tip colours follow the theme, dark ones too, and stand out from the text.
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    LblMessage->setWordWrap(true);
    LblMessage->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    auto* row = new QHBoxLayout(this);
    row->addWidget(LblMessage, 1);
    row->addWidget(BtnUpgrade);
    row->addWidget(BtnDeleteOld);
    row->addWidget(BtnHide);
    connect(BtnUpgrade, &QPushButton::clicked, this, &TUpgradeBar::UpgradeRequested);
    connect(BtnDeleteOld, &QPushButton::clicked, this, &TUpgradeBar::DeleteOldRequested);
    connect(BtnHide, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void TUpgradeBar::ShowOldFormat()
{
    LblMessage->setText(QStringLiteral("Этот файл в старом формате .txtp: его копию можно открыть без пароля."));
    BtnUpgrade->show();
    BtnDeleteOld->hide();
    show();
}

void TUpgradeBar::ShowSaved(const QString& newName, const QString& oldName)
{
    LblMessage->setText(QStringLiteral("Сохранено в %1. Старый файл %2 остался на диске.").arg(newName, oldName));
    BtnUpgrade->hide();
    BtnDeleteOld->show();
    show();
}

} // namespace tainoteka
