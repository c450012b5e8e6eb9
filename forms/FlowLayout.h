#pragma once
// Lays its items out left to right and starts a new line where the next one
// would not fit, so a narrow window gets more lines instead of widgets drawn
// over each other. Items that grow share the spare width of their line; an
// item is never given less than its minimum width. Vertical: one item a line.
#include <QLayout>
#include <QList>

namespace tainoteka {

class TFlowLayout final : public QLayout {
public:
    explicit TFlowLayout(QWidget* parent = nullptr);
    ~TFlowLayout() override;

    void SetVertical(bool vertical);

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return !vertical_; }
    int heightForWidth(int width) const override;
    // One line high (all of the column when vertical): the height that
    // wrapping needs follows the width given.
    QSize minimumSize() const override;
    // All on one line (in one column when vertical).
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in rect, or only measures; returns the height used.
    int Arrange(const QRect& rect, bool apply) const;
    QList<QList<QLayoutItem*>> Lines(int width) const;
    int Wanted(const QLayoutItem* item, int width) const;

    QList<QLayoutItem*> items_;
    bool vertical_ = false;
};

} // namespace tainoteka
