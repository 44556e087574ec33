#include "app/PictureTransfer.h"

#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "scene/FolderModel.h"
#include "scene/Messages.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

// "ドロップ 2026-12-07 101503" and the like: a name for a picture that came without one.
QString timedName(const QString& stem, bool background)
{
    return stem + QLatin1Char(' ') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"))
        + QLatin1String(background ? ".jpg" : ".png");
}

} // namespace

PictureTransfer::PictureTransfer(scene::SceneModel* model, Window1* main, Window2* settings,
    std::function<bool(const QString&)> openScene, QObject* parent)
    : QObject(parent)
    , model(model)
    , main(main)
    , settings(settings)
    , openScene(std::move(openScene))
    , backgroundTargets(settings->backgroundDropTargets())
    , textFields(settings->textFields())
{
    setObjectName(QStringLiteral("PictureTransfer"));
    for (QWidget* target : QList<QWidget*> { main, settings } + backgroundTargets + textFields) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    const MenuItems items = Menu::instance()->items();
    connect(items.pastePicture, &QAction::triggered, this, &PictureTransfer::paste);
    connect(items.copyPicture, &QAction::triggered, this, &PictureTransfer::copy);
    connect(items.printPreview, &QAction::triggered, this, &PictureTransfer::preview);
    // Copy and the preview wait for the first picture.
    const auto follow = [items, main] {
        const bool shown = main->shownPicture() != nullptr;
        items.copyPicture->setEnabled(shown);
        items.printPreview->setEnabled(shown);
    };
    follow();
    connect(main, &Window1::pictureShown, this, follow);
    // Paste is there while the clipboard holds a picture or files.
    const auto pasteable = [items] {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        items.pastePicture->setEnabled(mime && (mime->hasImage() || !carriedFiles(mime).pictures.isEmpty()));
    };
    pasteable();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, pasteable);
}

PictureTransfer::Files PictureTransfer::carriedFiles(const QMimeData* mime)
{
    Files files;
    if (!mime || !mime->hasUrls()) return files;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().compare(QLatin1String("voleta"), Qt::CaseInsensitive) == 0)
            files.scenes << path;
        else
            files.pictures << path;
    }
    return files;
}

bool PictureTransfer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drop->mimeData();
    const Files files = carriedFiles(mime);
    const bool carriesFiles = !files.pictures.isEmpty() || !files.scenes.isEmpty();
    // Text dropped on a text field stays text; what carries neither files nor a picture
    // is not the program's to take.
    const bool field = textFields.contains(static_cast<QWidget*>(watched));
    if (!carriesFiles && (field || !mime->hasImage())) return QObject::eventFilter(watched, event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop) take(mime, backgroundTargets.contains(static_cast<QWidget*>(watched)));
    return true;
}

void PictureTransfer::take(const QMimeData* mime, bool background)
{
    const Files files = carriedFiles(mime);
    if (files.pictures.isEmpty() && files.scenes.isEmpty()) {
        bringInPicture(qvariant_cast<QImage>(mime->imageData()), QStringLiteral("ドロップ"), background);
        return;
    }
    if (!files.pictures.isEmpty()) bringIn(files.pictures, background);
    if (files.scenes.size() == 1)
        openScene(files.scenes.first());
    else if (files.scenes.size() > 1)
        platform::dialogs().message(scene::messages::oneSceneAtATime());
}

void PictureTransfer::choose(const QString& name, bool background)
{
    // The folder lists up to date first, then the choice a user makes in the list.
    model->folders()->rescan();
    if (background)
        model->chooseBackground(name, false);
    else
        model->choosePattern(name);
}

namespace {

// The folder pictures are brought into; empty, after saying so, when it is gone.
QString targetFolder(bool background)
{
    const QString folder = background ? platform::backgroundFolder() : platform::sourceFolder();
    if (folder.isEmpty()) platform::dialogs().message(scene::messages::folderNotFound(!background));
    return folder;
}

void reportNotAdded(bool background, const platform::Failure& failure)
{
    platform::dialogs().message(scene::messages::pictureNotAdded(background, failure.kind));
}

} // namespace

void PictureTransfer::bringIn(const QStringList& files, bool background)
{
    const QString folder = targetFolder(background);
    if (folder.isEmpty()) return;
    QString last;
    QStringList unreadable;
    std::optional<platform::Failure> notWritten;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    for (const QString& file : files) {
        // A picture of the folder itself is chosen, not copied again.
        if (QFileInfo(file).canonicalPath() == canonicalFolder
            && platform::listedInFolder(QFileInfo(file).fileName(), !background)) {
            last = QFileInfo(file).fileName();
            continue;
        }
        const platform::ImportResult result = platform::importPicture(file, folder, !background);
        if (result.ok())
            last = result.name;
        else if (result.unreadable)
            unreadable << QFileInfo(file).fileName();
        else if (!notWritten)
            notWritten = result.failure;
    }
    if (!last.isEmpty()) choose(last, background);
    // The lists' own words for a file that is not a readable picture, with its name.
    if (!unreadable.isEmpty()) platform::dialogs().message(scene::messages::picturesNotFound(unreadable));
    if (notWritten) reportNotAdded(background, *notWritten);
}

void PictureTransfer::bringInPicture(const QImage& picture, const QString& stem, bool background)
{
    const QString folder = targetFolder(background);
    if (folder.isEmpty()) return;
    // Nothing is written that the program could not read back: a picture beyond the
    // decoder's limits is refused as a dropped file of that size is.
    if (picture.isNull() || picture.width() > platform::kPictureSideLimit
        || picture.height() > platform::kPictureSideLimit) {
        platform::dialogs().message(scene::messages::pictureNotFound());
        return;
    }
    const platform::ImportResult result = platform::addPicture(picture, timedName(stem, background), folder);
    if (!result.ok()) return reportNotAdded(background, result.failure);
    choose(result.name, background);
}

void PictureTransfer::paste()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QStringList files = carriedFiles(mime).pictures;
    if (!files.isEmpty())
        bringIn(files, false);
    else if (mime && mime->hasImage())
        bringInPicture(qvariant_cast<QImage>(mime->imageData()), QStringLiteral("貼り付け"), false);
    else
        platform::dialogs().message(scene::messages::nothingToPaste());
}

void PictureTransfer::copy()
{
    if (const QImage* picture = main->shownPicture()) platform::dialogs().setClipboardImage(*picture);
}

void PictureTransfer::preview()
{
    // The page 画像 印刷 prints: the stereogram, once one is shown.
    if (main->shownPicture()) output::previewPicture(main->picture());
}
