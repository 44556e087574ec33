// The two picture folders as the lists show them: the accepted pictures of each, in the
// platform's order, scanned now or followed while the program runs. A burst of changes
// in a folder makes one rescan; a folder removed and made again is followed at once.
// The model lists each folder as it is, save one rule: the background list's first
// entry stands for the flat plane, so it stays first (and listed) for as long as the
// model lives, and a map added later is a map whatever its name.
#pragma once

#include "platform/Files.h"
#include "scene/PictureLibrary.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

namespace scene {

class FolderModel : public QObject {
    Q_OBJECT
public:
    // A burst of changes in a folder makes one rescan, this long after its last change;
    // a copy that goes on for long is shown at least this often.
    static constexpr int kRescanDelayMs = 300;
    static constexpr int kRescanLongestWaitMs = 2000;

    explicit FolderModel(QObject* parent = nullptr);
    ~FolderModel() override;

    // The entry names of each folder as last scanned that platform::listedInFolder
    // accepts, in platform::listFolder's order (the flat plane first). Empty before the
    // first scan. Copies: a scan that runs while a caller walks them changes nothing
    // under its feet.
    QStringList sources() const { return source.pictures; }
    QStringList backgrounds() const { return background.pictures; }
    // The folders as last scanned; empty when missing.
    QString sourceFolder() const { return source.path; }
    QString backgroundFolder() const { return background.path; }

    // The user's folders that were made empty on this start (states NoSamples and
    // CopyFailed, the failure's detail with the latter), the source folder first.
    static QList<platform::PictureFolder> foldersMadeEmpty();

    // Scans both folders now (platform::sourceFolder(), platform::backgroundFolder()),
    // then emits filesChanged() when a listed file changed or vanished, and changed().
    // The scan lets events through (platform::yield); a change seen meanwhile is
    // scanned again after, and a rescan asked for meanwhile waits for it.
    void rescan();
    // From now on the folders are watched and each burst of changes is rescanned.
    void startWatching();
    bool watching() const { return watcher != nullptr; }

Q_SIGNALS:
    // Files listed by the previous scan that are gone or no longer as they were (written
    // again, replaced, copied over), by path: what was decoded from them is stale.
    // Emitted before changed(). The watcher sees entries come, go or be renamed over;
    // a file merely written over in place may wait for the next scan (the picture
    // library's own stamp check sees it at its next request). Connected to
    // PictureLibrary::forgetFiles, stale pictures are freed at once.
    void filesChanged(const QStringList& paths);
    // A scan ended; the lists may or may not differ.
    void changed();

private:
    struct Folder {
        bool isSource = true;
        QString path;
        QStringList pictures;
        QHash<QString, FileStamp> stamps; // of the listed files, by path
    };

    // Lists `path` into `folder`, adding to `stale` the files that changed or vanished.
    void scan(Folder& folder, const QString& path, QStringList& stale);
    void watchFolders();
    void folderChanged();

    Folder source;
    Folder background;
    QString flatEntry; // the background list's first entry, once there was one
    bool rescanning = false;
    QFileSystemWatcher* watcher = nullptr;
    QTimer* rescanTimer = nullptr;
    QElapsedTimer pendingSince; // since the first change of the waiting rescan
};

} // namespace scene
