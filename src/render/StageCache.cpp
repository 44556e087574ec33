#include "render/StageCache.h"

#include "render/QualityCompose.h"

namespace render {

const QImage& StageCache::update(const Scene& scene, const RowCallback& afterRow)
{
    if (scene.pattern.isNull()) {
        composed = QImage();
        pictureKey.reset();
        return composed;
    }
    updateStrip(scene);
    updateDepth(scene);
    composeStage(scene, afterRow);
    return composed;
}

void StageCache::updateStrip(const Scene& scene)
{
    const qint64 pattern = scene.pattern.cacheKey();
    if (stripKey != pattern) {
        strip = patternStrip(scene.pattern);
        stripKey = pattern;
        ++recomputed.strip;
    }
}

const DepthArray& StageCache::updateDepth(const Scene& scene)
{
    // Zoom and pan mean nothing without a map: the flat plane has one key.
    const CropKey crops = scene.map.isNull()
        ? CropKey { 0, 0, {}, false }
        : CropKey { scene.map.cacheKey(), scene.zoomRow, scene.pan, scene.keepAspect };
    if (cropKey != crops) {
        crop = mapCropPicture(scene.map, scene.zoomRow, scene.pan, scene.keepAspect, &cropCovered);
        cropKey = crops;
        ++recomputed.crop;
    }

    const ReliefKey reliefs { recomputed.crop, scene.hk, scene.kt, scene.lighterNear };
    if (reliefKey != reliefs) {
        if (crop.isNull())
            depthFlat(relief);
        else
            depthFromMap(crop, scene.hk, scene.kt, relief, scene.lighterNear, cropCovered);
        reliefKey = reliefs;
        ++recomputed.relief;
    }

    if (maskKey != scene.lines) {
        if (maskPicture.isNull()) maskPicture = QImage(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
        maskPicture.fill(Qt::white);
        text::drawMask(maskPicture, scene.lines);
        maskKey = scene.lines;
        ++recomputed.mask;
    }

    const LineDepths k = lineDepths(scene.s1, scene.s2, scene.s3, scene.hk);
    const DepthKey depths { recomputed.relief, recomputed.mask, k.k1, k.k2, k.k3 };
    if (depthKey != depths) {
        depthArray = relief;
        applyTextDepths(maskPicture, k, depthArray);
        depthKey = depths;
        ++recomputed.depth;
    }
    return depthArray;
}

const QImage& StageCache::composeDepth(const Scene& scene, const DepthArray& given, const RowCallback& afterRow)
{
    if (scene.pattern.isNull()) {
        composed = QImage();
        pictureKey.reset();
        return composed;
    }
    updateStrip(scene);
    depthArray = given;
    depthKey.reset();
    ++recomputed.depth;
    composeStage(scene, afterRow);
    return composed;
}

void StageCache::composeStage(const Scene& scene, const RowCallback& afterRow)
{
    const PictureKey pictures { recomputed.strip, recomputed.depth, scene.quality, scene.hk };
    if (pictureKey != pictures || composed.isNull() || afterRow) {
        // A picture still shared with its viewer is left to it; compose into a new one.
        if (composed.isNull() || !composed.isDetached()) {
            composed = QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
            composed.fill(Qt::white); // what a row shown before it is composed shows
        }
        if (scene.quality)
            composeQuality(strip, depthArray, scene.hk, composed, afterRow);
        else
            compose(strip, depthArray, composed, afterRow);
        pictureKey = pictures;
        ++recomputed.picture;
    }
}

} // namespace render
