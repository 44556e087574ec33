#include "main_window/Window1.h"

#include "controls/Controls.h"
#include "controls/Menu.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"

#include <QAction>
#include <QCloseEvent>
#include <QLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

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

Window1::Window1(scene::SceneModel* model)
    : model(model)
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
    setWindowTitle(QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT));

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
    Canvas1->paintHandler = [this](QPainter& p) { paintCanvas1(p); };

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

    const MenuItems& items = Menu::instance()->items();
    connect(items.FileQuit, &QAction::triggered, this, &Window1::FileQuit);
    connect(items.svdt, &QAction::triggered, this, &Window1::svdt);
    connect(items.settei, &QAction::triggered, this, &Window1::settei);
    connect(items.answerSave, &QAction::triggered, this, &Window1::saveAnswer);
    connect(items.anaglyphSave, &QAction::triggered, this, &Window1::saveAnaglyph);
    connect(items.pairSave, &QAction::triggered, this, &Window1::savePair);
    connect(items.openSourceFolder, &QAction::triggered, this, &Window1::openSourceFolder);
    connect(items.openBackgroundFolder, &QAction::triggered, this, &Window1::openBackgroundFolder);
    // The views start off with every new main window, whatever the menu showed before.
    const auto view = [this](QAction* item, void (Window1::*set)(bool)) {
        item->setChecked(false);
        connect(item, &QAction::toggled, this, set);
    };
    view(items.liveView, &Window1::setLiveView);
    view(items.answerView, &Window1::setAnswerView);
    view(items.anaglyphView, &Window1::setAnaglyphView);
    view(items.pairView, &Window1::setPairView);
    view(items.highQuality, &Window1::setHighQuality);
    view(items.lighterNear, &Window1::setLighterNear);
    view(items.keepAspect, &Window1::setKeepAspect);
    // The answer, the anaglyph and the pair can be saved once there is a picture.
    for (QAction* save : { items.answerSave, items.anaglyphSave, items.pairSave }) {
        save->setEnabled(false);
        connect(this, &Window1::pictureShown, save, [save] { save->setEnabled(true); });
    }

    liveTimer = new QTimer(this);
    liveTimer->setObjectName(QStringLiteral("liveTimer"));
    liveTimer->setSingleShot(true);
    liveTimer->setInterval(0);
    connect(liveTimer, &QTimer::timeout, this, &Window1::composeLive);

    bu1 = QImage(render::kPictureWidth, render::kWorkHeight, QImage::Format_RGB32);
    bu1.fill(Qt::white);
    connect(model, &scene::SceneModel::changed, this, &Window1::sceneChanged);
}

// The window follows the model: a new source picture shows over the picture, and any
// change of what a Display composes asks for live composition.
void Window1::sceneChanged(scene::SceneModel::Parts parts)
{
    if (parts & scene::SceneModel::Pattern) {
        if (model->pattern().isNull())
            Canvas3->clearBackdrop();
        else
            Canvas3->setBackdrop(model->pattern());
        Canvas3->show();
        Canvas3->update();
    }
    // The menu's ticks follow the scene (an undo, an opened scene file).
    const auto tick = [](QAction* item, bool on) {
        const QSignalBlocker quiet(item);
        item->setChecked(on);
    };
    const MenuItems& items = Menu::instance()->items();
    if (parts & scene::SceneModel::Quality) tick(items.highQuality, model->state().quality);
    if (parts & scene::SceneModel::LighterNear) tick(items.lighterNear, model->state().lighterNear);
    if (parts & scene::SceneModel::KeepAspect) tick(items.keepAspect, model->state().keepAspect);
    if (parts & scene::SceneModel::kComposed) requestLive();
}

void Window1::closeEvent(QCloseEvent* e)
{
    if (quitGuard && !quitGuard()) {
        e->ignore();
        return;
    }
    e->accept();
    platform::requestQuit();
}

const QImage* Window1::shownPicture() const
{
    const QImage* shown = Canvas1->backdrop();
    return shown && !shown->isNull() ? shown : nullptr;
}

void Window1::enableSettingsButton()
{
    PushButton1->setEnabled(true);
}

void Window1::PushButton1_Action()
{
    PushButton1->setEnabled(false);
    Q_EMIT settingsButtonPressed();
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
    if (quitGuard && !quitGuard()) return false;
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
    Q_EMIT settingsCommand();
    return false;
}
