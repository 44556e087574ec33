// Everything a user can set for one stereogram, as one plain value: what the settings
// window shows and what a scene file holds. The pictures are named by file name; the
// decoded pictures are kept beside this value by whoever holds it, not in it.
#pragma once

#include "render/Pipeline.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>

namespace scene {

// One text row of the settings window.
struct LineState {
    QString text;
    QString family; // the font list's chosen family; empty = none chosen (the default font)
    int sizeRow = 0; // the size list's row, 0..13 for 70..200 points
    // The size the line is drawn at, in mask pixels. It follows the size list once the
    // user chooses a row; at start the lines are drawn at 440, 400, 360 while the lists
    // show 120, 110, 100.
    int size = 0;
    QPoint offset; // the line's offset in mask pixels, moved 3 at a time by the arrows
    bool italic = false;
    bool bold = false;
    int depth = 0; // the depth slider, -18..18
    bool operator==(const LineState&) const = default;
};

struct SceneState {
    std::array<LineState, 3> lines;
    int methodRow = 0; // viewing method: 0 平行方 (parallel, Hk 1), 1 交差方 (crossed, Hk -1)
    QString pattern; // the source picture's file name in 画像フォルダ; empty = none
    // The background's file name in 背景フォルダ; empty = none chosen. With `flat` the
    // background is the flat plane whatever file it names (the folder's first entry,
    // which the list shows in the flat plane's row).
    QString background;
    bool flat = true;
    int zoomRow = 0; // 0..5: " 1 ×" .. " 4 ×"
    QPoint pan; // pan offsets of the map crop, in map-picture pixels
    // The height list's row, 0..5 for 0.5 × .. 3 ×, and the relief factor in half steps.
    // The factor is the row + 1 once the user chooses a row; at start the list shows
    // "1.5×" while the factor is 2.
    int heightRow = 2;
    int kt = 2;
    std::array<int, 2> nearFarRows { 5, 5 }; // lines 1 and 2's near/far lists, beyond the window's edge
    int exportSizeRow = 0; // the export-size list, beyond the window's edge; read by nothing
    bool quality = false; // 高画質: compose with the symmetric links
    bool lighterNear = false; // the background is a depth picture, lighter = nearer
    bool operator==(const SceneState&) const = default;

    int hk() const { return methodRow == 1 ? -1 : 1; }
};

// The state of a fresh start, from render::startState().
SceneState startScene();

// What a Display composes for this state with these decoded pictures: `map` null for
// the flat plane or a background that could not be read.
render::Scene renderScene(const SceneState& state, const QImage& pattern, const QImage& map);

} // namespace scene
