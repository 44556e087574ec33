#include "main_window/Window1.h"

#include "app/Menu.h"
#include "controls/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/QualityCompose.h"
#include "settings/Window2.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace {

Window1* theWindow = nullptr;

// While composing, the main canvas shows the rows made so far after every 150 rows,
// first after row 140.
constexpr int kRefreshEvery = 150;
constexpr int kFirstRefreshRow = 140;

// A burst of changes in a folder makes one rescan, this long after its last change;
// a copy that goes on for long is shown at least this often.
constexpr int kRescanDelayMs = 300;
constexpr int kRescanLongestWaitMs = 2000;

// Which folder entries become list rows. The platform keeps no type codes, so names
// decide: ".jpg" in any letter case; in the source folder also the old ".pict"/".pct"
// pictures (listed, though they open as unreadable) and lossless ".png" pictures.
bool accepted(const QString& name, bool sourceFolder)
{
    if (name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)) return true;
    if (!sourceFolder) return false;
    for (const char* ending : { ".pict", ".pct", ".png" }) {
        if (name.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
    }
    return false;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    QFont f = b->font();
    f.setPixelSize(13);
    b->setFont(f);
    b->setEnabled(false);
    return b;
}

} // namespace

Window1* Window1::instance()
{
    if (!theWindow) {
        theWindow = new Window1;
        theWindow->Open();
    }
    return theWindow;
}

Window1* Window1::existing()
{
    return theWindow;
}

void Window1::destroyInstances()
{
    Window2::destroyInstance();
    if (theWindow) {
        // The menu tree outlives the window: it is built once for the whole program.
        Menu::instance()->setParent(nullptr);
        Window1* w = theWindow;
        theWindow = nullptr;
        delete w;
    }
}

Window1::Window1()
{
    setObjectName(QStringLiteral("Window1"));
    setMenuBar(Menu::instance());
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("Window1Content"));
    content->setFixedSize(980, 685);
    setCentralWidget(content);
    // No maximise box, and the size is that of the menu bar over the content, fixed.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    keepNormalState(this);

    Oval1 = new Oval(content);
    Oval1->setObjectName(QStringLiteral("Oval1"));
    Oval1->setGeometry(375, 653, 10, 10);
    Oval2 = new Oval(content);
    Oval2->setObjectName(QStringLiteral("Oval2"));
    Oval2->setGeometry(535, 653, 10, 10);

    Canvas1 = new Canvas(content);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(10, 8, 960, 640);
    Canvas1->setAutoFillBackground(true);

    PushButton1 = makeButton(content, "PushButton1", QStringLiteral("設　定"), { 220, 656, 90, 20 });
    PushButton2 = makeButton(content, "PushButton2", QStringLiteral("画像 保存"), { 610, 656, 90, 20 });

    // Canvas3 lies inside Canvas1, over its columns 140..299.
    Canvas3 = new Canvas(Canvas1);
    Canvas3->setObjectName(QStringLiteral("Canvas3"));
    Canvas3->setGeometry(150 - 10, 8 - 8, 160, 640);
    Canvas3->setAutoFillBackground(true);

    PushButton3 = makeButton(content, "PushButton3", QStringLiteral("画像 印刷"), { 750, 656, 90, 20 });

    connect(PushButton1, &QPushButton::clicked, this, &Window1::PushButton1_Action);
    connect(PushButton2, &QPushButton::clicked, this, &Window1::PushButton2_Action);
    connect(PushButton3, &QPushButton::clicked, this, &Window1::PushButton3_Action);

    Menu* menu = Menu::instance();
    connect(menu->item(QStringLiteral("FileQuit")), &QAction::triggered, this, &Window1::FileQuit);
    connect(menu->item(QStringLiteral("svdt")), &QAction::triggered, this, &Window1::svdt);
    connect(menu->item(QStringLiteral("settei")), &QAction::triggered, this, &Window1::settei);
    connect(menu->item(QStringLiteral("answerSave")), &QAction::triggered, this, &Window1::saveAnswer);
    connect(menu->item(QStringLiteral("openSourceFolder")), &QAction::triggered, this, &Window1::openSourceFolder);
    connect(
        menu->item(QStringLiteral("openBackgroundFolder")), &QAction::triggered, this, &Window1::openBackgroundFolder);
    // The views start off with every new main window, whatever the menu showed before.
    const auto view = [&](const char* name, void (Window1::*set)(bool)) {
        QAction* item = menu->item(QString::fromLatin1(name));
        item->setChecked(false);
        connect(item, &QAction::toggled, this, set);
    };
    view("liveView", &Window1::setLiveView);
    view("answerView", &Window1::setAnswerView);
    view("highQuality", &Window1::setHighQuality);

    liveTimer = new QTimer(this);
    liveTimer->setObjectName(QStringLiteral("liveTimer"));
    liveTimer->setSingleShot(true);
    liveTimer->setInterval(0);
    connect(liveTimer, &QTimer::timeout, this, &Window1::composeLive);

    folderWatcher = new QFileSystemWatcher(this);
    rescanTimer = new QTimer(this);
    rescanTimer->setSingleShot(true);
    connect(folderWatcher, &QFileSystemWatcher::directoryChanged, this, &Window1::folderChanged);
    connect(rescanTimer, &QTimer::timeout, this, &Window1::rescanFolders);
}

void Window1::Open()
{
    // The settings window, created with its start values, placed at (350, 400).
    Window2* w2 = Window2::instance();
    w2->move(350, 400);

    bu1 = QImage(render::kPictureWidth, render::kWorkHeight, QImage::Format_RGB32);
    bu1.fill(Qt::white);
    bu2 = QImage(render::kWorkWidth, render::kWorkHeight, QImage::Format_RGB32);
    bu2.fill(Qt::white);

    // Source pictures. The second row is chosen at start (the first when there is only one).
    w2->PopupMenu3->DeleteAllRows();
    scanFolder(platform::sourceFolder(), true, w2->PopupMenu3, QStringLiteral("画像フォルダーに画像がありません"));
    if (w2->PopupMenu3->count() >= 2)
        w2->PopupMenu3->setListIndex(1);
    else if (w2->PopupMenu3->count() == 1)
        w2->PopupMenu3->setListIndex(0);

    // Backgrounds: the first row stands for the flat plane, yet its picture is what the
    // preview shows at start.
    w2->PopupMenu11->DeleteAllRows();
    const QString backgrounds = platform::backgroundFolder();
    if (scanFolder(backgrounds, false, w2->PopupMenu11, QStringLiteral("背景フォルダーに画像がありません"))) {
        w2->PopupMenu11->setListIndex(0);
        const QString entry = platform::child(backgrounds, w2->PopupMenu11->Text());
        if (!entry.isEmpty()) w2->Canvas2->setBackdrop(platform::openPicture(entry).image);
    }

    // Font lists: each family once, in the platform's order, nothing selected.
    const QStringList families = text::plainFamilies(QFontDatabase::families());
    for (const QString& family : families) {
        w2->PopupMenu7->AddRow(family);
        w2->PopupMenu8->AddRow(family);
        w2->PopupMenu14->AddRow(family);
        platform::yield();
    }

    // Text line and rendering start values.
    const render::StartState& start = render::startState();
    textLines = start.lines;
    Hk = start.hk;
    kt = start.kt;

    setWindowTitle(QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT));

    // Every change of the settings ends in iti, except a new source picture and the
    // depth sliders (which nothing reads before a Display): those ask for live
    // composition here, after the settings window's own handlers.
    connect(w2->PopupMenu3, &PopupMenu::Change, this, &Window1::requestLive);
    for (QSlider* slider : { w2->Slider1, w2->Slider2, w2->Slider3 })
        connect(slider, &QSlider::valueChanged, this, &Window1::requestLive);

    // The settings window in front, and the first preview.
    show();
    showInFront(w2);
    iti();

    reportSeededFolders();
    // From now on the lists follow the folders. Once a chosen file that is gone is no
    // longer chosen, it leaves the list.
    for (PopupMenu* list : { w2->PopupMenu3, w2->PopupMenu11 })
        connect(list, &PopupMenu::Change, this, [this] {
            if (vanishedRowListed) folderChanged();
        });
    watchFolders();
}

// Tells the user about a folder of theirs that was made empty on this start.
void Window1::reportSeededFolders()
{
    const platform::PictureFolders folders = platform::pictureFolders();
    QStringList noSamples, notCopied;
    QString why;
    for (const platform::PictureFolder& f : { folders.source, folders.background }) {
        if (f.state == platform::FolderState::NoSamples) noSamples << f.path;
        if (f.state == platform::FolderState::CopyFailed) {
            notCopied << f.path;
            if (f.failure && why.isEmpty()) why = f.failure->detail;
        }
    }
    if (!noSamples.isEmpty())
        platform::dialogs().message(QStringLiteral("見本の画像がインストールされていないため、次のフォルダーを空のまま"
                                                   "作りました。画像を入れてからお使いください。\n")
            + noSamples.join(QLatin1Char('\n')));
    if (!notCopied.isEmpty())
        platform::dialogs().message(QStringLiteral("見本の画像をコピーできなかったため、次のフォルダーを空のまま"
                                                   "作りました。画像を入れてからお使いください。\n")
            + notCopied.join(QLatin1Char('\n')) + (why.isEmpty() ? QString() : QStringLiteral("\n（%1）").arg(why)));
}

QStringList Window1::listPictures(const QString& folder, bool sourceFolder)
{
    QStringList pictures;
    const QStringList names = platform::listFolder(folder);
    for (const QString& name : names) {
        if (accepted(name, sourceFolder)) pictures << name;
        platform::yield();
    }
    return pictures;
}

// Lists the accepted entries of a folder beside the application into `list`. A missing
// folder shows its message and asks the program to end; returns whether it exists.
bool Window1::scanFolder(const QString& folder, bool sourceFolder, PopupMenu* list, const QString& missing)
{
    if (folder.isEmpty()) {
        platform::dialogs().message(missing);
        platform::requestQuit();
        return false;
    }
    const QStringList pictures = listPictures(folder, sourceFolder);
    for (const QString& name : pictures)
        list->AddRow(name);
    return true;
}

void Window1::watchFolders()
{
    // A folder that was removed drops out of the watcher; when it is back, it is
    // watched again.
    const platform::PictureFolders folders = platform::pictureFolders();
    for (const QString& path : { folders.source.path, folders.background.path }) {
        if (!path.isEmpty() && QFileInfo(path).isDir() && !folderWatcher->directories().contains(path))
            folderWatcher->addPath(path);
    }
}

void Window1::folderChanged()
{
    if (!rescanTimer->isActive()) pendingSince.start();
    if (!rescanTimer->isActive() || pendingSince.elapsed() < kRescanLongestWaitMs) rescanTimer->start(kRescanDelayMs);
}

bool Window1::rescanPending() const
{
    return rescanTimer->isActive();
}

void Window1::rescanFolders()
{
    if (rescanning) { // a change came in while the lists were being made
        rescanTimer->start(kRescanDelayMs);
        return;
    }
    rescanning = true;
    rescanTimer->stop();
    Window2* w2 = Window2::instance();
    const bool sourceKept = followFolder(platform::sourceFolder(), true, w2->PopupMenu3);
    const bool backgroundKept = followFolder(platform::backgroundFolder(), false, w2->PopupMenu11);
    vanishedRowListed = sourceKept || backgroundKept;
    watchFolders();
    rescanning = false;
    Q_EMIT foldersRescanned();
}

// Puts a folder's pictures in its list; returns whether the chosen row's file is gone
// and the row was kept all the same.
bool Window1::followFolder(const QString& folder, bool sourceFolder, PopupMenu* list)
{
    QStringList rows = listPictures(folder, sourceFolder);
    const QStringList old = list->Rows();
    // The background list's first row stands for the flat plane: it stays first, so
    // that choice keeps its meaning and a newly added map, whatever its name, is a map.
    if (!sourceFolder && !old.isEmpty()) {
        rows.removeOne(old.first());
        rows.prepend(old.first());
    }
    const int chosen = list->ListIndex();
    bool kept = false;
    if (chosen >= 0 && !rows.contains(old[chosen])) {
        // The chosen file is gone: its row stays, in its place by name.
        const auto first = rows.begin() + (sourceFolder || rows.isEmpty() ? 0 : 1);
        rows.insert(std::lower_bound(first, rows.end(), old[chosen], platform::listedBefore), old[chosen]);
        kept = true;
    }
    list->ReplaceRows(rows);
    return kept;
}

void Window1::closeEvent(QCloseEvent* e)
{
    e->accept();
    platform::requestQuit();
}

text::Lines Window1::lines() const
{
    const Window2* w2 = Window2::instance();
    text::Lines result = textLines;
    for (int n = 1; n <= 3; ++n) {
        result[n - 1].text = w2->lineField(n)->text();
        result[n - 1].family = w2->lineFontList(n)->Text();
    }
    return result;
}

void Window1::iti()
{
    const text::Lines current = lines();
    text::drawMask(bu2, current);
    // The preview repaints its map and then draws these lines over it.
    Window2* w2 = Window2::instance();
    w2->setPreviewLines(current);
    w2->Canvas2->update();
    if (Canvas3->hasBackdrop()) w2->PushButton1->setEnabled(true);
    requestLive();
}

void Window1::tizu()
{
    const Window2* w2 = Window2::instance();
    if (w2->PopupMenu11->ListIndex() == 0 || !mapCropReady)
        render::depthFlat(a);
    else
        render::depthFromMap(bu2, Hk, kt, a);
}

void Window1::keisan()
{
    const Window2* w2 = Window2::instance();
    const render::LineDepths k
        = render::lineDepths(w2->Slider1->value(), w2->Slider2->value(), w2->Slider3->value(), Hk);
    k1 = k.k1, k2 = k.k2, k3 = k.k3;
    render::applyTextDepths(bu2, k, a);
}

void Window1::hyouji()
{
    const QImage* source = Canvas3->backdrop();
    if (!source) return;
    // Squeezing the source into the strip is the costliest step; the same source
    // picture gives the same strip, so it is made once per picture.
    if (stripSource != source->cacheKey() || strip.isNull()) {
        strip = render::patternStrip(*source);
        stripSource = source->cacheKey();
    }
    ++composedCount;
    // The Display command composes the settings that a waiting live composition would;
    // a change made while it runs (its rows let events through) is composed after it.
    liveTimer->stop();
    displaying = true;
    const auto afterRow = [this](int y) {
        if (y % kRefreshEvery == kFirstRefreshRow) {
            showComposed();
            Q_EMIT pictureShown(y);
        }
        platform::yield();
    };
    if (quality) {
        Canvas3->hide();
        render::composeQuality(strip, a, bu1, afterRow);
    } else {
        render::drawSeed(strip, bu1);
        Canvas3->hide();
        for (int y = 0; y < render::kWorkHeight; ++y) {
            render::composeRow(bu1, a, y);
            afterRow(y);
        }
    }
    displaying = false;
    showComposed();
    Q_EMIT pictureShown(-1);
    if (std::exchange(liveAfterDisplay, false)) requestLive();
}

void Window1::showComposed()
{
    if (showAnswer) {
        if (answerOf != composedCount) {
            answer = render::answerPicture(a);
            answerOf = composedCount;
        }
        Canvas1->setBackdrop(answer);
    } else {
        Canvas1->setBackdropView(&bu1);
    }
    Canvas1->update();
}

void Window1::setLiveView(bool on)
{
    live = on;
    if (on)
        requestLive();
    else
        liveTimer->stop();
}

void Window1::setAnswerView(bool on)
{
    showAnswer = on;
    if (composedCount > 0) showComposed(); // before the first picture there is nothing to show
}

void Window1::setHighQuality(bool on)
{
    quality = on;
    requestLive();
}

void Window1::requestLive()
{
    // Starting the single-shot timer again while it waits changes nothing: however
    // many changes come before the event loop runs, one composition answers them all.
    if (!live) return;
    if (displaying)
        liveAfterDisplay = true;
    else if (!liveTimer->isActive())
        liveTimer->start();
}

// The picture of the settings as they are now, composed off screen through the stage
// cache (only the stages a change touched run again) and shown whole, as the Display
// command would leave it: bu1 and the depth array hold it for saving, printing and
// the answer view.
void Window1::composeLive()
{
    if (!live) return;
    const QImage& picture = liveStages.update(Window2::instance()->scene());
    if (picture.isNull()) return; // no source picture: nothing to repeat
    bu1 = picture; // shared: the next live composition goes into a buffer of its own
    a = liveStages.depth();
    ++composedCount;
    Canvas3->hide();
    PushButton2->setEnabled(true);
    PushButton3->setEnabled(true);
    showComposed();
    Q_EMIT pictureShown(-1);
}

void Window1::PushButton1_Action()
{
    Window2* w2 = Window2::instance();
    PushButton1->setEnabled(false);
    w2->PushButton1->setEnabled(false);
    showInFront(w2);
    w2->Canvas2->update();
    iti();
}

void Window1::PushButton2_Action()
{
    svjpg();
}

void Window1::PushButton3_Action()
{
    insatu();
}

bool Window1::FileQuit()
{
    platform::requestQuit();
    return false;
}

bool Window1::svdt()
{
    svjpg();
    return false;
}

bool Window1::openSourceFolder()
{
    openFolder(platform::sourceFolder(), platform::pictureFolders().source.path, platform::kSourceFolderName);
    return false;
}

bool Window1::openBackgroundFolder()
{
    openFolder(
        platform::backgroundFolder(), platform::pictureFolders().background.path, platform::kBackgroundFolderName);
    return false;
}

// Opens `folder` in the file manager; when it is gone, says so with the place it had.
void Window1::openFolder(const QString& folder, const QString& path, const QString& name)
{
    if (folder.isEmpty()) {
        platform::dialogs().message(
            name + QStringLiteral("が見つかりません") + (path.isEmpty() ? QString() : QStringLiteral("\n") + path));
        return;
    }
    platform::dialogs().openUrl(QUrl::fromLocalFile(folder));
}

bool Window1::settei()
{
    Window2* w2 = Window2::instance();
    showInFront(w2);
    return false;
}
