// The decoded pattern and map pictures, each file decoded once while it stays as it was
// and shared by everyone who shows or composes it. The library keeps what it decoded
// within a byte bound, least recently used first, yet never lets go of a picture that
// is still in use elsewhere: that would free nothing and only make the next request
// decode it a second time.
#pragma once

#include "platform/Files.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <list>

namespace scene {

// What a file looks like on disk, as far as telling whether its content may have
// changed: a rewrite moves the modification time, a copy that keeps the old time or a
// file renamed over it moves the status-change time (and the birth time, where the file
// system keeps one). A file that is not there has an empty stamp.
struct FileStamp {
    bool exists = false;
    bool isFile = false; // a plain file (not a folder, pipe or device)
    qint64 size = -1;
    qint64 modified = 0; // milliseconds since the epoch
    qint64 statusChanged = 0;
    qint64 born = 0; // 0 where the file system keeps no birth time
    bool operator==(const FileStamp&) const = default;
};
// The stamp of `path` now (one stat, nothing cached).
FileStamp fileStamp(const QString& path);

// Used from one thread, the one its owner lives in.
class PictureLibrary : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultBound = 512LL * 1024 * 1024;
    // Failures cost no pixels; this many are remembered, the least recently asked for
    // forgotten first.
    static constexpr int kFailureLimit = 64;

    explicit PictureLibrary(QObject* parent = nullptr);
    ~PictureLibrary() override;

    // The picture in the file at `path` (Format_RGB32, as platform::openPicture reads it),
    // or why it cannot be read. The file is stat'ed on every call and decoded again only
    // when its stamp differs from the one it was decoded with, so a file that changed
    // or vanished is never answered from memory. The image is a shared copy of the one
    // the library holds: it costs no pixels until someone writes to it. A failure is
    // remembered for the same stamp too. An empty path is Missing and not remembered.
    platform::PictureResult picture(const QString& path);

    // Bytes of decoded pixels held, the entries held (pictures and failures).
    qint64 bytes() const { return heldBytes; }
    int count() const { return int(entries.size()); }
    // The bound is kept at every request and when it is set: pictures are let go of,
    // least recently used first, only while bytes() exceeds it, so one that fills the
    // bound exactly stays. A picture in use (its image shared outside the library: a
    // window shows it, a stage reads it) stays, and so does the one a request hands
    // out even alone above the bound: bytes() exceeds the bound by at most what is in use.
    void setBound(qint64 bytes);
    // How many requests were not answered from memory (each opened the file anew).
    int decodes() const { return decodeCount; }

public Q_SLOTS:
    // The file at `path` changed or vanished: what was decoded from it is let go of
    // (whoever still shows it keeps their copy), and the next request reads it again.
    void forget(const QString& path);
    void forgetFiles(const QStringList& paths);

private:
    struct Entry {
        QString path;
        FileStamp stamp;
        platform::PictureResult result;
        qint64 cost() const { return result.image.sizeInBytes(); }
        // Someone besides the library holds the picture.
        bool inUse() const { return !result.image.isNull() && !result.image.isDetached(); }
    };
    using Entries = std::list<Entry>; // most recently used first

    static QString keyOf(const QString& path);
    Entries::iterator drop(Entries::iterator entry); // the entry after it
    // Lets go of the least recently used pictures not in use until the bytes fit the
    // bound, and of the oldest failures beyond kFailureLimit.
    void trim();

    Entries entries;
    QHash<QString, Entries::iterator> byPath;
    qint64 heldBytes = 0;
    qint64 byteBound = kDefaultBound;
    int decodeCount = 0;
};

} // namespace scene
