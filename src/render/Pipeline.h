// The engine's input for one Display and the pipeline's plain helpers: the map crop,
// one-off runs of the stages, and the depth file's encoding. The stages themselves are
// written once, in the stage cache that the window, voleta-render and the benchmark
// all compose through, so the same settings give the same picture in each.
#pragma once

#include "render/DepthArray.h"
#include "render/Engine.h"
#include "text/TextLayer.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>

namespace render {

// Everything one Display uses: the engine's input, derived from a scene's settings by
// scene::renderScene (the start values live there, not here).
struct Scene {
    QImage pattern; // the source picture, squeezed into the 320 x 1280 strip
    QImage map; // the background (terrain) picture; null = flat background
    int zoomRow = 0; // 0..5, magnification (zoomRow + 2) / 2
    QPoint pan; // pan offsets of the map crop, in map pixels
    int kt = 0; // height factor 1..6 (relief scaled by kt / 2)
    int hk = 0; // 1 parallel viewing, -1 crossed
    text::Lines lines;
    int s1 = 0, s2 = 0, s3 = 0; // depth sliders, -18..18
    bool quality = false; // compose with composeQuality instead of compose
    bool lighterNear = false; // the map is a depth picture: lighter places nearer
    bool keepAspect = false; // the map crop keeps its proportions, the rest lies far back
};

// The map crop a Display puts behind the text: the pan brought inside the map as the
// preview does, then the crop drawn to 1600 x 1280; null when there is no map or the
// crop is empty. The stage cache's crop stage. With `keepAspect` the crop is drawn at
// its own proportions into fittedArea, and `covered` (when given) receives that part;
// it receives a null rectangle when the crop is stretched over the whole area.
QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan, bool keepAspect = false, QRect* covered = nullptr);

// One-off runs of the stage cache's stages (render/StageCache.h), for callers that
// keep nothing: the depth array of a scene (the map relief or the flat plane, then each
// text line's depth under its pixels of the text mask; the mask, 1600 x 1280, white
// with the lines in their code colours, is stored in `maskOut` when given), and the
// 1920 x 1280 stereogram (Format_RGB32) of a pattern picture over a depth array, by
// compose, or by composeQuality for the viewing sign `hk` when `quality` is set.
DepthArray sceneDepth(const Scene& scene, QImage* maskOut = nullptr);
QImage composeScene(const QImage& pattern, const DepthArray& a, bool quality, int hk);

// The depth file's picture: 1600 x 1280, 16-bit grey (Format_Grayscale16), value =
// depth + 32768 clamped to 0..65535, for entries x 0..1599, y 0..1279 (the extra column
// and row are not stored).
QImage depthPicture(const DepthArray& a);
// The depth array of such a picture (converted to 16-bit grey; it must be 1600 x 1280).
// The extra column and row become 0.
void depthFromPicture(const QImage& picture, DepthArray& a);

} // namespace render
