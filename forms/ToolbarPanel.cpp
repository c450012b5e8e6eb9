#include "ToolbarPanel.h"

#include <QToolButton>

namespace tainoteka {
namespace {
constexpr int kMargin = 2;
}

TFlowLayout::TFlowLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    setSpacing(0);
}

TFlowLayout::~TFlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TFlowLayout::SetVertical(bool vertical)
{
    vertical_ = vertical;
    invalidate();
}

void TFlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* TFlowLayout::itemAt(int index) const { return items_.value(index); }

QLayoutItem* TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int TFlowLayout::heightForWidth(int width) const { return LayRow(QRect(0, 0, width, 0), false); }

QSize TFlowLayout::sizeHint() const { return minimumSize(); }

QSize TFlowLayout::minimumSize() const
{
    const int thickness = TToolbarPanel::ButtonSize + 2 * kMargin;
    if (vertical_)
        return {thickness, LayColumn(QRect(0, 0, thickness, 0), false)};
    return {thickness, thickness};
}

void TFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    if (vertical_)
        LayColumn(rect, true);
    else
        LayRow(rect, true);
}

// Returns the height the row needs at this width, wrapping where a control
// would cross the right edge.
int TFlowLayout::LayRow(const QRect& rect, bool apply) const
{
    const QRect inner = rect.marginsRemoved(contentsMargins());
    int x = inner.x();
    int y = inner.y();
    const int rowHeight = TToolbarPanel::ButtonSize;
    for (QLayoutItem* item : items_) {
        const QSize size = item->sizeHint();
        if (x + size.width() > inner.right() + 1 && x > inner.x()) {
            x = inner.x();
            y += rowHeight;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y), QSize(size.width(), rowHeight)));
        x += size.width();
    }
    return y + rowHeight - rect.y() + contentsMargins().bottom();
}

int TFlowLayout::LayColumn(const QRect& rect, bool apply) const
{
    const QRect inner = rect.marginsRemoved(contentsMargins());
    int y = inner.y();
    for (QLayoutItem* item : items_) {
        const int height = item->sizeHint().height();
        if (apply)
            item->setGeometry(QRect(QPoint(inner.x(), y), QSize(TToolbarPanel::ButtonSize, height)));
        y += height;
    }
    return y - rect.y() + contentsMargins().bottom();
}

TToolbarPanel::TToolbarPanel(QWidget* parent) : QWidget(parent), flow_(new TFlowLayout(this))
{
    setObjectName(QStringLiteral("RzToolbarPictures"));
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
