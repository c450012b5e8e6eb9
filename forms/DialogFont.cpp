#include "DialogFont.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace tainoteka {
namespace {
constexpr qreal kSmallestPoints = 6.0;
constexpr int kSmallestPixels = 8;
} // namespace

QFont ClassicDialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QFont ShrunkToFit(QFont font, const std::function<bool(const QFont&)>& fits)
{
    while (!fits(font)) {
        if (font.pointSizeF() > 0) {
            if (font.pointSizeF() <= kSmallestPoints)
                break;
            font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
        } else {
            if (font.pixelSize() <= kSmallestPixels)
                break;
            font.setPixelSize(font.pixelSize() - 1);
        }
    }
    return font;
}

void FitDialogFontToLabels(QWidget& dialog, std::initializer_list<const QLabel*> labels)
{
    // A pixel or two over is rounding between font engines, not a wrong font.
    constexpr int kSlack = 2;
    dialog.setFont(ShrunkToFit(dialog.font(), [&labels](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        return std::all_of(labels.begin(), labels.end(), [&metrics](const QLabel* label) {
            return metrics.horizontalAdvance(label->text()) <= label->width() + kSlack;
        });
    }));
}

} // namespace tainoteka
