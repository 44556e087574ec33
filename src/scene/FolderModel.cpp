#include "scene/FolderModel.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace scene {

FolderModel::FolderModel(QObject* parent)
    : QObject(parent)
    , rescanTimer(new QTimer(this))
{
    source.isSource = true;
    background.isSource = false;
    rescanTimer->setSingleShot(true);
    connect(rescanTimer, &QTimer::timeout, this, &FolderModel::rescan);
}

FolderModel::~FolderModel() = default;

QList<platform::PictureFolder> FolderModel::foldersMadeEmpty()
{
    const platform::PictureFolders folders = platform::pictureFolders();
    QList<platform::PictureFolder> empty;
    for (const platform::PictureFolder& f : { folders.source, folders.background })
        if (f.state == platform::FolderState::NoSamples || f.state == platform::FolderState::CopyFailed) empty << f;
    return empty;
}

void FolderModel::rescan()
{
    if (rescanning) { // asked for, or a change seen, while the lists are being made
        rescanTimer->start(kRescanDelayMs);
        return;
    }
    rescanning = true;
    rescanTimer->stop();
    QStringList stale;
    scan(source, platform::sourceFolder(), stale);
    scan(background, platform::backgroundFolder(), stale);
    if (watcher) watchFolders();
    rescanning = false;
    if (!stale.isEmpty()) Q_EMIT filesChanged(stale);
    Q_EMIT changed();
}

void FolderModel::scan(Folder& folder, const QString& path, QStringList& stale)
{
    QStringList pictures;
    QHash<QString, FileStamp> stamps;
    if (!path.isEmpty()) {
        const QDir dir(path);
        for (const QString& name : platform::listFolder(path)) {
            if (platform::listedInFolder(name, folder.isSource)) {
                pictures << name;
                const QString file = dir.filePath(name);
                stamps.insert(file, fileStamp(file));
            }
            platform::yield(); // a folder of thousands on a slow disk keeps the window alive
        }
    }
    for (auto was = folder.stamps.cbegin(); was != folder.stamps.cend(); ++was) {
        const auto now = stamps.constFind(was.key());
        if (now == stamps.cend() || now.value() != was.value()) stale << was.key();
    }

    // The first background entry ever listed is the flat plane: it stays first, even
    // when its file is gone, so that choice keeps its meaning.
    if (!folder.isSource) {
        if (flatEntry.isEmpty() && !pictures.isEmpty()) flatEntry = pictures.first();
        if (!flatEntry.isEmpty()) {
            pictures.removeOne(flatEntry);
            pictures.prepend(flatEntry);
        }
    }
    folder.path = path;
    folder.pictures = pictures;
    folder.stamps = stamps;
}

void FolderModel::startWatching()
{
    if (watcher) return;
    watcher = new QFileSystemWatcher(this);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, &FolderModel::folderChanged);
    watchFolders();
}

void FolderModel::watchFolders()
{
    // A folder that is removed drops out of the watcher. The folder holding it is
    // watched too, so that making it again is seen (and it is watched again) at once.
    const platform::PictureFolders folders = platform::pictureFolders();
    for (const QString& path : { folders.source.path, folders.background.path }) {
        if (path.isEmpty()) continue;
        const QFileInfo folder(path);
        for (const QString& watched : { folder.absolutePath(), folder.absoluteFilePath() })
            if (QFileInfo(watched).isDir() && !watcher->directories().contains(watched)) watcher->addPath(watched);
    }
}

void FolderModel::folderChanged()
{
    if (!rescanTimer->isActive()) pendingSince.start();
    if (!rescanTimer->isActive() || pendingSince.elapsed() < kRescanLongestWaitMs) rescanTimer->start(kRescanDelayMs);
}

} // namespace scene
