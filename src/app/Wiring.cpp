#include "app/Wiring.h"

#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "scene/SceneFile.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeData>
#include <QUndoStack>

namespace {

Wiring* theWiring = nullptr;

const QString kSceneFilter = QStringLiteral("Voleta 場面 (*.voleta)");

// The one scene file of a drag, empty when it carries anything else.
QString droppedScene(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QString path = data->urls().first().toLocalFile();
    return path.endsWith(QLatin1String(".voleta"), Qt::CaseInsensitive) ? path : QString();
}

} // namespace

QString sceneFileMessage(const QString& path, const scene::SceneFileResult& result)
{
    using scene::SceneFileError;
    QString why;
    switch (result.error) {
    case SceneFileError::Unreadable:
        why = QStringLiteral("ファイルを読めません")
            + (result.detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(result.detail));
        break;
    case SceneFileError::TooLarge:
        why = QStringLiteral("場面ファイルにしては大きすぎます（1 MB を超えています）");
        break;
    case SceneFileError::NotJson:
    case SceneFileError::NotAScene:
        why = QStringLiteral("Voleta の場面ファイルではありません");
        break;
    case SceneFileError::NewerVersion:
        why = QStringLiteral("新しい版の Voleta で作られた場面です")
            + (result.detail.isEmpty() ? QString() : QStringLiteral("（形式の版 %1）").arg(result.detail));
        break;
    case SceneFileError::BadValue:
        why = QStringLiteral("「%1」の値が正しくありません").arg(result.detail);
        break;
    }
    return QStringLiteral("場面を開けませんでした\n%1\n%2").arg(QFileInfo(path).fileName(), why);
}

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

    // Undo and redo of the model's steps, named after the step.
    const MenuItems& items = Menu::instance()->items();
    QUndoStack* stack = sceneModel->undoStack();
    connect(items.undo, &QAction::triggered, stack, &QUndoStack::undo);
    connect(items.redo, &QAction::triggered, stack, &QUndoStack::redo);
    connect(stack, &QUndoStack::indexChanged, this, &Wiring::showUndoItems);
    connect(stack, &QUndoStack::cleanChanged, this, &Wiring::showUndoItems);
    showUndoItems();

    connect(items.openScene, &QAction::triggered, this, &Wiring::openSceneCommand);
    connect(items.saveScene, &QAction::triggered, this, &Wiring::saveSceneCommand);
    // A scene file dropped on either window opens.
    for (QWidget* w : { static_cast<QWidget*>(main), static_cast<QWidget*>(settings) }) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
}

bool Wiring::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(e);
        if (!droppedScene(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (e->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(e);
        const QString path = droppedScene(drop->mimeData());
        if (!path.isEmpty()) {
            drop->acceptProposedAction();
            openScene(path);
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

bool Wiring::openSceneCommand()
{
    const QString path = platform::dialogs().openFile({ kSceneFilter });
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
    if (const std::optional<platform::Failure> failure = scene::writeSceneFile(s, path)) {
        platform::dialogs().message(QStringLiteral("場面を保存できませんでした") + QLatin1Char('\n')
            + output::saveFailureReason(failure->kind));
        return false;
    }
    platform::rememberSaveFolder(path);
    return true;
}

// The scene as the user would have chosen it by hand: its pictures looked up in the
// lists (one that is not there is named in a message and that list keeps its choice),
// the pan kept inside the map, and the Settings button on where those choices turn it on.
bool Wiring::openScene(const QString& path)
{
    const scene::SceneFileResult result = scene::readSceneFile(path);
    if (!result.ok()) {
        platform::dialogs().message(sceneFileMessage(path, result));
        return false;
    }
    const scene::SceneState before = sceneModel->state();
    scene::SceneState s = *result.state;
    auto* sources = settings->findChild<PopupMenu*>(QStringLiteral("PopupMenu3"));
    auto* backgrounds = settings->findChild<PopupMenu*>(QStringLiteral("PopupMenu11"));
    QStringList missing;

    // A scene that names no picture leaves that list's choice as it is.
    if (s.pattern.isEmpty()) s.pattern = before.pattern;
    if (s.background.isEmpty()) s.background = before.background;
    QImage pattern = sceneModel->pattern();
    if (s.pattern != before.pattern) {
        if (sources->findText(s.pattern) >= 0) {
            const platform::PictureResult picture
                = platform::openPicture(platform::child(platform::sourceFolder(), s.pattern));
            pattern = picture.ok() ? picture.image : QImage();
        } else {
            missing << QStringLiteral("元画像「%1」").arg(s.pattern);
            s.pattern = before.pattern;
        }
    }
    QImage background = sceneModel->backgroundPicture();
    bool flat = sceneModel->flatPlane();
    if (s.background != before.background) {
        const int row = backgrounds->findText(s.background);
        if (row > 0) {
            background = platform::openPicture(platform::child(platform::backgroundFolder(), s.background)).image;
            flat = false;
        } else if (row == 0) {
            background = QImage();
            flat = true;
        } else {
            missing << QStringLiteral("背景「%1」").arg(s.background);
            s.background = before.background;
        }
    }
    s.pan = flat || background.isNull() || s.zoomRow <= 0 ? QPoint()
                                                          : render::clampPan(background.size(), s.zoomRow, s.pan);
    for (const QString& picture : missing)
        platform::dialogs().message(QStringLiteral("場面の%1が見つかりません").arg(picture));

    sceneModel->applyScene(s, pattern, background, flat);
    // The Settings button comes on as the viewing-method, height and zoom lists turn it on.
    const bool line2Sized = s.lines[1].sizeRow > 0;
    if (((s.methodRow != before.methodRow || s.heightRow != before.heightRow) && line2Sized)
        || (s.zoomRow != before.zoomRow && !flat))
        main->enableSettingsButton();
    return true;
}

Wiring::~Wiring()
{
    // The menu tree outlives the window: it is built once for the whole program.
    Menu::instance()->setParent(nullptr);
    for (QAction* item : Menu::instance()->findChildren<QAction*>())
        disconnect(item, nullptr, this, nullptr);
    disconnect(sceneModel->undoStack(), nullptr, this, nullptr);
    delete main; // and the settings window, its transient
}

void Wiring::showUndoItems()
{
    const MenuItems& items = Menu::instance()->items();
    QUndoStack* stack = sceneModel->undoStack();
    const auto show = [](QAction* item, const QString& caption, bool can, const QString& step) {
        item->setEnabled(can);
        item->setText(can && !step.isEmpty() ? caption + QStringLiteral(": ") + step : caption);
    };
    show(items.undo, QStringLiteral("元に戻す"), stack->canUndo(), stack->undoText());
    show(items.redo, QStringLiteral("やり直し"), stack->canRedo(), stack->redoText());
}

// The opening sequence: the settings window with its start values at (350, 400), the
// picture lists from their folders, the font lists, both windows shown with the
// settings window in front, and from then on the lists follow the folders.
void Wiring::open()
{
    settings->placeContent(QPoint(350, 400));
    auto* sources = settings->findChild<PopupMenu*>(QStringLiteral("PopupMenu3"));
    auto* backgrounds = settings->findChild<PopupMenu*>(QStringLiteral("PopupMenu11"));
    main->setPictureLists(sources, backgrounds);

    // Source pictures. The second row is chosen at start (the first when there is only one).
    sources->DeleteAllRows();
    main->scanFolder(platform::sourceFolder(), true, sources, QStringLiteral("画像フォルダーに画像がありません"));
    if (sources->count() >= 2)
        sources->setListIndex(1);
    else if (sources->count() == 1)
        sources->setListIndex(0);

    // Backgrounds: the first row stands for the flat plane, yet its picture is what the
    // preview shows at start.
    backgrounds->DeleteAllRows();
    const QString folder = platform::backgroundFolder();
    if (main->scanFolder(folder, false, backgrounds, QStringLiteral("背景フォルダーに画像がありません"))) {
        backgrounds->setListIndex(0);
        const QString entry = platform::child(folder, backgrounds->Text());
        if (!entry.isEmpty()) sceneModel->refreshBackground(platform::openPicture(entry).image);
    }

    // Font lists: each family once, in the platform's order, nothing selected.
    settings->addFontFamilies(text::plainFamilies(QFontDatabase::families()));

    // What the opening sequence chose is the start, not a step to undo.
    sceneModel->undoStack()->clear();

    main->show();
    showInFront(settings);
    main->reportSeededFolders();
    main->followFolders();
}
