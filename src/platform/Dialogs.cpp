#include "platform/Dialogs.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
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
        SaveAnswer askToSave(const QString& text) override
        {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Voleta"), text,
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.button(QMessageBox::Save)->setText(QStringLiteral("保存"));
            box.button(QMessageBox::Discard)->setText(QStringLiteral("保存しない"));
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            box.setDefaultButton(QMessageBox::Save);
            switch (box.exec()) {
            case QMessageBox::Save:
                return SaveAnswer::Save;
            case QMessageBox::Discard:
                return SaveAnswer::Discard;
            default:
                return SaveAnswer::Cancel;
            }
        }
        SaveChoice saveFile(const QString& suggestedName, const QStringList& filters) override
        {
            QFileDialog dialog(nullptr, QString(), saveFolder());
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilters(filters);
            // A name typed without an extension gets the selected filter's; Qt's own
            // dialog also changes the typed name's extension when another filter is chosen.
            const auto useFilter
                = [&dialog](const QString& filter) { dialog.setDefaultSuffix(filterSuffixes(filter).value(0)); };
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useFilter);
            const QString suffix = QFileInfo(suggestedName).suffix();
            QString selected = filters.value(0);
            for (const QString& filter : filters) {
                if (filterSuffixes(filter).contains(suffix, Qt::CaseInsensitive)) {
                    selected = filter;
                    break;
                }
            }
            dialog.selectNameFilter(selected);
            useFilter(selected);
            dialog.selectFile(suggestedName);
            if (dialog.exec() != QDialog::Accepted) return {};
            return { dialog.selectedFiles().value(0), dialog.selectedNameFilter() };
        }
        QString openFile(const QStringList& filters) override
        {
            QFileDialog dialog(nullptr, QString(), saveFolder());
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setNameFilters(filters);
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
        bool printPage(QPrinter& printer, const PagePainter& paint) override
        {
            QPainter painter;
            if (!painter.begin(&printer)) return false;
            paint(painter);
            return painter.end();
        }
        void printPreview(QPrinter& printer, const PagePainter& paint) override
        {
            QPrintPreviewDialog dialog(&printer);
            QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&paint](QPrinter* p) {
                QPainter painter(p);
                paint(painter);
            });
            dialog.exec();
        }
        void setClipboardText(const QString& text) override { QGuiApplication::clipboard()->setText(text); }
        void setClipboardImage(const QImage& image) override { QGuiApplication::clipboard()->setImage(image); }
        void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
    };

    std::unique_ptr<Dialogs>& current()
    {
        static std::unique_ptr<Dialogs> d;
        return d;
    }

} // namespace

QStringList filterSuffixes(const QString& filter)
{
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    QStringList result;
    if (open < 0 || close < open) return result;
    for (const QString& pattern : filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (pattern.startsWith(QLatin1String("*."))) result << pattern.mid(2);
    return result;
}

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
