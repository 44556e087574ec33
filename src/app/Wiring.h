// What joins the program's windows: the scene document they share, the opening
// sequence, the button rules and showing and hiding between the main and settings
// windows, the document's messages, and scene files opened and saved from the menu, the
// command line or a drop.
#pragma once

#include <QObject>
#include <QString>

class Window1;
class Window2;
namespace scene {
class SceneModel;
} // namespace scene

class Wiring : public QObject {
    Q_OBJECT
public:
    // The single instance: the first reference makes the document and both windows and
    // runs the opening sequence.
    static Wiring* instance();
    static Wiring* existing(); // nullptr before the first reference
    // Tests only: drops the windows and the document so the next reference starts afresh.
    static void destroy();

    scene::SceneModel* model() const { return sceneModel; }
    Window1* mainWindow() const { return main; }
    Window2* settingsWindow() const { return settings; }

    // Opens a scene file into the windows as one undo step, after asking to save the
    // changes of the scene file open; a file that cannot be opened is reported and
    // changes nothing. Returns whether the scene was applied.
    bool openScene(const QString& path);
    bool openSceneCommand(); // ファイル → 場面を開く…
    bool saveSceneCommand(); // ファイル → 場面を保存…
    // Before the changes to the open scene file would be lost (quitting, opening another
    // scene): asks whether to save them. False when the user cancels, or the save fails.
    bool maySaveChanges();

private:
    Wiring();
    ~Wiring() override;
    void open();
    void showTitle();
    void reportFoldersMadeEmpty();

    scene::SceneModel* sceneModel;
    Window1* main = nullptr;
    Window2* settings = nullptr;
};
