// The thin layer over Qt that the windows rely on: the folder beside the application,
// ordered folder listings, opening a file as a picture, the modal dialogs and message
// boxes (behind one swappable interface), quitting, and the throttled yield.
// Nothing here shows a message by itself: failures come back as values.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QIODevice;
class QPrinter;

namespace platform {

// The folder that holds the application (where the two picture folders live).
// Tests point it elsewhere with setApplicationFolder().
QString applicationFolder();
void setApplicationFolder(const QString& path); // empty = back to the real one

// Path of an entry named `name` inside `folder`; empty when it does not exist.
QString child(const QString& folder, const QString& name);
// Path of an entry of the application folder; empty when it does not exist.
QString folderBesideApplication(const QString& name);

// The names of the entries of a folder (files, hidden ones too), sorted by name.
// `ok` is false when the folder cannot be read.
QStringList listFolder(const QString& folder, bool* ok = nullptr);

// The largest picture that will be decoded, in megabytes of decoded pixels:
// enough for a 12000 x 12000 picture at 32 bits, no more.
constexpr int kPictureSideLimit = 12000;
constexpr int kPictureAllocationLimitMB = int(1LL * kPictureSideLimit * kPictureSideLimit * 4 / (1024 * 1024) + 1);

struct PictureResult {
    QImage image; // Format_RGB32, EXIF orientation applied; null when unreadable
    QString error; // why it could not be read (for the window's message)
    bool ok() const { return !image.isNull(); }
};
// Opens a file as a picture. Never throws; anything that is not a readable picture
// (missing, empty, truncated, too large, a folder, a pipe or device, no permission)
// gives !ok().
PictureResult openPicture(const QString& path);
// The decoding step of openPicture, on bytes from any device (the fuzzer feeds it).
PictureResult decodePicture(QIODevice* device);

// Lets pending events run, at most every ~15 ms of wall time, so a long loop can call
// it once per row at no cost.
void yield();

// Requests the end of the program. Before the event loop runs this is remembered and
// main() returns at once; inside the loop it quits the loop.
void requestQuit();
bool quitRequested();
void resetQuitRequest(); // for tests

// Where the save dialog opens: the folder of the last successful save while it
// exists, otherwise the user's Pictures folder, otherwise the home folder.
QString saveFolder();
void rememberSaveFolder(const QString& savedFile); // empty = forget

// Modal dialogs, message boxes, clipboard and browser, behind one interface so that
// tests can record what was shown and answer as they like.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString& text) = 0;
    // The chosen file path, or an empty string when cancelled.
    virtual QString saveFile(const QString& suggestedName) = 0;
    // True when the user confirmed.
    virtual bool pageSetup(QPrinter& printer) = 0;
    virtual bool printDialog(QPrinter& printer) = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

// The dialogs in use (the real Qt ones unless a test installed others).
Dialogs& dialogs();
void setDialogs(std::unique_ptr<Dialogs> d); // nullptr = back to the real ones

// Records every call and answers with the values a test sets.
class FakeDialogs : public Dialogs {
public:
    QStringList messages;
    QStringList suggestedNames;
    QString saveAnswer; // returned by saveFile ("" = cancel)
    int pageSetupCalls = 0;
    int printDialogCalls = 0;
    bool pageSetupAnswer = true;
    bool printAnswer = true;
    // Called on the printer when the print dialog is confirmed, e.g. to make it a PDF printer.
    std::function<void(QPrinter&)> preparePrinter;
    QString clipboard;
    QList<QUrl> openedUrls;

    void message(const QString& text) override { messages << text; }
    QString saveFile(const QString& suggestedName) override
    {
        suggestedNames << suggestedName;
        return saveAnswer;
    }
    bool pageSetup(QPrinter&) override
    {
        ++pageSetupCalls;
        return pageSetupAnswer;
    }
    bool printDialog(QPrinter& printer) override
    {
        ++printDialogCalls;
        if (printAnswer && preparePrinter) preparePrinter(printer);
        return printAnswer;
    }
    void setClipboardText(const QString& text) override { clipboard = text; }
    void openUrl(const QUrl& url) override { openedUrls << url; }
};

// Installs a FakeDialogs for the lifetime of the guard and returns it.
class ScopedFakeDialogs {
public:
    ScopedFakeDialogs();
    ~ScopedFakeDialogs();
    FakeDialogs* operator->() const { return fake; }
    FakeDialogs& operator*() const { return *fake; }

private:
    FakeDialogs* fake;
};

} // namespace platform
