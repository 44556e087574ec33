// The lists show their folders as they change while the program runs, and the File menu
// opens the folders; the windows run over the user's folders made by each test, with the
// fakes. How the folders are followed is the folder model's (test_pictures).
#include "app/Class1.h"
#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "scene/FolderModel.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using platform::FolderState;

class TestFolderWatch : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;
    platform::PictureFolders folders;

    // Starts the program over user folders holding `source` and `background` pictures,
    // made on this start as `state` says.
    Window1* start(const QStringList& source, const QStringList& background, FolderState state = FolderState::Existing)
    {
        Wiring::destroy();
        fake = std::make_unique<ScopedFakeDialogs>();
        QDir(dir.path()).removeRecursively();
        folders = { { dir.filePath("user/画像フォルダ"), state, {} },
            { dir.filePath("user/背景フォルダ"), state, platform::Failure { {}, {}, "disk full" } } };
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(qRgb(30, 60, 90));
        QDir().mkpath(folders.source.path);
        QDir().mkpath(folders.background.path);
        for (const QString& f : source)
            picture.save(folders.source.path + "/" + f, "PNG");
        for (const QString& f : background)
            picture.save(folders.background.path + "/" + f, "PNG");
        platform::setApplicationFolder(dir.filePath("bin")); // nothing beside the program
        platform::usePictureFolders(folders);
        return Wiring::instance()->mainWindow();
    }

private Q_SLOTS:
    void cleanupTestCase() { Wiring::destroy(); }

    void rescan_data()
    {
        QTest::addColumn<bool>("source"); // else the background folder
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("changes"); // each file is added, or removed when there
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("chosen file removed stays in its place")
            << true << QStringList { "a.jpg", "b.jpg", "c.jpg", "d.jpg" } << "c.jpg"
            << QStringList { "bb.jpg", "e.png", "b.jpg", "c.jpg" }
            << QStringList { "a.jpg", "bb.jpg", "c.jpg", "d.jpg", "e.png" };
        QTest::newRow("the first source file removed stays first")
            << true << QStringList { "a.jpg", "b.jpg", "c.jpg" } << "a.jpg" << QStringList { "a.jpg" }
            << QStringList { "a.jpg", "b.jpg", "c.jpg" };
        QTest::newRow("a map named before the flat plane comes after it")
            << false << QStringList { "b.jpg", "m.jpg" } << "b.jpg" << QStringList { "a.jpg" }
            << QStringList { "b.jpg", "a.jpg", "m.jpg" };
        QTest::newRow("the flat plane stays when its file goes")
            << false << QStringList { "0.jpg", "m.jpg" } << "m.jpg" << QStringList { "0.jpg" }
            << QStringList { "0.jpg", "m.jpg" };
        QStringList burst, listed { "0.jpg" };
        for (int i = 0; i < 500; ++i) {
            burst << QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
            listed << burst.last();
        }
        QTest::newRow("a burst of 500 files") << false << QStringList { "0.jpg" } << "0.jpg" << burst << listed;
    }
    // The changes, seen one by one as they come, make one rescan; it lists the folder as
    // the start does, keeps the chosen file chosen, and runs no handler. A chosen file
    // that is gone leaves once another row is chosen.
    void rescan()
    {
        QFETCH(bool, source);
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        QFETCH(QStringList, changes);
        start(source ? files : QStringList { "p.jpg" }, source ? QStringList { "0.jpg" } : files);
        const QString folder = (source ? folders.source.path : folders.background.path) + "/";
        PopupMenu* list = Wiring::existing()->settingsWindow()->findChild<PopupMenu*>(
            source ? QStringLiteral("PopupMenu3") : QStringLiteral("PopupMenu11"));
        list->setListIndex(list->findText(chosen));
        scene::FolderModel* model = Wiring::existing()->model()->folders();
        QSignalSpy rescans(model, &scene::FolderModel::changed);
        QSignalSpy handlerRuns(list, &PopupMenu::Change);

        for (const QString& change : changes) {
            QVERIFY(QFile::exists(folder + change) ? QFile::remove(folder + change)
                                                   : QFile(folder + change).open(QIODevice::WriteOnly));
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!rescans.isEmpty() && !model->rescanPending(), 10000);
        QCOMPARE(rescans.count(), 1);

        QTEST(list->Rows(), "rows");
        QCOMPARE(list->Text(), chosen);
        QCOMPARE(handlerRuns.count(), 0);
        QVERIFY((*fake)->messages.isEmpty());
        if (!changes.contains(chosen)) return;
        list->setCurrentIndex(list->Rows().indexOf(chosen) == 0 ? 1 : 0); // another row, as the user's choice does
        QVERIFY(!list->Rows().contains(chosen));
    }

    // Undone back to a pattern whose file has gone, the list shows it all the same, and
    // it is read and chosen in the list again when the file comes back.
    void undoneToAGoneFile()
    {
        start({ "a.jpg", "b.jpg" }, { "0.jpg" });
        PopupMenu* list = Wiring::existing()->settingsWindow()->findChild<PopupMenu*>("PopupMenu3");
        scene::SceneModel* document = Wiring::existing()->model();
        list->setListIndex(list->findText("a.jpg"));
        list->setListIndex(list->findText("b.jpg"));
        const QString gone = folders.source.path + "/a.jpg";
        QVERIFY(QFile::rename(gone, gone + ".away"));
        document->folders()->rescan();
        QCOMPARE(list->Rows(), QStringList({ "b.jpg" }));
        document->undoStack()->undo();
        QCOMPARE(list->Rows(), QStringList({ "a.jpg", "b.jpg" }));
        QCOMPARE(list->Text(), QStringLiteral("a.jpg"));
        QVERIFY(QFile::rename(gone + ".away", gone));
        document->folders()->rescan();
        QCOMPARE(list->Text(), QStringLiteral("a.jpg"));
        QVERIFY(!document->pattern().isNull()); // read again now that it is there
        // The pattern shown stays when its file goes, as a picture once opened does.
        QVERIFY(QFile::remove(gone));
        document->folders()->rescan();
        QVERIFY(!document->pattern().isNull());
        QCOMPARE(list->Text(), QStringLiteral("a.jpg"));
    }

    // A folder of the user's made empty on this start is named in a message.
    void startMessages()
    {
        const QString madeEmpty = "次のフォルダーを空のまま作りました。画像を入れてからお使いください。\n";
        start({}, {}, FolderState::NoSamples);
        const QString both = folders.source.path + "\n" + folders.background.path;
        QCOMPARE((*fake)->messages, QStringList { "見本の画像がインストールされていないため、" + madeEmpty + both });
        start({}, {}, FolderState::CopyFailed);
        QCOMPARE((*fake)->messages,
            QStringList { "見本の画像をコピーできなかったため、" + madeEmpty + both + "\n（disk full）" });
    }

    // File > open the picture folders, in the file manager (the fake records it), or
    // say that one is gone.
    void openFolderCommands()
    {
        start({ "a.jpg" }, { "0.jpg" });
        Menu::instance()->items().openSourceFolder->trigger();
        Menu::instance()->items().openBackgroundFolder->trigger();
        QCOMPARE((*fake)->openedUrls,
            QList<QUrl>({ QUrl::fromLocalFile(folders.source.path), QUrl::fromLocalFile(folders.background.path) }));
        QVERIFY(QDir(folders.background.path).removeRecursively());
        Menu::instance()->items().openBackgroundFolder->trigger();
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
