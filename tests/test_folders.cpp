// The platform's file helpers: where the picture folders are found or made (beside the
// program, or the user's own folders seeded from the installed samples), entries by
// name, listings in reading order and the failure kind of a system error.
#include "platform/Files.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

using platform::FolderState;
using testing::entries;

namespace {

// Empty files at these paths under root ("folder/" makes an empty folder).
bool makeEntries(const QString& root, const QStringList& paths)
{
    for (const QString& entry : paths) {
        const QString path = QDir(root).filePath(entry);
        if (!QDir().mkpath(QFileInfo(path).path())) return false;
        if (!entry.endsWith('/') && !QFile(path).open(QIODevice::WriteOnly)) return false;
    }
    return true;
}

} // namespace

class TestFolders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What is there before: bin/ holds the program, data/voleta is the user's folder,
    // share/voleta/samples (beside bin/) and sys/voleta/samples the installed samples.
    void resolution_data()
    {
        QTest::addColumn<QStringList>("disk");
        QTest::addColumn<int>("sourceState");
        QTest::addColumn<int>("backgroundState");
        QTest::addColumn<QStringList>("sourceFiles"); // what the chosen folders hold afterwards
        QTest::addColumn<QStringList>("backgroundFiles");
        const int beside = int(FolderState::BesideApplication), seeded = int(FolderState::Seeded);
        const auto row = [](const char* name, const QStringList& disk, int source, int background,
                             const QStringList& sourceFiles, const QStringList& backgroundFiles) {
            QTest::newRow(name) << disk << source << background << sourceFiles << backgroundFiles;
        };
        row("beside, one missing: it stays missing", { "bin/背景フォルダ/m.jpg" }, int(FolderState::Missing), beside,
            {}, { "m.jpg" });
        row("each folder from the first place that has it",
            { "share/voleta/samples/画像フォルダ/first.jpg", "sys/voleta/samples/画像フォルダ/second.jpg",
                "sys/voleta/samples/背景フォルダ/b.jpg" },
            seeded, seeded, { "first.jpg" }, { "b.jpg" });
    }
    void resolution()
    {
        QFETCH(QStringList, disk);
        QTemporaryDir dir;
        QVERIFY(makeEntries(dir.path(), disk + QStringList { "bin/" }));
        for (const QString& entry : disk) // installed samples are read-only
            if (entry.contains("/samples/"))
                QVERIFY(QFile::setPermissions(dir.filePath(entry), QFile::ReadOwner | QFile::ReadOther));
        platform::setApplicationFolder(dir.filePath("bin"));
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_DATA_DIRS", dir.filePath("sys").toUtf8());
        const platform::PictureFolders folders = platform::resolvePictureFolders(platform::standardFolderPlaces());

        QTEST(int(folders.source.state), "sourceState");
        QTEST(int(folders.background.state), "backgroundState");
        QTEST(entries(folders.source.path), "sourceFiles");
        QTEST(entries(folders.background.path), "backgroundFiles");
    }

    // An entry of a folder by name; nothing for a name that leaves the folder.
    void child()
    {
        QTemporaryDir dir;
        QVERIFY(makeEntries(dir.path(), { "a.jpg" }));
        QCOMPARE(platform::child(dir.path(), "a.jpg"), dir.filePath("a.jpg"));
        QCOMPARE(platform::child(dir.path(), ".."), QString());
    }

    // Every entry, hidden ones and folders too, as people read them: numbers by value, a
    // name before its longer variants, letters before their capitals.
    void listing()
    {
        QTemporaryDir dir;
        QVERIFY(makeEntries(dir.path(),
            { "b.jpg", "a.jpg", "B.JPG", ".hidden.jpg", "A.jpg", "10.jpg", "2.jpg", "mypat (2).png", "mypat.png",
                "mypat2.png", "Z/" }));
        bool ok = false;
        QCOMPARE(platform::listFolder(dir.path(), &ok),
            (QStringList { ".hidden.jpg", "2.jpg", "10.jpg", "a.jpg", "A.jpg", "b.jpg", "B.JPG", "mypat.png",
                "mypat (2).png", "mypat2.png", "Z" }));
        QVERIFY(ok);
        QCOMPARE(platform::listFolder(dir.filePath("none"), &ok), QStringList());
        QVERIFY(!ok);
    }

    // A failed write on a read-only disk is no permission.
    void readOnlyDisk()
    {
        QCOMPARE(
            platform::failureFromErrno(EROFS, platform::FailureKind::WriteFailed), platform::FailureKind::NoPermission);
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
