#include "ElidedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace tainoteka {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void TElidedLabel::SetMessage(const QString& text)
{
    setText(text);
    UpdateToolTip();
}

void TElidedLabel::ReserveRoomFor(const QString& text)
{
    reserved_ = text;
    updateGeometry();
}

bool TElidedLabel::IsElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QSize TElidedLabel::sizeHint() const
{
    const QSize own = QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int reserved = fontMetrics().horizontalAdvance(reserved_) + margins.left() + margins.right();
    return {std::max(own.width(), reserved), own.height()};
}

QSize TElidedLabel::minimumSizeHint() const
{
    // Room for the ellipsis and a letter or two.
    return {fontMetrics().horizontalAdvance(QStringLiteral("Не…")), QLabel::minimumSizeHint().height()};
}

void TElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

void TElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    UpdateToolTip();
}

void TElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateToolTip();
}

void TElidedLabel::UpdateToolTip()
{
    setToolTip(IsElided() ? text() : QString());
}

} // namespace tainoteka
