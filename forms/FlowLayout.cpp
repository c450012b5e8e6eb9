#include "FlowLayout.h"

#include <QWidget>
#include <algorithm>

namespace tainoteka {

TFlowLayout::TFlowLayout(QWidget* parent) : QLayout(parent) {}

TFlowLayout::~TFlowLayout()
{
    qDeleteAll(items_);
}

void TFlowLayout::SetVertical(bool vertical)
{
    vertical_ = vertical;
    invalidate();
}

void TFlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int TFlowLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

QSize TFlowLayout::minimumSize() const
{
    QSize least;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            least = least.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    least += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (vertical_)
        least.setHeight(Arrange(QRect(0, 0, least.width(), 0), false));
    return least;
}

QSize TFlowLayout::sizeHint() const
{
    QSize line;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const QSize size = item->sizeHint();
        const int gap = line.isEmpty() ? 0 : spacing();
        line = vertical_ ? QSize(std::max(line.width(), size.width()), line.height() + gap + size.height())
                         : QSize(line.width() + gap + size.width(), std::max(line.height(), size.height()));
    }
    const QMargins margins = contentsMargins();
    return line.expandedTo(QSize(0, 0)) + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int TFlowLayout::Wanted(const QLayoutItem* item, int width) const
{
    return std::max(item->minimumSize().width(), std::min(item->sizeHint().width(), width));
}

QList<QList<QLayoutItem*>> TFlowLayout::Lines(int width) const
{
    const int gap = std::max(0, spacing());
    QList<QList<QLayoutItem*>> lines(1);
    int used = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const int wanted = Wanted(item, width);
        if (!lines.last().isEmpty() && (vertical_ || used + gap + wanted > width)) {
            lines.emplaceBack();
            used = 0;
        }
        used += (lines.last().isEmpty() ? 0 : gap) + wanted;
        lines.last().append(item);
    }
    return lines;
}

int TFlowLayout::Arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    int y = area.top();
    for (const QList<QLayoutItem*>& line : Lines(area.width())) {
        if (line.isEmpty())
            continue;
        int spare = area.width() + gap;
        int growers = 0;
        int height = 0;
        for (const QLayoutItem* item : line) {
            spare -= Wanted(item, area.width()) + gap;
            growers += (item->expandingDirections() & Qt::Horizontal) ? 1 : 0;
            height = std::max(height, item->sizeHint().height());
        }
        int x = area.left();
        for (QLayoutItem* item : line) {
            int width = Wanted(item, area.width());
            if (spare > 0 && (item->expandingDirections() & Qt::Horizontal)) {
                const int share = spare / growers--;
                width += share;
                spare -= share;
            }
            if (apply)
                item->setGeometry(QRect(x, y, width, item->sizeHint().height()));
            x += width + gap;
        }
        y += height + gap;
    }
    const QMargins margins = contentsMargins();
    return std::max(0, y - gap - area.top()) + margins.top() + margins.bottom();
}

} // namespace tainoteka
