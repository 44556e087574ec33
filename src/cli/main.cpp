// voleta-render: makes one stereogram without a window, from the same pipeline as the
// settings window's Display command.
#include "cli/Options.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Pipeline.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

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

    const QImage picture = render::composeScene(scene.pattern, depth, o.quality, scene.hk);
    const bool jpeg = o.outputIsJpeg();
    if (const auto failed
        = platform::writePicture(picture, o.output, jpeg ? "jpeg" : "png", jpeg ? platform::kJpegQuality : -1))
        return failure(QStringLiteral("cannot write the picture"), *failed);
    if (!o.depthOut.isEmpty()) {
        if (const auto failed = platform::writePicture(render::depthPicture(depth), o.depthOut, "png"))
            return failure(QStringLiteral("cannot write the depth file"), *failed);
    }
    if (!o.answerOut.isEmpty()) {
        if (const auto failed = platform::writePicture(render::answerPicture(depth, scene.hk), o.answerOut, "png"))
            return failure(QStringLiteral("cannot write the answer picture"), *failed);
    }
    if (!o.maskOut.isEmpty()) {
        if (const auto failed = platform::writePicture(mask, o.maskOut, "png"))
            return failure(QStringLiteral("cannot write the text mask"), *failed);
    }
    return kExitOk;
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
