#include "app/PictureTransfer.h"

#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "settings/Window2.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

// ---- Where this meets the windows --------------------------------------------------
// Everything below reaches the windows only through these few calls.

// The main window and the settings window, each as a drop target for the pattern.
Window1* mainWindow()
{
    return Wiring::existing() ? Wiring::existing()->mainWindow() : nullptr;
}
Window2* settingsWindow()
{
    return Wiring::existing() ? Wiring::existing()->settingsWindow() : nullptr;
}

// The settings window's control of that name (the map preview "Canvas2", the lists
// "PopupMenu3" of patterns and "PopupMenu11" of backgrounds).
template <class Control> Control* settingsControl(const char* name)
{
    Window2* w2 = settingsWindow();
    return w2 ? w2->findChild<Control*>(QString::fromLatin1(name)) : nullptr;
}

// Brings both lists up to date with their folders, then chooses the row of that name
// in the pattern or background list, which runs the list's Change handler as a user's
// choice would.
void choose(const QString& name, bool background)
{
    if (Window1* w1 = mainWindow()) w1->rescanFolders();
    PopupMenu* list = settingsControl<PopupMenu>(background ? "PopupMenu11" : "PopupMenu3");
    const int row = list ? int(list->Rows().indexOf(name)) : -1;
    if (row >= 0) list->setListIndex(row);
}

// The picture the main window shows, at full size: the stereogram, or the answer
// picture in the answer view; nullptr before the first picture.
const QImage* shownPicture()
{
    QWidget* w1 = mainWindow();
    const Canvas* canvas = w1 ? w1->findChild<Canvas*>(QStringLiteral("Canvas1")) : nullptr;
    const QImage* picture = canvas ? canvas->backdrop() : nullptr;
    return picture && !picture->isNull() ? picture : nullptr;
}

// The picture 画像 印刷 prints: the stereogram, or the anaglyph or pair while shown.
const QImage* printedPicture()
{
    Window1* w1 = mainWindow();
    return w1 && shownPicture() ? &w1->printedPicture() : nullptr;
}

} // namespace

namespace {

// "ドロップ 2026-12-07 101503" and the like: a name for a picture that came without one.
QString timedName(const QString& stem, bool background)
{
    return stem + QLatin1Char(' ') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"))
        + QLatin1String(background ? ".jpg" : ".png");
}

} // namespace

PictureTransfer::PictureTransfer(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("PictureTransfer"));
}

PictureTransfer* PictureTransfer::install()
{
    QWidget* w1 = mainWindow();
    if (!w1) return nullptr;
    if (auto* existing = w1->findChild<PictureTransfer*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
    auto* transfer = new PictureTransfer(w1);
    transfer->hook();
    return transfer;
}

void PictureTransfer::hook()
{
    for (QWidget* target : { static_cast<QWidget*>(mainWindow()), static_cast<QWidget*>(settingsWindow()),
             static_cast<QWidget*>(settingsControl<Canvas>("Canvas2")),
             static_cast<QWidget*>(settingsControl<PopupMenu>("PopupMenu11")) }) {
        if (!target) continue;
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    const MenuItems items = Menu::instance()->items();
    connect(items.pastePicture, &QAction::triggered, this, &PictureTransfer::paste);
    connect(items.copyPicture, &QAction::triggered, this, &PictureTransfer::copy);
    connect(items.printPreview, &QAction::triggered, this, &PictureTransfer::preview);
    // Copy and the preview wait for the first picture.
    const auto follow = [items] {
        const bool shown = shownPicture() != nullptr;
        items.copyPicture->setEnabled(shown);
        items.printPreview->setEnabled(shown);
    };
    follow();
    if (Window1* w1 = mainWindow()) connect(w1, &Window1::pictureShown, this, follow);
    // Paste is there while the clipboard holds a picture or files.
    const auto pasteable = [items] {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        items.pastePicture->setEnabled(mime && (mime->hasImage() || !pictureFiles(mime).isEmpty()));
    };
    pasteable();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, pasteable);
}

QStringList PictureTransfer::pictureFiles(const QMimeData* mime, bool* sceneFile)
{
    QStringList files;
    bool scene = false;
    if (mime && mime->hasUrls()) {
        const QList<QUrl> urls = mime->urls();
        for (const QUrl& url : urls) {
            if (!url.isLocalFile()) continue;
            const QString path = url.toLocalFile();
            if (QFileInfo(path).suffix().compare(QLatin1String("voleta"), Qt::CaseInsensitive) == 0)
                scene = true;
            else
                files << path;
        }
    }
    if (sceneFile) *sceneFile = scene;
    return files;
}

bool PictureTransfer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    bool scene = false;
    const QStringList files = pictureFiles(drop->mimeData(), &scene);
    // A scene file is not a picture: that drop is left to whoever opens scenes.
    if (scene || (files.isEmpty() && !drop->mimeData()->hasImage())) return QObject::eventFilter(watched, event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
        const bool background = watched != mainWindow() && watched != settingsWindow();
        if (!files.isEmpty())
            bringIn(files, background);
        else
            bringInPicture(
                qvariant_cast<QImage>(drop->mimeData()->imageData()), QStringLiteral("ドロップ"), background);
    }
    return true;
}

namespace {

// The folder pictures are brought into; empty, after saying so, when it is gone.
QString targetFolder(bool background)
{
    const QString folder = background ? platform::backgroundFolder() : platform::sourceFolder();
    if (folder.isEmpty())
        platform::dialogs().message((background ? platform::kBackgroundFolderName : platform::kSourceFolderName)
            + QStringLiteral("が見つかりません"));
    return folder;
}

void reportNotAdded(bool background, const platform::Failure& failure)
{
    platform::dialogs().message(QStringLiteral("画像を%1に追加できませんでした")
                                    .arg(background ? platform::kBackgroundFolderName : platform::kSourceFolderName)
        + QLatin1Char('\n') + output::saveFailureReason(failure.kind));
}

} // namespace

void PictureTransfer::bringIn(const QStringList& files, bool background)
{
    const QString folder = targetFolder(background);
    if (folder.isEmpty()) return;
    QString last;
    QStringList unreadable;
    std::optional<platform::Failure> notWritten;
    for (const QString& file : files) {
        const platform::ImportResult result = platform::importPicture(file, folder, !background);
        if (result.ok())
            last = result.name;
        else if (result.unreadable)
            unreadable << QFileInfo(file).fileName();
        else if (!notWritten)
            notWritten = result.failure;
    }
    if (!last.isEmpty()) choose(last, background);
    // The lists' own words for a file that is not a readable picture, with its name.
    if (!unreadable.isEmpty())
        platform::dialogs().message(
            QStringLiteral("画像が見つかりません") + QLatin1Char('\n') + unreadable.join(QLatin1Char('\n')));
    if (notWritten) reportNotAdded(background, *notWritten);
}

void PictureTransfer::bringInPicture(const QImage& picture, const QString& stem, bool background)
{
    const QString folder = targetFolder(background);
    if (folder.isEmpty()) return;
    if (picture.isNull()) {
        platform::dialogs().message(QStringLiteral("画像が見つかりません"));
        return;
    }
    const platform::ImportResult result = platform::addPicture(picture, timedName(stem, background), folder);
    if (!result.ok()) return reportNotAdded(background, result.failure);
    choose(result.name, background);
}

void PictureTransfer::paste()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QStringList files = pictureFiles(mime);
    if (!files.isEmpty())
        bringIn(files, false);
    else if (mime && mime->hasImage())
        bringInPicture(qvariant_cast<QImage>(mime->imageData()), QStringLiteral("貼り付け"), false);
    else
        platform::dialogs().message(QStringLiteral("クリップボードに画像がありません"));
}

void PictureTransfer::copy()
{
    if (const QImage* picture = shownPicture()) platform::dialogs().setClipboardImage(*picture);
}

void PictureTransfer::preview()
{
    if (const QImage* picture = printedPicture()) output::previewPicture(*picture);
}
