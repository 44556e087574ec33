// The Display pipeline, written once, with each stage kept: the pattern strip, the map
// crop, the relief, the text mask, the depth array and the composed picture. Each stage
// remembers the inputs it was made from, and an update recomputes only the stages
// whose inputs changed, so a typed character redraws the mask and recomposes, and a
// pan redraws the crop and the relief, without redoing the rest. The window's live
// view and Display command keep one of these; voleta-render and the benchmark run one.
#pragma once

#include "render/DepthArray.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "text/TextLayer.h"

#include <QImage>
#include <QPoint>
#include <optional>

namespace render {

class StageCache {
public:
    // How often each stage has been recomputed since construction.
    struct Counts {
        int strip = 0, crop = 0, relief = 0, mask = 0, depth = 0, picture = 0;
    };

    // Brings every stage up to date with `scene` and returns the composed picture
    // (1920 x 1280, Format_RGB32), null when the scene has no pattern picture. The
    // picture is composed into a buffer of its own: a copy taken of the last result
    // (a shown picture) is never written to. With `afterRow`, the picture is composed
    // again whatever changed, and `afterRow` runs after each row as compose runs it
    // (the Display command shows the rows as they come).
    const QImage& update(const Scene& scene, const RowCallback& afterRow = {});

    // Brings the crop, relief, mask and depth stages up to date with `scene` (no pattern
    // picture needed) and returns the depth array.
    const DepthArray& updateDepth(const Scene& scene);

    // Composes `scene`'s pattern over a depth array given whole (a depth file) in place
    // of the crop, relief, mask and depth stages, which it leaves as they were; the
    // next update() makes the depth stage again. Null when the scene has no pattern.
    const QImage& composeDepth(const Scene& scene, const DepthArray& given, const RowCallback& afterRow = {});

    const QImage& picture() const { return composed; }
    const DepthArray& depth() const { return depthArray; }
    // The text mask the depth stage used: 1600 x 1280, white with the lines in their
    // code colours; null before the first update.
    const QImage& mask() const { return maskPicture; }
    const QImage& stripPicture() const { return strip; } // the 320 x 1280 strip of the last update
    const Counts& counts() const { return recomputed; }

private:
    // The inputs each stage was made from; a stage is stale when they differ.
    struct CropKey {
        qint64 map;
        int zoomRow;
        QPoint pan;
        bool keepAspect;
        bool operator==(const CropKey&) const = default;
    };
    struct ReliefKey {
        int cropGeneration, hk, kt;
        bool lighterNear;
        bool operator==(const ReliefKey&) const = default;
    };
    struct DepthKey {
        int reliefGeneration, maskGeneration, k1, k2, k3;
        bool operator==(const DepthKey&) const = default;
    };
    struct PictureKey {
        int stripGeneration, depthGeneration;
        bool quality;
        int hk; // the quality composition's hidden surfaces depend on the viewing method
        bool operator==(const PictureKey&) const = default;
    };

    std::optional<qint64> stripKey;
    std::optional<CropKey> cropKey;
    std::optional<ReliefKey> reliefKey;
    std::optional<text::Lines> maskKey;
    std::optional<DepthKey> depthKey;
    std::optional<PictureKey> pictureKey;

    QImage strip;
    QImage crop; // null for the flat plane
    QRect cropCovered; // the part of the crop the map fills; null when it fills it all
    DepthArray relief;
    QImage maskPicture;
    DepthArray depthArray;
    QImage composed;
    Counts recomputed;

    void updateStrip(const Scene& scene);
    // The composition stage over depthArray, made by the depth stage or given whole.
    void composeStage(const Scene& scene, const RowCallback& afterRow);
};

} // namespace render
