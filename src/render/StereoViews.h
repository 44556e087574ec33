// Two views of the scene a stereogram hides, for those who see depth with red-cyan
// glasses or in a side-by-side pair rather than by free-viewing: a left-eye and a
// right-eye picture of the depth surface, textured with the pattern, the anaglyph made
// of them and the stereo pair.
#pragma once

#include "render/DepthArray.h"

#include <QImage>

namespace render {

// The largest parallax between the two views, in pixels of the 1920-pixel picture
// (2.5 % of the width): the nearest point of a deep scene lies this far in front of
// the far plane, which lies on the screen.
constexpr int kViewMaxParallax = 48;

// The parallax, in pixels, of a point `nearness` (depth * hk) in a scene whose
// nearnesses run from `farthest` to `nearest`: one pixel a depth step, as the
// stereogram shows the depth to a free-viewer, scaled down (and rounded) when the
// scene is deeper than kViewMaxParallax steps. The farthest point has parallax 0.
int viewParallax(int64_t nearness, int64_t farthest, int64_t nearest);

struct StereoViews {
    QImage left, right; // 1920 x 1280 Format_RGB32 each
};

// The left- and right-eye views of the depth surface of `a` (entry x of row y at
// column x + 160, as in the stereogram; the 160 columns at either side are the
// farthest plane). Nearer is nearer under either viewing method: a point's nearness is
// depth * hk (hk 1 parallel, -1 crossed). A point of parallax p moves p - p / 2
// columns right in the left view and p / 2 left in the right view, so nearer points
// stand in front of the screen; where two points land on one column the nearer is
// seen, and a column no point lands on shows the farther of its two neighbouring
// surfaces carried on, texture and all. The surface is textured with the 320 x 1280
// pattern strip tiled across the width (surface column c shows strip column c mod
// 320, so a flat scene shows the same picture to either eye); with `shade`, nearer is
// lighter, from kViewShadeFar of the texture's brightness at the farthest point to the
// full brightness at the nearest (a scene of one depth is not shaded).
StereoViews stereoViews(const QImage& strip, const DepthArray& a, int hk, bool shade = false);
constexpr double kViewShadeFar = 0.45;

// The red-cyan anaglyph of two views of equal size (Format_RGB32): red for the left
// eye (the red lens on the left eye), green and blue for the right. Dubois'
// least-squares matrices for red-cyan glasses, applied to the linear light of the
// sRGB values, keep the colours as far as the filters allow.
QImage anaglyph(const QImage& left, const QImage& right);

// The side-by-side pair: each view halved (each 2 x 2 block averaged) into one half
// of a picture as wide as a view and half as high, the left view on the left for
// parallel viewing (hk 1) and on the right for crossed viewing (hk -1), with a
// kPairDivider-column black divider over the middle (half on either view's inner edge,
// which shows the far margin).
QImage stereoPair(const QImage& left, const QImage& right, int hk);
constexpr int kPairDivider = 4;

} // namespace render
