#include "platform/Files.h"

#include <QBuffer>
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

    QString& applicationFolderOverride()
    {
        static QString path;
        return path;
    }

    bool& quitFlag()
    {
        static bool flag = false;
        return flag;
    }

    int& exitStatus()
    {
        static int status = 0;
        return status;
    }

    std::optional<PictureFolders>& folderChoice()
    {
        static std::optional<PictureFolders> folders;
        return folders;
    }

    bool isFolder(const QString& path)
    {
        return !path.isEmpty() && QFileInfo(path).isDir();
    }

    QString sizeText(QSize size)
    {
        return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
    }

    // Below this much free space a failed write is put down to a full disk.
    constexpr qint64 kNearlyFullBytes = 1024 * 1024;

    // Why writing `path` failed, from the path itself first (a folder that is missing
    // or is a file says more than the system's error), then from errno and the disk.
    FailureKind writeFailureKind(const QString& path, int error)
    {
        const QFileInfo target(path);
        if (target.fileName().isEmpty() || target.isDir()) return FailureKind::NameNotAllowed;
        const QFileInfo folder(target.absolutePath());
        if (!folder.exists()) {
            // A part of the path that is a file makes the name impossible; otherwise a
            // folder on the way is simply missing.
            for (QString part = folder.absoluteFilePath();;) {
                const QFileInfo info(part);
                if (info.exists()) return info.isDir() ? FailureKind::FolderMissing : FailureKind::NameNotAllowed;
                const QString up = info.absolutePath();
                if (up == part) break;
                part = up;
            }
            return FailureKind::FolderMissing;
        }
        if (!folder.isDir()) return FailureKind::NameNotAllowed;
        const FailureKind kind = failureFromErrno(error, FailureKind::WriteFailed);
        if (kind != FailureKind::WriteFailed) return kind;
        if (!folder.isWritable()) return FailureKind::NoPermission;
        const QStorageInfo storage(folder.absoluteFilePath());
        if (storage.isValid() && storage.bytesAvailable() < kNearlyFullBytes) return FailureKind::NoSpace;
        return kind;
    }

} // namespace

QString applicationFolder()
{
    const QString& o = applicationFolderOverride();
    return o.isEmpty() ? QCoreApplication::applicationDirPath() : o;
}

void setApplicationFolder(const QString& path)
{
    applicationFolderOverride() = path;
}

QString child(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return {};
    const QString path = QDir(folder).filePath(name);
    return QFileInfo::exists(path) ? path : QString();
}

QString sourceFolder()
{
    const QString path = pictureFolders().source.path;
    return isFolder(path) ? path : QString();
}

QString backgroundFolder()
{
    const QString path = pictureFolders().background.path;
    return isFolder(path) ? path : QString();
}

FolderPlaces standardFolderPlaces()
{
    // The program's own lower-case name, as in bin/voleta and share/voleta. (Qt's
    // AppDataLocation would take the application name "Voleta", which also names the
    // windows' class for the desktop entry, so it is not changed to suit a folder.)
    const QString name = QStringLiteral("voleta");
    FolderPlaces places;
    places.applicationFolder = applicationFolder();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty()) places.userFolder = QDir(data).filePath(name);
    places.sampleFolders << QDir::cleanPath(
        places.applicationFolder + QStringLiteral("/../share/") + name + QStringLiteral("/samples"));
    const QStringList installed = QStandardPaths::locateAll(
        QStandardPaths::GenericDataLocation, name + QStringLiteral("/samples"), QStandardPaths::LocateDirectory);
    for (const QString& folder : installed) {
        const QString clean = QDir::cleanPath(folder);
        if (!places.sampleFolders.contains(clean)) places.sampleFolders << clean;
    }
    return places;
}

namespace {

    // Asks the system to put a folder's entries on the disk now (where it can).
    void syncFolder(const QString& folder)
    {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        ::fsync(fd);
        ::close(fd);
    }

    // Copies a file through the safe writer: the bytes reach the disk before the copy
    // gets its name. False with `error` (an errno value, 0 when none) and `detail`.
    bool copyFlushed(const QString& from, const QString& to, int& error, QString& detail)
    {
        QFile source(from);
        QSaveFile copy(to);
        errno = 0;
        if (!source.open(QIODevice::ReadOnly)) {
            error = errno;
            detail = source.errorString();
            return false;
        }
        errno = 0;
        if (!copy.open(QIODevice::WriteOnly)) {
            error = errno;
            detail = copy.errorString();
            return false;
        }
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(1 << 20);
            errno = 0;
            if (source.error() != QFile::NoError || copy.write(chunk) != chunk.size()) {
                error = errno;
                detail = source.error() != QFile::NoError ? source.errorString() : copy.errorString();
                copy.cancelWriting();
                return false;
            }
        }
        errno = 0;
        if (!copy.flush() || ::fsync(copy.handle()) != 0 || !copy.commit()) {
            error = errno;
            detail = copy.errorString();
            return false;
        }
        return true;
    }

    // The hidden folder a copy of the samples is made in, beside the user's folder
    // `name`: ".<name>-" and six letters or digits.
    QRegularExpression stagingName(const QString& name)
    {
        return QRegularExpression(QStringLiteral("^\\.%1-[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(name)));
    }

    // Removes the hidden copies an interrupted start left beside the user's folder `name`.
    void removeLeftStaging(const QString& userFolder, const QString& name)
    {
        const QRegularExpression staging = stagingName(name);
        const QDir dir(userFolder);
        const QStringList entries = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        for (const QString& entry : entries)
            if (staging.match(entry).hasMatch()) QDir(dir.filePath(entry)).removeRecursively();
    }

    // Makes the user's folder `target` with a copy of the samples folder `samples`
    // (none when empty). The copy is made in a hidden folder beside the target, each
    // file flushed to the disk, and moved into place when complete; a hidden folder left
    // by an interrupted start is removed at the next.
    PictureFolder seedFolder(const QString& target, const QString& samples)
    {
        PictureFolder result { target, FolderState::Seeded, std::nullopt };
        const QFileInfo info(target);
        QTemporaryDir staging(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral("-XXXXXX"));
        if (!staging.isValid()) return { {}, FolderState::Missing, std::nullopt };
        QFile::setPermissions(staging.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser
                | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        if (samples.isEmpty()) {
            result.state = FolderState::NoSamples;
        } else {
            const QDir from(samples);
            const QStringList files = from.entryList(QDir::Files | QDir::Hidden, QDir::Name);
            for (const QString& file : files) {
                const QString original = from.filePath(file);
                const QString copy = QDir(staging.path()).filePath(file);
                int error = 0;
                QString detail;
                if (!copyFlushed(original, copy, error, detail)) {
                    result.state = FolderState::CopyFailed;
                    result.failure = Failure { failureFromErrno(error, FailureKind::WriteFailed), original, detail };
                    break;
                }
                // The user's own copy, whatever the installed file allowed.
                QFile::setPermissions(copy, QFile::permissions(original) | QFile::ReadOwner | QFile::WriteOwner);
            }
            if (result.state == FolderState::CopyFailed) {
                // Nothing half-copied: the folder is made empty instead.
                const QStringList copied = QDir(staging.path()).entryList(QDir::Files | QDir::Hidden);
                for (const QString& file : copied)
                    QFile::remove(QDir(staging.path()).filePath(file));
            }
        }
        syncFolder(staging.path());
        if (QDir().rename(staging.path(), target)) {
            staging.setAutoRemove(false);
            syncFolder(info.absolutePath());
            return result;
        }
        // Another start of the program may have made it meanwhile: then it is that one.
        if (isFolder(target)) return { target, FolderState::Existing, std::nullopt };
        return { {}, FolderState::Missing, std::nullopt };
    }

    PictureFolder userPictureFolder(const FolderPlaces& places, const QString& name)
    {
        if (places.userFolder.isEmpty()) return {};
        removeLeftStaging(places.userFolder, name);
        const QString target = QDir(places.userFolder).filePath(name);
        const QFileInfo info(target);
        if (info.exists() || info.isSymLink()) // never touched, even when it is not a folder
            return info.isDir() ? PictureFolder { target, FolderState::Existing, std::nullopt } : PictureFolder {};
        if (!QDir().mkpath(places.userFolder)) return {};
        QString samples;
        for (const QString& root : places.sampleFolders) {
            const QString candidate = child(root, name);
            if (isFolder(candidate)) {
                samples = candidate;
                break;
            }
        }
        return seedFolder(target, samples);
    }

} // namespace

PictureFolders resolvePictureFolders(const FolderPlaces& places)
{
    const QString source = child(places.applicationFolder, kSourceFolderName);
    const QString background = child(places.applicationFolder, kBackgroundFolderName);
    if (isFolder(source) || isFolder(background)) {
        auto beside = [](const QString& path) {
            return isFolder(path) ? PictureFolder { path, FolderState::BesideApplication, std::nullopt }
                                  : PictureFolder {};
        };
        return { beside(source), beside(background) };
    }
    return { userPictureFolder(places, kSourceFolderName), userPictureFolder(places, kBackgroundFolderName) };
}

void usePictureFolders(const PictureFolders& folders)
{
    folderChoice() = folders;
}

PictureFolders pictureFolders()
{
    if (folderChoice()) return *folderChoice();
    // Not resolved: the folders beside the application, by name, as they are now.
    const QDir app(applicationFolder());
    return { { app.filePath(kSourceFolderName), FolderState::BesideApplication, std::nullopt },
        { app.filePath(kBackgroundFolderName), FolderState::BesideApplication, std::nullopt } };
}

QStringList listFolder(const QString& folder, bool* ok)
{
    QDir dir(folder);
    const bool readable = !folder.isEmpty() && dir.exists() && dir.isReadable();
    if (ok) *ok = readable;
    if (!readable) return {};
    // Files and folders alike, as a folder lists its entries; sorted by name.
    QStringList names
        = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

bool listedBefore(const QString& a, const QString& b)
{
    // As people read a list of files: numbers by their value ("2.jpg" before "10.jpg"),
    // a name before the same name with more after it ("mypat.png" before
    // "mypat (2).png"), so the names are compared before their extensions. Names that
    // collate alike still come in one fixed order, by their characters.
    static const QCollator collator = [] {
        QCollator c { QLocale(QLocale::Japanese, QLocale::Japan) };
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    const auto stem = [](const QString& name) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        return dot > 0 ? QStringView(name).left(dot) : QStringView(name);
    };
    if (const int byStem = collator.compare(stem(a), stem(b))) return byStem < 0;
    if (const int byName = collator.compare(a, b)) return byName < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

FailureKind failureFromErrno(int error, FailureKind fallback)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return FailureKind::NoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureKind::NoPermission;
    case ENAMETOOLONG:
    case ENOTDIR:
    case EISDIR:
    case EILSEQ:
        return FailureKind::NameNotAllowed;
    default:
        return fallback;
    }
}

PictureResult openPicture(const QString& path, const PictureRequest& request)
{
    PictureResult result;
    result.failure.file = path;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        result.failure.kind = FailureKind::Missing;
        return result;
    }
    if (!info.isFile()) { // a folder, a pipe (reading it could wait for ever) or a device
        result.failure.kind = FailureKind::NotAFile;
        return result;
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        result.failure.kind = failureFromErrno(errno, FailureKind::NoPermission);
        result.failure.detail = file.errorString();
        return result;
    }
    result = decodePicture(&file, request);
    result.failure.file = path;
    return result;
}

PictureResult decodePicture(QIODevice* device, const PictureRequest& request)
{
    PictureResult result;
    auto fail = [&](FailureKind kind, const QString& detail) {
        result.failure.kind = kind;
        result.failure.detail = detail;
        return result;
    };
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
    QImageReader reader(device);
    reader.setAutoTransform(true); // EXIF orientation
    reader.setDecideFormatFromContent(true); // a PNG named .jpg is still a PNG
    // The size is checked before decoding: a header may claim anything.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kPictureSideLimit || size.height() > kPictureSideLimit))
        return fail(FailureKind::TooLarge, sizeText(size));
    if (size.isValid() && request.exactSize.isValid() && size != request.exactSize)
        return fail(FailureKind::WrongSize, sizeText(size));
    QImage image = reader.read();
    if (image.isNull()) return fail(FailureKind::NotAPicture, reader.errorString());
    if (request.exactSize.isValid() && image.size() != request.exactSize)
        return fail(FailureKind::WrongSize, sizeText(image.size()));
    if (image.format() != request.format) image.convertTo(request.format);
    result.image = std::move(image);
    return result;
}

namespace {

    // The file's bytes of `image` in `format` (quality -1: the writer's default); empty,
    // with the encoder's reason in `error`, when it cannot be encoded.
    QByteArray encodePicture(const QImage& image, const char* format, int quality, QString* error = nullptr)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (quality >= 0) writer.setQuality(quality);
        if (writer.write(image)) return bytes;
        if (error) *error = writer.errorString();
        return {};
    }

} // namespace

std::optional<Failure> writePicture(const QImage& image, const QString& path, const char* format, int quality)
{
    // Encoded in memory first, then written whole by writeFile: an encoder writing
    // straight into the file does not notice a short write.
    QString error;
    const QByteArray bytes = encodePicture(image, format, quality, &error);
    if (bytes.isEmpty()) return Failure { writeFailureKind(path, 0), path, error };
    return writeFile(bytes, path);
}

std::optional<Failure> writeFile(const QByteArray& bytes, const QString& path)
{
    auto fail = [&](int error, const QString& detail) {
        return Failure { writeFailureKind(path, error), path, detail };
    };
    QSaveFile file(path);
    errno = 0;
    // Unbuffered, so a short write (a full disk, a file size limit) is seen here; a
    // buffered one can lose the rest at commit without a word.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(errno, file.errorString());
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int error = errno;
        const QString detail = file.error() != QFileDevice::NoError ? file.errorString()
            : error != 0                                            ? QString::fromLocal8Bit(std::strerror(error))
                                                                    : QStringLiteral("a short write");
        file.cancelWriting();
        return fail(error, detail);
    }
    errno = 0;
    if (!file.commit()) return fail(errno, file.errorString());
    return std::nullopt;
}

bool listedInFolder(const QString& name, bool sourceFolder)
{
    if (name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)) return true;
    if (!sourceFolder) return false;
    for (const char* ending : { ".pict", ".pct", ".png" }) {
        if (name.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
    }
    return false;
}

QString numberedName(const QString& name, int n)
{
    if (n <= 1) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot < 0 ? name.size() : dot;
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

namespace {

    // A picture file is read whole to be checked and copied; beyond this it is refused.
    constexpr qint64 kLargestPictureFileBytes = 512LL * 1024 * 1024;
    // The numbers tried after a name before giving up.
    constexpr int kLastNumber = 10000;

    ImportResult importFailure(FailureKind kind, const QString& file, const QString& detail, bool unreadable)
    {
        ImportResult result;
        result.failure = { kind, file, detail };
        result.unreadable = unreadable;
        return result;
    }

    // Gives the file `from` the name `to` unless something already has that name, in one
    // step, so a file made meanwhile is never replaced. 0, or the errno value.
    int renameNoReplace(const QString& from, const QString& to)
    {
        const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
        // A file system without it: a hard link is made only where there is no name.
        if (::link(source.constData(), target.constData()) != 0) return errno;
        ::unlink(source.constData());
        return 0;
    }

    // Writes `bytes` into `folder` as `name`, or the first free numbered name. The bytes
    // go to a hidden temporary file first (no picture extension, so no list shows it),
    // which is then renamed; a rename never replaces an existing file, and a name taken
    // meanwhile, by anyone, moves on to the next number.
    ImportResult writeNewFile(const QByteArray& bytes, const QString& name, const QString& folder)
    {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            return importFailure(FailureKind::FolderMissing, folder, {}, false);
        const QDir dir(folder);
        QTemporaryFile temp(dir.filePath(QStringLiteral(".voleta-copy-XXXXXX")));
        errno = 0;
        if (!temp.open()) {
            const QString path = dir.filePath(name);
            return importFailure(writeFailureKind(path, errno), path, temp.errorString(), false);
        }
        errno = 0;
        const bool written = temp.write(bytes) == bytes.size() && temp.flush() && ::fsync(temp.handle()) == 0;
        const int error = errno;
        temp.close();
        if (!written) {
            const QString path = dir.filePath(name);
            return importFailure(writeFailureKind(path, error), path, temp.errorString(), false);
        }
        // The temporary file is made for the owner alone; the copy is a normal file.
        temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup
            | QFile::ReadOther);
        for (int n = 1; n <= kLastNumber; ++n) {
            const QString candidate = numberedName(name, n);
            const QString path = dir.filePath(candidate);
            const int renameError = renameNoReplace(temp.fileName(), path);
            if (renameError == 0) {
                temp.setAutoRemove(false);
                ImportResult result;
                result.name = candidate;
                return result;
            }
            if (renameError == EEXIST) continue; // taken, by anyone, even just now
            return importFailure(
                writeFailureKind(path, renameError), path, QString::fromLocal8Bit(std::strerror(renameError)), false);
        }
        return importFailure(FailureKind::NameNotAllowed, dir.filePath(name), {}, false);
    }

} // namespace

ImportResult importPicture(const QString& sourcePath, const QString& folder, bool sourceFolder)
{
    const QFileInfo info(sourcePath);
    if (sourcePath.isEmpty() || !info.exists()) return importFailure(FailureKind::Missing, sourcePath, {}, true);
    if (!info.isFile()) return importFailure(FailureKind::NotAFile, sourcePath, {}, true);
    if (info.size() > kLargestPictureFileBytes) return importFailure(FailureKind::TooLarge, sourcePath, {}, true);
    QFile file(sourcePath);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return importFailure(failureFromErrno(errno, FailureKind::NoPermission), sourcePath, file.errorString(), true);
    const QByteArray bytes = file.read(kLargestPictureFileBytes + 1);
    if (bytes.size() > kLargestPictureFileBytes) return importFailure(FailureKind::TooLarge, sourcePath, {}, true);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    PictureResult picture = decodePicture(&buffer);
    if (!picture.ok()) return importFailure(picture.failure.kind, sourcePath, picture.failure.detail, true);

    const QString name = info.fileName();
    if (listedInFolder(name, sourceFolder)) return writeNewFile(bytes, name, folder);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return addPicture(
        picture.image, (dot <= 0 ? name : name.left(dot)) + QLatin1String(sourceFolder ? ".png" : ".jpg"), folder);
}

ImportResult addPicture(const QImage& picture, const QString& name, const QString& folder)
{
    // A background's relief is its blue values: JPEG at 100 keeps them as well as JPEG can.
    const bool png = name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
    const QByteArray bytes = encodePicture(picture, png ? "png" : "jpeg", png ? kPngQuality : 100);
    if (bytes.isEmpty()) return importFailure(FailureKind::WriteFailed, QDir(folder).filePath(name), {}, false);
    return writeNewFile(bytes, name, folder);
}

namespace {
    std::function<void()>& yieldHook()
    {
        static std::function<void()> hook;
        return hook;
    }
} // namespace

void setYieldHook(std::function<void()> hook)
{
    yieldHook() = std::move(hook);
}

void yield()
{
    if (yieldHook()) {
        yieldHook()();
        return;
    }
    static QElapsedTimer timer;
    if (!timer.isValid()) {
        timer.start();
        return;
    }
    if (timer.elapsed() >= 15) {
        QCoreApplication::processEvents();
        timer.restart();
    }
}

void requestQuit(int status)
{
    quitFlag() = true;
    exitStatus() = std::max(exitStatus(), status);
    if (QCoreApplication::instance())
        // exit() rather than quit(): quitting would first ask every window to close,
        // and the settings window refuses that.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (quitFlag()) QCoreApplication::exit(exitStatus());
            },
            Qt::QueuedConnection);
}

bool quitRequested()
{
    return quitFlag();
}

int quitStatus()
{
    return exitStatus();
}

void resetQuitRequest()
{
    quitFlag() = false;
    exitStatus() = 0;
}

} // namespace platform
