#include "main_window/Window1.h"

#include "app/Menu.h"
#include "controls/Controls.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "settings/Window2.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace {

Window1* theWindow = nullptr;

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

bool Window1::settei()
{
    Window2* w2 = Window2::instance();
    showInFront(w2);
    return false;
}
