#include "platform/Dialogs.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace platform {

namespace {

    QString& lastSaveFolder()
    {
        static QString folder;
        return folder;
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

    std::unique_ptr<Dialogs>& current()
    {
        static std::unique_ptr<Dialogs> d;
        return d;
    }

} // namespace

Dialogs& dialogs()
{
    auto& d = current();
    if (!d) d = std::make_unique<QtDialogs>();
    return *d;
}

void setDialogs(std::unique_ptr<Dialogs> d)
{
    current() = std::move(d);
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

Dialogs* installedDialogs()
{
    return current().get();
}

} // namespace platform
