#include "render/Engine.h"

#include "render/RowKernels.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>

namespace render {

namespace {

    constexpr int kSeedLeft = 600; // first column of the seed: two strips, 600 .. 1239

    // The zoom divisor s of a zoom list row; rows outside 0..5 are taken as the nearest.
    double zoomDivisor(int zoomRow)
    {
        return std::clamp(zoomRow, 0, 5) + 2.0;
    }

    // The picture as Format_RGB32: the same image when it already is, a converted copy
    // otherwise.
    QImage asRgb32(const QImage& image)
    {
        return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    }

    const uint32_t* pixelRow(const QImage& image, int y)
    {
        return reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    }

    void ensurePicture(QImage& picture)
    {
        if (picture.width() != kPictureWidth || picture.height() != kWorkHeight)
            picture = QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        else if (picture.format() != QImage::Format_RGB32)
            picture.convertTo(QImage::Format_RGB32);
    }

} // namespace

// ---- The map crop -------------------------------------------------------------

QRect mapCrop(QSize map, int zoomRow, QPoint pan)
{
    const double s = zoomDivisor(zoomRow);
    const double w = map.width();
    const double h = map.height();
    // Offsets not yet pulled into the map may be anything: keep the conversion defined.
    const int sx = static_cast<int>(std::clamp((w / 2.0 - w / s) + pan.x(), -1e9, 1e9));
    const int sy = static_cast<int>(std::clamp((h / 2.0 - h / s) + pan.y(), -1e9, 1e9));
    const int sw = static_cast<int>((w / s) * 2.0);
    const int sh = static_cast<int>((h / s) * 2.0);
    return { sx, sy, sw, sh };
}

QPoint clampPan(QSize map, int zoomRow, QPoint pan)
{
    const double s = zoomDivisor(zoomRow);
    const double w = map.width();
    const double h = map.height();
    double x1 = pan.x();
    double y1 = pan.y();
    if ((h / 2.0 - h / s) + y1 < 0) y1 = static_cast<int>(h / s - h / 2.0);
    if ((w / 2.0 - w / s) + x1 < 0) x1 = static_cast<int>(w / s - w / 2.0);
    if (h < ((h / 2.0 - h / s) + y1) + (h / s) * 2.0) y1 = static_cast<int>(((h - h / 2.0) + h / s) - (h / s) * 2.0);
    if (w < ((w / 2.0 - w / s) + x1) + (w / s) * 2.0) x1 = static_cast<int>(((w - w / 2.0) + w / s) - (w / s) * 2.0);
    return { static_cast<int>(x1), static_cast<int>(y1) };
}

QImage drawMapCrop(const QImage& map, QRect crop, bool keepAspect)
{
    if (map.isNull() || crop.width() <= 0 || crop.height() <= 0) return {};
    QImage out(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(keepAspect ? fittedArea(crop.size()) : QRect(0, 0, kWorkWidth, kWorkHeight), map, crop);
    return out;
}

QRect fittedArea(QSize size)
{
    if (size.isEmpty()) return {};
    const qint64 w = size.width(), h = size.height();
    // Wider than the area's 5 : 4 fills its width, otherwise its height; integer
    // arithmetic, rounded half up, so the same size always gives the same rectangle.
    if (w * kWorkHeight >= h * kWorkWidth) {
        const int fh = static_cast<int>(std::clamp<qint64>((h * kWorkWidth * 2 + w) / (w * 2), 1, kWorkHeight));
        return { 0, (kWorkHeight - fh) / 2, kWorkWidth, fh };
    }
    const int fw = static_cast<int>(std::clamp<qint64>((w * kWorkHeight * 2 + h) / (h * 2), 1, kWorkWidth));
    return { (kWorkWidth - fw) / 2, 0, fw, kWorkHeight };
}

// ---- tizu: depth from the map --------------------------------------------------

void depthFlat(DepthArray& a)
{
    a.fill(0);
}

namespace {

    // The columns and rows of the area that a crop's relief scans and maps: the whole
    // picture (within the area), or only what `covered` marks of it.
    QRect mappedArea(const QImage& image, QRect covered)
    {
        const QRect whole(0, 0, std::min(image.width(), kWorkWidth), std::min(image.height(), kWorkHeight));
        return covered.isNull() ? whole : whole.intersected(covered);
    }

    // The blue range of the pixels of `area` that lie in columns 1..1599, rows 1..1279.
    BlueRange scanBlueIn(const QImage& image, QRect area)
    {
        BlueRange range;
        int maximum = range.maximum;
        int minimum = range.minimum;
        const int left = std::max(area.left(), 1);
        for (int y = std::max(area.top(), 1); y <= area.bottom(); ++y)
            kernels::blueRange(pixelRow(image, y), left, area.right(), maximum, minimum);
        range.maximum = maximum;
        range.minimum = minimum;
        range.middle = static_cast<int>((maximum + minimum) / 2.0);
        range.step = (maximum - minimum) / 40.0;
        return range;
    }

} // namespace

BlueRange scanBlue(const QImage& crop)
{
    const QImage image = asRgb32(crop);
    return scanBlueIn(image, mappedArea(image, {}));
}

void depthFromMap(const QImage& crop, int hk, int kt, DepthArray& a, bool lighterNear, QRect covered)
{
    const QImage image = asRgb32(crop);
    const QRect area = mappedArea(image, covered);
    const BlueRange range = scanBlueIn(image, area);
    if (range.step == 0) {
        a.fill(0);
        return;
    }
    // The depth depends on the blue byte alone.
    std::array<int32_t, 256> depthOf {};
    for (int b = 0; b < 256; ++b) {
        const int lift = lighterNear ? b - range.middle : range.middle - b;
        depthOf[b] = static_cast<int32_t>(((lift / range.step) * hk) * kt / 3.0);
    }
    // What the map does not cover lies as far back as its farthest blue.
    const int32_t farthest = covered.isNull() ? 0 : depthOf[lighterNear ? range.minimum : range.maximum];

    for (int y = 0; y < DepthArray::kRows; ++y) {
        int32_t* out = a.row(y);
        // The entries of this row that no pixel is mapped to: the padding, or nothing.
        const int32_t unmapped = !covered.isNull() && y < kWorkHeight ? farthest : 0;
        out[kWorkWidth] = 0;
        if (y < area.top() || y > area.bottom()) {
            std::fill(out, out + kWorkWidth, unmapped);
            continue;
        }
        std::fill(out, out + area.left(), unmapped);
        kernels::mapBlue(pixelRow(image, y) + area.left(), area.width(), depthOf.data(), out + area.left());
        std::fill(out + area.left() + area.width(), out + kWorkWidth, unmapped);
    }
}

// ---- keisan: text depths -----------------------------------------------------

LineDepths lineDepths(int slider1, int slider2, int slider3, int hk)
{
    return { slider1 * hk * 2, slider2 * hk * 2, slider3 * hk * 2 };
}

void applyTextDepths(const QImage& mask, LineDepths k, DepthArray& a)
{
    const QImage image = asRgb32(mask);
    const int width = std::min(image.width(), kWorkWidth);
    const int height = std::min(image.height(), kWorkHeight);
    const uint32_t codes[3] = { text::kLine1Code, text::kLine2Code, text::kLine3Code };
    const int32_t depths[3] = { k.k1, k.k2, k.k3 };
    for (int y = 1; y < height; ++y)
        kernels::textDepths(pixelRow(image, y), 1, width - 1, codes, depths, a.row(y));
}

// ---- hyouji: composition -----------------------------------------------------

QImage patternStrip(const QImage& source)
{
    if (source.isNull()) return {};
    return source.scaled(kStrip, kWorkHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

QImage seedStrip(const QImage& strip)
{
    if (strip.isNull()) {
        QImage seed(kStrip, kWorkHeight, QImage::Format_RGB32);
        seed.fill(Qt::white);
        return seed;
    }
    if (strip.width() != kStrip || strip.height() != kWorkHeight) return patternStrip(strip);
    return asRgb32(strip);
}

void drawSeed(const QImage& strip, QImage& picture)
{
    ensurePicture(picture);
    const QImage seed = seedStrip(strip);
    for (int y = 0; y < kWorkHeight; ++y) {
        const uint32_t* from = pixelRow(seed, y);
        auto* to = reinterpret_cast<uint32_t*>(picture.scanLine(y));
        std::memcpy(to + kSeedLeft, from, kStrip * sizeof(uint32_t));
        std::memcpy(to + kSeedLeft + kStrip, from, kStrip * sizeof(uint32_t));
    }
}

void composeRow(QImage& picture, const DepthArray& a, int y)
{
    if (y < 0 || y >= kWorkHeight || picture.width() != kPictureWidth || picture.height() != kWorkHeight) return;
    if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
    auto* p = reinterpret_cast<uint32_t*>(picture.scanLine(y));
    const int32_t* depth = a.row(y);
    // The rows are composed in order: the next one is fetched into the cache meanwhile.
    const bool last = y + 1 == kWorkHeight;
    const uint32_t* nextRow = last ? nullptr : p + picture.bytesPerLine() / sizeof(uint32_t);
    const int32_t* nextDepth = last ? nullptr : a.row(y + 1);
    kernels::leftPass(p, depth, nextRow, nextDepth);
    kernels::rightPass(p, depth, nextRow, nextDepth);
}

void compose(const QImage& strip, const DepthArray& a, QImage& picture, const RowCallback& afterRow)
{
    drawSeed(strip, picture);
    for (int y = 0; y < kWorkHeight; ++y) {
        composeRow(picture, a, y);
        if (afterRow) afterRow(y);
    }
}

} // namespace render
