#include "scene/PictureLibrary.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace scene {

namespace {

    qint64 msecs(const QDateTime& time)
    {
        return time.isValid() ? time.toMSecsSinceEpoch() : 0;
    }

} // namespace

FileStamp fileStamp(const QString& path)
{
    FileStamp stamp;
    if (path.isEmpty()) return stamp;
    const QFileInfo info(path); // a fresh QFileInfo stats the file now
    if (!info.exists()) return stamp;
    stamp.exists = true;
    stamp.isFile = info.isFile();
    stamp.size = info.size();
    stamp.modified = msecs(info.lastModified());
    stamp.statusChanged = msecs(info.metadataChangeTime());
    stamp.born = msecs(info.birthTime());
    return stamp;
}

PictureLibrary::PictureLibrary(QObject* parent)
    : QObject(parent)
{
}

PictureLibrary::~PictureLibrary() = default;

QString PictureLibrary::keyOf(const QString& path)
{
    // One entry however the path is spelt ("a/./b.jpg", a relative path).
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

platform::PictureResult PictureLibrary::picture(const QString& path)
{
    if (path.isEmpty()) return platform::openPicture(path);
    const QString key = keyOf(path);
    // Stat'ed before decoding: a file that changes while it is decoded has moved on
    // from this stamp, so the next request reads it again.
    const FileStamp stamp = fileStamp(key);

    platform::PictureResult result;
    const auto found = byPath.constFind(key);
    if (found != byPath.cend() && found.value()->stamp == stamp) {
        entries.splice(entries.begin(), entries, found.value()); // now the most recently used
        result = entries.front().result;
    } else {
        if (found != byPath.cend()) drop(found.value());
        ++decodeCount;
        entries.push_front({ key, stamp, platform::openPicture(key) });
        byPath.insert(key, entries.begin());
        heldBytes += entries.front().cost();
        result = entries.front().result;
    }
    // `result` shares the picture while the library trims, so the one just asked for
    // counts as in use and stays even when it alone exceeds the bound.
    trim();
    result.failure.file = path;
    return result;
}

void PictureLibrary::setBound(qint64 bytes)
{
    byteBound = std::max<qint64>(0, bytes);
    trim();
}

void PictureLibrary::forget(const QString& path)
{
    if (path.isEmpty()) return;
    const auto found = byPath.constFind(keyOf(path));
    if (found != byPath.cend()) drop(found.value());
}

void PictureLibrary::forgetFiles(const QStringList& paths)
{
    for (const QString& path : paths)
        forget(path);
}

PictureLibrary::Entries::iterator PictureLibrary::drop(Entries::iterator entry)
{
    heldBytes -= entry->cost();
    byPath.remove(entry->path);
    return entries.erase(entry);
}

void PictureLibrary::trim()
{
    // From the least recently used towards the most; pictures in use are stepped over.
    auto entry = entries.end();
    while (heldBytes > byteBound && entry != entries.begin()) {
        --entry;
        if (entry->result.ok() && !entry->inUse()) entry = drop(entry);
    }
    int failures = 0;
    for (entry = entries.begin(); entry != entries.end();) {
        if (!entry->result.ok() && ++failures > kFailureLimit)
            entry = drop(entry);
        else
            ++entry;
    }
}

} // namespace scene
