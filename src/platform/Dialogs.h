// The dialogs half of the platform layer (Qt Widgets): the modal message box, the save
// dialog, page set-up, print and print preview dialogs, the clipboard and the browser,
// behind one interface so that tests can record what was shown and answer as they like.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QImage;
class QPainter;
class QPrinter;

namespace platform {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString& text) = 0;
    // The question before changes would be lost: 保存, 保存しない or キャンセル.
    enum class SaveAnswer { Save, Discard, Cancel };
    virtual SaveAnswer askToSave(const QString& text) = 0;
    // What the save dialog gave: the chosen file (empty when cancelled) and the file
    // type filter selected when it was chosen.
    struct SaveChoice {
        QString path;
        QString filter;
    };
    // Offers `filters` (file type filters such as "PNG 画像 (*.png)"), the one that
    // matches the suggested name's extension selected first.
    virtual SaveChoice saveFile(const QString& suggestedName, const QStringList& filters) = 0;
    // The open dialog for an existing file of one of `filters`: the chosen file, empty
    // when cancelled.
    virtual QString openFile(const QStringList& filters) = 0;
    // True when the user confirmed.
    virtual bool pageSetup(QPrinter& printer) = 0;
    virtual bool printDialog(QPrinter& printer) = 0;
    // Draws one page with a painter on the page's surface (its device).
    using PagePainter = std::function<void(QPainter&)>;
    // Prints one page on a printer the print dialog confirmed; false when the printer
    // cannot start (nothing is printed then).
    virtual bool printPage(QPrinter& printer, const PagePainter& paint) = 0;
    // Shows the page as it will be printed, modally; the user can print it from there.
    virtual void printPreview(QPrinter& printer, const PagePainter& paint) = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void setClipboardImage(const QImage& image) = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

// The dialogs in use (the real Qt ones unless a test installed others).
Dialogs& dialogs();
void setDialogs(std::unique_ptr<Dialogs> d); // nullptr = back to the real ones
// Where the save dialog opens: the folder of the last successful save while it
// exists, otherwise the user's Pictures folder, otherwise the home folder.
QString saveFolder();
void rememberSaveFolder(const QString& savedFile); // empty = forget

// The extensions a file type filter names: "jpg", "jpeg" for "JPEG 画像 (*.jpg *.jpeg)". The
// save dialog gives a name typed without an extension the selected filter's first.
QStringList filterSuffixes(const QString& filter);

// The installed dialogs without creating the real ones; nullptr when none is installed.
Dialogs* installedDialogs();

} // namespace platform
