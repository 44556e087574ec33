// The stereogram engine: plain functions over pictures and the depth array.
// No widget, no event loop, no global state; the windows and the headless renderer
// call these, and the tests and the benchmark use them alone.
#pragma once

#include "render/DepthArray.h"
#include "text/MaskCodes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

namespace render {

// ---- The map crop -------------------------------------------------------------
// The zoom list row z (0..5) magnifies by (z + 2) / 2; s = z + 2 is the divisor.
// Crop of a W x H map: sx = trunc(W/2 - W/s + panX), sw = trunc(W/s * 2), likewise y.
QRect mapCrop(QSize map, int zoomRow, QPoint pan);

// Brings the pan offsets back so that the crop lies inside the map: top, left,
// bottom, right, in that order, each test seeing the corrections before it.
QPoint clampPan(QSize map, int zoomRow, QPoint pan);

// Draws the crop of `map` scaled into a new 1600 x 1280 picture (proportions not
// kept). A crop of zero width or height gives a null image. With `keepAspect` the crop
// is drawn into fittedArea(crop.size()) only, and the rest of the picture stays white.
QImage drawMapCrop(const QImage& map, QRect crop, bool keepAspect = false);

// The part of the 1600 x 1280 area that a picture of `size` fills at its own
// proportions: as wide or as high as the area (rounded, at least one pixel), centred.
// Empty for an empty size.
QRect fittedArea(QSize size);

// ---- tizu: depth from the map --------------------------------------------------
// Flat background: every entry, the extra column and row included, becomes 0.
void depthFlat(DepthArray& a);

struct BlueRange {
    int maximum = 10; // starts at 10, not 0
    int minimum = 255;
    int middle = 0; // trunc((maximum + minimum) / 2.0)
    double step = 0; // (maximum - minimum) / 40.0
};
// Scans the blue channel of columns 1..1599, rows 1..1279 of the 1600 x 1280 crop.
BlueRange scanBlue(const QImage& crop);

// Relief: a(x, y) = trunc((((middle - b) / step) * hk) * kt / 3.0) for every pixel
// of the crop, so darker places come nearer (the terrain maps' way). With
// `lighterNear` the difference is b - middle instead: lighter places come nearer, as in
// the grey depth pictures of 3D and depth tools; the range, step and factors stay.
// Column 1600 and row 1280 (no pixel there) get 0, and so does every entry when the
// blue range is empty (step 0).
// `covered`, when not null, is the part of the crop that the map fills (the proportions
// kept): only its pixels are scanned for the blue range and mapped, and every other
// entry of the area gets the farthest depth of the range (the lightest blue, the darkest
// with `lighterNear`), so the padding lies on the relief's far plane.
void depthFromMap(const QImage& crop, int hk, int kt, DepthArray& a, bool lighterNear = false, QRect covered = {});

// ---- keisan: text depths -----------------------------------------------------
struct LineDepths {
    int k1 = 0, k2 = 0, k3 = 0;
};
// Each line's depth: slider value * hk * 2.
LineDepths lineDepths(int slider1, int slider2, int slider3, int hk);

// Writes k1/k2/k3 into `a` under the mask pixels of lines 1/2/3, scanning columns
// 1..1599 and rows 1..1279; every other entry is left as it was.
void applyTextDepths(const QImage& mask, LineDepths k, DepthArray& a);

// ---- hyouji: composition -----------------------------------------------------
// The source picture squeezed into the 320 x 1280 pattern strip.
QImage patternStrip(const QImage& source);

// The strip as the seed shows it: 320 x 1280 Format_RGB32, scaled by patternStrip when
// it has another size, white when there is none.
QImage seedStrip(const QImage& strip);

// Draws the seed strip into columns 600..919 and 920..1239 of the 1920 x 1280 picture.
void drawSeed(const QImage& strip, QImage& picture);

// The two in-place passes over row y of `picture` (Format_RGB32, 1920 x 1280):
// the left pass copies leftward from the seed, x = 700 down to 0, from x + 320 - d;
// the right pass copies rightward, target x + 320 for x = 690 .. 1599, from x + d.
// Columns 701..1009 (the seed) are never written. A source column outside the
// columns already written in this row is replaced by the nearest written one.
void composeRow(QImage& picture, const DepthArray& a, int y);

// Seed and both passes for every row; `afterRow(y)` runs after each row.
using RowCallback = std::function<void(int y)>;
void compose(const QImage& strip, const DepthArray& a, QImage& picture, const RowCallback& afterRow = {});

} // namespace render
