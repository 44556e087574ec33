// The scene document: everything a user sets for one stereogram as one value, the
// pictures it names (decoded through the picture library, never kept in the history),
// the picture folders as the lists show them, the undo history of the user's edits, and
// the scene file it was opened from or saved to. Each edit is named after what the user
// did and becomes one undo step; every change, by an edit, an undo, a redo or a file
// changed on disk, is announced by one signal saying which parts changed, and the
// windows show the document from that signal alone. What goes wrong is announced by one
// signal too, in the words of scene/Messages.h.
#pragma once

#include "render/Pipeline.h"
#include "scene/SceneState.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class QAction;
class QUndoStack;

namespace scene {

class FolderModel;
class PictureLibrary;

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
        KeepAspect = 0x400, // the background at its own proportions
    };
    Q_DECLARE_FLAGS(Parts, Part)
    Q_FLAG(Parts)
    // The parts that change what a Display composes.
    static constexpr int kComposed
        = Texts | Depths | Method | Pattern | Background | ZoomPan | Height | Quality | LighterNear | KeepAspect;
    // The steps the history keeps; the oldest go first.
    static constexpr int kUndoLimit = 100;

    explicit SceneModel(QObject* parent = nullptr);
    ~SceneModel() override;

    const SceneState& state() const { return current.state; }
    // The source picture; null when none could be read.
    const QImage& pattern() const { return patternPicture; }
    // The chosen background's picture as the preview shows it (null when unreadable or
    // the flat plane was chosen by hand), and the map a Display uses: null for the flat plane.
    const QImage& backgroundPicture() const { return previewPicture; }
    QImage map() const { return current.state.flat ? QImage() : previewPicture; }
    bool flatPlane() const { return current.state.flat; }
    // What a Display composes now.
    render::Scene renderScene() const;

    QUndoStack* undoStack() const { return stack; }
    // Makes two menu items the history's undo and redo: enabled while there is a step,
    // named after it ("元に戻す: 上段の文字"), undoing and redoing when triggered.
    void driveUndoItems(QAction* undo, QAction* redo);
    PictureLibrary* pictures() const { return library; }
    FolderModel* folders() const { return folderModel; }

    // The opening sequence: the folders scanned, the second source picture (the first
    // when there is only one) and the flat plane chosen, the first background's picture
    // shown in the preview; no history. A missing folder is reported and ends the
    // program (false).
    bool start();

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
    // A picture of 画像フォルダ by name; one that cannot be read leaves no pattern.
    void choosePattern(const QString& name);
    // A picture of 背景フォルダ by name, or with `flat` the flat plane (the list's first
    // row, named after the folder's first entry). A map that cannot be read is reported
    // and leaves the preview empty and the pan at 0; a readable one keeps the pan,
    // brought inside it. Nothing changes while the folder is gone.
    void chooseBackground(const QString& name, bool flat);
    void chooseZoom(int row); // back to 1 × resets the pan
    void pan(QPoint by); // kept inside the map
    void chooseHeight(int row);
    // The lists beyond the settings window's edge: kept with the scene, no undo step.
    void chooseNearFar(int line, int row); // lines 0 and 1 have the lists
    void chooseExportSize(int row);
    void setQuality(bool on);
    void setLighterNear(bool on);
    void setKeepAspect(bool on);

    // A Display is about to compose: the typing step ends, the map is read as the file
    // is now (one that is gone or unreadable now is reported and gives the flat plane,
    // the pan at 0), and the pan is brought inside the map as the preview shows it.
    // False, after saying so, when there is no source picture to compose with.
    bool prepareDisplay();
    // Another control was used: typing after it is a step of its own.
    void closeStep() { ++stepSerial; }

    // Scene files. Opening applies the file as one undo step, as if its choices had been
    // made by hand: a picture it names that is not in its folder is reported (all in one
    // message) and that choice stays as it is; a file that cannot be opened is reported
    // and changes nothing. Saving writes the scene; a failure is reported. Either makes
    // the file the document's file, unmodified.
    bool open(const QString& path);
    bool save(const QString& path);
    QString fileName() const { return filePath; } // empty while no scene file is open
    bool isModified() const; // changed since the file was opened or saved

    // Not a user's edit, so no undo step: a whole state (tests, and the start).
    void reset(const SceneState& state);

    // The labels of the lines in undo texts: 上段, 中段, 下段.
    static QString lineName(int line);

Q_SIGNALS:
    void changed(scene::SceneModel::Parts parts);
    // Something the user must be told, in the program's words.
    void failed(const QString& message);
    // The scene file or its modified state changed (the window title follows).
    void fileStateChanged();

private:
    // What an undo step holds: the value, names only, and whether the flat plane's
    // preview still shows the first background's picture (as at start).
    struct Value {
        SceneState state;
        bool flatShown = false;
        bool operator==(const Value&) const = default;
    };
    friend class ValueCommand;
    Value current;
    QImage patternPicture, previewPicture; // decoded through the library for `current`
    QUndoStack* stack;
    PictureLibrary* library;
    FolderModel* folderModel;
    std::optional<Value> dragStart; // the value before the drag that runs
    QString dragText;
    int stepSerial = 0; // edits merge only within one serial
    QString filePath;

    void edit(const Value& after, const QString& text, int mergeId = -1);
    void editState(const SceneState& after, const QString& text, int mergeId = -1);
    // Sets the value, reads its pictures and announces what differs.
    // With `keepVanished` (a folder changed) a picture shown whose file is gone stays.
    void restore(const Value& v, bool keepVanished = false);
    // The pictures of `v` through the library: the pattern, and the background where the
    // preview shows it.
    QImage patternOf(const Value& v) const;
    QImage backgroundOf(const Value& v) const;
    // The files changed on disk: the pictures read again, without an undo step.
    void refreshPictures();
    // `v`, a step's value, with the rows of the lists beyond the window's edge as they
    // are now, unless the step itself (from `other`) changed them.
    Value withCurrentLists(Value v, const Value& other) const;
    Parts difference(const Value& a, const Value& b, const QImage& pattern, const QImage& preview) const;
    QPoint keptInside(QPoint pan, int zoomRow) const;
};

} // namespace scene

Q_DECLARE_OPERATORS_FOR_FLAGS(scene::SceneModel::Parts)
