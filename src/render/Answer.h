// The answer picture: the hidden depth of a stereogram as a grey picture, for viewers
// who cannot free-view, for puzzle sheets with a solution, and to check the relief
// before printing.
#pragma once

#include "render/DepthArray.h"

#include <QImage>

namespace render {

// Grey levels of the answer picture: the farthest depth present is kAnswerFar, the
// nearest kAnswerNear (white); a picture of one depth is kAnswerFlat throughout.
constexpr int kAnswerFar = 56;
constexpr int kAnswerNear = 255;
constexpr int kAnswerFlat = 128;

// A 1920 x 1280 Format_Grayscale8 picture, the size of the stereogram: depth entry x
// (0..1599) of row y lies at column x + 160, midway between its two images. Nearer is
// lighter under either viewing method: grey follows depth * hk (hk 1 for parallel
// viewing, -1 for crossed, where a longer repeat is nearer), scaled linearly over the
// depths present in entries x 0..1599, y 0..1279. The 160 columns at either side, where
// no depth lies, are the farthest grey (kAnswerFlat for a picture of one depth), so
// nothing touching an edge is drawn out into a bar.
QImage answerPicture(const DepthArray& a, int hk);

// The farthest and nearest nearness (depth * the viewing sign hk, so larger is nearer
// under either method) over entries x 0..1599, y 0..1279: what the answer picture and
// the views for glasses scale by.
struct NearnessRange {
    int64_t farthest = 0;
    int64_t nearest = 0;
};
NearnessRange nearnessRange(const DepthArray& a, int hk);

} // namespace render
