// The font command's dialog: it starts from the editing area's font and
// colour, gives back every attribute on OK and nothing on Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "FontColorDialog.h"

using namespace tainoteka;

namespace {

// A face that this machine has, other than the one given.
QString OtherFamily(const QString& than, std::optional<bool> fixedPitch = std::nullopt)
{
    for (const QString& family : QFontDatabase::families()) {
        if (family == than || QFontDatabase::isPrivateFamily(family))
            continue;
        if (fixedPitch && QFontDatabase::isFixedPitch(family) != *fixedPitch)
            continue;
        return family;
    }
    return {};
}

TFontChoice Plain(const QString& family, int points, QColor color = Qt::black)
{
    QFont font(family);
    font.setPointSize(points);
    return TFontChoice{font, color};
}

} // namespace

TEST(FontColorDialog, StartsFromTheCurrentFontAndColour)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(12);
    font.setBold(true);
    font.setItalic(true);
    font.setUnderline(true);
    TFontColorDialog dialog(TFontChoice{font, QColor(Qt::blue)});

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Шрифт"));
    EXPECT_FALSE(dialog.Outcome().has_value()) << "nothing is chosen while the dialog is open";
    EXPECT_EQ(dialog.Family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(dialog.Style(), TFontColorDialog::TStyle::BoldItalic);
    EXPECT_DOUBLE_EQ(dialog.PointSize(), 12);
    EXPECT_TRUE(dialog.Underline());
    EXPECT_FALSE(dialog.StrikeOut());
    EXPECT_EQ(dialog.Color(), QColor(Qt::blue));
    EXPECT_EQ(dialog.LblColorSwatch->palette().color(QPalette::Window), QColor(Qt::blue));
}

TEST(FontColorDialog, OkGivesBackEveryAttribute)
{
    const TFontChoice current = Plain(QStringLiteral("DejaVu Sans"), 10);
    const QString family = OtherFamily(current.Font.family());
    ASSERT_FALSE(family.isEmpty());
    TFontColorDialog dialog(current);

    dialog.SetFamily(family);
    dialog.SetStyle(TFontColorDialog::TStyle::BoldItalic);
    dialog.SetPointSize(14);
    dialog.SetUnderline(true);
    dialog.SetStrikeOut(true);
    dialog.SetColor(QColor(200, 10, 30));
    dialog.Buttons->button(QDialogButtonBox::Ok)->click();

    const std::optional<TFontChoice> chosen = dialog.Outcome();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->Font.family(), family);
    EXPECT_EQ(chosen->Font.pointSize(), 14);
    EXPECT_TRUE(chosen->Font.bold());
    EXPECT_TRUE(chosen->Font.italic());
    EXPECT_TRUE(chosen->Font.underline());
    EXPECT_TRUE(chosen->Font.strikeOut());
    EXPECT_EQ(chosen->Color, QColor(200, 10, 30));
}

TEST(FontColorDialog, EachStyleRowMapsToBoldAndItalic)
{
    const struct {
        TFontColorDialog::TStyle Style;
        bool Bold, Italic;
    } rows[] = {{TFontColorDialog::TStyle::Regular, false, false},
                {TFontColorDialog::TStyle::Italic, false, true},
                {TFontColorDialog::TStyle::Bold, true, false},
                {TFontColorDialog::TStyle::BoldItalic, true, true}};
    for (const auto& row : rows) {
        QFont start(QStringLiteral("DejaVu Sans"));
        start.setBold(!row.Bold);
        start.setItalic(!row.Italic);
        TFontColorDialog dialog(TFontChoice{start, Qt::black});
        dialog.LstStyle->setCurrentRow(static_cast<int>(row.Style));
        dialog.accept();
        const std::optional<TFontChoice> chosen = dialog.Outcome();
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(chosen->Font.bold(), row.Bold) << static_cast<int>(row.Style);
        EXPECT_EQ(chosen->Font.italic(), row.Italic) << static_cast<int>(row.Style);
    }
}

TEST(FontColorDialog, CancelGivesNothing)
{
    TFontColorDialog dialog(Plain(QStringLiteral("DejaVu Sans"), 10));
    dialog.SetStyle(TFontColorDialog::TStyle::Bold);
    dialog.SetPointSize(20);
    dialog.SetColor(Qt::red);
    dialog.Buttons->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.Outcome().has_value());
}

TEST(FontColorDialog, UntouchedDialogKeepsTheFontAsItWas)
{
    // A face this machine lacks and a size in pixels both come back unchanged.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setStrikeOut(true);
    TFontColorDialog dialog(TFontChoice{font, QColor(1, 2, 3)});
    dialog.accept();
    const std::optional<TFontChoice> chosen = dialog.Outcome();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->Font.family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(chosen->Font.pixelSize(), 11);
    EXPECT_FALSE(chosen->Font.bold());
    EXPECT_FALSE(chosen->Font.italic());
    EXPECT_FALSE(chosen->Font.underline());
    EXPECT_TRUE(chosen->Font.strikeOut());
    EXPECT_EQ(chosen->Color, QColor(1, 2, 3));
}

TEST(FontColorDialog, ColourButtonAsksThePicker)
{
    TFontColorDialog dialog(Plain(QStringLiteral("DejaVu Sans"), 10, QColor(Qt::black)));
    QColor offered;
    dialog.SetColorPicker([&offered](QWidget*, const QColor& current) -> std::optional<QColor> {
        offered = current;
        return QColor(0, 128, 0);
    });
    dialog.BtnColor->click();
    EXPECT_EQ(offered, QColor(Qt::black));
    EXPECT_EQ(dialog.Color(), QColor(0, 128, 0));
    EXPECT_EQ(dialog.LblColorSwatch->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_EQ(dialog.LblSample->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    dialog.SetColorPicker([](QWidget*, const QColor&) -> std::optional<QColor> { return std::nullopt; });
    dialog.BtnColor->click();
    EXPECT_EQ(dialog.Color(), QColor(0, 128, 0)) << "a cancelled colour choice keeps the colour";

    dialog.accept();
    ASSERT_TRUE(dialog.Outcome().has_value());
    EXPECT_EQ(dialog.Outcome()->Color, QColor(0, 128, 0));
}

TEST(FontColorDialog, SizeMustBeANumberInRange)
{
    TFontColorDialog dialog(Plain(QStringLiteral("DejaVu Sans"), 10));
    dialog.CmbSize->setEditText(QStringLiteral("0"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.CmbSize->setEditText(QString());
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.CmbSize->setEditText(QStringLiteral("9,5"));
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.Outcome()->Font.pointSizeF(), 9.5);
}

TEST(FontColorDialog, NewFaceBringsItsOwnPitch)
{
    const QString fixed = OtherFamily(QString(), true);
    const QString proportional = OtherFamily(QString(), false);
    if (fixed.isEmpty() || proportional.isEmpty())
        GTEST_SKIP() << "needs a fixed and a proportional face";

    QFont start(proportional);
    start.setFixedPitch(false);
    TFontColorDialog toFixed(TFontChoice{start, Qt::black});
    toFixed.SetFamily(fixed);
    toFixed.accept();
    EXPECT_TRUE(toFixed.Outcome()->Font.fixedPitch());

    QFont monospace(fixed);
    monospace.setFixedPitch(true);
    TFontColorDialog toProportional(TFontChoice{monospace, Qt::black});
    toProportional.SetFamily(proportional);
    toProportional.accept();
    EXPECT_FALSE(toProportional.Outcome()->Font.fixedPitch());
}

TEST(FontColorDialog, SampleShowsTheChoice)
{
    TFontColorDialog dialog(Plain(QStringLiteral("DejaVu Sans"), 10));
    dialog.ChkUnderline->setChecked(true);
    dialog.LstStyle->setCurrentRow(static_cast<int>(TFontColorDialog::TStyle::Bold));
    dialog.CmbSize->setEditText(QStringLiteral("16"));
    EXPECT_TRUE(dialog.LblSample->font().underline());
    EXPECT_TRUE(dialog.LblSample->font().bold());
    EXPECT_EQ(dialog.LblSample->font().pointSize(), 16);
}

TEST(FontColorDialog, TypedFaceNameIsTaken)
{
    TFontColorDialog dialog(Plain(QStringLiteral("DejaVu Sans"), 10));
    dialog.CmbFamily->setEditText(QStringLiteral("  DejaVu Serif "));
    dialog.accept();
    ASSERT_TRUE(dialog.Outcome().has_value());
    EXPECT_EQ(dialog.Outcome()->Font.family(), QStringLiteral("DejaVu Serif"));
}

TEST(FontColorDialog, SizesInPixelsShowAsWholePointsAtTheScreensResolution)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    TFontColorDialog probe(TFontChoice{font, QColor(Qt::black)});
    ASSERT_EQ(probe.logicalDpiY(), 96) << "the offscreen screen has 96 dots per inch";
    EXPECT_EQ(probe.CmbSize->currentText(), QStringLiteral("8")) << "-11 at 96 dpi is the 8-point default";

    font.setPixelSize(16);
    TFontColorDialog twelve(TFontChoice{font, QColor(Qt::black)});
    EXPECT_EQ(twelve.CmbSize->currentText(), QStringLiteral("12"));

    font.setPointSizeF(10.5);
    TFontColorDialog points(TFontChoice{font, QColor(Qt::black)});
    EXPECT_EQ(points.CmbSize->currentText(), QStringLiteral("10.5")) << "a size in points shows as it is";
}
