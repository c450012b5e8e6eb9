// Paints Тайнотека's artwork and writes it under the resources folder given
// as the only argument: the 32 menu and toolbar images, the application and
// .txtp icons in every size, their SVG masters and the Windows .ico file.
// Output is deterministic, so a rerun changes no file unless the art changed.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// One palette for everything; a letter in the pixel maps picks a colour.
QColor colourOf(char key)
{
    switch (key) {
    case 'K': return QColor(0x2b, 0x32, 0x40); // outline ink
    case 'W': return QColor(0xff, 0xff, 0xff); // paper
    case 'w': return QColor(0xdc, 0xe4, 0xee); // paper in shadow
    case 'L': return QColor(0x93, 0xa3, 0xb8); // text lines on paper
    case 'g': return QColor(0xc0, 0xc7, 0xd1); // light metal
    case 'G': return QColor(0x74, 0x7f, 0x90); // dark metal
    case 'B': return QColor(0x2f, 0x6f, 0xce); // blue
    case 'b': return QColor(0x9c, 0xc0, 0xf2); // light blue
    case 'Y': return QColor(0xf4, 0xc4, 0x3c); // gold
    case 'y': return QColor(0xd6, 0x9a, 0x2a); // ochre
    case 'R': return QColor(0xd8, 0x44, 0x3c); // red
    case 'N': return QColor(0x3a, 0xa0, 0x4a); // green
    case 'O': return QColor(0xa8, 0x6b, 0x32); // wood, dark
    case 'o': return QColor(0xd6, 0xa0, 0x5e); // wood
    default: return Qt::transparent;
    }
}

using PixelMap = std::array<const char*, 16>;

// 16-pixel art is drawn pixel by pixel, without antialiasing, so every edge
// lands exactly where the map puts it.
QImage paintPixels(const PixelMap& map)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int y = 0; y < 16; ++y) {
        const char* row = map[y];
        if (std::strlen(row) != 16) {
            std::fprintf(stderr, "pixel map row %d is not 16 wide: %s\n", y, row);
            std::exit(1);
        }
        for (int x = 0; x < 16; ++x)
            if (row[x] != '.')
                painter.fillRect(x, y, 1, 1, colourOf(row[x]));
    }
    return image;
}

// A disabled button's look: grey, pushed towards white, same alpha.
QImage greyed(const QImage& source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0)
                continue;
            const int luma = qGray(line[x]);
            const int v = 255 - (255 - luma) / 2;
            line[x] = qRgba(v, v, v, alpha);
        }
    }
    return image;
}

QImage blank16()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// ---------------------------------------------------------------- 16-px art

const PixelMap kNew = {
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKbK....",
    "..KWWWWWWKbbK...",
    "..KWWWWWWKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
};

const PixelMap kOpen = {
    "................",
    "................",
    ".KKKK...........",
    "KyyyyKKKKKKKK...",
    "KyyyyyyyyyyyK...",
    "KyyyyyyyyyyyK...",
    "KyyyKKKKKKKKKKKK",
    "KyyKYYYYYYYYYYYK",
    "KyyKYYYYYYYYYYK.",
    "KyKYYYYYYYYYYYK.",
    "KyKYYYYYYYYYYK..",
    "KKYYYYYYYYYYYK..",
    "KKYYYYYYYYYYK...",
    "KKKKKKKKKKKKK...",
    "................",
    "................",
};

const PixelMap kSave = {
    "................",
    ".KKKKKKKKKKKKK..",
    ".KBBggggGGgBBBK.",
    ".KBBggggGGgBBBK.",
    ".KBBggggGGgBBBK.",
    ".KBBggggggggBBK.",
    ".KBBBBBBBBBBBBK.",
    ".KBBBBBBBBBBBBK.",
    ".KBWWWWWWWWWWBK.",
    ".KBWLLLLLLLLWBK.",
    ".KBWWWWWWWWWWBK.",
    ".KBWLLLLLLLLWBK.",
    ".KBWWWWWWWWWWBK.",
    ".KBWWWWWWWWWWBK.",
    ".KKKKKKKKKKKKKK.",
    "................",
};

const PixelMap kCut = {
    "....K......K....",
    "....KK....KK....",
    ".....Kg..gK.....",
    ".....Kg..gK.....",
    "......Kg.gK.....",
    "......KgGK......",
    "......KGgK......",
    ".....KgKKgK.....",
    "....KgK..KgK....",
    "..KKKK....KKKK..",
    ".KRRRRK..KRRRRK.",
    "KRRKKRK..KRKKRRK",
    "KRK..RK..KR..KRK",
    "KRRKKRK..KRKKRRK",
    ".KRRRK....KRRRK.",
    "..KKK......KKK..",
};

const PixelMap kCopy = {
    "................",
    ".KKKKKKKK.......",
    ".KwwwwwwK.......",
    ".KwLLLLwK.......",
    ".KwwwwwwK.......",
    ".KwLLLKKKKKKKK..",
    ".KwwwwKWWWWWWK..",
    ".KwLLLKWLLLLWK..",
    ".KwwwwKWWWWWWK..",
    ".KwLLLKWLLLLWK..",
    ".KKKKKKWWWWWWK..",
    "......KWLLLLWK..",
    "......KWWWWWWK..",
    "......KWLLWWWK..",
    "......KWWWWWWK..",
    "......KKKKKKKK..",
};

const PixelMap kPaste = {
    ".....KKKKK......",
    ".KKKKKgggKKKKK..",
    ".KooKKKKKKKooK..",
    ".KoooooooooooK..",
    ".KoooooooooooK..",
    ".KooooKKKKKKKKK.",
    ".KooooKWWWWWWWK.",
    ".KooooKWLLLLLWK.",
    ".KooooKWWWWWWWK.",
    ".KooooKWLLLLLWK.",
    ".KooooKWWWWWWWK.",
    ".KooooKWLLLLLWK.",
    ".KooooKWWWWWWWK.",
    ".KooooKWLLLWWWK.",
    ".KooooKWWWWWWWK.",
    ".KKKKKKKKKKKKKK.",
};

const PixelMap kClipboardSwitch = {
    "....KKKKK.......",
    "KKKKKgggKKKKK...",
    "KooKKKKKKKooK...",
    "KoooooooooooK...",
    "KoooooooooooK...",
    "KoooooooooooK...",
    "KoooooooooooK...",
    "KooooooooKKKKK..",
    "KoooooooKNNNNNK.",
    "KooooooKNNNWNNNK",
    "KooooooKNWNWNWNK",
    "KooooooKNWNWNWNK",
    "KooooooKNWNNNWNK",
    "KKKKKKKKNNWWWNNK",
    "........KNNNNNK.",
    ".........KKKKK..",
};

const PixelMap kPassword = {
    "................",
    "................",
    "................",
    "................",
    "..KKKK..........",
    ".KYYYYK.........",
    "KYYKKYYKKKKKKKK.",
    "KYK..KYYYYYYYYYK",
    "KYK..KYYYYYYYYYK",
    "KYYKKYYKKKYKKYK.",
    ".KYYYYK..KYKKYK.",
    "..KKKK...KKKKKK.",
    "................",
    "................",
    "................",
    "................",
};

const PixelMap kAbout = {
    "................",
    ".....KKKKKK.....",
    "...KKBBBBBBKK...",
    "..KBBBBWWBBBBK..",
    "..KBBBBWWBBBBK..",
    ".KBBBBBBBBBBBBK.",
    ".KBBBBWWWBBBBBK.",
    ".KBBBBBWWBBBBBK.",
    ".KBBBBBWWBBBBBK.",
    ".KBBBBBWWBBBBBK.",
    ".KBBBBBWWBBBBBK.",
    "..KBBBWWWWBBBK..",
    "..KBBBBBBBBBBK..",
    "...KKBBBBBBKK...",
    ".....KKKKKK.....",
    "................",
};

const PixelMap kFont = {
    ".......KK.......",
    "......KKKK......",
    "......KKKK......",
    ".....KK..KK.....",
    ".....KK..KK.....",
    "....KK....KK....",
    "....KKKKKKKK....",
    "...KK......KK...",
    "...KK......KK...",
    "..KK........KK..",
    ".KKKK......KKKK.",
    "................",
    ".KKKKKKKKKKKKKK.",
    ".KRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRK.",
    ".KKKKKKKKKKKKKK.",
};

const PixelMap kToolbarLeft = {
    "................",
    ".KKKKKKKKKKKKKK.",
    ".KBBBKWWWWWWWWK.",
    ".KBbBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBbBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBbBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KBBBKWWWWWWWWK.",
    ".KKKKKKKKKKKKKK.",
    "................",
};

const PixelMap kHelp = {
    "................",
    ".....KKKKKK.....",
    "...KKNNNNNNKK...",
    "..KNNNWWWWNNNK..",
    "..KNNWWNNWWNNK..",
    ".KNNNNNNNWWNNNK.",
    ".KNNNNNNWWNNNNK.",
    ".KNNNNNWWNNNNNK.",
    ".KNNNNNWWNNNNNK.",
    ".KNNNNNNNNNNNNK.",
    ".KNNNNNWWNNNNNK.",
    "..KNNNNWWNNNNK..",
    "..KNNNNNNNNNNK..",
    "...KKNNNNNNKK...",
    ".....KKKKKK.....",
    "................",
};

// The application icon and the .txtp icon at 16 pixels, where a scaled-down
// drawing would blur.
const PixelMap kAppIcon16 = {
    "KKKKKKKKK.......",
    "KWWWWWWWKK......",
    "KWLLLLLWKbK.....",
    "KWWWWWWWKbbK....",
    "KWLLLLLLKKKKK...",
    "KWWWWWWWKKKKKK..",
    "KWLLLLLKggggggK.",
    "KWWWWWWKgKKKKgK.",
    "KWLLLLWKgKWWKgK.",
    "KWWWWWKKKKKKKKKK",
    "KWLLLWKYYYYYYYYK",
    "KWWWWWKYYYKKYYYK",
    "KWLLLWKYYYKKYYYK",
    "KWWWWWKYYYKKYYYK",
    "KWWWWWKYYYYYYYYK",
    "KKKKKKKKKKKKKKKK",
};

const PixelMap kDocIcon16 = {
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWLLLLWKbK....",
    "..KWWWWWWKbbK...",
    "..KWLLLLLKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWLLLLLLLLWK..",
    "..KWWWWWWWWWWK..",
    "..KWLLLWWGGGWK..",
    "..KWWWWWGWWWGK..",
    "..KWLLLWGWWWGK..",
    "..KWWWWKKKKKKK..",
    "..KWLLLKYYKYYK..",
    "..KWWWWKYYKYYK..",
    "..KWWWWKYYYYYK..",
    "..KKKKKKKKKKKK..",
};

// The toolbar images differ only in which edge carries the bar.
QImage rotated(const QImage& image, int quarterTurns)
{
    QTransform turn;
    turn.rotate(90 * quarterTurns);
    return image.transformed(turn);
}

// ----------------------------------------------------------- vector artwork
//
// The large icons are drawn from one geometry on a 256-unit square. The same
// drawing calls feed either a QPainter (PNG at any size, edges snapped to
// whole pixels) or an SVG writer (the scalable master).

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void rect(const QRectF& r, double radius, const QColor& colour) = 0;
    virtual void ellipse(const QRectF& r, const QColor& colour) = 0;
    virtual void polygon(const QPolygonF& points, const QColor& colour) = 0;
    // A U-shaped band: the shackle of a padlock.
    virtual void arch(double cx, double top, double bottom, double halfWidth, double thickness,
                      const QColor& colour) = 0;
};

class RasterCanvas : public Canvas {
public:
    explicit RasterCanvas(QImage* image) : painter_(image)
    {
        painter_.setRenderHint(QPainter::Antialiasing, true);
        painter_.setPen(Qt::NoPen);
    }
    void rect(const QRectF& r, double radius, const QColor& colour) override
    {
        painter_.setBrush(colour);
        if (radius > 0)
            painter_.drawRoundedRect(r, radius, radius);
        else
            painter_.drawRect(r);
    }
    void ellipse(const QRectF& r, const QColor& colour) override
    {
        painter_.setBrush(colour);
        painter_.drawEllipse(r);
    }
    void polygon(const QPolygonF& points, const QColor& colour) override
    {
        painter_.setBrush(colour);
        painter_.drawPolygon(points);
    }
    void arch(double cx, double top, double bottom, double halfWidth, double thickness,
              const QColor& colour) override
    {
        QPainterPath path;
        path.moveTo(cx - halfWidth, bottom);
        path.lineTo(cx - halfWidth, top + halfWidth);
        path.arcTo(QRectF(cx - halfWidth, top, 2 * halfWidth, 2 * halfWidth), 180, -180);
        path.lineTo(cx + halfWidth, bottom);
        QPen pen(colour, thickness, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(path);
        painter_.setPen(Qt::NoPen);
    }

private:
    QPainter painter_;
};

QString number(double v)
{
    return QString::number(std::round(v * 100) / 100, 'g', 8);
}

class SvgCanvas : public Canvas {
public:
    void rect(const QRectF& r, double radius, const QColor& colour) override
    {
        body_ += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
                     .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
        if (radius > 0)
            body_ += QStringLiteral(" rx=\"%1\"").arg(number(radius));
        body_ += QStringLiteral(" fill=\"%1\"/>\n").arg(colour.name());
    }
    void ellipse(const QRectF& r, const QColor& colour) override
    {
        body_ += QStringLiteral("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"%5\"/>\n")
                     .arg(number(r.center().x()), number(r.center().y()), number(r.width() / 2),
                          number(r.height() / 2), colour.name());
    }
    void polygon(const QPolygonF& points, const QColor& colour) override
    {
        QStringList coords;
        for (const QPointF& p : points)
            coords << number(p.x()) + QLatin1Char(',') + number(p.y());
        body_ += QStringLiteral("  <polygon points=\"%1\" fill=\"%2\"/>\n")
                     .arg(coords.join(QLatin1Char(' ')), colour.name());
    }
    void arch(double cx, double top, double bottom, double halfWidth, double thickness,
              const QColor& colour) override
    {
        body_ += QStringLiteral("  <path d=\"M %1,%2 V %3 A %4,%4 0 0 1 %5,%3 V %2\" fill=\"none\" "
                                "stroke=\"%6\" stroke-width=\"%7\"/>\n")
                     .arg(number(cx - halfWidth), number(bottom), number(top + halfWidth),
                          number(halfWidth), number(cx + halfWidth), colour.name(),
                          number(thickness));
    }
    QString document(const QString& title) const
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" "
                              "height=\"256\" viewBox=\"0 0 256 256\">\n"
                              "  <title>%1</title>\n%2</svg>\n")
            .arg(title, body_);
    }

private:
    QString body_;
};

// Maps the 256-unit design square onto the output. Straight edges snap to
// whole pixels so small sizes stay crisp; the outline keeps a whole width.
struct Frame {
    double scale;     // output units per design unit
    bool snap;        // round straight edges to whole output units
    double outline;   // outline width in output units

    double at(double u) const { return snap ? std::round(u * scale) : u * scale; }
    QRectF box(double l, double t, double r, double b) const
    {
        return QRectF(QPointF(at(l), at(t)), QPointF(at(r), at(b)));
    }
};

// Moves every edge of a convex polygon inwards by d.
QPolygonF inset(const QPolygonF& polygon, double d)
{
    const int n = polygon.size();
    QPointF centre;
    for (const QPointF& p : polygon)
        centre += p / n;
    std::vector<std::pair<QPointF, QPointF>> lines; // point, direction
    for (int i = 0; i < n; ++i) {
        const QPointF a = polygon[i], b = polygon[(i + 1) % n];
        QPointF dir = b - a;
        dir /= std::hypot(dir.x(), dir.y());
        QPointF normal(-dir.y(), dir.x());
        if (QPointF::dotProduct(normal, centre - a) < 0)
            normal = -normal;
        lines.push_back({a + normal * d, dir});
    }
    QPolygonF result;
    for (int i = 0; i < n; ++i) {
        const auto& [p1, d1] = lines[(i + n - 1) % n];
        const auto& [p2, d2] = lines[i];
        const double cross = d1.x() * d2.y() - d1.y() * d2.x();
        const QPointF diff = p2 - p1;
        const double t = (diff.x() * d2.y() - diff.y() * d2.x()) / cross;
        result << p1 + d1 * t;
    }
    return result;
}

const QColor kInk = colourOf('K');

void outlinedRect(Canvas& c, const Frame& f, QRectF r, double radius, const QColor& fill)
{
    c.rect(r, radius, kInk);
    const double w = f.outline;
    c.rect(r.adjusted(w, w, -w, -w), std::max(0.0, radius - w), fill);
}

void outlinedPolygon(Canvas& c, const Frame& f, const QPolygonF& p, const QColor& fill)
{
    c.polygon(p, kInk);
    c.polygon(inset(p, f.outline), fill);
}

// A sheet of paper with its top right corner folded down and lines of text.
// Each line is (top, right end); all start at the same left margin.
void paintPage(Canvas& c, const Frame& f, double l, double t, double r, double b, double fold,
               const std::vector<std::pair<double, double>>& lines)
{
    const double L = f.at(l), T = f.at(t), R = f.at(r), B = f.at(b), F = f.at(fold);
    outlinedPolygon(c, f, QPolygonF({{L, T}, {R - F, T}, {R, T + F}, {R, B}, {L, B}}),
                    colourOf('W'));
    outlinedPolygon(c, f, QPolygonF({{R - F, T}, {R - F, T + F}, {R, T + F}}), colourOf('b'));
    const double height = std::max(f.outline, std::round(f.scale * 12));
    for (const auto& [y, right] : lines) {
        const double top = f.at(y);
        c.rect(QRectF(QPointF(f.at(l + 24), top), QPointF(f.at(right), top + height)), 0,
               colourOf('L'));
    }
}

// A gold padlock: body box in design units, shackle above it.
void paintPadlock(Canvas& c, const Frame& f, double l, double t, double r, double b,
                  double radius, double shackleHalfWidth, double shackleTop, double shackleThickness)
{
    const double cx = (f.at(l) + f.at(r)) / 2;
    const double thick = f.snap ? std::max(1.0, std::round(shackleThickness * f.scale))
                                : shackleThickness;
    const double band = thick + 2 * f.outline;
    // Put the band's outer edges on whole pixels, else its outline smears.
    const double outerLeft = cx - shackleHalfWidth * f.scale - band / 2;
    double hw = shackleHalfWidth * f.scale;
    double top = shackleTop * f.scale;
    if (f.snap) {
        const double edge = std::round(outerLeft);
        hw = cx - (edge + band / 2);
        top = std::round(top - band / 2) + band / 2;
    }
    const double bottom = f.at(t) + f.outline;
    c.arch(cx, top, bottom, hw, band, kInk);
    c.arch(cx, top, bottom, hw, thick, colourOf('g'));
    outlinedRect(c, f, f.box(l, t, r, b), radius * f.scale, colourOf('Y'));
    // Keyhole: a round head and a slot below it.
    const double bodyWidth = f.at(r) - f.at(l);
    const double bodyHeight = f.at(b) - f.at(t);
    double head = std::max(2.0, std::round(bodyHeight * 0.26));
    double slot = std::max(1.0, std::round(head * 0.45));
    if (f.snap) {
        // Same parity as the body, so both sit exactly in the middle.
        if (int(head - bodyWidth) % 2)
            head += 1;
        if (int(slot - bodyWidth) % 2)
            slot += 1;
    }
    const double headTop = f.at(t) + std::round(bodyHeight * 0.28);
    const double slotHeight = std::round(bodyHeight * 0.30);
    if (f.snap && bodyHeight < 8) {
        // Too small for a head: a plain slot reads better than a blot.
        c.rect(QRectF(cx - slot / 2, f.at(t) + std::round(bodyHeight * 0.3), slot,
                      std::round(bodyHeight * 0.45)),
               0, kInk);
        return;
    }
    c.ellipse(QRectF(cx - head / 2, headTop, head, head), kInk);
    c.rect(QRectF(cx - slot / 2, headTop + head / 2, slot, slotHeight), 0, kInk);
}

void paintAppIcon(Canvas& c, const Frame& f)
{
    // The page's right edge hides under the shackle's right leg, so only
    // paper shows through the shackle.
    paintPage(c, f, 24, 8, 200, 232, 48,
              {{56, 128}, {88, 176}, {120, 176}, {152, 72}, {184, 72}, {208, 64}});
    paintPadlock(c, f, 88, 144, 248, 248, 20, 44, 80, 22);
}

void paintDocIcon(Canvas& c, const Frame& f)
{
    paintPage(c, f, 36, 8, 220, 248, 60,
              {{72, 136}, {104, 196}, {136, 196}, {168, 132}, {200, 132}});
    paintPadlock(c, f, 148, 180, 248, 248, 12, 30, 124, 14);
}

QImage paintVector(const std::function<void(Canvas&, const Frame&)>& paint, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        RasterCanvas canvas(&image);
        const Frame frame{size / 256.0, true, std::max(1.0, std::floor(size / 32.0))};
        paint(canvas, frame);
    }
    return image;
}

QString svgOf(const std::function<void(Canvas&, const Frame&)>& paint, const QString& title)
{
    SvgCanvas canvas;
    paint(canvas, Frame{1.0, false, 8.0});
    return canvas.document(title);
}

// ------------------------------------------------------------------ output

void fail(const QString& what)
{
    std::fprintf(stderr, "make-images: %s\n", qPrintable(what));
    std::exit(1);
}

void savePng(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG"))
        fail(QStringLiteral("cannot write ") + path);
}

void saveText(const QString& text, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("cannot write ") + path);
    file.write(text.toUtf8());
}

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, quint16(v & 0xffff));
    put16(out, quint16(v >> 16));
}

// Windows icon: 32-bit bitmaps with an AND mask below 256 pixels, which
// every Windows version reads, and PNG for the 256-pixel image.
QByteArray icoOf(const std::vector<QImage>& images)
{
    std::vector<QByteArray> blobs;
    for (const QImage& source : images) {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        const int n = image.width();
        QByteArray blob;
        if (n >= 256) {
            QBuffer buffer(&blob);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        } else {
            const int maskStride = ((n + 31) / 32) * 4;
            put32(blob, 40);
            put32(blob, n);
            put32(blob, 2 * n);
            put16(blob, 1);
            put16(blob, 32);
            put32(blob, 0);
            put32(blob, n * n * 4 + maskStride * n);
            for (int i = 0; i < 4; ++i)
                put32(blob, 0);
            for (int y = n - 1; y >= 0; --y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < n; ++x) {
                    blob.append(char(qBlue(line[x])));
                    blob.append(char(qGreen(line[x])));
                    blob.append(char(qRed(line[x])));
                    blob.append(char(qAlpha(line[x])));
                }
            }
            for (int y = n - 1; y >= 0; --y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                QByteArray row(maskStride, '\0');
                for (int x = 0; x < n; ++x)
                    if (qAlpha(line[x]) == 0)
                        row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
                blob.append(row);
            }
        }
        blobs.push_back(blob);
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int n = images[i].width();
        out.append(char(n >= 256 ? 0 : n));
        out.append(char(n >= 256 ? 0 : n));
        out.append(char(0));
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(blobs[i].size()));
        put32(out, offset);
        offset += quint32(blobs[i].size());
    }
    for (const QByteArray& blob : blobs)
        out.append(blob);
    return out;
}

struct ListImage {
    int index;
    const char* name;
    QImage image;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-images RESOURCES_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);

    // The image list: every even index is an image, the odd one after it its
    // greyed variant. 12 and 13 have no image.
    const QImage toolbarLeft = paintPixels(kToolbarLeft);
    const std::vector<std::pair<const char*, QImage>> originals = {
        {"new", paintPixels(kNew)},
        {"open", paintPixels(kOpen)},
        {"save", paintPixels(kSave)},
        {"cut", paintPixels(kCut)},
        {"copy", paintPixels(kCopy)},
        {"paste", paintPixels(kPaste)},
        {"unused", QImage()},
        {"clipboard-switch", paintPixels(kClipboardSwitch)},
        {"password", paintPixels(kPassword)},
        {"about", paintPixels(kAbout)},
        {"font", paintPixels(kFont)},
        {"toolbar-left", toolbarLeft},
        {"toolbar-top", rotated(toolbarLeft, 1).mirrored(true, false)},
        {"toolbar-right", toolbarLeft.mirrored(true, false)},
        {"toolbar-bottom", rotated(toolbarLeft, 1).mirrored(true, true)},
        {"help", paintPixels(kHelp)},
    };
    for (size_t i = 0; i < originals.size(); ++i) {
        const auto& [name, image] = originals[i];
        const int index = int(i) * 2;
        const QString base = QStringLiteral("%1/images/%2-%3")
                                 .arg(root)
                                 .arg(index, 2, 10, QLatin1Char('0'))
                                 .arg(QLatin1String(name));
        if (image.isNull()) {
            savePng(blank16(), base + QStringLiteral(".png"));
            savePng(blank16(), QStringLiteral("%1/images/%2-unused.png")
                                   .arg(root)
                                   .arg(index + 1, 2, 10, QLatin1Char('0')));
            continue;
        }
        savePng(image, base + QStringLiteral(".png"));
        savePng(greyed(image), QStringLiteral("%1/images/%2-%3-disabled.png")
                                   .arg(root)
                                   .arg(index + 1, 2, 10, QLatin1Char('0'))
                                   .arg(QLatin1String(name)));
    }

    // The icons: hand-set at 16 pixels, drawn from the geometry above that.
    struct Icon {
        const char* context;
        const char* name;
        const PixelMap* small;
        void (*paint)(Canvas&, const Frame&);
        const char* title;
    };
    const Icon icons[] = {
        {"apps", "tainoteka", &kAppIcon16, paintAppIcon, "Тайнотека"},
        {"mimetypes", "application-x-txtp", &kDocIcon16, paintDocIcon, "Тайнотека document"},
    };
    const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    for (const Icon& icon : icons) {
        std::vector<QImage> all;
        for (int size : sizes) {
            const QImage image = size == 16 ? paintPixels(*icon.small) : paintVector(icon.paint, size);
            savePng(image, QStringLiteral("%1/icons/hicolor/%2x%2/%3/%4.png")
                               .arg(root)
                               .arg(size)
                               .arg(QLatin1String(icon.context), QLatin1String(icon.name)));
            all.push_back(image);
        }
        saveText(svgOf(icon.paint, QString::fromUtf8(icon.title)),
                 QStringLiteral("%1/icons/hicolor/scalable/%2/%3.svg")
                     .arg(root, QLatin1String(icon.context), QLatin1String(icon.name)));
        if (QLatin1String(icon.context) == QLatin1String("apps")) {
            QFile ico(root + QStringLiteral("/tainoteka.ico"));
            if (!ico.open(QIODevice::WriteOnly | QIODevice::Truncate))
                fail(QStringLiteral("cannot write ") + ico.fileName());
            ico.write(icoOf(all));
        }
    }
    return 0;
}
