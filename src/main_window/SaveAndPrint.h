// Taking the composed picture out of the program: saving it as a JPEG or PNG file
// under a suggested name, and printing it on one page.
#pragma once

#include "platform/Files.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QPainter;

namespace output {

// The name offered in the save dialog: the source picture's name up to its first "."
// (the whole name when it has none or begins with one), the three text lines trimmed
// and joined, and "_3D.jpg". Characters that cannot stand in a file name become "_".
QString suggestedJpegName(const QString& sourceName, const QString& line1, const QString& line2, const QString& line3);

// The file types the save dialog offers.
inline const QString kJpegFilter = QStringLiteral("JPEG 画像 (*.jpg *.jpeg)");
inline const QString kPngFilter = QStringLiteral("PNG 画像 (*.png)");

enum class PictureFormat { Jpeg, Png };
// The format a save writes: the one the file's extension names (.png, .jpg, .jpeg, any
// letter case), otherwise the one of the filter chosen in the dialog.
PictureFormat saveFormat(const QString& path, const QString& filter);

// The name offered for the answer picture: the stereogram's suggested name with
// "_答え" before its extension, and the extension .png.
QString suggestedAnswerName(const QString& pictureName);

// Writes the picture in a format: platform::writePicture (JPEG at quality 95, PNG at
// the fast compression) unless a test puts another writer.
using PictureWriter
    = std::function<std::optional<platform::Failure>(const QImage&, const QString& path, PictureFormat)>;
std::optional<platform::Failure> writePictureFile(const QImage& picture, const QString& path, PictureFormat format);

// Asks for a file (offering `suggestedName`, JPEG or PNG) and writes the whole picture
// to it in the format the name or the chosen filter asks for, with a busy cursor while
// it writes. Cancelling returns false and shows nothing; a failure shows a message with
// its reason and leaves any earlier file of that name as it was. A successful save
// makes its folder the one the next save dialog opens in.
bool savePicture(const QImage& picture, const QString& suggestedName, const PictureWriter& write = writePictureFile);

// Where the picture lands on a page `pageWidth` units wide: the full width at the top
// left, two thirds of it high (rounded down), keeping the picture's 3 : 2 shape.
QRect printRect(int pageWidth);

// Draws the whole picture at printRect of the painter's surface: the one page that
// printing and the print preview both draw.
void paintPage(QPainter& painter, const QImage& picture);

// Page setup, then the print dialog (a fresh printer each time; cancelling either
// prints nothing and shows nothing), then the whole picture on one page (paintPage).
bool printPicture(const QImage& picture);

// The print preview of the page printPicture prints, on a fresh printer; the user can
// print from it.
void previewPicture(const QImage& picture);

} // namespace output
