// Where the picture folders are found or made: beside the program, or the user's own
// folders seeded from the installed samples, over folders made by each test.
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

using platform::FolderState;

namespace {

QStringList entries(const QString& folder)
{
    if (folder.isEmpty()) return {};
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFolders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolution_data()
    {
        // What is there before: bin/ holds the program, data/voleta is the user's folder,
        // share/voleta/samples (beside bin/) and sys/voleta/samples the installed samples.
        QTest::addColumn<QStringList>("disk");
        QTest::addColumn<int>("sourceState");
        QTest::addColumn<int>("backgroundState");
        QTest::addColumn<QStringList>("sourceFiles"); // what the chosen folders hold afterwards
        QTest::addColumn<QStringList>("backgroundFiles");

        const QStringList none;
        const QStringList samples { "share/voleta/samples/画像フォルダ/s1.jpg",
            "share/voleta/samples/画像フォルダ/s2.png", "share/voleta/samples/背景フォルダ/00_flat.jpg" };
        const int beside = int(FolderState::BesideApplication), existing = int(FolderState::Existing),
                  seeded = int(FolderState::Seeded), missing = int(FolderState::Missing);
        QTest::newRow("beside the program") << QStringList { "bin/画像フォルダ/a.jpg", "bin/背景フォルダ/" } << beside
                                            << beside << QStringList { "a.jpg" } << none;
        QTest::newRow("beside, one missing: it stays missing")
            << QStringList { "bin/背景フォルダ/m.jpg" } << missing << beside << none << QStringList { "m.jpg" };
        QTest::newRow("first start seeds")
            << samples << seeded << seeded << QStringList { "s1.jpg", "s2.png" } << QStringList { "00_flat.jpg" };
        QTest::newRow("existing folder untouched")
            << samples + QStringList { "data/voleta/画像フォルダ/mine.jpg" } << existing << seeded
            << QStringList { "mine.jpg" } << QStringList { "00_flat.jpg" };
        QTest::newRow("emptied folders stay empty")
            << samples + QStringList { "data/voleta/画像フォルダ/", "data/voleta/背景フォルダ/" } << existing
            << existing << none << none;
        QTest::newRow("a file of that name is left alone")
            << samples + QStringList { "data/voleta/画像フォルダ" } << missing << seeded << none
            << QStringList { "00_flat.jpg" };
        QTest::newRow("nothing creatable: a file where the folder goes")
            << samples + QStringList { "data" } << missing << missing << none << none;
        QTest::newRow("samples missing from the installation")
            << none << int(FolderState::NoSamples) << int(FolderState::NoSamples) << none << none;
        QTest::newRow("each folder from the first place that has it")
            << QStringList { "share/voleta/samples/画像フォルダ/first.jpg",
                   "sys/voleta/samples/画像フォルダ/second.jpg", "sys/voleta/samples/背景フォルダ/b.jpg" }
            << seeded << seeded << QStringList { "first.jpg" } << QStringList { "b.jpg" };
    }
    void resolution()
    {
        QFETCH(QStringList, disk);
        QTemporaryDir dir;
        for (const QString& entry : disk + QStringList { "bin/" }) { // "folder/" makes an empty folder
            QVERIFY(QDir().mkpath(QFileInfo(dir.filePath(entry)).path()));
            if (!entry.endsWith('/')) QVERIFY(QFile(dir.filePath(entry)).open(QIODevice::WriteOnly));
            // Installed samples are read-only.
            if (entry.contains("/samples/") && !entry.endsWith('/'))
                QVERIFY(
                    QFile::setPermissions(dir.filePath(entry), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        platform::setApplicationFolder(dir.filePath("bin"));
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_DATA_DIRS", dir.filePath("sys").toUtf8());
        const QString home = dir.filePath("data/voleta");

        const platform::PictureFolders folders = platform::resolvePictureFolders(platform::standardFolderPlaces());

        QTEST(int(folders.source.state), "sourceState");
        QTEST(int(folders.background.state), "backgroundState");
        QTEST(entries(folders.source.path), "sourceFiles");
        QTEST(entries(folders.background.path), "backgroundFiles");
        const bool beside = folders.source.state == FolderState::BesideApplication
            || folders.background.state == FolderState::BesideApplication;
        for (const platform::PictureFolder& f : { folders.source, folders.background }) {
            if (f.state != FolderState::Missing)
                QCOMPARE(QFileInfo(f.path).path(), dir.filePath(beside ? "bin" : "data/voleta"));
            // The user's copies are the user's to change.
            for (const QString& name : f.state == FolderState::Seeded ? entries(f.path) : QStringList())
                QVERIFY(QFileInfo(QDir(f.path).filePath(name)).permissions() & QFile::WriteOwner);
        }
        // Beside the program nothing is made for the user; otherwise only the two
        // folders are (no half-made copy left aside).
        if (beside) QVERIFY(!QFileInfo::exists(home));
        for (const QString& name : entries(home))
            QVERIFY2(name == platform::kSourceFolderName || name == platform::kBackgroundFolderName, qPrintable(name));
    }

    // An entry of a folder by name: nothing for a name that leaves the folder or is not there.
    void child_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("a file") << "a.jpg" << true;
        QTest::newRow("missing") << "b.jpg" << false;
        QTest::newRow("the folder itself") << "." << false;
        QTest::newRow("the folder above") << ".." << false;
        QTest::newRow("a path") << "sub/c.jpg" << false;
        QTest::newRow("empty") << "" << false;
    }
    void child()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub") && QFile(dir.filePath("a.jpg")).open(QIODevice::WriteOnly)
            && QFile(dir.filePath("sub/c.jpg")).open(QIODevice::WriteOnly));
        QFETCH(bool, found);
        QCOMPARE(platform::child(dir.path(), name), found ? dir.filePath(name) : QString());
    }

    // Every entry, hidden ones and folders too, as people read them: numbers by value, a
    // name before its longer variants, letters before their capitals.
    void listing()
    {
        QTemporaryDir dir;
        for (const char* name : { "b.jpg", "a.jpg", "B.JPG", ".hidden.jpg", "A.jpg", "10.jpg", "2.jpg", "mypat (2).png",
                 "mypat.png", "mypat2.png" })
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir("Z"));
        bool ok = false;
        QCOMPARE(platform::listFolder(dir.path(), &ok),
            (QStringList { ".hidden.jpg", "2.jpg", "10.jpg", "a.jpg", "A.jpg", "b.jpg", "B.JPG", "mypat.png",
                "mypat (2).png", "mypat2.png", "Z" }));
        QVERIFY(ok);
        QCOMPARE(platform::listFolder(dir.filePath("none"), &ok), QStringList());
        QVERIFY(!ok);
    }

    // What a failed open or write says: a read-only disk is no permission, a full one no space.
    void errnoKinds_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("kind");
        using K = platform::FailureKind;
        QTest::newRow("read-only file system") << EROFS << int(K::NoPermission);
        QTest::newRow("name too long") << ENAMETOOLONG << int(K::NameNotAllowed);
        QTest::newRow("anything else") << EIO << int(K::WriteFailed);
    }
    void errnoKinds()
    {
        QFETCH(int, error);
        QTEST(int(platform::failureFromErrno(error, platform::FailureKind::WriteFailed)), "kind");
    }

    // JPEG is written at the quality asked for: at 95 the encoder scales the first entry of the standard luminance
    // table, 16, by (200 - 2 * 95) / 100 to 2 (Qt's default, 75, would give 8).
    void jpegQuality()
    {
        QTemporaryDir dir;
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(!platform::writePicture(picture, dir.filePath("q.jpg"), "jpeg", 95));
        QFile file(dir.filePath("q.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const qsizetype dqt = bytes.indexOf("\xff\xdb"); // marker, length, table number, first entry
        QVERIFY(dqt >= 0 && dqt + 5 < bytes.size());
        QCOMPARE(int(uchar(bytes[dqt + 5])), 2);
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
