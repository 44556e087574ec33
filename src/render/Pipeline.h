// The Display pipeline as plain functions over a scene description: the map crop,
// the relief or flat plane, the text mask and its depths, and the composition. The
// settings window's Display command and the headless renderer both call these, so
// the same settings give the same picture in either.
#pragma once

#include "render/DepthArray.h"
#include "render/Engine.h"
#include "text/TextLayer.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>

namespace render {

// The state of a fresh start, the one definition that the windows, voleta-render and
// the tests read.
struct StartState {
    // "Voleta", " 3D", "     V2" at sizes 440, 400, 360 and offsets (0, 20), (0, 450),
    // (0, 880), default font, upright, regular.
    text::Lines lines;
    std::array<int, 3> sliders { 6, 8, 10 }; // depth sliders of lines 1..3
    int hk = 1; // parallel viewing
    int zoomRow = 0; // 1 x
    int kt = 2; // relief factor in half steps
    // Rows the settings window's lists start at. They do not follow from the values
    // above: the size lists show 120, 110, 100 and the height list "1.5 x" while the
    // lines are drawn at 440, 400, 360 and the relief uses kt 2, until the user
    // changes a list.
    std::array<int, 3> sizeRows { 5, 4, 3 };
    int heightRow = 2;
    int nearFarRow = 5; // "近5"
};
const StartState& startState();

// Everything one Display uses. The defaults are the start state.
struct Scene {
    QImage pattern; // the source picture, squeezed into the 320 x 1280 strip
    QImage map; // the background (terrain) picture; null = flat background
    int zoomRow = startState().zoomRow; // 0..5, magnification (zoomRow + 2) / 2
    QPoint pan; // pan offsets of the map crop, in map pixels
    int kt = startState().kt; // height factor 1..6 (relief scaled by kt / 2)
    int hk = startState().hk; // 1 parallel viewing, -1 crossed
    text::Lines lines = startState().lines;
    int s1 = startState().sliders[0], s2 = startState().sliders[1], s3 = startState().sliders[2]; // -18..18
    bool quality = false; // compose with composeQuality instead of compose
    bool lighterNear = false; // the map is a depth picture: lighter places nearer
};

// The map crop a Display puts behind the text: the pan brought inside the map as the
// preview does, then the crop drawn to 1600 x 1280; null when there is no map or the
// crop is empty. The Display command and the headless renderer both use it.
QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan);

// The depth array of a scene: the map relief (or the flat plane), then each text
// line's depth under its pixels of the text mask. The mask (1600 x 1280, white with
// the lines in their code colours) is stored in `maskOut` when given.
DepthArray sceneDepth(const Scene& scene, QImage* maskOut = nullptr);

// The 1920 x 1280 stereogram (Format_RGB32) of a pattern picture over a depth array,
// by compose, or by composeQuality for the viewing sign `hk` when `quality` is set.
QImage composeScene(const QImage& pattern, const DepthArray& a, bool quality, int hk);

// The depth file's picture: 1600 x 1280, 16-bit grey (Format_Grayscale16), value =
// depth + 32768 clamped to 0..65535, for entries x 0..1599, y 0..1279 (the extra column
// and row are not stored).
QImage depthPicture(const DepthArray& a);
// The depth array of such a picture (converted to 16-bit grey; it must be 1600 x 1280).
// The extra column and row become 0.
void depthFromPicture(const QImage& picture, DepthArray& a);

} // namespace render
