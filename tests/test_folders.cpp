// Where the picture folders are found or made: beside the program, or the user's own
// folders seeded from the installed samples, over folders made by each test.
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        }
        // Beside the program nothing is made for the user; otherwise only the two
        // folders are (no half-made copy left aside).
        if (beside) QVERIFY(!QFileInfo::exists(home));
        for (const QString& name : entries(home))
            QVERIFY2(name == platform::kSourceFolderName || name == platform::kBackgroundFolderName, qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
