#include "ToolbarPanel.h"

#include <QToolButton>

#include "FlowLayout.h"

namespace tainoteka {
namespace {
constexpr int kMargin = 2;
}

TToolbarPanel::TToolbarPanel(QWidget* parent) : QWidget(parent), flow_(new TFlowLayout(this))
{
    setObjectName(QStringLiteral("RzToolbarPictures"));
    flow_->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    flow_->setSpacing(0);
    SetVertical(false);
}

QToolButton* TToolbarPanel::AddButton(const QString& objectName, const QIcon& icon, const QString& tooltip)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(ButtonSize, ButtonSize);
    button->setToolTip(tooltip);
    // An image has no words: a screen reader says the hint instead.
    button->setAccessibleName(tooltip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    flow_->addWidget(button);
    return button;
}

void TToolbarPanel::AddSpacer(const QString& objectName)
{
    auto* spacer = new QWidget(this);
    spacer->setObjectName(objectName);
    spacer->setFixedSize(SpacerSize, ButtonSize);
    flow_->addWidget(spacer);
}

void TToolbarPanel::SetVertical(bool vertical)
{
    flow_->SetVertical(vertical);
    // A spacer turns with the toolbar.
    for (QWidget* spacer : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QToolButton*>(spacer))
            spacer->setFixedSize(vertical ? ButtonSize : SpacerSize, vertical ? SpacerSize : ButtonSize);
    if (vertical) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        setFixedWidth(Thickness);
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
    }
    flow_->invalidate();
    updateGeometry();
}

} // namespace tainoteka
