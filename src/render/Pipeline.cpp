#include "render/Pipeline.h"

#include "render/StageCache.h"

#include <algorithm>

namespace render {

namespace {

    constexpr int kDepthOffset = 32768; // stored value of depth 0 in the depth file

} // namespace

QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan, bool keepAspect, QRect* covered)
{
    if (covered) *covered = QRect();
    if (map.isNull()) return {};
    const QRect crop = mapCrop(map.size(), zoomRow, clampPan(map.size(), zoomRow, pan));
    if (keepAspect && covered) *covered = fittedArea(crop.size());
    return drawMapCrop(map, crop, keepAspect);
}

DepthArray sceneDepth(const Scene& scene, QImage* maskOut)
{
    StageCache stages;
    DepthArray a = stages.updateDepth(scene);
    if (maskOut) *maskOut = stages.mask();
    return a;
}

QImage composeScene(const QImage& pattern, const DepthArray& a, bool quality, int hk)
{
    Scene scene;
    scene.pattern = pattern;
    scene.quality = quality;
    scene.hk = hk;
    StageCache stages;
    return stages.composeDepth(scene, a);
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
