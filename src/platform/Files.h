// The files half of the platform layer (QtGui only, no widget): the folder beside the
// application and the picture folders in it, ordered folder listings, reading and
// writing pictures, quitting, and the throttled yield. Nothing here words a failure:
// it comes back as a kind plus the file and a detail, and whoever shows it words it.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QIODevice;

namespace platform {

// ---- Folders ------------------------------------------------------------------

// The folder that holds the application. Tests point it elsewhere with
// setApplicationFolder().
QString applicationFolder();
void setApplicationFolder(const QString& path); // empty = back to the real one

// Path of an entry named `name` inside `folder`; empty when it does not exist.
QString child(const QString& folder, const QString& name);

// The two picture folders, by the names the user sees on disk.
inline const QString kSourceFolderName = QStringLiteral("画像フォルダ"); // pattern pictures
inline const QString kBackgroundFolderName
    = QStringLiteral("背景フォルダ"); // terrain maps; the first is the flat plane
// Where they are now; empty when the folder does not exist (any more).
QString sourceFolder();
QString backgroundFolder();

// The names of the entries of a folder (files, hidden ones too), sorted by name
// (listedBefore). `ok` is false when the folder cannot be read.
QStringList listFolder(const QString& folder, bool* ok = nullptr);
// The order of listFolder: as people read file names (numbers by value, a name before
// its longer variants, extensions last), one fixed order whatever the machine's language.
bool listedBefore(const QString& a, const QString& b);

// ---- Failures -----------------------------------------------------------------

enum class FailureKind {
    Missing, // no such file
    NotAFile, // a folder, a pipe or a device
    NoPermission, // reading or writing is not allowed
    TooLarge, // a picture larger than kPictureSideLimit on a side
    WrongSize, // a picture of another size than the one asked for
    NotAPicture, // the bytes do not decode as a picture
    FolderMissing, // the folder to write into does not exist
    NameNotAllowed, // no file of that name can be made there
    NoSpace, // the disk (or the user's quota) is full
    WriteFailed, // any other failure to write
};

struct Failure {
    FailureKind kind = FailureKind::WriteFailed;
    QString file;
    QString detail; // the decoder's or the system's own text, or the sizes; may be empty
};

// The kind of an errno value left by a failed open or write; `fallback` when the value
// says nothing more precise.
FailureKind failureFromErrno(int error, FailureKind fallback);

// ---- The picture folders -----------------------------------------------------

// Where the picture folders may be found or made.
struct FolderPlaces {
    QString applicationFolder; // the folder that holds the program
    QString userFolder; // the user's own data folder for the program
    QStringList sampleFolders; // installed samples, in the order they are looked for
};
// The places of this run: the application folder; $XDG_DATA_HOME/voleta (normally
// ~/.local/share/voleta); ../share/voleta/samples beside the program, then voleta/samples
// in the system's data folders.
FolderPlaces standardFolderPlaces();

// How a picture folder was come by.
enum class FolderState {
    BesideApplication, // beside the program (a build tree, a portable copy)
    Existing, // the user's folder, already there, left as it is
    Seeded, // the user's folder, made now and filled with the installed samples
    NoSamples, // the user's folder, made now and left empty: no samples are installed
    CopyFailed, // the user's folder, made now and left empty: the samples could not be copied
    Missing, // neither found nor made; the path is empty
};

struct PictureFolder {
    QString path;
    FolderState state = FolderState::Missing;
    std::optional<Failure> failure; // why copying failed (CopyFailed)
};

struct PictureFolders {
    PictureFolder source;
    PictureFolder background;
};

// Finds the two picture folders. When either sits beside the program, both are taken
// from there (a missing one stays missing). Otherwise each is the user's folder of that
// name: one that exists is never touched; one that does not is made from the first
// samples folder holding a folder of that name (copied aside, then moved into place, so
// an interrupted copy leaves no half-filled folder), or made empty when there is none.
PictureFolders resolvePictureFolders(const FolderPlaces& places);

// The folders that later lookups use; before any call, those beside the application.
void usePictureFolders(const PictureFolders& folders);
PictureFolders pictureFolders();

// ---- Pictures -----------------------------------------------------------------

// The largest picture that will be decoded, in megabytes of decoded pixels:
// enough for a 12000 x 12000 picture at 32 bits, no more.
constexpr int kPictureSideLimit = 12000;
constexpr int kPictureAllocationLimitMB = int(1LL * kPictureSideLimit * kPictureSideLimit * 4 / (1024 * 1024) + 1);

struct PictureRequest {
    QImage::Format format = QImage::Format_RGB32;
    QSize exactSize; // when valid, a picture of any other size is refused
};

struct PictureResult {
    QImage image; // in the requested format, EXIF orientation applied; null on failure
    Failure failure; // why it could not be read, when !ok()
    bool ok() const { return !image.isNull(); }
};
// Opens a file as a picture. Never throws; anything that is not a readable picture
// (missing, empty, truncated, too large, a folder, a pipe or device, no permission)
// gives !ok().
PictureResult openPicture(const QString& path, const PictureRequest& request = {});
// The decoding step of openPicture, on bytes from any device (the fuzzer feeds it).
PictureResult decodePicture(QIODevice* device, const PictureRequest& request = {});

// The qualities pictures are saved at. JPEG at 95 keeps the depth edges of a
// stereogram nearly clean. PNG is lossless at any setting; 80 means zlib level 1,
// which writes a 1920 x 1280 stereogram several times faster than the default for a
// file only a little larger.
constexpr int kJpegQuality = 95;
constexpr int kPngQuality = 80;

// Writes a picture through a temporary file that replaces `path` only when complete,
// so a failed write leaves no truncated file. `format` is "png", "jpeg", ...;
// `quality` -1 keeps the writer's default. Nothing on success.
std::optional<Failure> writePicture(const QImage& image, const QString& path, const char* format, int quality = -1);

// Writes bytes the same safe way: `path` is replaced only by the complete file, and a
// failed write leaves whatever was there before. Nothing on success.
std::optional<Failure> writeFile(const QByteArray& bytes, const QString& path);

// ---- Pictures brought into a picture folder -------------------------------------

// Whether a picture folder lists an entry of this name: ".jpg" in any letter case; in
// the source folder also ".png" and the old ".pict"/".pct" pictures.
bool listedInFolder(const QString& name, bool sourceFolder);

// `name` with " (n)" before its extension (the part from its last "."), or at its end
// when it has none: "a.b.jpg", 2 gives "a.b (2).jpg". n 1 gives the name itself.
QString numberedName(const QString& name, int n);

struct ImportResult {
    QString name; // the name written in the folder; empty on failure
    Failure failure;
    bool unreadable = false; // the failure is the picture's (not readable), not the folder's
    bool ok() const { return !name.isEmpty(); }
};

// Copies a picture file into a picture folder under its own name, or the first of
// " (2)", " (3)"... that is free; nothing in the folder is ever replaced. A file the
// folder would list is copied byte for byte once it decodes; a picture of another kind
// is decoded and written as PNG into the source folder, as JPEG at quality 100 into
// the background folder, its extension changed to ".png" or ".jpg". A file that does
// not decode writes nothing. The copy is written to a hidden temporary file that is
// renamed to the free name only when complete.
ImportResult importPicture(const QString& sourcePath, const QString& folder, bool sourceFolder);

// Writes a picture into a picture folder as a new file: `name`, numbered as above when
// taken, encoded by its extension (".png" lossless, ".jpg" at quality 100).
ImportResult addPicture(const QImage& picture, const QString& name, const QString& folder);

// ---- The event loop -----------------------------------------------------------

// Lets pending events run, at most every ~15 ms of wall time, so a long loop can call
// it once per row at no cost.
void yield();
// Tests only: a function yield calls every time, in place of letting events run (what
// a user could do while a long loop lets events through); empty = none.
void setYieldHook(std::function<void()> hook);

// Requests the end of the program with an exit status: 0, or kExitFailure after a fault
// that leaves no way to go on. Before the event loop runs this is remembered and main()
// returns at once with quitStatus(); inside the loop it ends the loop with it. Of
// several requests the failure wins.
constexpr int kExitFailure = 1;
void requestQuit(int status = 0);
bool quitRequested();
int quitStatus();
void resetQuitRequest(); // for tests

} // namespace platform
