// libFuzzer target: the input bytes go through the program's picture decoding (the
// allocation limit, the size check, EXIF orientation, Format_RGB32), and a picture that
// comes out is used as the map (crop, relief) and as the pattern of a full composition
// through the stage cache, standard and high-quality. The first bytes, which are also
// the picture's header, choose the crop, the relief and the viewing method.
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/StageCache.h"

#include <QBuffer>
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}); // decoder chatter
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char* argv[] = { name, nullptr };
    new QGuiApplication(argc, argv); // lives as long as the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto byte = [&](size_t i) { return i < size ? data[i] : uint8_t(0); };
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const platform::PictureResult picture = platform::decodePicture(&buffer);
    if (!picture.ok()) return 0;
    const QImage& image = picture.image;
    if (image.format() != QImage::Format_RGB32 || image.width() > platform::kPictureSideLimit
        || image.height() > platform::kPictureSideLimit)
        std::abort();

    // The map: any zoom, a pan that may lie far outside the picture.
    const int zoom = byte(0) % 6;
    const QPoint pan(int8_t(byte(1)) * 97, int8_t(byte(2)) * 97);
    const QImage crop = render::drawMapCrop(image, render::mapCrop(image.size(), zoom, pan));
    render::DepthArray a;
    if (crop.isNull())
        render::depthFlat(a);
    else
        render::depthFromMap(crop, byte(3) & 1 ? 1 : -1, byte(4) % 6 + 1, a);

    // Some rows get the extreme depths a depth file can hold (-32768 .. 32767).
    for (size_t i = 5; i + 2 < size && i < 5 + 3 * 32; i += 3) {
        const int y = byte(i) * 5 % render::kWorkHeight;
        const int v = int16_t(byte(i + 1) | byte(i + 2) << 8);
        int32_t* row = a.row(y);
        for (int x = 0; x < render::DepthArray::kColumns; ++x)
            row[x] = x % 3 ? v : -v;
    }

    // Composed as voleta-render composes a depth file: through the stage cache, the
    // picture as the pattern, both compositions.
    render::Scene scene;
    scene.pattern = image;
    scene.hk = byte(3) & 2 ? 1 : -1;
    render::StageCache stages;
    for (const bool quality : { false, true }) {
        scene.quality = quality;
        const QImage& out = stages.composeDepth(scene, a);
        if (out.size() != QSize(render::kPictureWidth, render::kWorkHeight) || out.format() != QImage::Format_RGB32)
            std::abort();
    }
    return 0;
}
