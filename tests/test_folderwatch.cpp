// The lists show their folders as they change while the program runs, and the File menu
// opens the folders; the windows run over the user's folders made by each test, with the
// fakes. How the folders are followed is the folder model's (test_pictures).
#include "app/Class1.h"
#include "scene/FolderModel.h"
#include "support/Program.h"

#include <QSignalSpy>
#include <QUndoStack>

using platform::FolderState;

class TestFolderWatch : public QObject {
    Q_OBJECT

    testing::Program p;
    platform::PictureFolders folders;
    FakeDialogs& fake() const { return p.dialogs(); }

    // Starts the program over user folders holding `source` and `background` pictures,
    // made on this start as `state` says, with nothing beside the program.
    void start(const QStringList& source, const QStringList& background, FolderState state = FolderState::Existing)
    {
        folders = { { p.dir.filePath("user/画像フォルダ"), state, {} },
            { p.dir.filePath("user/背景フォルダ"), state, platform::Failure { {}, {}, "disk full" } } };
        Wiring::destroy(); // before its folders go
        QDir(p.dir.path()).removeRecursively();
        for (const auto& [folder, names] :
            { std::pair { folders.source.path, source }, { folders.background.path, background } }) {
            QDir().mkpath(folder);
            for (const QString& name : names)
                testing::stripes({ 16, 16 }).save(folder + "/" + name, "PNG");
        }
        platform::usePictureFolders(folders);
        p.start(p.dir.filePath("bin"));
    }
    PopupMenu* list(bool source) const
    {
        return p.control<PopupMenu>(source ? QStringLiteral("PopupMenu3") : QStringLiteral("PopupMenu11"));
    }

private Q_SLOTS:
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
        PopupMenu* shown = list(source);
        shown->setListIndex(shown->findText(chosen));
        QSignalSpy rescans(p.model()->folders(), &scene::FolderModel::changed);
        QSignalSpy handlerRuns(shown, &PopupMenu::Change);

        for (const QString& change : changes) {
            QVERIFY(QFile::exists(folder + change) ? QFile::remove(folder + change)
                                                   : QFile(folder + change).open(QIODevice::WriteOnly));
            QCoreApplication::processEvents();
        }
        QFETCH(QStringList, rows);
        QTRY_VERIFY_WITH_TIMEOUT(!rescans.isEmpty() && shown->Rows() == rows, 10000);
        QCOMPARE(rescans.count(), 1);
        QCOMPARE(shown->Text(), chosen);
        QCOMPARE(handlerRuns.count(), 0);
        QVERIFY(fake().messages.isEmpty());
        if (!changes.contains(chosen)) return;
        shown->setCurrentIndex(rows.indexOf(chosen) == 0 ? 1 : 0); // another row, as the user's choice does
        QVERIFY(!shown->Rows().contains(chosen));
    }

    // Undone back to a pattern whose file has gone, the list shows it all the same, and
    // it is read and chosen in the list again when the file comes back.
    void undoneToAGoneFile()
    {
        start({ "a.jpg", "b.jpg" }, { "0.jpg" });
        PopupMenu* list = this->list(true);
        scene::SceneModel* document = p.model();
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
        QCOMPARE(fake().messages, QStringList { "見本の画像がインストールされていないため、" + madeEmpty + both });
        start({}, {}, FolderState::CopyFailed);
        QCOMPARE(fake().messages,
            QStringList { "見本の画像をコピーできなかったため、" + madeEmpty + both + "\n（disk full）" });
    }

    // File > open the picture folders, in the file manager (the fake records it), or
    // say that one is gone.
    void openFolderCommands()
    {
        start({ "a.jpg" }, { "0.jpg" });
        Menu::instance()->items().openSourceFolder->trigger();
        Menu::instance()->items().openBackgroundFolder->trigger();
        QCOMPARE(fake().openedUrls,
            QList<QUrl>({ QUrl::fromLocalFile(folders.source.path), QUrl::fromLocalFile(folders.background.path) }));
        QVERIFY(QDir(folders.background.path).removeRecursively());
        Menu::instance()->items().openBackgroundFolder->trigger();
        QCOMPARE(fake().messages, QStringList({ "背景フォルダが見つかりません\n" + folders.background.path }));
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestFolderWatch test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_folderwatch.moc"
