#include "render/Pipeline.h"

#include "render/QualityCompose.h"

#include <algorithm>

namespace render {

namespace {

    constexpr int kDepthOffset = 32768; // stored value of depth 0 in the depth file

} // namespace

const StartState& startState()
{
    static const StartState start = [] {
        StartState s;
        s.lines[0] = { QStringLiteral("Voleta"), QString(), 440, 0, 20, 0, 0 };
        s.lines[1] = { QStringLiteral(" 3D"), QString(), 400, 0, 450, 0, 0 };
        s.lines[2] = { QStringLiteral("     V2"), QString(), 360, 0, 880, 0, 0 };
        return s;
    }();
    return start;
}

QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan)
{
    if (map.isNull()) return {};
    return drawMapCrop(map, mapCrop(map.size(), zoomRow, clampPan(map.size(), zoomRow, pan)));
}

DepthArray sceneDepth(const Scene& scene, QImage* maskOut)
{
    DepthArray a;
    const QImage crop = mapCropPicture(scene.map, scene.zoomRow, scene.pan);
    if (crop.isNull())
        depthFlat(a);
    else
        depthFromMap(crop, scene.hk, scene.kt, a, scene.lighterNear);

    QImage mask(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    text::drawMask(mask, scene.lines);
    applyTextDepths(mask, lineDepths(scene.s1, scene.s2, scene.s3, scene.hk), a);
    if (maskOut) *maskOut = std::move(mask);
    return a;
}

QImage composeScene(const QImage& pattern, const DepthArray& a, bool quality, int hk)
{
    QImage picture(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    if (quality)
        composeQuality(patternStrip(pattern), a, hk, picture);
    else
        compose(patternStrip(pattern), a, picture);
    return picture;
}

QImage depthPicture(const DepthArray& a)
{
    QImage image(kWorkWidth, kWorkHeight, QImage::Format_Grayscale16);
    for (int y = 0; y < kWorkHeight; ++y) {
        auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
        const int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth; ++x)
            line[x] = static_cast<quint16>(std::clamp(depths[x] + kDepthOffset, 0, 65535));
    }
    return image;
}

void depthFromPicture(const QImage& picture, DepthArray& a)
{
    const QImage image = picture.format() == QImage::Format_Grayscale16
        ? picture
        : picture.convertToFormat(QImage::Format_Grayscale16);
    a.fill(0);
    const int width = std::min(image.width(), kWorkWidth), height = std::min(image.height(), kWorkHeight);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(y));
        int32_t* depths = a.row(y);
        for (int x = 0; x < width; ++x)
            depths[x] = static_cast<int32_t>(line[x]) - kDepthOffset;
    }
}

} // namespace render
