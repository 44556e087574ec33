#include "scene/SceneState.h"

namespace scene {

SceneState startScene()
{
    const render::StartState& start = render::startState();
    SceneState s;
    for (int n = 0; n < 3; ++n) {
        LineState& line = s.lines[n];
        const text::Line& drawn = start.lines[n];
        line.text = drawn.text;
        line.family = drawn.family;
        line.sizeRow = start.sizeRows[n];
        line.size = drawn.size;
        line.offset = QPoint(drawn.x, drawn.y);
        line.italic = drawn.italic == 1;
        line.bold = drawn.bold == 1;
        line.depth = start.sliders[n];
    }
    s.methodRow = start.hk == 1 ? 0 : 1;
    s.zoomRow = start.zoomRow;
    s.heightRow = start.heightRow;
    s.kt = start.kt;
    s.nearFarRows = { start.nearFarRow, start.nearFarRow };
    return s;
}

render::Scene renderScene(const SceneState& state, const QImage& pattern, const QImage& map)
{
    render::Scene r;
    r.pattern = pattern;
    r.map = map;
    r.zoomRow = state.zoomRow;
    r.pan = state.pan;
    r.kt = state.kt;
    r.hk = state.hk();
    for (int n = 0; n < 3; ++n) {
        const LineState& line = state.lines[n];
        r.lines[n] = { line.text, line.family, line.size, line.offset.x(), line.offset.y(), line.italic ? 1 : 0,
            line.bold ? 1 : 0 };
    }
    r.s1 = state.lines[0].depth;
    r.s2 = state.lines[1].depth;
    r.s3 = state.lines[2].depth;
    r.quality = state.quality;
    r.lighterNear = state.lighterNear;
    return r;
}

} // namespace scene
