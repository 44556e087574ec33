// The high-quality composition: every surface point is linked through its two images,
// placed symmetrically about it, and only when both eyes see it.
#pragma once

#include "render/DepthArray.h"
#include "render/Engine.h"

#include <QImage>

namespace render {

// Composes the 1920 x 1280 Format_RGB32 picture from the pattern strip and the depths,
// like `compose` (same inputs, same output; `picture` is replaced when it has another
// size or format), for viewing with the eyes parallel (hk 1) or crossed (hk -1).
//
// Depth entry (x, y), x 0..1599 and y 0..1279, is a surface point centred on picture
// column x + 160 of row y. With depth d its two images lie at
//   left = x + 160 - floor((320 - d) / 2),  right = left + 320 - d,
// so a flat plane pairs columns x and x + 320. With the eyes parallel the left eye
// looks at the left images and a larger depth (a shorter repeat) is nearer; crossed,
// the right eye looks at the left images and a smaller depth (a longer repeat) is
// nearer: the nearer point is the one with the larger d * hk. A point is hidden from an
// eye when a nearer point has its image for that eye on the same column. A point that
// both eyes see links its two columns; linked columns form sets, and every column of a
// set gets one colour: the strip's colour at the place of the set's member nearest the
// middle of the seed (between columns 919 and 920), the strip lying at 600..919 and
// repeating every 320 columns either way. A column that nothing links keeps the strip's
// colour at its own place. So a flat depth array gives exactly the picture of
// `compose`, and elsewhere the colours spread outward from the middle.
//
// A point with depth 320 or more would lie at or before the eyes: it has no images,
// links nothing and hides nothing. A point with an image outside the picture links
// nothing; its other image still hides other points for that eye. Any depth is safe;
// column 1600 and row 1280 are not read. `afterRow(y)` runs after each row.
void composeQuality(
    const QImage& strip, const DepthArray& a, int hk, QImage& picture, const RowCallback& afterRow = {});

} // namespace render
