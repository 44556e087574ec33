// voleta-render: makes one stereogram without a window, from the same pipeline as the
// settings window's Display command.
#include "cli/Options.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Pipeline.h"
#include "render/StageCache.h"
#include "render/StereoViews.h"
#include "scene/SceneFile.h"
#include "text/TextLayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // an input unreadable or an output not written
constexpr int kExitBadUsage = 2;

void printTo(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

int failure(const QString& whatFailed, const platform::Failure& why)
{
    printTo(stderr, QStringLiteral("voleta-render: %1\n").arg(cli::failureLine(whatFailed, why)));
    return kExitFailed;
}

// One picture to write: what it is (for the message), where, and how.
struct Output {
    QString what;
    QString path;
    std::function<std::optional<platform::Failure>(const QString& path)> write;
};

Output pictureOutput(const QString& what, const QString& path, const QImage& image, const char* format, int quality)
{
    return { what, path,
        [image, format, quality](const QString& to) { return platform::writePicture(image, to, format, quality); } };
}

// Writes every output or none. Each is first written whole, through the safe writer, to
// a hidden file beside its target; only when all are written are they moved into place,
// each by one rename. So a failure leaves every file as it was before the run: the
// hidden files are removed, and should a rename itself fail, the outputs already moved
// are removed again where no file of that name existed before (a file they replaced is
// kept as this run wrote it: its old content is gone with the rename).
int writeAll(const std::vector<Output>& outputs)
{
    std::vector<QString> staged;
    const auto removeStaged = [&staged] {
        for (const QString& file : staged)
            QFile::remove(file);
    };
    for (const Output& out : outputs) {
        const QFileInfo target(out.path);
        if (target.exists() && !target.isFile()) {
            removeStaged();
            return failure(
                QStringLiteral("cannot write ") + out.what, { platform::FailureKind::NotAFile, out.path, QString() });
        }
        // A short name, so that it can be made wherever the target's name can.
        const QString hidden = target.dir().filePath(
            QStringLiteral(".voleta-render-%1-%2.part").arg(QCoreApplication::applicationPid()).arg(staged.size()));
        if (auto failed = out.write(hidden)) {
            removeStaged();
            failed->file = out.path;
            return failure(QStringLiteral("cannot write ") + out.what, *failed);
        }
        // A replaced file keeps its permissions.
        if (target.exists()) QFile::setPermissions(hidden, QFile::permissions(out.path));
        staged.push_back(hidden);
    }
    std::vector<QString> made; // outputs moved into place where nothing was before
    for (size_t i = 0; i < outputs.size(); ++i) {
        const bool existed = QFileInfo::exists(outputs[i].path);
        errno = 0;
        if (std::rename(QFile::encodeName(staged[i]).constData(), QFile::encodeName(outputs[i].path).constData())
            != 0) {
            const int error = errno;
            for (const QString& file : made)
                QFile::remove(file);
            for (size_t j = i; j < staged.size(); ++j)
                QFile::remove(staged[j]);
            return failure(QStringLiteral("cannot write ") + outputs[i].what,
                { platform::failureFromErrno(error, platform::FailureKind::WriteFailed), outputs[i].path,
                    QString::fromLocal8Bit(std::strerror(error)) });
        }
        if (!existed) made.push_back(outputs[i].path);
    }
    return kExitOk;
}

void warn(const QString& text)
{
    printTo(stderr, QStringLiteral("voleta-render: warning: %1\n").arg(text));
}

// Why a scene file could not be read, in one line.
QString sceneFileReason(const scene::SceneFileResult& read)
{
    using scene::SceneFileError;
    switch (read.error) {
    case SceneFileError::Unreadable:
        return read.detail.isEmpty() ? QStringLiteral("it cannot be read")
                                     : read.detail.at(0).toLower() + read.detail.mid(1);
    case SceneFileError::TooLarge:
        return QStringLiteral("it is %1 bytes, more than a scene file can be (%2)")
            .arg(read.detail)
            .arg(scene::kSceneFileLimit);
    case SceneFileError::NotJson:
        return QStringLiteral("not a JSON text (%1)").arg(read.detail);
    case SceneFileError::Damaged:
        return QStringLiteral("damaged or cut short (%1)").arg(read.detail);
    case SceneFileError::NotAScene:
        return QStringLiteral("not a Voleta scene file");
    case SceneFileError::NewerVersion:
        return QStringLiteral("written by a newer Voleta (scene version %1; this one reads up to %2)")
            .arg(read.detail)
            .arg(scene::kSceneVersion);
    case SceneFileError::BadValue:
        break;
    }
    return QStringLiteral("the value of %1 is missing or not one the settings allow").arg(read.detail);
}

// The picture folders the window would use, and the name standing for the flat plane:
// the background folder's first entry.
struct Folders {
    QString source, background, flatName;
};

Folders findFolders()
{
    platform::usePictureFolders(platform::resolvePictureFolders(platform::standardFolderPlaces()));
    Folders f { platform::sourceFolder(), platform::backgroundFolder(), {} };
    f.flatName = scene::firstBackground(f.background);
    return f;
}

// A picture a scene names, as a path in its folder; a failure when the folder is missing.
std::optional<platform::Failure> pathInFolder(
    const QString& folder, const QString& folderName, const QString& name, QString& path)
{
    if (folder.isEmpty())
        return platform::Failure { platform::FailureKind::FolderMissing, folderName + QLatin1Char('/') + name, {} };
    path = QDir(folder).filePath(name);
    return std::nullopt;
}

// A written scene names a picture of the command line by its file name, which the
// scene's reader looks up in the folder. Says so when that is another file or none.
void checkInFolder(const QString& path, const QString& folder, const QString& what)
{
    const QString name = QFileInfo(path).fileName();
    const QString inFolder = platform::child(folder, name);
    if (inFolder.isEmpty() || QFileInfo(inFolder).canonicalFilePath() != QFileInfo(path).canonicalFilePath())
        warn(QStringLiteral("the scene names the %1 \"%2\", but %3 is not that file in the picture folder %4")
                 .arg(what, name, path, folder.isEmpty() ? QStringLiteral("(none)") : folder));
}

// Warns once for each font family named but not installed.
void warnMissingFonts(const scene::SceneState& state)
{
    QStringList warned;
    for (const scene::LineState& line : state.lines) {
        if (line.family.isEmpty() || warned.contains(line.family) || text::isInstalled(line.family)) continue;
        warned << line.family;
        warn(QStringLiteral("the font \"%1\" is not installed; drawing with \"%2\"")
                 .arg(line.family, text::defaultFamily()));
    }
}

int run(const QStringList& arguments, const cli::Parsed& parsed)
{
    cli::Options o = parsed.options;
    const QStringList& given = parsed.given;
    const bool usesScenes = !o.scene.isEmpty() || !o.sceneOut.isEmpty();
    const Folders folders = usesScenes ? findFolders() : Folders {};
    if (!o.scene.isEmpty()) {
        scene::SceneFileResult read = scene::readSceneFile(o.scene);
        if (!read.ok()) {
            printTo(stderr,
                QStringLiteral("voleta-render: cannot read the scene: %1: %2\n").arg(o.scene, sceneFileReason(read)));
            return kExitFailed;
        }
        scene::settleFlat(read, folders.flatName);
        const scene::SceneState& base = *read.state;
        QString patternPath, mapPath;
        if (!given.contains(QStringLiteral("pattern"))) {
            if (base.pattern.isEmpty()) {
                printTo(stderr,
                    QStringLiteral("voleta-render: cannot use the scene: %1: it names no pattern picture (give "
                                   "--pattern)\n")
                        .arg(o.scene));
                return kExitFailed;
            }
            if (const auto missing
                = pathInFolder(folders.source, platform::kSourceFolderName, base.pattern, patternPath))
                return failure(QStringLiteral("cannot read the pattern picture"), *missing);
        }
        // The flat plane, or a map the command line replaces, is not looked up.
        if (!given.contains(QStringLiteral("map")) && !given.contains(QStringLiteral("depth-in")) && !base.flat
            && !base.background.isEmpty()) {
            if (const auto missing
                = pathInFolder(folders.background, platform::kBackgroundFolderName, base.background, mapPath))
                return failure(QStringLiteral("cannot read the map picture"), *missing);
        }
        o = cli::parseArguments(arguments, base).options;
        if (!given.contains(QStringLiteral("pattern"))) o.pattern = patternPath;
        if (!given.contains(QStringLiteral("map"))) o.map = mapPath;
    }
    scene::SceneState& state = o.state;
    if (!o.sceneOut.isEmpty()) {
        // The pictures of the command line are named by their file names, which the
        // scene's reader looks up in the folders; without a scene or a map the
        // background is the flat plane, named by its entry.
        if (given.contains(QStringLiteral("pattern")))
            checkInFolder(o.pattern, folders.source, QStringLiteral("pattern picture"));
        if (given.contains(QStringLiteral("map")))
            checkInFolder(o.map, folders.background, QStringLiteral("map picture"));
        else if (o.scene.isEmpty())
            state.background = folders.flatName;
        if (const QString key = scene::badValueKey(state); !key.isEmpty()) {
            printTo(stderr,
                QStringLiteral("voleta-render: a scene file cannot hold this value of %1\n\n%2")
                    .arg(key, cli::helpText()));
            return kExitBadUsage;
        }
    }

    platform::PictureResult pattern = platform::openPicture(o.pattern);
    if (!pattern.ok()) return failure(QStringLiteral("cannot read the pattern picture"), pattern.failure);
    QImage map;
    if (!o.map.isEmpty()) {
        platform::PictureResult read = platform::openPicture(o.map);
        if (!read.ok()) return failure(QStringLiteral("cannot read the map picture"), read.failure);
        map = std::move(read.image);
    }
    const render::Scene scene = scene::renderScene(state, pattern.image, map);

    // The same stages as the window's Display, or the composition alone over a depth file.
    render::StageCache stages;
    if (!o.depthIn.isEmpty()) {
        const platform::PictureResult file = platform::openPicture(
            o.depthIn, { QImage::Format_Grayscale16, QSize(render::kWorkWidth, render::kWorkHeight) });
        if (!file.ok()) return failure(QStringLiteral("cannot read the depth file"), file.failure);
        render::DepthArray fromFile;
        render::depthFromPicture(file.image, fromFile);
        stages.composeDepth(scene, fromFile);
    } else {
        warnMissingFonts(state);
        stages.update(scene);
    }
    const render::DepthArray& depth = stages.depth();

    const bool jpeg = o.outputIsJpeg();
    std::vector<Output> outputs { pictureOutput(QStringLiteral("the picture"), o.output, stages.picture(),
        jpeg ? "jpeg" : "png", jpeg ? platform::kJpegQuality : platform::kPngQuality) };
    const auto png = [&outputs](const QString& what, const QString& path, const auto& make) {
        if (!path.isEmpty()) outputs.push_back(pictureOutput(what, path, make(), "png", platform::kPngQuality));
    };
    png(QStringLiteral("the depth file"), o.depthOut, [&] { return render::depthPicture(depth); });
    png(QStringLiteral("the answer picture"), o.answerOut, [&] { return render::answerPicture(depth, scene.hk); });
    png(QStringLiteral("the text mask"), o.maskOut, [&] { return stages.mask(); });
    // The two views of the scene are made once for the anaglyph and the pair.
    std::optional<render::StereoViews> views;
    const auto stereo = [&]() -> const render::StereoViews& {
        if (!views) views = render::stereoViews(scene.pattern, depth, scene.hk, o.shadeViews);
        return *views;
    };
    png(QStringLiteral("the anaglyph"), o.anaglyphOut, [&] { return render::anaglyph(stereo().left, stereo().right); });
    png(QStringLiteral("the stereo pair"), o.pairOut,
        [&] { return render::stereoPair(stereo().left, stereo().right, scene.hk); });
    if (!o.sceneOut.isEmpty())
        outputs.push_back({ QStringLiteral("the scene"), o.sceneOut,
            [state](const QString& to) { return scene::writeSceneFile(state, to); } });
    return writeAll(outputs);
}

} // namespace

int main(int argc, char* argv[])
{
    // Text drawing needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees only the program name, so no argument of ours is taken for one of its own.
    static int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("voleta-render"));
    QGuiApplication::setApplicationVersion(QStringLiteral(VOLETA_VERSION_TEXT));

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const cli::Parsed parsed = cli::parseArguments(arguments);
    switch (parsed.kind) {
    case cli::Parsed::Kind::Help:
        printTo(stdout, cli::helpText());
        return kExitOk;
    case cli::Parsed::Kind::Version:
        printTo(stdout, QStringLiteral("voleta-render " VOLETA_VERSION_TEXT "\n"));
        return kExitOk;
    case cli::Parsed::Kind::BadUsage:
        printTo(stderr, QStringLiteral("voleta-render: %1\n\n%2").arg(parsed.error, cli::helpText()));
        return kExitBadUsage;
    case cli::Parsed::Kind::Run:
        break;
    }
    return run(arguments, parsed);
}
