#include "FontColorDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

#include "Settings.h"

namespace tainoteka {

const QString FontDialogTitle = QStringLiteral("Шрифт");

namespace {

// The range a size may take; what lies outside is a typing slip.
constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 1638;

const QString kSampleText = QStringLiteral("АаБбЮюЯя AaBbYyZz 123");

double PointsOf(const QFont& font, double pixelsPerInch)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    // A height in pixels shows as the whole point size it was made from on
    // this screen, as the settings file stores it: 11 pixels at 96 dpi is 8.
    if (font.pixelSize() > 0)
        return SizeForPixelHeight(-font.pixelSize(), pixelsPerInch);
    return QFontInfo(font).pointSizeF();
}

QString SizeText(double points)
{
    return QString::number(qRound(points * 10) / 10.0);
}

TFontColorDialog::TStyle StyleOf(const QFont& font)
{
    const int style = (font.bold() ? 2 : 0) + (font.italic() ? 1 : 0);
    return static_cast<TFontColorDialog::TStyle>(style);
}

bool IsBold(TFontColorDialog::TStyle style)
{
    return style == TFontColorDialog::TStyle::Bold || style == TFontColorDialog::TStyle::BoldItalic;
}

bool IsItalic(TFontColorDialog::TStyle style)
{
    return style == TFontColorDialog::TStyle::Italic || style == TFontColorDialog::TStyle::BoldItalic;
}

std::optional<QColor> AskColorFromQt(QWidget* parent, const QColor& current)
{
    QColorDialog dialog(current, parent);
    dialog.setWindowTitle(QStringLiteral("Цвет"));
    dialog.setWindowModality(Qt::WindowModal); // the help window stays usable
    if (dialog.exec() != QDialog::Accepted || !dialog.selectedColor().isValid())
        return std::nullopt;
    return dialog.selectedColor();
}

QStringList FamiliesOfThisMachine()
{
    QStringList families = QFontDatabase::families();
    families.removeIf([](const QString& family) { return QFontDatabase::isPrivateFamily(family); });
    return FamilyNamesOnce(families);
}

// Lists as wide as their longest entry, so that no name is cut at any scale;
// besides is what stands beside the entries (a scroll bar).
void WideEnoughForEveryEntry(QAbstractItemView& list, int besides)
{
    list.setMinimumWidth(list.sizeHintForColumn(0) + 2 * list.frameWidth() + besides);
}

} // namespace

QStringList FamilyNamesOnce(const QStringList& qtFamilies)
{
    QStringList names;
    for (const QString& family : qtFamilies)
        names.append(family.section(QStringLiteral(" ["), 0, 0));
    names.removeDuplicates();
    return names;
}

TFontColorDialog::TFontColorDialog(const TFontChoice& current, QWidget* parent)
    : QDialog(parent),
      initialFont_(current.Font),
      initialFamily_(current.Font.family()),
      initialSizeText_(SizeText(PointsOf(current.Font, logicalDpiY()))),
      color_(current.Color.isValid() ? current.Color : palette().color(QPalette::Text)),
      colorPicker_(AskColorFromQt)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(FontDialogTitle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    CmbFamily = new QComboBox(this);
    CmbFamily->setObjectName(QStringLiteral("CmbFamily"));
    CmbFamily->setEditable(true);
    CmbFamily->setInsertPolicy(QComboBox::NoInsert);
    CmbFamily->addItems(FamiliesOfThisMachine());
    CmbFamily->setMinimumWidth(220);
    WideEnoughForEveryEntry(*CmbFamily->view(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    LstStyle = new QListWidget(this);
    LstStyle->setObjectName(QStringLiteral("LstStyle"));
    const QStringList styleNames = {QStringLiteral("Обычный"), QStringLiteral("Курсив"), QStringLiteral("Полужирный"),
                                    QStringLiteral("Полужирный курсив")};
    for (int row = 0; row < styleNames.size(); ++row) {
        auto* item = new QListWidgetItem(styleNames.at(row), LstStyle);
        QFont itemFont = LstStyle->font();
        itemFont.setBold(IsBold(static_cast<TStyle>(row)));
        itemFont.setItalic(IsItalic(static_cast<TStyle>(row)));
        item->setFont(itemFont);
    }
    LstStyle->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LstStyle->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LstStyle->setFixedHeight(LstStyle->sizeHintForRow(0) * styleNames.size() + 2 * LstStyle->frameWidth() + 4);
    WideEnoughForEveryEntry(*LstStyle, 0);

    CmbSize = new QComboBox(this);
    CmbSize->setObjectName(QStringLiteral("CmbSize"));
    CmbSize->setEditable(true);
    CmbSize->setInsertPolicy(QComboBox::NoInsert);
    for (int size : QFontDatabase::standardSizes())
        CmbSize->addItem(QString::number(size));
    CmbSize->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}([.,]\\d?)?")), CmbSize));

    auto* familyLabel = new QLabel(QStringLiteral("&Шрифт:"), this);
    familyLabel->setBuddy(CmbFamily);
    auto* styleLabel = new QLabel(QStringLiteral("&Начертание:"), this);
    styleLabel->setBuddy(LstStyle);
    auto* sizeLabel = new QLabel(QStringLiteral("&Размер:"), this);
    sizeLabel->setBuddy(CmbSize);

    auto* choiceGrid = new QGridLayout;
    choiceGrid->addWidget(familyLabel, 0, 0);
    choiceGrid->addWidget(styleLabel, 0, 1);
    choiceGrid->addWidget(sizeLabel, 0, 2);
    choiceGrid->addWidget(CmbFamily, 1, 0, Qt::AlignTop);
    choiceGrid->addWidget(LstStyle, 1, 1, Qt::AlignTop);
    choiceGrid->addWidget(CmbSize, 1, 2, Qt::AlignTop);
    choiceGrid->setColumnStretch(0, 3);
    choiceGrid->setColumnStretch(1, 2);
    choiceGrid->setColumnStretch(2, 1);

    ChkStrikeOut = new QCheckBox(QStringLiteral("&Зачёркнутый"), this);
    ChkStrikeOut->setObjectName(QStringLiteral("ChkStrikeOut"));
    ChkUnderline = new QCheckBox(QStringLiteral("&Подчёркнутый"), this);
    ChkUnderline->setObjectName(QStringLiteral("ChkUnderline"));

    LblColorSwatch = new QLabel(this);
    LblColorSwatch->setObjectName(QStringLiteral("LblColorSwatch"));
    LblColorSwatch->setFixedSize(48, 20);
    LblColorSwatch->setFrameShape(QFrame::Box);
    LblColorSwatch->setAutoFillBackground(true);
    BtnColor = new QPushButton(QStringLiteral("Ц&вет..."), this);
    BtnColor->setObjectName(QStringLiteral("BtnColor"));
    BtnColor->setAutoDefault(false);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("Цвет:"), this));
    colorRow->addWidget(LblColorSwatch);
    colorRow->addWidget(BtnColor);
    colorRow->addStretch();

    auto* effects = new QGroupBox(QStringLiteral("Видоизменение"), this);
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(ChkStrikeOut);
    effectsLayout->addWidget(ChkUnderline);
    effectsLayout->addLayout(colorRow);

    LblSample = new QLabel(kSampleText, this);
    LblSample->setObjectName(QStringLiteral("LblSample"));
    LblSample->setAlignment(Qt::AlignCenter);
    LblSample->setMinimumSize(240, 60);
    auto* sample = new QGroupBox(QStringLiteral("Образец"), this);
    auto* sampleLayout = new QVBoxLayout(sample);
    sampleLayout->addWidget(LblSample);

    auto* lowerRow = new QHBoxLayout;
    lowerRow->addWidget(effects);
    lowerRow->addWidget(sample, 1);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choiceGrid);
    layout->addLayout(lowerRow);
    layout->addWidget(Buttons);

    // Fill the controls before wiring them, so that filling is not taken for
    // the user's choice.
    SetFamily(initialFamily_);
    SetStyle(StyleOf(initialFont_));
    CmbSize->setEditText(initialSizeText_);
    ChkUnderline->setChecked(initialFont_.underline());
    ChkStrikeOut->setChecked(initialFont_.strikeOut());
    SetColor(color_);

    connect(CmbFamily, &QComboBox::editTextChanged, this, [this] { UpdateSample(); });
    connect(CmbFamily, &QComboBox::currentIndexChanged, this, [this] { UpdateSample(); });
    connect(LstStyle, &QListWidget::currentRowChanged, this, [this] { UpdateSample(); });
    connect(CmbSize, &QComboBox::editTextChanged, this, [this] { UpdateSample(); });
    connect(ChkUnderline, &QCheckBox::toggled, this, [this] { UpdateSample(); });
    connect(ChkStrikeOut, &QCheckBox::toggled, this, [this] { UpdateSample(); });
    connect(BtnColor, &QPushButton::clicked, this, &TFontColorDialog::BtnColorClick);
    connect(Buttons, &QDialogButtonBox::accepted, this, &TFontColorDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TFontColorDialog::reject);

    UpdateSample();
    CmbFamily->setFocus();
}

QString TFontColorDialog::Family() const
{
    const QString typed = CmbFamily->currentText().trimmed();
    return typed.isEmpty() ? initialFamily_ : typed;
}

void TFontColorDialog::SetFamily(const QString& family)
{
    CmbFamily->setCurrentIndex(CmbFamily->findText(family.section(QStringLiteral(" ["), 0, 0)));
    // A face this machine lacks still shows under its own name, and is kept
    // unless the user picks another.
    CmbFamily->setEditText(family);
}

TFontColorDialog::TStyle TFontColorDialog::Style() const
{
    const int row = LstStyle->currentRow();
    return row < 0 ? StyleOf(initialFont_) : static_cast<TStyle>(row);
}

void TFontColorDialog::SetStyle(TStyle style) { LstStyle->setCurrentRow(static_cast<int>(style)); }

double TFontColorDialog::PointSize() const
{
    QString text = CmbSize->currentText().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double points = text.toDouble(&ok);
    return ok && points >= kMinPoints && points <= kMaxPoints ? points : 0;
}

void TFontColorDialog::SetPointSize(double points) { CmbSize->setEditText(SizeText(points)); }

bool TFontColorDialog::Underline() const { return ChkUnderline->isChecked(); }
void TFontColorDialog::SetUnderline(bool on) { ChkUnderline->setChecked(on); }
bool TFontColorDialog::StrikeOut() const { return ChkStrikeOut->isChecked(); }
void TFontColorDialog::SetStrikeOut(bool on) { ChkStrikeOut->setChecked(on); }

void TFontColorDialog::SetColor(const QColor& color)
{
    if (!color.isValid())
        return;
    color_ = color;
    QPalette swatch = LblColorSwatch->palette();
    swatch.setColor(QPalette::Window, color_);
    LblColorSwatch->setPalette(swatch);
    LblColorSwatch->setToolTip(color_.name());
    UpdateSample();
}

void TFontColorDialog::BtnColorClick()
{
    if (!colorPicker_)
        return;
    if (const std::optional<QColor> chosen = colorPicker_(this, color_))
        SetColor(*chosen);
}

TFontChoice TFontColorDialog::Choice() const
{
    QFont font = initialFont_;
    const QString family = Family();
    if (family != initialFamily_) {
        font.setFamilies({family});
        // Pitch and kind belonged to the old face.
        font.setStyleHint(QFont::AnyStyle);
        font.setFixedPitch(QFontDatabase::isFixedPitch(family));
        font.setStyleName(QString());
    }
    const TStyle style = Style();
    if (IsBold(style) != initialFont_.bold() || IsItalic(style) != initialFont_.italic()) {
        // A style name would override the weight and slant set here.
        font.setStyleName(QString());
        font.setBold(IsBold(style));
        font.setItalic(IsItalic(style));
    }
    // An untouched size keeps its unit, pixels or points.
    if (CmbSize->currentText().trimmed() != initialSizeText_ && PointSize() > 0)
        font.setPointSizeF(PointSize());
    font.setUnderline(Underline());
    font.setStrikeOut(StrikeOut());
    return TFontChoice{font, color_};
}

std::optional<TFontChoice> TFontColorDialog::Outcome() const
{
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return Choice();
}

void TFontColorDialog::accept()
{
    if (PointSize() <= 0) {
        QApplication::beep();
        CmbSize->setFocus();
        CmbSize->lineEdit()->selectAll();
        return;
    }
    QDialog::accept();
}

void TFontColorDialog::UpdateSample()
{
    if (!LblSample)
        return;
    const TFontChoice choice = Choice();
    LblSample->setFont(choice.Font);
    QPalette palette = LblSample->palette();
    palette.setColor(QPalette::WindowText, choice.Color);
    LblSample->setPalette(palette);
}

std::optional<TFontChoice> RunFontColorDialog(QWidget* parent, const TFontChoice& current)
{
    TFontColorDialog dialog(current, parent);
    if (parent)
        dialog.setWindowModality(Qt::WindowModal); // the help window stays usable
    dialog.exec();
    return dialog.Outcome();
}

} // namespace tainoteka
