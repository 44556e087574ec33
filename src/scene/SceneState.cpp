#include "scene/SceneState.h"

namespace scene {

SceneState startScene()
{
    static const SceneState start = [] {
        SceneState s;
        s.lines[0] = { QStringLiteral("Voleta"), QString(), 5, 440, QPoint(0, 20), false, false, 6 };
        s.lines[1] = { QStringLiteral(" 3D"), QString(), 4, 400, QPoint(0, 450), false, false, 8 };
        s.lines[2] = { QStringLiteral("     V2"), QString(), 3, 360, QPoint(0, 880), false, false, 10 };
        s.methodRow = 0; // 平行方
        s.flat = true;
        s.zoomRow = 0; // " 1 ×"
        s.heightRow = 2; // "1.5×"
        s.kt = 2;
        s.nearFarRows = { 5, 5 }; // "近5"
        s.exportSizeRow = 0;
        return s;
    }();
    return start;
}

bool settingsButtonBackAtDisplay(const SceneState& state)
{
    return state.lines[1].sizeRow > 0;
}

bool settingsButtonBack(const SceneState& before, const SceneState& after)
{
    const bool lists = after.methodRow != before.methodRow || after.heightRow != before.heightRow;
    return (lists && settingsButtonBackAtDisplay(after)) || (after.zoomRow != before.zoomRow && !after.flat);
}

render::Scene renderScene(const SceneState& state, const QImage& pattern, const QImage& map)
{
    render::Scene r;
    r.pattern = pattern;
    if (!state.flat) r.map = map;
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
    r.keepAspect = state.keepAspect;
    return r;
}

} // namespace scene
