// Pictures for tests: files of one colour, written where a test needs them.
#pragma once

#include "support/Files.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QStringList>

namespace testing {

// A picture of one colour as PNG bytes, stored without compression, so that two
// pictures of one size make files of one size whatever their colours.
inline QByteArray pngBytes(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100);
    return buffer.data();
}

// PNG data whatever the name, so that the pixels come back exactly.
inline bool writePicture(const QString& path, QSize size, QRgb colour)
{
    return writeFile(path, pngBytes(size, colour));
}

// Pictures of these names in the folder, made if it is not there; an empty size writes
// empty files, which a listing shows but no reader decodes.
inline bool writePictures(const QString& folder, const QStringList& names, QSize size = {}, QRgb colour = 0)
{
    if (!QDir().mkpath(folder)) return false;
    for (const QString& name : names)
        if (!writeFile(QDir(folder).filePath(name), size.isEmpty() ? QByteArray() : pngBytes(size, colour)))
            return false;
    return true;
}

} // namespace testing
