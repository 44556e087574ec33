// The program as the window tests drive it: wired afresh over picture folders in a
// temporary folder, with the recording fake dialogs, its controls found by name.
#pragma once
#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace testing {

// Stripes whose colours tell pictures apart by `seed`; as a map, a relief rising across and down.
inline QImage stripes(QSize size, int seed = 0)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4 + seed, y * 2, (x / 4 + y / 3 + seed) % 256));
    return image;
}

inline QAction* item(const char* name)
{
    return Menu::instance()->findChild<QAction*>(QString::fromLatin1(name));
}

class Program {
public:
    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    ~Program() { Wiring::destroy(), fake.reset(); }
    QString source(const QString& name = {}) const { return dir.filePath(QStringLiteral("画像フォルダ/") + name); }
    QString background(const QString& name = {}) const { return dir.filePath(QStringLiteral("背景フォルダ/") + name); }

    // Makes the two picture folders afresh: each source picture 64 x 128 stripes (seeded
    // by its place in the list), each background a `mapSize` relief, PNG data whatever the name.
    void makeFolders(const QStringList& sources, const QStringList& backgrounds, QSize mapSize = { 1000, 800 })
    {
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(source()) && QDir().mkpath(background()));
        for (int i = 0; i < sources.size(); ++i)
            QVERIFY(stripes({ 64, 128 }, 90 * i).save(source(sources[i]), "PNG"));
        for (const QString& name : backgrounds)
            QVERIFY(stripes(mapSize).save(background(name), "PNG"));
    }
    // Starts the program afresh over the folders beside `appFolder` (the test folder by default).
    Window1* start(const QString& appFolder = {})
    {
        Wiring::destroy();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(appFolder.isEmpty() ? dir.path() : appFolder);
        return Wiring::instance()->mainWindow();
    }
    FakeDialogs& dialogs() const { return **fake; }
    Window1* w1() const { return Wiring::existing()->mainWindow(); }
    Window2* w2() const { return Wiring::existing()->settingsWindow(); }
    scene::SceneModel* model() const { return Wiring::existing()->model(); }
    // A control of the settings window, and one of the main window's (whose names the
    // settings window's controls share).
    template <class T = QWidget> T* control(const QString& name) const { return w2()->findChild<T*>(name); }
    template <class T = QPushButton> T* mainControl(const QString& name) const
    {
        return w1()->findChild<QWidget*>(QStringLiteral("Window1Content"))->findChild<T*>(name);
    }
    // Chooses rows as the code would: "PopupMenu4:0 PopupMenu13:5" sets two lists in turn.
    void choose(const QString& steps) const
    {
        for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            control<PopupMenu>(step.section(QLatin1Char(':'), 0, 0))->setListIndex(step.section(':', 1).toInt());
    }
    // Lets the event loop run until no live composition waits.
    void settle() const { QTRY_VERIFY(!w1()->findChild<QTimer*>(QStringLiteral("liveTimer"))->isActive()); }
    // The picture the main window shows at full size (nullptr before the first).
    const QImage* shown() const { return mainControl<Canvas>(QStringLiteral("Canvas1"))->backdrop(); }
};

} // namespace testing
