#pragma once
// A one-line label that, when narrower than its text, shows the text cut
// with an ellipsis and the whole text in its tooltip. text() stays whole,
// so what reads the label (accessibility) gets all of it.
#include <QLabel>

namespace tainoteka {

class TElidedLabel final : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    void SetMessage(const QString& text);
    // The label asks for room for this text even while it shows a shorter
    // one, so that a message appearing does not move the other widgets.
    void ReserveRoomFor(const QString& text);
    bool IsElided() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateToolTip();

    QString reserved_;
};

} // namespace tainoteka
