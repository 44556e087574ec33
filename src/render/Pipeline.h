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

namespace render {

// The three sample lines of a fresh start: "Voleta", " 3D", "     V2" at sizes
// 440, 400, 360, offsets (0, 20), (0, 450), (0, 880), default font, upright, regular.
text::Lines startLines();

// Everything one Display uses. The defaults are the settings window's start state.
struct Scene {
    QImage pattern; // the source picture, squeezed into the 320 x 1280 strip
    QImage map; // the background (terrain) picture; null = flat background
    int zoomRow = 0; // 0..5, magnification (zoomRow + 2) / 2
    QPoint pan; // pan offsets of the map crop, in map pixels
    int kt = 2; // height factor 1..6 (relief scaled by kt / 2)
    int hk = 1; // 1 parallel viewing, -1 crossed
    text::Lines lines = startLines();
    int s1 = 6, s2 = 8, s3 = 10; // depth sliders of lines 1..3, -18..18
};

// The map crop a Display puts behind the text: the pan brought inside the map as the
// preview does, then the crop drawn to 1600 x 1280; null when there is no map or the
// crop is empty. The Display command and the headless renderer both use it.
QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan);

// The depth array of a scene: the map relief (or the flat plane), then each text
// line's depth under its pixels of the text mask. The mask (1600 x 1280, white with
// the lines in their code colours) is stored in `maskOut` when given.
DepthArray sceneDepth(const Scene& scene, QImage* maskOut = nullptr);

// The 1920 x 1280 stereogram (Format_RGB32) of a pattern picture over a depth array.
QImage composeScene(const QImage& pattern, const DepthArray& a);

// Writes a picture through a temporary file that replaces `path` only when complete,
// so a failed write leaves no truncated file. `format` is "png", "jpg", ...;
// `quality` -1 keeps the writer's default. `error` gets the reason of a failure.
bool writePicture(const QImage& image, const QString& path, const char* format, QString* error, int quality = -1);

// The depth file: a 1600 x 1280 16-bit greyscale PNG, value = depth + 32768, for
// entries x 0..1599, y 0..1279 (the extra column and row are not stored).
bool writeDepthPng(const DepthArray& a, const QString& path, QString* error);
// Reads a depth file (any picture format, converted to 16-bit grey; it must be
// 1600 x 1280). The extra column and row of `a` become 0. `a` is untouched on failure.
bool readDepthPng(const QString& path, DepthArray& a, QString* error);

} // namespace render
