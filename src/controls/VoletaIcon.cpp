#include "controls/VoletaIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

constexpr int kIconSize = 128;

// Two overlapping lenses, red and cyan as in anaglyph glasses, with a "V" standing
// out of them in relief, drawn at size x size on `ground`. No text, so no font is needed.
QImage drawIcon(int size, const QColor& ground)
{
    QImage image(size, size, ground.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size) / kIconSize, double(size) / kIconSize);

    // The lenses: multiplied over each other, so their overlap turns dark.
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 64, 64));
    p.drawEllipse(QPointF(44, 60), 36, 36);
    p.setBrush(QColor(40, 196, 236));
    p.drawEllipse(QPointF(84, 60), 36, 36);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // The "V": a dark extrusion behind a golden front face.
    const QPolygonF v({ { 26, 20 }, { 48, 20 }, { 64, 72 }, { 80, 20 }, { 102, 20 }, { 74, 108 }, { 54, 108 } });
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 60));
    for (int step = 6; step >= 1; --step)
        p.drawPolygon(v.translated(step, step));
    QLinearGradient face(QPointF(0, 20), QPointF(0, 108));
    face.setColorAt(0, QColor(255, 224, 96));
    face.setColorAt(1, QColor(236, 156, 24));
    p.setBrush(face);
    p.setPen(QPen(QColor(40, 40, 60), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(v);
    p.end();
    return image;
}

// The "white is transparent" flag: every pure white pixel gets alpha 0.
QImage whiteTransparent(const QImage& picture)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0x00ffffff) == 0x00ffffff) row[x] = 0x00ffffff;
    }
    return out;
}

} // namespace

const QImage& VoletaICon()
{
    static const QImage icon = whiteTransparent(drawIcon(kIconSize, Qt::white));
    return icon;
}

QImage voletaIconAt(int size)
{
    // Multiplying over a transparent ground leaves each lens its own colour, so the
    // picture matches the white-ground one wherever it is opaque.
    return drawIcon(size, Qt::transparent).convertToFormat(QImage::Format_ARGB32);
}
