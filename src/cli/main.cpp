// voleta-render: makes one stereogram without a window, from the same pipeline as the
// settings window's Display command.
#include "cli/Options.h"
#include "platform/Platform.h"
#include "render/Pipeline.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // an input unreadable or an output not written
constexpr int kExitBadUsage = 2;
constexpr int kJpegQuality = 95;

void printTo(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

int failure(const QString& message)
{
    printTo(stderr, QStringLiteral("voleta-render: %1\n").arg(message));
    return kExitFailed;
}

// The picture of an input file, or a message naming the file.
bool openInput(const QString& what, const QString& path, QImage& image, QString* error)
{
    platform::PictureResult result = platform::openPicture(path);
    if (!result.ok()) {
        *error = QStringLiteral("cannot read the %1 picture %2: %3").arg(what, path, result.error);
        return false;
    }
    image = std::move(result.image);
    return true;
}

int run(const cli::Options& o)
{
    QString error;
    render::Scene scene;
    if (!openInput(QStringLiteral("pattern"), o.pattern, scene.pattern, &error)) return failure(error);
    if (!o.map.isEmpty() && !openInput(QStringLiteral("map"), o.map, scene.map, &error)) return failure(error);
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
        if (!render::readDepthPng(o.depthIn, depth, &error)) return failure(error);
    } else {
        for (const text::Line& line : scene.lines) {
            if (!line.family.isEmpty() && !text::isInstalled(line.family)) {
                printTo(stderr,
                    QStringLiteral("voleta-render: the font \"%1\" is not installed; drawing with \"%2\"\n")
                        .arg(line.family, text::defaultFamily()));
            }
        }
        depth = render::sceneDepth(scene, o.maskOut.isEmpty() ? nullptr : &mask);
    }

    const QImage picture = render::composeScene(scene.pattern, depth);
    const bool jpeg = o.outputIsJpeg();
    const auto cannotWrite
        = [&](const QString& path) { return failure(QStringLiteral("cannot write %1: %2").arg(path, error)); };
    if (!render::writePicture(picture, o.output, jpeg ? "jpg" : "png", &error, jpeg ? kJpegQuality : -1))
        return cannotWrite(o.output);
    if (!o.depthOut.isEmpty() && !render::writeDepthPng(depth, o.depthOut, &error)) return failure(error);
    if (!o.maskOut.isEmpty() && !render::writePicture(mask, o.maskOut, "png", &error)) return cannotWrite(o.maskOut);
    return kExitOk;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const cli::Parsed parsed = cli::parseArguments(arguments);
    if (parsed.kind == cli::Parsed::Kind::Help) {
        printTo(stdout, cli::usageText());
        return kExitOk;
    }
    if (parsed.kind == cli::Parsed::Kind::BadUsage) {
        printTo(stderr, QStringLiteral("voleta-render: %1\n\n%2").arg(parsed.error, cli::usageText()));
        return kExitBadUsage;
    }

    // Text drawing needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees only the program name, so no argument of ours is taken for one of its own.
    static int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return run(parsed.options);
}
