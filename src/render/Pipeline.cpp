#include "render/Pipeline.h"

#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>

namespace render {

namespace {

    constexpr int kDepthOffset = 32768; // stored value of depth 0 in the depth file

} // namespace

text::Lines startLines()
{
    text::Lines lines;
    lines[0] = { QStringLiteral("Voleta"), QString(), 440, 0, 20, 0, 0 };
    lines[1] = { QStringLiteral(" 3D"), QString(), 400, 0, 450, 0, 0 };
    lines[2] = { QStringLiteral("     V2"), QString(), 360, 0, 880, 0, 0 };
    return lines;
}

QImage mapCropPicture(const QImage& map, int zoomRow, QPoint pan)
{
    if (map.isNull()) return {};
    return drawMapCrop(map, mapCrop(map.size(), zoomRow, clampPan(map.size(), zoomRow, pan)));
}

DepthArray sceneDepth(const Scene& scene, QImage* maskOut)
{
    DepthArray a;
    const QImage crop = mapCropPicture(scene.map, scene.zoomRow, scene.pan);
    if (crop.isNull())
        depthFlat(a);
    else
        depthFromMap(crop, scene.hk, scene.kt, a);

    QImage mask(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    text::drawMask(mask, scene.lines);
    applyTextDepths(mask, lineDepths(scene.s1, scene.s2, scene.s3, scene.hk), a);
    if (maskOut) *maskOut = std::move(mask);
    return a;
}

QImage composeScene(const QImage& pattern, const DepthArray& a)
{
    QImage picture(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    compose(patternStrip(pattern), a, picture);
    return picture;
}

bool writePicture(const QImage& image, const QString& path, const char* format, QString* error, int quality)
{
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    QImageWriter writer(&file, format);
    if (quality >= 0) writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

bool writeDepthPng(const DepthArray& a, const QString& path, QString* error)
{
    QImage image(kWorkWidth, kWorkHeight, QImage::Format_Grayscale16);
    for (int y = 0; y < kWorkHeight; ++y) {
        auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
        const int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth; ++x)
            line[x] = static_cast<quint16>(std::clamp(depths[x] + kDepthOffset, 0, 65535));
    }
    QString why;
    if (writePicture(image, path, "png", &why)) return true;
    if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, why);
    return false;
}

bool readDepthPng(const QString& path, DepthArray& a, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("cannot read depth file %1: %2").arg(path, why);
        return false;
    };
    auto wrongSize = [&](QSize size) {
        return fail(QStringLiteral("it is %1 x %2, not %3 x %4")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(kWorkWidth)
                        .arg(kWorkHeight));
    };
    QImageReader reader(path);
    // The size is checked before decoding too: a header may claim anything.
    const QSize claimed = reader.size();
    if (claimed.isValid() && claimed != QSize(kWorkWidth, kWorkHeight)) return wrongSize(claimed);
    QImage image = reader.read();
    if (image.isNull()) return fail(reader.errorString());
    if (image.size() != QSize(kWorkWidth, kWorkHeight)) return wrongSize(image.size());
    if (image.format() != QImage::Format_Grayscale16) image = image.convertToFormat(QImage::Format_Grayscale16);

    a.fill(0);
    for (int y = 0; y < kWorkHeight; ++y) {
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(y));
        int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth; ++x)
            depths[x] = static_cast<int32_t>(line[x]) - kDepthOffset;
    }
    return true;
}

} // namespace render
