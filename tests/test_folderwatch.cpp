// The lists follow their folders while the program runs, and the File menu opens the
// folders; the windows run over the user's folders made by each test, with the fakes.
#include "app/Class1.h"
#include "app/Menu.h"
#include "controls/Controls.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writePicture(const QString& path)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(30, 60, 90));
    QVERIFY(image.save(path, "PNG"));
}

} // namespace

class TestFolderWatch : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;
    platform::PictureFolders folders;

    // Starts the program over user folders holding `source` and `background` files.
    Window1* start(const QStringList& source, const QStringList& background)
    {
        Window1::destroyInstances();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        QDir(dir.path()).removeRecursively();
        folders = { { dir.filePath("user/画像フォルダ"), platform::FolderState::Existing, {} },
            { dir.filePath("user/背景フォルダ"), platform::FolderState::Existing, {} } };
        QDir().mkpath(dir.filePath("bin")); // nothing beside the program
        QDir().mkpath(folders.source.path);
        QDir().mkpath(folders.background.path);
        for (const QString& f : source)
            writePicture(folders.source.path + "/" + f);
        for (const QString& f : background)
            writePicture(folders.background.path + "/" + f);
        platform::setApplicationFolder(dir.filePath("bin"));
        platform::usePictureFolders(folders);
        return Window1::instance();
    }
    PopupMenu* list(const QString& which) const
    {
        return which == "source" ? Window2::instance()->PopupMenu3 : Window2::instance()->PopupMenu11;
    }
    QString folder(const QString& which) const
    {
        return which == "source" ? folders.source.path : folders.background.path;
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        Window1::destroyInstances();
        platform::forgetPictureFolders();
        fake.reset();
    }

    void rescan_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("rows");
        const QStringList none;
        QTest::newRow("added, with the scan's rules") << "source" << QStringList { "a.jpg", "c.jpg" } << "c.jpg"
                                                      << QStringList { "b.JPG", "notes.txt", "d.png", "B.pct" } << none
                                                      << QStringList { "B.pct", "a.jpg", "b.JPG", "c.jpg", "d.png" };
        QTest::newRow("removed") << "source" << QStringList { "a.jpg", "b.jpg", "c.jpg" } << "b.jpg" << none
                                 << QStringList { "a.jpg" } << QStringList { "b.jpg", "c.jpg" };
        QTest::newRow("chosen file removed stays in its place")
            << "source" << QStringList { "a.jpg", "b.jpg", "c.jpg", "d.jpg" } << "c.jpg" << QStringList { "bb.jpg" }
            << QStringList { "b.jpg", "c.jpg" } << QStringList { "a.jpg", "bb.jpg", "c.jpg", "d.jpg" };
        QTest::newRow("background added, no .png")
            << "background" << QStringList { "0.jpg", "m.jpg" } << "0.jpg" << QStringList { "n.jpg", "x.png" } << none
            << QStringList { "0.jpg", "m.jpg", "n.jpg" };
        QTest::newRow("a map named before the flat plane comes after it")
            << "background" << QStringList { "b.jpg", "m.jpg" } << "b.jpg" << QStringList { "a.jpg" } << none
            << QStringList { "b.jpg", "a.jpg", "m.jpg" };
        QTest::newRow("the flat plane stays when its file goes")
            << "background" << QStringList { "0.jpg", "m.jpg" } << "m.jpg" << none << QStringList { "0.jpg" }
            << QStringList { "0.jpg", "m.jpg" };
        QTest::newRow("chosen map removed")
            << "background" << QStringList { "0.jpg", "m.jpg", "n.jpg" } << "m.jpg" << none << QStringList { "m.jpg" }
            << QStringList { "0.jpg", "m.jpg", "n.jpg" };
    }
    // A rescan lists the folder as the start does, keeps the chosen file chosen, and
    // runs no handler: the pictures shown and the messages stay as they were.
    void rescan()
    {
        QFETCH(QString, which);
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        Window1* w1 = start(
            which == "source" ? files : QStringList { "p.jpg" }, which == "source" ? QStringList { "0.jpg" } : files);
        list(which)->setListIndex(list(which)->findText(chosen));
        const qint64 sourceShown = w1->Canvas3->backdrop()->cacheKey();
        const QImage* map = Window2::instance()->Canvas2->backdrop();
        const qint64 mapShown = map ? map->cacheKey() : 0;
        QSignalSpy rescans(w1, &Window1::foldersRescanned);
        QSignalSpy sourceChanges(list("source"), &PopupMenu::Change);
        QSignalSpy backgroundChanges(list("background"), &PopupMenu::Change);

        for (const QString& f : added)
            writePicture(folder(which) + "/" + f);
        for (const QString& f : removed)
            QVERIFY(QFile::remove(folder(which) + "/" + f));
        QVERIFY(rescans.wait(10000));

        QTEST(list(which)->Rows(), "rows");
        QCOMPARE(list(which)->Text(), chosen);
        QCOMPARE(sourceChanges.count() + backgroundChanges.count(), 0);
        QCOMPARE(w1->Canvas3->backdrop()->cacheKey(), sourceShown);
        map = Window2::instance()->Canvas2->backdrop();
        QCOMPARE(map ? map->cacheKey() : 0, mapShown);
        QVERIFY((*fake)->messages.isEmpty());
    }

    // A removed file that was chosen leaves the list once another row is chosen.
    void vanishedRowLeavesWhenNotChosen()
    {
        Window1* w1 = start({ "a.jpg", "b.jpg" }, { "0.jpg" });
        QSignalSpy rescans(w1, &Window1::foldersRescanned);
        QVERIFY(QFile::remove(folders.source.path + "/b.jpg"));
        QVERIFY(rescans.wait(10000));
        QCOMPARE(list("source")->Rows(), QStringList({ "a.jpg", "b.jpg" }));
        list("source")->setCurrentIndex(0); // as the user's choice does
        QVERIFY(rescans.wait(10000));
        QCOMPARE(list("source")->Rows(), QStringList({ "a.jpg" }));
        QCOMPARE(list("source")->Text(), QStringLiteral("a.jpg"));
    }

    void burstMakesOneRescan()
    {
        Window1* w1 = start({ "a.jpg" }, { "0.jpg" });
        QSignalSpy rescans(w1, &Window1::foldersRescanned);
        // Files arrive one by one, and the program sees each change as it comes.
        for (int i = 0; i < 500; ++i) {
            QFile file(folders.background.path + QStringLiteral("/m%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!rescans.isEmpty() && !w1->rescanPending(), 10000);
        QCOMPARE(rescans.count(), 1);
        QCOMPARE(list("background")->count(), 501);
        QCOMPARE(list("background")->Text(), QStringLiteral("0.jpg"));
    }

    void startMessages_data()
    {
        QTest::addColumn<int>("sourceState");
        QTest::addColumn<int>("backgroundState");
        QTest::addColumn<QStringList>("messages"); // %S, %B: the folders' paths
        const int seeded = int(platform::FolderState::Seeded), noSamples = int(platform::FolderState::NoSamples),
                  copyFailed = int(platform::FolderState::CopyFailed);
        QTest::newRow("seeded: nothing to say") << seeded << seeded << QStringList();
        QTest::newRow("no samples: both folders in one message")
            << noSamples << noSamples
            << QStringList { "見本の画像がインストールされていないため、次のフォルダーを空のまま作りました。"
                             "画像を入れてからお使いください。\n%S\n%B" };
        QTest::newRow("copy failed, with the reason")
            << seeded << copyFailed
            << QStringList { "見本の画像をコピーできなかったため、次のフォルダーを空のまま作りました。"
                             "画像を入れてからお使いください。\n%B\n（disk full）" };
    }
    void startMessages()
    {
        QFETCH(int, sourceState);
        QFETCH(int, backgroundState);
        QFETCH(QStringList, messages);
        start({}, {});
        Window1::destroyInstances();
        folders.source.state = platform::FolderState(sourceState);
        folders.background.state = platform::FolderState(backgroundState);
        folders.background.failure = platform::Failure { platform::FailureKind::NoSpace, "x", "disk full" };
        platform::usePictureFolders(folders);
        fake = std::make_unique<ScopedFakeDialogs>();
        Window1::instance();
        messages.replaceInStrings("%S", folders.source.path).replaceInStrings("%B", folders.background.path);
        QCOMPARE((*fake)->messages, messages);
        QVERIFY(!platform::quitRequested());
    }

    // File > open the picture folders, in the file manager (the fake records it), or
    // say that one is gone.
    void openFolderCommands()
    {
        start({ "a.jpg" }, { "0.jpg" });
        Menu::instance()->item("openSourceFolder")->trigger();
        Menu::instance()->item("openBackgroundFolder")->trigger();
        QCOMPARE((*fake)->openedUrls,
            QList<QUrl>({ QUrl::fromLocalFile(folders.source.path), QUrl::fromLocalFile(folders.background.path) }));
        QVERIFY(QDir(folders.background.path).removeRecursively());
        Menu::instance()->item("openBackgroundFolder")->trigger();
        QCOMPARE((*fake)->openedUrls.count(), 2);
        QCOMPARE((*fake)->messages, QStringList({ "背景フォルダが見つかりません\n" + folders.background.path }));
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestFolderWatch test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_folderwatch.moc"
