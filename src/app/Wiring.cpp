#include "app/Wiring.h"

#include "app/PictureTransfer.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "scene/FolderModel.h"
#include "scene/Messages.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QFileInfo>
#include <QFontDatabase>
#include <QUndoStack>

namespace {

Wiring* theWiring = nullptr;

const QString kSceneFilter = QStringLiteral("Voleta 場面 (*.voleta)");

} // namespace

Wiring* Wiring::instance()
{
    if (!theWiring) {
        theWiring = new Wiring;
        theWiring->open();
    }
    return theWiring;
}

Wiring* Wiring::existing()
{
    return theWiring;
}

void Wiring::destroy()
{
    delete std::exchange(theWiring, nullptr);
}

Wiring::Wiring()
    : sceneModel(new scene::SceneModel(this))
{
    main = new Window1(sceneModel);
    settings = new Window2(sceneModel, main);

    // Between the windows: the settings window's handlers enable the Settings button and
    // send the Display command; the Settings button and the 設定 command show it again.
    connect(settings, &Window2::settingsButtonEnabled, main, &Window1::enableSettingsButton);
    connect(settings, &Window2::displayRequested, main, &Window1::display);
    connect(main, &Window1::settingsButtonPressed, settings, &Window2::showAgain);
    connect(main, &Window1::settingsCommand, settings, [this] { showInFront(settings); });

    // Undo and redo of the document's steps, named after the step.
    const MenuItems& items = Menu::instance()->items();
    sceneModel->driveUndoItems(items.undo, items.redo);
    // Undo and redo show what they changed: the settings window comes up as 設定 brings it.
    for (QAction* step : { items.undo, items.redo })
        connect(step, &QAction::triggered, settings, [this] {
            if (!settings->isVisible()) showInFront(settings);
        });
    // What went wrong, in the program's words; the title names the scene file open.
    connect(
        sceneModel, &scene::SceneModel::failed, this, [](const QString& text) { platform::dialogs().message(text); });
    connect(sceneModel, &scene::SceneModel::fileStateChanged, this, &Wiring::showTitle);
    main->setQuitGuard([this] { return maySaveChanges(); });

    connect(items.openScene, &QAction::triggered, this, &Wiring::openSceneCommand);
    connect(items.saveScene, &QAction::triggered, this, &Wiring::saveSceneCommand);
    // Drops of pictures and scene files, copy, paste and the print preview.
    new PictureTransfer(
        sceneModel, main, settings, [this](const QString& path) { return openScene(path); }, main);
}

bool Wiring::openSceneCommand()
{
    // Where the last scene was opened or saved, and any file for a scene named otherwise.
    const QString last = sceneModel->fileName();
    const QString path = platform::dialogs().openFile(
        { kSceneFilter, QStringLiteral("すべてのファイル (*)") }, last.isEmpty() ? QString() : QFileInfo(last).path());
    if (!path.isEmpty()) openScene(path);
    return false;
}

bool Wiring::saveSceneCommand()
{
    const scene::SceneState& s = sceneModel->state();
    QString name = output::suggestedJpegName(s.pattern, s.lines[0].text, s.lines[1].text, s.lines[2].text);
    name = name.left(name.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".voleta");
    QString path = platform::dialogs().saveFile(name, { kSceneFilter }).path;
    if (path.isEmpty()) return false;
    if (!path.endsWith(QLatin1String(".voleta"), Qt::CaseInsensitive)) path += QStringLiteral(".voleta");
    if (!sceneModel->save(path)) return false;
    platform::rememberSaveFolder(path);
    return true;
}

bool Wiring::maySaveChanges()
{
    const QString file = sceneModel->fileName();
    if (file.isEmpty() || !sceneModel->isModified()) return true;
    using Answer = platform::Dialogs::SaveAnswer;
    switch (platform::dialogs().askToSave(
        QStringLiteral("場面「%1」は変更されています。変更を保存しますか？").arg(QFileInfo(file).fileName()))) {
    case Answer::Save:
        return sceneModel->save(file);
    case Answer::Discard:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void Wiring::showTitle()
{
    const QString title = QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT);
    const QString file = sceneModel->fileName();
    main->setWindowTitle(
        file.isEmpty() ? title : title + QStringLiteral(" — ") + QFileInfo(file).fileName() + QStringLiteral("[*]"));
    main->setWindowModified(!file.isEmpty() && sceneModel->isModified());
}

// The scene as the user would have chosen it by hand (the document checks its
// pictures), and the Settings button on where those choices turn it on.
bool Wiring::openScene(const QString& path)
{
    if (!maySaveChanges()) return false;
    const scene::SceneState before = sceneModel->state();
    if (!sceneModel->open(path)) return false;
    // The Settings button comes on as the viewing-method, height and zoom lists turn it on.
    if (scene::settingsButtonBack(before, sceneModel->state())) main->enableSettingsButton();
    // What was opened is what the main window shows, saves and prints from now on.
    if (!sceneModel->pattern().isNull() && sceneModel->prepareDisplay()) main->showOpenedScene();
    return true;
}

Wiring::~Wiring()
{
    // The menu tree outlives the window: it is built once for the whole program.
    Menu::instance()->setParent(nullptr);
    for (QAction* item : Menu::instance()->findChildren<QAction*>()) {
        disconnect(item, nullptr, this, nullptr);
        disconnect(item, nullptr, sceneModel->undoStack(), nullptr);
        disconnect(sceneModel->undoStack(), nullptr, item, nullptr);
    }
    delete main; // and the settings window, its transient
}

void Wiring::reportFoldersMadeEmpty()
{
    // One message for each way of ending up empty, naming the folders made so.
    for (const platform::FolderState why : { platform::FolderState::NoSamples, platform::FolderState::CopyFailed }) {
        QStringList paths;
        QString reason;
        for (const platform::PictureFolder& f : scene::FolderModel::foldersMadeEmpty()) {
            if (f.state != why) continue;
            paths << f.path;
            // Only a failed copy has a reason worth showing.
            if (why == platform::FolderState::CopyFailed && f.failure && reason.isEmpty()) reason = f.failure->detail;
        }
        if (!paths.isEmpty()) platform::dialogs().message(scene::messages::foldersMadeEmpty(why, paths, reason));
    }
}

// The opening sequence: the settings window at (350, 400), the document started over
// the picture folders (the lists show them), the font lists, both windows shown with
// the settings window in front, and from then on the folders are followed.
void Wiring::open()
{
    settings->placeContent(QPoint(350, 400));
    if (!sceneModel->start()) return;
    // Font lists: each family once, in the platform's order, nothing selected.
    settings->addFontFamilies(text::plainFamilies(QFontDatabase::families()));
    main->show();
    showInFront(settings);
    reportFoldersMadeEmpty();
    sceneModel->folders()->startWatching();
}
