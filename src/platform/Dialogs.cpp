#include "platform/Dialogs.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

    class QtDialogs : public Dialogs {
    public:
        void message(const QString& text) override
        {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Voleta"), text, QMessageBox::Ok);
            box.exec();
        }
        QString saveFile(const QString& suggestedName) override
        {
            return QFileDialog::getSaveFileName(nullptr, QString(), suggestedName);
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

Dialogs* installedDialogs()
{
    return current().get();
}

} // namespace platform
