// Test doubles for the platform's dialogs: a fake that records every call and answers
// with the values a test sets, and a guard that installs one for its lifetime.
#pragma once

#include "platform/Dialogs.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPrinter>
#include <QStringList>
#include <QUrl>
#include <functional>

class FakeDialogs : public platform::Dialogs {
public:
    QStringList messages;
    QStringList suggestedNames;
    QString saveAnswer; // the file saveFile returns ("" = cancel)
    QString saveFilter; // the filter it returns ("" = the first one offered)
    QList<QStringList> offeredFilters;
    QString openAnswer; // the file openFile returns ("" = cancel)
    QList<QStringList> openFilters; // offered by each openFile
    int pageSetupCalls = 0;
    int printDialogCalls = 0;
    bool pageSetupAnswer = true;
    bool printAnswer = true;
    // Called on the printer when the print dialog is confirmed, e.g. to make it a PDF printer.
    std::function<void(QPrinter&)> preparePrinter;
    // Every page printed or previewed, as its painter; printing also paints the printer.
    QList<PagePainter> printedPages;
    QList<PagePainter> previewedPages;
    QString clipboard;
    QList<QImage> clipboardImages;
    QList<QUrl> openedUrls;

    QStringList questions; // asked before changes would be lost
    SaveAnswer askAnswer = SaveAnswer::Cancel;

    void message(const QString& text) override { messages << text; }
    SaveAnswer askToSave(const QString& text) override
    {
        questions << text;
        return askAnswer;
    }
    SaveChoice saveFile(const QString& suggestedName, const QStringList& filters) override
    {
        suggestedNames << suggestedName;
        offeredFilters << filters;
        if (saveAnswer.isEmpty()) return {};
        return { saveAnswer, saveFilter.isEmpty() ? filters.value(0) : saveFilter };
    }
    QString openFile(const QStringList& filters) override
    {
        openFilters << filters;
        return openAnswer;
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
    bool printPage(QPrinter& printer, const PagePainter& paint) override
    {
        printedPages << paint;
        QPainter painter;
        if (!painter.begin(&printer)) return false;
        paint(painter);
        return painter.end();
    }
    void printPreview(QPrinter&, const PagePainter& paint) override { previewedPages << paint; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    void setClipboardImage(const QImage& image) override { clipboardImages << image; }
    void openUrl(const QUrl& url) override { openedUrls << url; }
};

// Installs a FakeDialogs for the lifetime of the guard and returns it.
class ScopedFakeDialogs {
public:
    ScopedFakeDialogs();
    ~ScopedFakeDialogs();
    ScopedFakeDialogs(const ScopedFakeDialogs&) = delete;
    ScopedFakeDialogs& operator=(const ScopedFakeDialogs&) = delete;
    FakeDialogs* operator->() const { return fake; }
    FakeDialogs& operator*() const { return *fake; }

private:
    FakeDialogs* fake;
};
