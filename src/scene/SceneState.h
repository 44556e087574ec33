// Everything a user can set for one stereogram, as one plain value: what the settings
// window shows and what a scene file holds. The pictures are named by file name; the
// decoded pictures are kept beside this value by whoever holds it, not in it.
#pragma once

#include "render/Pipeline.h"
#include "scene/ListRules.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>

namespace scene {

// One text row of the settings window.
struct LineState {
    QString text;
    QString family; // the font list's chosen family; empty = none chosen (the default font)
    int sizeRow = 0; // the size list's row (rules::sizeCaptions)
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
    // The background's file name in 背景フォルダ; empty = none chosen. The folder's first
    // entry is listed as the flat plane: choosing it sets `flat`.
    QString background;
    // The background is the flat plane, not a map: at start, and when the first entry is
    // chosen. A scene keeps it while the folder changes (a picture added before the
    // named one does not turn a flat scene into a map, nor the reverse).
    bool flat = false;
    int zoomRow = 0; // the zoom list's row (rules::zoomCaptions)
    QPoint pan; // pan offsets of the map crop, in map-picture pixels
    // The height list's row and the relief factor in half steps. The factor follows the
    // row (rules::relief) once the user chooses one; at start the list shows "1.5×" while
    // the factor is 2.
    int heightRow = 0;
    int kt = 0;
    std::array<int, 2> nearFarRows {}; // lines 1 and 2's near/far lists, beyond the window's edge
    int exportSizeRow = 0; // the export-size list, beyond the window's edge; read by nothing
    bool quality = false; // 高画質: compose with the symmetric links
    bool lighterNear = false; // the background is a depth picture, lighter = nearer
    bool keepAspect = false; // the background keeps its proportions; the rest lies far back
    bool operator==(const SceneState&) const = default;

    int hk() const { return rules::viewingSign(methodRow); }
};

// The state of a fresh start, the one definition that the windows, voleta-render and
// the tests read: "Voleta", " 3D", "     V2" drawn at 440, 400, 360 pixels at offsets
// (0, 20), (0, 450), (0, 880) while their size lists show rows 5, 4, 3; depths 6, 8, 10;
// parallel viewing, zoom 1 ×, the height list at "1.5×" with relief factor 2, the
// near/far lists at "近5", the flat plane.
SceneState startScene();

// The main window's Settings button, once pressed, comes back at once when a change from
// `before` to `after` sets another viewing method or height while line 2's size list is
// above "70", or another zoom over a map; otherwise it waits for the next picture.
bool settingsButtonBack(const SceneState& before, const SceneState& after);
// The Display command brings it back at once while line 2's size list is above "70".
bool settingsButtonBackAtDisplay(const SceneState& state);

// What a Display composes for this state with these decoded pictures: the map is left
// out when the state is flat; `map` null for a background that could not be read.
render::Scene renderScene(const SceneState& state, const QImage& pattern, const QImage& map);

} // namespace scene
