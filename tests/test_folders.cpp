// Where the picture folders are found or made: beside the program, or the user's own
// folders seeded from the installed samples, over folders made by each test.
#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::FolderState;

namespace {

const QString kSource = platform::kSourceFolderName;
const QString kBackground = platform::kBackgroundFolderName;

// Makes "folder/file" entries under `root` ("folder/" alone makes an empty folder).
void make(const QString& root, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QString path = root + QLatin1Char('/') + entry;
        QVERIFY(QDir().mkpath(entry.endsWith(QLatin1Char('/')) ? path : QFileInfo(path).path()));
        if (entry.endsWith(QLatin1Char('/'))) continue;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entry.toUtf8());
    }
}

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
        QTest::addColumn<QStringList>("app"); // entries beside the program
        QTest::addColumn<QStringList>("user"); // entries of the user's folder ("-" = cannot be made)
        QTest::addColumn<QStringList>("samples"); // two installed sample places: "1/..." and "2/..."
        QTest::addColumn<int>("sourceState");
        QTest::addColumn<int>("backgroundState");
        QTest::addColumn<QStringList>("sourceFiles"); // what the chosen folders hold afterwards
        QTest::addColumn<QStringList>("backgroundFiles");

        const QStringList none;
        const QStringList samples { "1/画像フォルダ/s1.jpg", "1/画像フォルダ/s2.png", "1/背景フォルダ/00_flat.jpg" };
        const int beside = int(FolderState::BesideApplication), existing = int(FolderState::Existing),
                  seeded = int(FolderState::Seeded), noSamples = int(FolderState::NoSamples),
                  missing = int(FolderState::Missing);
        QTest::newRow("beside the program") << QStringList { "画像フォルダ/a.jpg", "背景フォルダ/" } << none << samples
                                            << beside << beside << QStringList { "a.jpg" } << none;
        QTest::newRow("beside, one missing: the message and the end")
            << QStringList { "背景フォルダ/m.jpg" } << none << samples << missing << beside << none
            << QStringList { "m.jpg" };
        QTest::newRow("first start seeds") << none << none << samples << seeded << seeded
                                           << QStringList { "s1.jpg", "s2.png" } << QStringList { "00_flat.jpg" };
        QTest::newRow("existing folder untouched")
            << none << QStringList { "画像フォルダ/mine.jpg" } << samples << existing << seeded
            << QStringList { "mine.jpg" } << QStringList { "00_flat.jpg" };
        QTest::newRow("emptied folders stay empty") << none << QStringList { "画像フォルダ/", "背景フォルダ/" }
                                                    << samples << existing << existing << none << none;
        QTest::newRow("a file of that name is left alone")
            << none << QStringList { "画像フォルダ" } << samples << missing << seeded << none
            << QStringList { "00_flat.jpg" };
        QTest::newRow("nothing creatable")
            << none << QStringList { "-" } << samples << missing << missing << none << none;
        QTest::newRow("samples missing from the installation")
            << none << none << none << noSamples << noSamples << none << none;
        QTest::newRow("each folder from the first place that has it")
            << none << none
            << QStringList { "1/画像フォルダ/first.jpg", "2/画像フォルダ/second.jpg", "2/背景フォルダ/b.jpg" } << seeded
            << seeded << QStringList { "first.jpg" } << QStringList { "b.jpg" };
    }
    void resolution()
    {
        QFETCH(QStringList, app);
        QFETCH(QStringList, user);
        QFETCH(QStringList, samples);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        platform::FolderPlaces places { dir.filePath("bin"), dir.filePath("home/voleta"),
            { dir.filePath("samples/1"), dir.filePath("samples/2") } };
        QVERIFY(QDir().mkpath(places.applicationFolder));
        make(places.applicationFolder, app);
        if (user == QStringList { "-" }) {
            make(dir.path(), { "home" }); // a file where the user's folders would go
            places.userFolder = dir.filePath("home/voleta");
        } else {
            make(places.userFolder, user);
        }
        make(dir.filePath("samples"), samples);
        const QStringList before = entries(dir.filePath("home/voleta"));

        const platform::PictureFolders folders = platform::resolvePictureFolders(places);

        QTEST(int(folders.source.state), "sourceState");
        QTEST(int(folders.background.state), "backgroundState");
        QTEST(entries(folders.source.path), "sourceFiles");
        QTEST(entries(folders.background.path), "backgroundFiles");
        for (const platform::PictureFolder& f : { folders.source, folders.background }) {
            QCOMPARE(f.path.isEmpty(), f.state == FolderState::Missing);
            const QString expected
                = f.state == FolderState::BesideApplication ? places.applicationFolder : places.userFolder;
            if (!f.path.isEmpty()) QCOMPARE(QFileInfo(f.path).path(), expected);
        }
        // Beside the program nothing is made in the user's folder; there, only the two
        // folders are (no copy left aside), and what was there stays.
        const QStringList after = entries(dir.filePath("home/voleta"));
        if (folders.source.state == FolderState::BesideApplication
            || folders.background.state == FolderState::BesideApplication)
            QCOMPARE(after, before);
        for (const QString& name : after)
            QVERIFY2(name == kSource || name == kBackground, qPrintable(name));
        if (user.contains("画像フォルダ")) {
            QFile file(dir.filePath("home/voleta/画像フォルダ"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(file.readAll()), kSource);
        }
    }

    // The second start finds the folders as the user left them.
    void secondStartLeavesFoldersAlone()
    {
        QTemporaryDir dir;
        make(dir.path(), { "samples/画像フォルダ/s.jpg", "samples/背景フォルダ/f.jpg", "bin/" });
        const platform::FolderPlaces places { dir.filePath("bin"), dir.filePath("user"), { dir.filePath("samples") } };
        const platform::PictureFolders first = platform::resolvePictureFolders(places);
        QVERIFY(QFile::remove(first.source.path + "/s.jpg"));
        make(first.background.path, { "mine.jpg" });
        const platform::PictureFolders second = platform::resolvePictureFolders(places);
        QCOMPARE(int(second.source.state), int(FolderState::Existing));
        QCOMPARE(entries(second.source.path), QStringList());
        QCOMPARE(entries(second.background.path), QStringList({ "f.jpg", "mine.jpg" }));

        // Later lookups use these folders, and a folder that vanished is not found.
        platform::usePictureFolders(second);
        QCOMPARE(platform::backgroundFolder(), second.background.path);
        QVERIFY(QDir(second.source.path).removeRecursively());
        QCOMPARE(platform::sourceFolder(), QString());
        platform::forgetPictureFolders();
    }

    // The user's folder is $XDG_DATA_HOME/voleta; samples are looked for beside the
    // program first, then in the system's data folders.
    void standardPlaces()
    {
        QTemporaryDir dir;
        make(dir.path(), { "sys/voleta/samples/" });
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_DATA_DIRS", dir.filePath("sys").toUtf8());
        const platform::FolderPlaces places = platform::standardFolderPlaces();
        QCOMPARE(places.userFolder, dir.filePath("data/voleta"));
        QCOMPARE(places.sampleFolders,
            QStringList({ QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/voleta/samples"),
                dir.filePath("sys/voleta/samples") }));
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
