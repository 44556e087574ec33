#include "scene/SceneModel.h"

#include "render/Engine.h"
#include "scene/FolderModel.h"
#include "scene/ListRules.h"
#include "scene/Messages.h"
#include "scene/PictureLibrary.h"
#include "scene/SceneFile.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QUndoCommand>
#include <QUndoStack>

namespace scene {

// One user edit: the value before and after it. Undo and redo set the whole value, so a
// step restores exactly what the user saw, whatever the edit touched; the pictures come
// from the library by name, so a step costs a few hundred bytes however large they are.
class ValueCommand : public QUndoCommand {
public:
    ValueCommand(SceneModel* model, SceneModel::Value before, SceneModel::Value after, const QString& text, int mergeId,
        int serial)
        : QUndoCommand(text)
        , model(model)
        , before(std::move(before))
        , after(std::move(after))
        , mergeId(mergeId)
        , serial(serial)
    {
    }
    void undo() override { model->restore(model->withCurrentLists(before, after)); }
    void redo() override { model->restore(model->withCurrentLists(after, before)); }
    int id() const override { return mergeId; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const ValueCommand*>(other);
        if (other->id() != mergeId || next->serial != serial) return false;
        after = next->after;
        // Typing back to what was there leaves no step.
        if (before == after) setObsolete(true);
        return true;
    }

private:
    SceneModel* model;
    SceneModel::Value before, after;
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
    , library(new PictureLibrary(this))
    , folderModel(new FolderModel(this))
{
    current.state = startScene();
    stack->setUndoLimit(kUndoLimit);
    connect(stack, &QUndoStack::cleanChanged, this, &SceneModel::fileStateChanged);
    // A picture file changed on disk is decoded again and shown.
    connect(folderModel, &FolderModel::filesChanged, library, &PictureLibrary::forgetFiles);
    connect(folderModel, &FolderModel::filesChanged, this, &SceneModel::refreshPictures);
    // A picture the scene names that was missing is read when its file comes back.
    connect(folderModel, &FolderModel::changed, this, &SceneModel::refreshPictures);
}

SceneModel::~SceneModel() = default;

QString SceneModel::lineName(int line)
{
    static const QString names[3] = { QStringLiteral("上段"), QStringLiteral("中段"), QStringLiteral("下段") };
    return names[qBound(0, line, 2)];
}

render::Scene SceneModel::renderScene() const
{
    return scene::renderScene(current.state, patternPicture, map());
}

QImage SceneModel::patternOf(const Value& v) const
{
    const QString path = platform::child(platform::sourceFolder(), v.state.pattern);
    return path.isEmpty() ? QImage() : library->picture(path).image;
}

QImage SceneModel::backgroundOf(const Value& v) const
{
    if (v.state.flat && !v.flatShown) return {};
    const QString path = platform::child(platform::backgroundFolder(), v.state.background);
    return path.isEmpty() ? QImage() : library->picture(path).image;
}

SceneModel::Parts SceneModel::difference(
    const Value& a, const Value& b, const QImage& pattern, const QImage& preview) const
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
    if (x.pattern != y.pattern || patternPicture.cacheKey() != pattern.cacheKey()) parts |= Pattern;
    if (x.background != y.background || x.flat != y.flat || a.flatShown != b.flatShown
        || previewPicture.cacheKey() != preview.cacheKey())
        parts |= Background;
    if (x.zoomRow != y.zoomRow || x.pan != y.pan) parts |= ZoomPan;
    if (x.heightRow != y.heightRow || x.kt != y.kt) parts |= Height;
    if (x.nearFarRows != y.nearFarRows || x.exportSizeRow != y.exportSizeRow) parts |= Lists;
    if (x.quality != y.quality) parts |= Quality;
    if (x.lighterNear != y.lighterNear) parts |= LighterNear;
    if (x.keepAspect != y.keepAspect) parts |= KeepAspect;
    return parts;
}

void SceneModel::restore(const Value& v, bool keepVanished)
{
    QImage pattern = patternOf(v), preview = backgroundOf(v);
    // A picture shown whose file went away stays shown, as a picture once opened does.
    const auto gone
        = [](const QString& folder, const QString& name) { return platform::child(folder, name).isEmpty(); };
    if (keepVanished && pattern.isNull() && v.state.pattern == current.state.pattern
        && gone(platform::sourceFolder(), v.state.pattern))
        pattern = patternPicture;
    if (keepVanished && preview.isNull() && v.state.background == current.state.background
        && v.flatShown == current.flatShown && v.state.flat == current.state.flat
        && gone(platform::backgroundFolder(), v.state.background))
        preview = previewPicture;
    const Parts parts = difference(current, v, pattern, preview);
    current = v;
    patternPicture = pattern;
    previewPicture = preview;
    if (parts) Q_EMIT changed(parts);
}

void SceneModel::refreshPictures()
{
    restore(current, true);
}

void SceneModel::edit(const Value& after, const QString& text, int mergeId)
{
    if (after == current) return;
    stack->push(new ValueCommand(this, current, after, text, mergeId, stepSerial));
}

void SceneModel::editState(const SceneState& after, const QString& text, int mergeId)
{
    Value v = current;
    v.state = after;
    edit(v, text, mergeId);
}

QPoint SceneModel::keptInside(QPoint pan, int zoomRow) const
{
    if (previewPicture.isNull()) return pan;
    return render::clampPan(previewPicture.size(), zoomRow, pan);
}

void SceneModel::driveUndoItems(QAction* undo, QAction* redo)
{
    const auto drive = [this](QAction* item, const QString& caption, bool can, const QString& step) {
        item->setEnabled(can);
        item->setText(can && !step.isEmpty() ? caption + QStringLiteral(": ") + step : caption);
    };
    const auto show = [this, drive, undo, redo] {
        drive(undo, QStringLiteral("元に戻す"), stack->canUndo(), stack->undoText());
        drive(redo, QStringLiteral("やり直し"), stack->canRedo(), stack->redoText());
    };
    connect(undo, &QAction::triggered, stack, &QUndoStack::undo);
    connect(redo, &QAction::triggered, stack, &QUndoStack::redo);
    connect(stack, &QUndoStack::indexChanged, undo, show);
    connect(stack, &QUndoStack::cleanChanged, undo, show);
    show();
}

bool SceneModel::start()
{
    folderModel->rescan();
    bool found = true;
    for (const bool source : { true, false }) {
        if ((source ? platform::sourceFolder() : platform::backgroundFolder()).isEmpty()) {
            Q_EMIT failed(messages::folderEmpty(source));
            platform::requestQuit(platform::kExitFailure);
            found = false;
        }
    }
    if (!found) return false;
    Value v;
    v.state = startScene();
    const QStringList& sources = folderModel->sources();
    v.state.pattern = sources.value(sources.size() >= 2 ? 1 : 0);
    v.state.background = folderModel->backgrounds().value(0);
    v.state.flat = true;
    v.flatShown = true;
    dragStart.reset();
    stack->clear();
    restore(v);
    return true;
}

void SceneModel::reset(const SceneState& state)
{
    dragStart.reset();
    stack->clear();
    restore({ state, false });
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
        Value v = current;
        v.state.lines[line].depth = value;
        restore(v);
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
    const Value before = *std::exchange(dragStart, std::nullopt);
    if (before == current) return;
    // The document already shows the drag's end: the step's first redo changes nothing.
    stack->push(new ValueCommand(this, before, current, dragText, -1, stepSerial));
}

void SceneModel::chooseMethod(int row)
{
    SceneState s = current.state;
    s.methodRow = row;
    editState(s, QStringLiteral("立体視"));
}

void SceneModel::choosePattern(const QString& name)
{
    // Without the source folder there is no way to go on.
    if (platform::sourceFolder().isEmpty()) {
        Q_EMIT failed(messages::folderEmpty(true));
        platform::requestQuit(platform::kExitFailure);
        return;
    }
    SceneState s = current.state;
    s.pattern = name;
    editState(s, QStringLiteral("元画像"));
}

void SceneModel::chooseBackground(const QString& name, bool flat)
{
    if (platform::backgroundFolder().isEmpty()) return;
    Value v = current;
    v.state.background = name;
    v.state.flat = flat;
    v.flatShown = false;
    const QImage picture = backgroundOf(v);
    v.state.pan
        = !flat && !picture.isNull() ? render::clampPan(picture.size(), v.state.zoomRow, v.state.pan) : QPoint();
    edit(v, QStringLiteral("背景"));
    if (!flat && picture.isNull()) Q_EMIT failed(messages::pictureNotFound());
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

// The lists beyond the window's edge change nothing a user sees: they are kept with
// the scene, but are no step of their own and no undo takes them back.
void SceneModel::chooseNearFar(int line, int row)
{
    Value v = current;
    v.state.nearFarRows[line] = row;
    restore(v);
}

void SceneModel::chooseExportSize(int row)
{
    Value v = current;
    v.state.exportSizeRow = row;
    restore(v);
}

SceneModel::Value SceneModel::withCurrentLists(Value v, const Value& other) const
{
    // A step that set the lists (an opened scene) sets them again.
    if (v.state.nearFarRows != other.state.nearFarRows || v.state.exportSizeRow != other.state.exportSizeRow) return v;
    v.state.nearFarRows = current.state.nearFarRows;
    v.state.exportSizeRow = current.state.exportSizeRow;
    return v;
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

void SceneModel::setKeepAspect(bool on)
{
    SceneState s = current.state;
    s.keepAspect = on;
    editState(s, QStringLiteral("縦横比を保つ"));
}

bool SceneModel::prepareDisplay()
{
    closeStep();
    // The pictures as their files are now: the library reads a file again only when it
    // changed on disk.
    refreshPictures();
    if (patternPicture.isNull()) {
        Q_EMIT failed(messages::pictureNotFound());
        return false;
    }
    if (!current.state.flat) {
        // Not an edit: the map as its file is now (a map whose file went away is no map
        // for this Display), the pan as the preview shows it, or back to 0 without a map.
        const QImage map = backgroundOf(current);
        Value v = current;
        v.state.pan = map.isNull() ? QPoint() : render::clampPan(map.size(), v.state.zoomRow, v.state.pan);
        restore(v);
        if (map.isNull()) Q_EMIT failed(messages::pictureNotFound());
    }
    return true;
}

bool SceneModel::open(const QString& path)
{
    SceneFileResult result = readSceneFile(path);
    // A file written before the flat plane was a field of its own names it by the list's
    // first background.
    settleFlat(result, folderModel->backgrounds().value(0));
    if (!result.ok()) {
        Q_EMIT failed(messages::sceneNotOpened(path, result));
        return false;
    }
    const Value before = current;
    Value v { *result.state, false };
    SceneState& s = v.state;
    QStringList missing;
    // A scene that names no picture leaves that list's choice as it is; a picture that is
    // not in its folder too, after saying so.
    if (s.pattern.isEmpty()) s.pattern = before.state.pattern;
    if (s.pattern != before.state.pattern && !folderModel->sources().contains(s.pattern)) {
        missing << QStringLiteral("元画像「%1」").arg(s.pattern);
        s.pattern = before.state.pattern;
    }
    if (s.background.isEmpty()) {
        s.background = before.state.background;
        s.flat = before.state.flat;
    }
    if (!s.flat && s.background != before.state.background && !folderModel->backgrounds().contains(s.background)) {
        missing << QStringLiteral("背景「%1」").arg(s.background);
        s.background = before.state.background;
        s.flat = before.state.flat;
    }
    if (s.background == before.state.background && s.flat == before.state.flat) v.flatShown = before.flatShown;
    const QImage picture = backgroundOf(v);
    s.pan
        = s.flat || picture.isNull() || s.zoomRow <= 0 ? QPoint() : render::clampPan(picture.size(), s.zoomRow, s.pan);
    if (!missing.isEmpty()) Q_EMIT failed(messages::scenePicturesMissing(missing));

    closeStep();
    edit(v, QStringLiteral("場面を開く"));
    closeStep();
    filePath = path;
    stack->setClean();
    Q_EMIT fileStateChanged();
    return true;
}

bool SceneModel::save(const QString& path)
{
    if (const std::optional<platform::Failure> failure = writeSceneFile(current.state, path)) {
        Q_EMIT failed(messages::sceneNotSaved(failure->kind));
        return false;
    }
    filePath = path;
    closeStep();
    stack->setClean();
    Q_EMIT fileStateChanged();
    return true;
}

bool SceneModel::isModified() const
{
    return !stack->isClean();
}

} // namespace scene
