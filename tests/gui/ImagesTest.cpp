// The menu and toolbar image list and the application icon, read back from
// the compiled-in resources exactly as the windows load them.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

// The resources live in a static library; naming them here pulls them in.
static void registerResources()
{
    static const bool once = [] {
        Q_INIT_RESOURCE(tainoteka);
        return true;
    }();
    (void)once;
}

namespace {

// Indexes that menu items or toolbar buttons show; the others only keep the
// list complete.
const std::vector<int> kUsed = {0, 2, 4, 6, 8, 10, 14, 16, 18, 20, 22, 24, 26, 28, 30};

bool isUsed(int index)
{
    for (int used : kUsed)
        if (used == index)
            return true;
    return false;
}

QImage listImage(int index)
{
    registerResources();
    return QImage(QStringLiteral(":/images/%1.png").arg(index, 2, 10, QLatin1Char('0')));
}

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ++count;
    return count;
}

// Mean over the visible pixels, each weighted by its opacity.
template <typename Measure>
double visibleMean(const QImage& image, Measure measure)
{
    double sum = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            sum += measure(colour) * colour.alphaF();
            weight += colour.alphaF();
        }
    return weight > 0 ? sum / weight : 0;
}

double saturation(const QImage& image)
{
    return visibleMean(image, [](const QColor& c) { return c.hsvSaturationF(); });
}

double lightness(const QImage& image)
{
    return visibleMean(image, [](const QColor& c) { return c.lightnessF(); });
}

bool sameAlphaShape(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (qAlpha(a.pixel(x, y)) != qAlpha(b.pixel(x, y)))
                return false;
    return true;
}

int differingPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++count;
    return count;
}

TEST(ImagesTest, AllThirtyTwoLoadAsSixteenPixelSquaresWithAlpha)
{
    for (int index = 0; index < 32; ++index) {
        SCOPED_TRACE(index);
        const QImage image = listImage(index);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(16, 16));
        EXPECT_TRUE(image.hasAlphaChannel());
    }
}

TEST(ImagesTest, UsedImagesHaveContentAndTransparentSurroundings)
{
    for (int index : kUsed) {
        SCOPED_TRACE(index);
        const int opaque = opaquePixels(listImage(index));
        EXPECT_GT(opaque, 16 * 16 / 4);
        EXPECT_LT(opaque, 16 * 16);
    }
}

TEST(ImagesTest, UsedImagesDifferFromEachOther)
{
    for (size_t i = 0; i < kUsed.size(); ++i)
        for (size_t j = i + 1; j < kUsed.size(); ++j) {
            SCOPED_TRACE(testing::Message() << kUsed[i] << " vs " << kUsed[j]);
            EXPECT_GT(differingPixels(listImage(kUsed[i]), listImage(kUsed[j])), 16);
        }
}

TEST(ImagesTest, EachGreyedVariantIsPalerAndGreyerWithTheSameOutline)
{
    int checked = 0;
    for (int index = 1; index < 32; index += 2) {
        if (!isUsed(index - 1))
            continue;
        SCOPED_TRACE(index);
        const QImage original = listImage(index - 1);
        const QImage greyed = listImage(index);
        EXPECT_LT(saturation(greyed), saturation(original));
        EXPECT_GT(lightness(greyed), lightness(original));
        EXPECT_TRUE(sameAlphaShape(greyed, original));
        ++checked;
    }
    // Every toolbar button's disabled image is among them.
    for (int index : {1, 3, 5, 7, 9, 11, 17, 21})
        EXPECT_TRUE(isUsed(index - 1)) << index;
    EXPECT_EQ(checked, int(kUsed.size()));
}

TEST(ImagesTest, ToolbarPlacementImagesPutTheBarOnTheirOwnEdge)
{
    // 22 left, 24 top, 26 right, 28 bottom: the bar's colour weighs most on
    // that edge's outer strip.
    struct Edge {
        int index;
        QRect strip;
    };
    const Edge edges[] = {{22, QRect(0, 0, 5, 16)},
                          {24, QRect(0, 0, 16, 5)},
                          {26, QRect(11, 0, 5, 16)},
                          {28, QRect(0, 11, 16, 5)}};
    auto saturatedIn = [](const QImage& image, const QRect& strip) {
        int count = 0;
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x = strip.left(); x <= strip.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 0 && c.hsvSaturationF() > 0.4)
                    ++count;
            }
        return count;
    };
    for (const Edge& edge : edges) {
        SCOPED_TRACE(edge.index);
        const QImage image = listImage(edge.index);
        const int own = saturatedIn(image, edge.strip);
        EXPECT_GT(own, 10);
        for (const Edge& other : edges) {
            if (other.index != edge.index) {
                EXPECT_GT(own, saturatedIn(image, other.strip)) << "edge of " << other.index;
            }
        }
    }
}

TEST(ImagesTest, ApplicationIconLoadsInEverySize)
{
    registerResources();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage icon(QStringLiteral(":/icons/tainoteka-%1.png").arg(size));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_GT(opaquePixels(icon), size * size / 3);
        EXPECT_GT(saturation(icon), 0.1);
    }
}

} // namespace
