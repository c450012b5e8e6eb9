#pragma once
// The font command's dialog: face, style, size, underline, strike-out and
// colour in one window. Qt's own font dialog has no colour choice, and the
// editing area takes all of these at once.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

#include "Prompts.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tainoteka {

extern const QString FontDialogTitle; // "Шрифт"

class TFontColorDialog final : public QDialog {
    Q_OBJECT
public:
    // Rows of the style list, in the order shown.
    enum class TStyle { Regular = 0, Italic = 1, Bold = 2, BoldItalic = 3 };

    // Asks for a colour; nullopt when the user cancels. Replaceable so that the
    // "Цвет..." button can be driven without a modal loop.
    using TColorPicker = std::function<std::optional<QColor>(QWidget* parent, const QColor& current)>;

    explicit TFontColorDialog(const TFontChoice& current, QWidget* parent = nullptr);

    void SetColorPicker(TColorPicker picker) { colorPicker_ = std::move(picker); }

    // What the controls show now, applied to the font the dialog was opened
    // with: attributes the dialog does not offer stay as they were.
    TFontChoice Choice() const;
    // Choice() after OK, nothing after Cancel or while still open.
    std::optional<TFontChoice> Outcome() const;

    // The controls' values, for the window itself and for tests.
    QString Family() const;
    void SetFamily(const QString& family);
    TStyle Style() const;
    void SetStyle(TStyle style);
    double PointSize() const; // 0 when the size field holds no valid size
    void SetPointSize(double points);
    bool Underline() const;
    void SetUnderline(bool on);
    bool StrikeOut() const;
    void SetStrikeOut(bool on);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    QComboBox* CmbFamily = nullptr;
    QListWidget* LstStyle = nullptr;
    QComboBox* CmbSize = nullptr;
    QCheckBox* ChkStrikeOut = nullptr;
    QCheckBox* ChkUnderline = nullptr;
    QLabel* LblColorSwatch = nullptr;
    QPushButton* BtnColor = nullptr;
    QLabel* LblSample = nullptr;
    QDialogButtonBox* Buttons = nullptr;

    void BtnColorClick();

public slots:
    void accept() override;

private:
    void UpdateSample();

    const QFont initialFont_;
    const QString initialFamily_;
    const QString initialSizeText_;
    QColor color_;
    TColorPicker colorPicker_;
};

// The families as users know them, each once: Qt tells a family that several
// foundries make by the foundry ("C059 [UKWN]", "C059 [URW]"), which the
// font matching does not need.
QStringList FamilyNamesOnce(const QStringList& qtFamilies);

// Shows the dialog modally over parent; the chosen font and colour on OK,
// nothing on Cancel.
std::optional<TFontChoice> RunFontColorDialog(QWidget* parent, const TFontChoice& current);

} // namespace tainoteka
