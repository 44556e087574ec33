// voleta-render: makes one stereogram without a window, from the same pipeline as the
// settings window's Display command.
#include "cli/Options.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Pipeline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
    QImage image;
    QString path;
    const char* format;
    int quality;
};

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
        if (auto failed = platform::writePicture(out.image, hidden, out.format, out.quality)) {
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

int run(const cli::Options& o)
{
    render::Scene scene;
    platform::PictureResult pattern = platform::openPicture(o.pattern);
    if (!pattern.ok()) return failure(QStringLiteral("cannot read the pattern picture"), pattern.failure);
    scene.pattern = std::move(pattern.image);
    if (!o.map.isEmpty()) {
        platform::PictureResult map = platform::openPicture(o.map);
        if (!map.ok()) return failure(QStringLiteral("cannot read the map picture"), map.failure);
        scene.map = std::move(map.image);
    }
    scene.zoomRow = o.zoomRow;
    scene.pan = o.pan;
    scene.kt = o.kt;
    scene.hk = o.hk;
    scene.lines = o.lines;
    scene.s1 = o.sliders[0];
    scene.s2 = o.sliders[1];
    scene.s3 = o.sliders[2];

    render::DepthArray depth;
    QImage mask;
    if (!o.depthIn.isEmpty()) {
        const platform::PictureResult file = platform::openPicture(
            o.depthIn, { QImage::Format_Grayscale16, QSize(render::kWorkWidth, render::kWorkHeight) });
        if (!file.ok()) return failure(QStringLiteral("cannot read the depth file"), file.failure);
        render::depthFromPicture(file.image, depth);
    } else {
        for (const text::Line& line : scene.lines) {
            if (!line.family.isEmpty() && !text::isInstalled(line.family)) {
                printTo(stderr,
                    QStringLiteral("voleta-render: warning: the font \"%1\" is not installed; drawing with \"%2\"\n")
                        .arg(line.family, text::defaultFamily()));
            }
        }
        depth = render::sceneDepth(scene, o.maskOut.isEmpty() ? nullptr : &mask);
    }

    const bool jpeg = o.outputIsJpeg();
    std::vector<Output> outputs { { QStringLiteral("the picture"),
        render::composeScene(scene.pattern, depth, o.quality, scene.hk), o.output, jpeg ? "jpeg" : "png",
        jpeg ? platform::kJpegQuality : platform::kPngQuality } };
    const auto png = [&outputs](const QString& what, const QString& path, const auto& make) {
        if (!path.isEmpty()) outputs.push_back({ what, make(), path, "png", platform::kPngQuality });
    };
    png(QStringLiteral("the depth file"), o.depthOut, [&] { return render::depthPicture(depth); });
    png(QStringLiteral("the answer picture"), o.answerOut, [&] { return render::answerPicture(depth, scene.hk); });
    png(QStringLiteral("the text mask"), o.maskOut, [&] { return mask; });
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
    return run(parsed.options);
}
