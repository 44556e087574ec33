// The main window's picture folders: the start-up scan, the lists that follow the
// folders while the program runs, and opening a folder in the file manager.
#include "main_window/Window1.h"

#include "controls/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

// A burst of changes in a folder makes one rescan, this long after its last change;
// a copy that goes on for long is shown at least this often.
constexpr int kRescanDelayMs = 300;
constexpr int kRescanLongestWaitMs = 2000;

} // namespace

void Window1::reportSeededFolders()
{
    const platform::PictureFolders folders = platform::pictureFolders();
    // One message for each way of ending up empty, naming the folders made so.
    const auto report = [&](platform::FolderState state, const QString& because) {
        QStringList paths;
        QString why;
        for (const platform::PictureFolder& f : { folders.source, folders.background }) {
            if (f.state != state) continue;
            paths << f.path;
            // Only a failed copy has a reason worth showing.
            if (state == platform::FolderState::CopyFailed && f.failure && why.isEmpty()) why = f.failure->detail;
        }
        if (paths.isEmpty()) return;
        platform::dialogs().message(because
            + QStringLiteral("、次のフォルダーを空のまま作りました。画像を入れてからお使いください。\n")
            + paths.join(QLatin1Char('\n')) + (why.isEmpty() ? QString() : QStringLiteral("\n（%1）").arg(why)));
    };
    report(platform::FolderState::NoSamples, QStringLiteral("見本の画像がインストールされていないため"));
    report(platform::FolderState::CopyFailed, QStringLiteral("見本の画像をコピーできなかったため"));
}

QStringList Window1::listPictures(const QString& folder, bool sourceFolder)
{
    QStringList pictures;
    const QStringList names = platform::listFolder(folder);
    for (const QString& name : names) {
        if (platform::listedInFolder(name, sourceFolder)) pictures << name;
        platform::yield();
    }
    return pictures;
}

bool Window1::scanFolder(const QString& folder, bool sourceFolder, PopupMenu* list, const QString& missing)
{
    if (folder.isEmpty()) {
        platform::dialogs().message(missing);
        platform::requestQuit(platform::kExitFailure);
        return false;
    }
    const QStringList pictures = listPictures(folder, sourceFolder);
    for (const QString& name : pictures)
        list->AddRow(name);
    return true;
}

void Window1::watchFolders()
{
    // A folder that was removed drops out of the watcher. The folder holding it is
    // watched too, so that making it again is seen (and it is watched again) at once.
    const platform::PictureFolders folders = platform::pictureFolders();
    for (const QString& path : { folders.source.path, folders.background.path }) {
        if (path.isEmpty()) continue;
        const QFileInfo folder(path);
        for (const QString& watched : { folder.absolutePath(), folder.absoluteFilePath() })
            if (QFileInfo(watched).isDir() && !folderWatcher->directories().contains(watched))
                folderWatcher->addPath(watched);
    }
}

void Window1::folderChanged()
{
    if (!rescanTimer->isActive()) pendingSince.start();
    if (!rescanTimer->isActive() || pendingSince.elapsed() < kRescanLongestWaitMs) rescanTimer->start(kRescanDelayMs);
}

bool Window1::rescanPending() const
{
    return rescanTimer->isActive();
}

void Window1::rescanFolders()
{
    if (rescanning) { // a change came in while the lists were being made
        rescanTimer->start(kRescanDelayMs);
        return;
    }
    rescanning = true;
    rescanTimer->stop();
    const bool sourceKept = followFolder(platform::sourceFolder(), true, sourceList);
    const bool backgroundKept = followFolder(platform::backgroundFolder(), false, backgroundList);
    vanishedRowListed = sourceKept || backgroundKept;
    watchFolders();
    rescanning = false;
    Q_EMIT foldersRescanned();
}

// Puts a folder's pictures in its list; returns whether the chosen row's file is gone
// and the row was kept all the same.
bool Window1::followFolder(const QString& folder, bool sourceFolder, PopupMenu* list)
{
    QStringList rows = listPictures(folder, sourceFolder);
    const QStringList old = list->Rows();
    // The background list's first row stands for the flat plane: it stays first, so
    // that choice keeps its meaning and a newly added map, whatever its name, is a map.
    if (!sourceFolder && !old.isEmpty()) {
        rows.removeOne(old.first());
        rows.prepend(old.first());
    }
    const int chosen = list->ListIndex();
    bool kept = false;
    if (chosen >= 0 && !rows.contains(old[chosen])) {
        // The chosen file is gone: its row stays, in its place by name.
        const auto first = rows.begin() + (sourceFolder || rows.isEmpty() ? 0 : 1);
        rows.insert(std::lower_bound(first, rows.end(), old[chosen], platform::listedBefore), old[chosen]);
        kept = true;
    }
    list->ReplaceRows(rows);
    return kept;
}

bool Window1::openSourceFolder()
{
    openFolder(platform::sourceFolder(), platform::pictureFolders().source.path, platform::kSourceFolderName);
    return false;
}

bool Window1::openBackgroundFolder()
{
    openFolder(
        platform::backgroundFolder(), platform::pictureFolders().background.path, platform::kBackgroundFolderName);
    return false;
}

// Opens `folder` in the file manager; when it is gone, says so with the place it had.
void Window1::openFolder(const QString& folder, const QString& path, const QString& name)
{
    if (folder.isEmpty()) {
        platform::dialogs().message(
            name + QStringLiteral("が見つかりません") + (path.isEmpty() ? QString() : QStringLiteral("\n") + path));
        return;
    }
    platform::dialogs().openUrl(QUrl::fromLocalFile(folder));
}
