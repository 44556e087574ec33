// The lists show their folders as they change while the program runs, and the File menu
// opens the folders; the windows run over the user's folders made by each test, with the
// fakes. How the folders are followed is the folder model's (test_pictures).
#include "app/Class1.h"
#include "scene/FolderModel.h"
#include "support/Program.h"

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
    PopupMenu* patterns() const { return p.control<PopupMenu>(QStringLiteral("PopupMenu3")); }

private Q_SLOTS:
    // Undone back to a pattern whose file has gone, the list shows it all the same, and
    // it is read and chosen in the list again when the file comes back.
    void undoneToAGoneFile()
    {
        start({ "a.jpg", "b.jpg" }, { "0.jpg" });
        PopupMenu* list = patterns();
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
