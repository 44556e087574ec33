#include "platform/Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace platform {

namespace {

    QString& applicationFolderOverride()
    {
        static QString path;
        return path;
    }

    QString& lastSaveFolder()
    {
        static QString folder;
        return folder;
    }

    bool& quitFlag()
    {
        static bool flag = false;
        return flag;
    }

    class QtDialogs : public Dialogs {
    public:
        void message(const QString& text) override
        {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Voleta"), text, QMessageBox::Ok);
            box.exec();
        }
        QString saveFile(const QString& suggestedName) override
        {
            QFileDialog dialog(nullptr, QString(), saveFolder());
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilter(QStringLiteral("JPEG 画像 (*.jpg *.jpeg)"));
            dialog.setDefaultSuffix(QStringLiteral("jpg"));
            dialog.selectFile(suggestedName);
            if (dialog.exec() != QDialog::Accepted) return {};
            return dialog.selectedFiles().value(0);
        }
        bool pageSetup(QPrinter& printer) override
        {
            QPageSetupDialog dialog(&printer);
            return dialog.exec() == QDialog::Accepted;
        }
        bool printDialog(QPrinter& printer) override
        {
            QPrintDialog dialog(&printer);
            return dialog.exec() == QDialog::Accepted;
        }
        void setClipboardText(const QString& text) override { QGuiApplication::clipboard()->setText(text); }
        void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
    };

    std::unique_ptr<Dialogs>& installedDialogs()
    {
        static std::unique_ptr<Dialogs> d;
        return d;
    }

} // namespace

QString applicationFolder()
{
    const QString& o = applicationFolderOverride();
    return o.isEmpty() ? QCoreApplication::applicationDirPath() : o;
}

void setApplicationFolder(const QString& path)
{
    applicationFolderOverride() = path;
}

QString child(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return {};
    const QString path = QDir(folder).filePath(name);
    return QFileInfo::exists(path) ? path : QString();
}

QString folderBesideApplication(const QString& name)
{
    const QString path = child(applicationFolder(), name);
    return QFileInfo(path).isDir() ? path : QString();
}

QStringList listFolder(const QString& folder, bool* ok)
{
    QDir dir(folder);
    const bool readable = !folder.isEmpty() && dir.exists() && dir.isReadable();
    if (ok) *ok = readable;
    if (!readable) return {};
    // Files and folders alike, as a folder lists its entries; sorted by name.
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

PictureResult openPicture(const QString& path)
{
    PictureResult result;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        result.error = QStringLiteral("ファイルがありません");
        return result;
    }
    if (!info.isFile()) { // a folder, a pipe (reading it could wait for ever) or a device
        result.error = QStringLiteral("ファイルではありません");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("ファイルを開けません");
        return result;
    }
    return decodePicture(&file);
}

PictureResult decodePicture(QIODevice* device)
{
    PictureResult result;
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
    QImageReader reader(device);
    reader.setAutoTransform(true); // EXIF orientation
    reader.setDecideFormatFromContent(true); // a PNG named .jpg is still a PNG
    // The size is checked before decoding: a header may claim anything.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kPictureSideLimit || size.height() > kPictureSideLimit)) {
        result.error = QStringLiteral("画像が大きすぎます");
        return result;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = QStringLiteral("画像として読めません (%1)").arg(reader.errorString());
        return result;
    }
    if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);
    result.image = std::move(image);
    return result;
}

QString saveFolder()
{
    if (!lastSaveFolder().isEmpty() && QFileInfo(lastSaveFolder()).isDir()) return lastSaveFolder();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return pictures;
    return QDir::homePath();
}

void rememberSaveFolder(const QString& savedFile)
{
    lastSaveFolder() = savedFile.isEmpty() ? QString() : QFileInfo(savedFile).absolutePath();
}

void yield()
{
    static QElapsedTimer timer;
    if (!timer.isValid()) {
        timer.start();
        return;
    }
    if (timer.elapsed() >= 15) {
        QCoreApplication::processEvents();
        timer.restart();
    }
}

void requestQuit()
{
    quitFlag() = true;
    if (QCoreApplication::instance())
        // exit() rather than quit(): quitting would first ask every window to close,
        // and the settings window refuses that.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (quitFlag()) QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
}

bool quitRequested()
{
    return quitFlag();
}

void resetQuitRequest()
{
    quitFlag() = false;
}

Dialogs& dialogs()
{
    auto& d = installedDialogs();
    if (!d) d = std::make_unique<QtDialogs>();
    return *d;
}

void setDialogs(std::unique_ptr<Dialogs> d)
{
    installedDialogs() = std::move(d);
}

ScopedFakeDialogs::ScopedFakeDialogs()
{
    auto owned = std::make_unique<FakeDialogs>();
    fake = owned.get();
    setDialogs(std::move(owned));
}

ScopedFakeDialogs::~ScopedFakeDialogs()
{
    if (installedDialogs().get() == fake) // a later guard may have replaced it
        setDialogs(nullptr);
}

} // namespace platform
