// libFuzzer target: the input bytes are read as a scene file, as one shared by a
// stranger would be. A scene that is read must hold only values the controls can show,
// be written out and read back as the same scene, and compose through the stage cache
// (a small pattern and a small map of another shape than the area, made in memory)
// without a fault.
#include "render/StageCache.h"
#include "scene/SceneFile.h"
#include "scene/SceneState.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

namespace {

// A 64 x 64 pattern of colour ramps, and a 160 x 64 map with a blue ramp and a dark
// disc, so the relief, the zoom and pan and the fitted crop all have something to do.
const QImage& patternPicture()
{
    static const QImage picture = [] {
        QImage p(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                reinterpret_cast<QRgb*>(p.scanLine(y))[x] = qRgb(x * 4, y * 4, (x ^ y) * 4);
        return p;
    }();
    return picture;
}

const QImage& mapPicture()
{
    static const QImage picture = [] {
        QImage m(160, 64, QImage::Format_RGB32);
        for (int y = 0; y < m.height(); ++y)
            for (int x = 0; x < m.width(); ++x) {
                const bool disc = (x - 50) * (x - 50) + (y - 32) * (y - 32) < 20 * 20;
                reinterpret_cast<QRgb*>(m.scanLine(y))[x] = qRgb(0, 0, disc ? 0 : 40 + x);
            }
        return m;
    }();
    return picture;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}); // font chatter
    static int argc = 1;
    static char name[] = "fuzz_scene";
    static char* argv[] = { name, nullptr };
    new QGuiApplication(argc, argv); // lives as long as the process; the text mask needs fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    scene::SceneFileResult read = scene::parseScene(bytes);
    if (!read.ok()) return 0;
    // Read as the window and voleta-render read a file: the flat plane settled against
    // a background folder whose first entry is "0 flat.jpg".
    scene::settleFlat(read, QStringLiteral("0 flat.jpg"));
    const scene::SceneState& state = *read.state;
    if (!scene::badValueKey(state).isEmpty()) std::abort();

    // Written out and read back, the scene is the same.
    const scene::SceneFileResult again = scene::parseScene(scene::sceneJson(state));
    if (!again.ok() || !(*again.state == state)) std::abort();

    // Composed as a Display composes it.
    render::StageCache stages;
    const QImage& out = stages.update(scene::renderScene(state, patternPicture(), mapPicture()));
    if (out.size() != QSize(render::kPictureWidth, render::kWorkHeight) || out.format() != QImage::Format_RGB32)
        std::abort();
    return 0;
}
