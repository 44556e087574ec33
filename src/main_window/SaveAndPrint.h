// Taking the composed picture out of the program: saving it as a JPEG file under a
// suggested name, and printing it on one page.
#pragma once

#include "platform/Files.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace output {

// The name offered in the save dialog: the source picture's name up to its first "."
// (the whole name when it has none or begins with one), the three text lines trimmed
// and joined, and "_3D.jpg". Characters that cannot stand in a file name become "_".
QString suggestedJpegName(const QString& sourceName, const QString& line1, const QString& line2, const QString& line3);

// The reason the window shows under "画像を保存できませんでした" for a failed write.
QString saveFailureReason(platform::FailureKind kind);

// Writes the picture as a JPEG file: platform::writePicture unless a test puts another.
using JpegWriter = std::function<std::optional<platform::Failure>(const QImage&, const QString& path)>;
std::optional<platform::Failure> writeJpegFile(const QImage& picture, const QString& path);

// Asks for a file (offering `suggestedName`) and writes the whole picture to it as a
// JPEG at the default quality. Cancelling returns false and shows nothing; a failure
// shows a message with its reason and leaves any earlier file of that name as it was. A
// successful save makes its folder the one the next save dialog opens in.
bool saveJpeg(const QImage& picture, const QString& suggestedName, const JpegWriter& write = writeJpegFile);

// Where the picture lands on a page `pageWidth` units wide: the full width at the top
// left, two thirds of it high (rounded down), keeping the picture's 3 : 2 shape.
QRect printRect(int pageWidth);

// Page setup, then the print dialog (a fresh printer each time; cancelling either
// prints nothing and shows nothing), then the whole picture on one page at printRect.
bool printPicture(const QImage& picture);

} // namespace output
