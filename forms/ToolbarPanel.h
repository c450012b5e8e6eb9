#pragma once
// The toolbar: a row that wraps onto further rows when the window is too
// narrow (top and bottom edges), or a one-button-wide column (left and right).
// Buttons and spacers keep their order in both.
#include <QWidget>

class QAction;
class QToolButton;

namespace tainoteka {

class TFlowLayout;

class TToolbarPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int ButtonSize = 25;
    static constexpr int SpacerSize = 8;
    static constexpr int Thickness = 29;

    explicit TToolbarPanel(QWidget* parent = nullptr);

    // A 25 x 25 button showing only the image, with the tooltip; the button's
    // enabled state is its own (the disabled image shows when it is off).
    QToolButton* AddButton(const QString& objectName, const QIcon& icon, const QString& tooltip);
    void AddSpacer(const QString& objectName);
    void SetVertical(bool vertical);

private:
    TFlowLayout* flow_;
};

} // namespace tainoteka
