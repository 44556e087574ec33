#include "main_window/SaveAndPrint.h"

#include "platform/Dialogs.h"
#include "scene/Messages.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>

namespace output {

namespace {

    // Replaces what a file name cannot hold: the folder separator and control characters
    // (newline, tab, NUL and the like).
    QString fileNameSafe(QString name)
    {
        for (QChar& c : name)
            if (c == QLatin1Char('/') || c.category() == QChar::Other_Control) c = QLatin1Char('_');
        return name;
    }

    // The wait cursor over every window of the program while it lives.
    class BusyCursor {
    public:
        BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
        ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
        BusyCursor(const BusyCursor&) = delete;
        BusyCursor& operator=(const BusyCursor&) = delete;
    };

} // namespace

QString suggestedJpegName(const QString& sourceName, const QString& line1, const QString& line2, const QString& line3)
{
    // trimmed() drops every kind of blank at both ends, the full-width space U+3000
    // included; blanks inside a line stay.
    const QString tail = line1.trimmed() + line2.trimmed() + line3.trimmed() + QStringLiteral("_3D.jpg");
    // The name is cut before its first "." unless that "." is its first character.
    const qsizetype dot = sourceName.indexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? sourceName.left(dot) : sourceName;
    return fileNameSafe(stem + tail);
}

PictureFormat saveFormat(const QString& path, const QString& filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return PictureFormat::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return PictureFormat::Jpeg;
    return filter == kPngFilter ? PictureFormat::Png : PictureFormat::Jpeg;
}

QString suggestedAnswerName(const QString& pictureName)
{
    const qsizetype dot = pictureName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? pictureName.left(dot) : pictureName;
    return stem + QStringLiteral("_答え.png");
}

std::optional<platform::Failure> writePictureFile(const QImage& picture, const QString& path, PictureFormat format)
{
    // Written to a temporary file beside the target and renamed over it only when
    // complete, so a failed save never leaves a truncated file behind.
    return format == PictureFormat::Png ? platform::writePicture(picture, path, "png", platform::kPngQuality)
                                        : platform::writePicture(picture, path, "jpeg", platform::kJpegQuality);
}

bool savePicture(const QImage& picture, const QString& suggestedName, const PictureWriter& write)
{
    const platform::Dialogs::SaveChoice choice
        = platform::dialogs().saveFile(suggestedName, { kJpegFilter, kPngFilter });
    if (choice.path.isEmpty()) return false;
    std::optional<platform::Failure> failure;
    {
        const BusyCursor busy;
        failure = write(picture, choice.path, saveFormat(choice.path, choice.filter));
    }
    if (failure) {
        platform::dialogs().message(scene::messages::pictureNotSaved(failure->kind));
        return false;
    }
    platform::rememberSaveFolder(choice.path); // the next save dialog opens here
    return true;
}

QRect printRect(int pageWidth)
{
    return QRect(0, 0, pageWidth, int(pageWidth / 3.0 * 2.0));
}

void paintPage(QPainter& painter, const QImage& picture)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(printRect(painter.device()->width()), picture, picture.rect());
}

bool printPicture(const QImage& picture)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!platform::dialogs().pageSetup(printer)) return false;
    if (!platform::dialogs().printDialog(printer)) return false;
    if (!platform::dialogs().printPage(printer, [&picture](QPainter& p) { paintPage(p, picture); })) {
        platform::dialogs().message(scene::messages::notPrinted());
        return false;
    }
    return true;
}

void previewPicture(const QImage& picture)
{
    QPrinter printer(QPrinter::HighResolution);
    platform::dialogs().printPreview(printer, [&picture](QPainter& p) { paintPage(p, picture); });
}

} // namespace output
