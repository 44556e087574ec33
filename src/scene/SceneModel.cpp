#include "scene/SceneModel.h"

#include "render/Engine.h"
#include "scene/ListRules.h"
#include "text/TextLayer.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace scene {

// One user edit: the model before and after it. Undo and redo set the whole snapshot,
// so an edit's step restores exactly what the user saw, whatever the edit touched.
class SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(SceneModel* model, SceneModel::Snapshot before, SceneModel::Snapshot after, const QString& text,
        int mergeId, int serial)
        : QUndoCommand(text)
        , model(model)
        , before(std::move(before))
        , after(std::move(after))
        , mergeId(mergeId)
        , serial(serial)
    {
    }
    void undo() override { model->restore(before); }
    void redo() override { model->restore(after); }
    int id() const override { return mergeId; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const SnapshotCommand*>(other);
        if (other->id() != mergeId || next->serial != serial) return false;
        after = next->after;
        // Typing back to what was there leaves no step.
        if (SceneModel::difference(before, after) == SceneModel::Parts()) setObsolete(true);
        return true;
    }

private:
    SceneModel* model;
    SceneModel::Snapshot before, after;
    int mergeId;
    int serial;
};

namespace {

    // Typing into line n merges with the typing before it into the same line.
    constexpr int kTypingId = 100;

} // namespace

SceneModel::SceneModel(QObject* parent)
    : QObject(parent)
    , stack(new QUndoStack(this))
{
    current.state = startScene();
}

SceneModel::~SceneModel() = default;

QString SceneModel::lineName(int line)
{
    static const QString names[3] = { QStringLiteral("上段"), QStringLiteral("中段"), QStringLiteral("下段") };
    return names[qBound(0, line, 2)];
}

render::Scene SceneModel::renderScene() const
{
    return scene::renderScene(current.state, current.pattern, map());
}

SceneModel::Parts SceneModel::difference(const Snapshot& a, const Snapshot& b)
{
    const SceneState &x = a.state, &y = b.state;
    Parts parts;
    for (int n = 0; n < 3; ++n) {
        LineState l = x.lines[n], m = y.lines[n];
        if (l.depth != m.depth) parts |= Depths;
        l.depth = m.depth;
        if (l != m) parts |= Texts;
    }
    if (x.methodRow != y.methodRow) parts |= Method;
    if (x.pattern != y.pattern || a.pattern.cacheKey() != b.pattern.cacheKey()) parts |= Pattern;
    if (x.background != y.background || a.background.cacheKey() != b.background.cacheKey() || a.flat != b.flat)
        parts |= Background;
    if (x.zoomRow != y.zoomRow || x.pan != y.pan) parts |= ZoomPan;
    if (x.heightRow != y.heightRow || x.kt != y.kt) parts |= Height;
    if (x.nearFarRows != y.nearFarRows || x.exportSizeRow != y.exportSizeRow) parts |= Lists;
    if (x.quality != y.quality) parts |= Quality;
    if (x.lighterNear != y.lighterNear) parts |= LighterNear;
    return parts;
}

void SceneModel::restore(const Snapshot& s)
{
    const Parts parts = difference(current, s);
    current = s;
    current.state.flat = s.flat; // the value says it too, as a scene file records it
    if (parts) Q_EMIT changed(parts);
}

void SceneModel::edit(const Snapshot& after, const QString& text, int mergeId)
{
    if (!difference(current, after)) return;
    stack->push(new SnapshotCommand(this, current, after, text, mergeId, stepSerial));
}

void SceneModel::editState(const SceneState& after, const QString& text, int mergeId)
{
    Snapshot s = current;
    s.state = after;
    edit(s, text, mergeId);
}

QPoint SceneModel::keptInside(QPoint pan, int zoomRow) const
{
    if (current.background.isNull()) return pan;
    return render::clampPan(current.background.size(), zoomRow, pan);
}

void SceneModel::typeText(int line, const QString& text)
{
    SceneState s = current.state;
    s.lines[line].text = text;
    editState(s, lineName(line) + QStringLiteral("の文字"), kTypingId + line);
}

void SceneModel::chooseFont(int line, const QString& family)
{
    SceneState s = current.state;
    s.lines[line].family = family;
    editState(s, lineName(line) + QStringLiteral("のフォント"));
}

void SceneModel::chooseSize(int line, int row)
{
    SceneState s = current.state;
    s.lines[line].sizeRow = row;
    s.lines[line].size = rules::drawnSize(row); // no row: nothing drawn
    editState(s, lineName(line) + QStringLiteral("の文字サイズ"));
}

void SceneModel::setItalic(int line, bool on)
{
    SceneState s = current.state;
    s.lines[line].italic = on;
    editState(s, lineName(line) + QStringLiteral("の斜体"));
}

void SceneModel::setBold(int line, bool on)
{
    SceneState s = current.state;
    s.lines[line].bold = on;
    editState(s, lineName(line) + QStringLiteral("の太字"));
}

void SceneModel::moveLine(int line, QPoint by)
{
    SceneState s = current.state;
    s.lines[line].offset += by;
    editState(s, lineName(line) + QStringLiteral("の文字位置"));
}

void SceneModel::setDepth(int line, int value)
{
    if (dragStart) {
        // The drag shows every move and becomes one step when it ends.
        Snapshot s = current;
        s.state.lines[line].depth = value;
        restore(s);
        return;
    }
    SceneState s = current.state;
    s.lines[line].depth = value;
    editState(s, lineName(line) + QStringLiteral("の遠近"));
}

void SceneModel::beginDrag(int line)
{
    dragStart = current;
    dragText = lineName(line) + QStringLiteral("の遠近");
}

void SceneModel::endDrag()
{
    if (!dragStart) return;
    const Snapshot before = *std::exchange(dragStart, std::nullopt);
    if (!difference(before, current)) return;
    // The model already shows the drag's end: the step's first redo changes nothing.
    stack->push(new SnapshotCommand(this, before, current, dragText, -1, stepSerial));
}

void SceneModel::chooseMethod(int row)
{
    SceneState s = current.state;
    s.methodRow = row;
    editState(s, QStringLiteral("立体視"));
}

void SceneModel::choosePattern(const QString& name, const QImage& picture)
{
    Snapshot s = current;
    s.state.pattern = name;
    s.pattern = picture;
    edit(s, QStringLiteral("元画像"));
}

void SceneModel::chooseBackground(const QString& name, const QImage& picture, bool flat)
{
    Snapshot s = current;
    s.state.background = name;
    s.background = picture;
    s.flat = flat;
    s.state.pan
        = !flat && !picture.isNull() ? render::clampPan(picture.size(), s.state.zoomRow, s.state.pan) : QPoint();
    edit(s, QStringLiteral("背景"));
}

void SceneModel::chooseZoom(int row)
{
    SceneState s = current.state;
    s.zoomRow = row;
    s.pan = row > 0 ? keptInside(s.pan, row) : QPoint();
    editState(s, QStringLiteral("縮尺"));
}

void SceneModel::pan(QPoint by)
{
    SceneState s = current.state;
    s.pan = keptInside(s.pan + by, s.zoomRow);
    editState(s, QStringLiteral("地図の位置"));
}

void SceneModel::chooseHeight(int row)
{
    SceneState s = current.state;
    s.heightRow = row;
    s.kt = rules::relief(row);
    editState(s, QStringLiteral("高低差"));
}

void SceneModel::chooseNearFar(int line, int row)
{
    SceneState s = current.state;
    s.nearFarRows[line] = row;
    editState(s, lineName(line) + QStringLiteral("の遠近一覧"));
}

void SceneModel::chooseExportSize(int row)
{
    SceneState s = current.state;
    s.exportSizeRow = row;
    editState(s, QStringLiteral("書き出しサイズ"));
}

void SceneModel::setQuality(bool on)
{
    SceneState s = current.state;
    s.quality = on;
    editState(s, QStringLiteral("高画質"));
}

void SceneModel::setLighterNear(bool on)
{
    SceneState s = current.state;
    s.lighterNear = on;
    editState(s, QStringLiteral("明るいほど手前"));
}

void SceneModel::applyScene(const SceneState& state, const QImage& pattern, const QImage& background, bool flat)
{
    edit({ state, pattern, background, flat }, QStringLiteral("場面を開く"));
}

void SceneModel::reset(const SceneState& state, const QImage& pattern, const QImage& background, bool flat)
{
    dragStart.reset();
    stack->clear();
    restore({ state, pattern, background, flat });
}

void SceneModel::settlePan(QPoint pan)
{
    Snapshot s = current;
    s.state.pan = pan;
    restore(s);
}

void SceneModel::refreshBackground(const QImage& picture)
{
    Snapshot s = current;
    s.background = picture;
    restore(s);
}

} // namespace scene
