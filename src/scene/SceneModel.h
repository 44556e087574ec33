// The scene a user is building, shared by the windows: the settings as one value, the
// decoded pattern and map pictures beside it, and the undo history of the user's edits.
// Each setter is named after what the user did and becomes one undoable step; every
// change, by a setter, an undo or a redo, is announced by one signal saying which parts
// changed, and the windows show the model from that signal alone.
#pragma once

#include "render/Pipeline.h"
#include "scene/SceneState.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class QUndoStack;

namespace scene {

class SceneModel : public QObject {
    Q_OBJECT
public:
    // The parts of a scene, as the windows redraw them.
    enum Part {
        Texts = 0x1, // a line's text, font, size, style or position: the mask and the preview
        Depths = 0x2, // the depth sliders
        Method = 0x4, // the viewing method
        Pattern = 0x8, // the source picture
        Background = 0x10, // the background and its map picture
        ZoomPan = 0x20, // zoom and pan of the map crop
        Height = 0x40, // the height list and relief factor
        Lists = 0x80, // near/far and export-size lists: shown, read by nothing else
        Quality = 0x100, // 高画質
        LighterNear = 0x200, // the background read as a depth picture
    };
    Q_DECLARE_FLAGS(Parts, Part)
    Q_FLAG(Parts)
    // The parts that change what a Display composes.
    static constexpr int kComposed
        = Texts | Depths | Method | Pattern | Background | ZoomPan | Height | Quality | LighterNear;

    explicit SceneModel(QObject* parent = nullptr);
    ~SceneModel() override;

    const SceneState& state() const { return current.state; }
    // The source picture; null when none could be read.
    const QImage& pattern() const { return current.pattern; }
    // The chosen background's picture as the preview shows it (null when unreadable or
    // the flat plane was chosen by hand), and the map a Display uses: null for the flat plane.
    const QImage& backgroundPicture() const { return current.background; }
    QImage map() const { return current.flat ? QImage() : current.background; }
    bool flatPlane() const { return current.flat; }
    // What a Display composes now.
    render::Scene renderScene() const;

    QUndoStack* undoStack() const { return stack; }

    // What the user did; `line` is 0..2 (上段, 中段, 下段). Each is one undo step, none
    // when nothing changes.
    void typeText(int line, const QString& text); // typing into one line merges into one step
    void chooseFont(int line, const QString& family);
    void chooseSize(int line, int row); // the size list's row, 0..13 for 70..200 points
    void setItalic(int line, bool on);
    void setBold(int line, bool on);
    void moveLine(int line, QPoint by);
    // A depth slider: a keyboard step is one step; a drag between beginDrag and endDrag
    // is one step however often it moves.
    void setDepth(int line, int value);
    void beginDrag(int line);
    void endDrag();
    void chooseMethod(int row);
    void choosePattern(const QString& name, const QImage& picture);
    // `picture` null for a file that cannot be read; `flat` for the folder's first entry,
    // which stands for the flat plane. The pan goes back to 0 unless a readable map is
    // chosen, which keeps the pan brought inside it.
    void chooseBackground(const QString& name, const QImage& picture, bool flat);
    void chooseZoom(int row); // back to 1 × resets the pan
    void pan(QPoint by); // kept inside the map
    void chooseHeight(int row);
    void chooseNearFar(int line, int row); // lines 0 and 1 have the lists
    void chooseExportSize(int row);
    void setQuality(bool on);
    void setLighterNear(bool on);
    // A whole scene as one step (opening a scene file): the state with its pictures.
    void applyScene(const SceneState& state, const QImage& pattern, const QImage& background, bool flat);

    // Not user edits, so no undo step: the state the program starts in, which also
    // forgets the history, and the pan a Display brought inside the map.
    void reset(const SceneState& state, const QImage& pattern, const QImage& background, bool flat);
    void settlePan(QPoint pan);
    // A newer decoding of the background file (changed on disk): no undo step.
    void refreshBackground(const QImage& picture);
    // Another control was used (the Display command): typing after it is a step of its own.
    void closeStep() { ++stepSerial; }

    // The labels of the lines in undo texts: 上段, 中段, 下段.
    static QString lineName(int line);

Q_SIGNALS:
    void changed(scene::SceneModel::Parts parts);

private:
    struct Snapshot {
        SceneState state;
        QImage pattern, background;
        bool flat = true;
    };
    friend class SnapshotCommand;
    Snapshot current;
    QUndoStack* stack;
    std::optional<Snapshot> dragStart; // the state before the drag that runs
    QString dragText;
    int stepSerial = 0; // edits merge only within one serial

    // Makes `after` the model as one undo step named `text`; commands with the same
    // non-negative id merge.
    void edit(const Snapshot& after, const QString& text, int mergeId = -1);
    void editState(const SceneState& after, const QString& text, int mergeId = -1);
    // Sets the model and announces what differs.
    void restore(const Snapshot& s);
    static Parts difference(const Snapshot& a, const Snapshot& b);
    QPoint keptInside(QPoint pan, int zoomRow) const;
};

} // namespace scene

Q_DECLARE_OPERATORS_FOR_FLAGS(scene::SceneModel::Parts)
