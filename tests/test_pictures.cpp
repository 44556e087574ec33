// The picture library (each file decoded once while it stays as it was, shared, kept
// within a byte bound yet never dropping a picture in use) and the folder model (the
// two picture folders listed, watched and rescanned), over folders made by each test.
#include "platform/Files.h"
#include "scene/FolderModel.h"
#include "scene/PictureLibrary.h"
#include "support/Pictures.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using platform::FolderState;
using scene::FolderModel;
using scene::PictureLibrary;
using testing::writeFile;
using testing::writePicture;

namespace {

constexpr QRgb kRed = 0xffcc2020;
constexpr QRgb kBlue = 0xff2040cc;

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    platform::PictureFolders folders;

    // The user's picture folders holding empty files of these names, in use from now on.
    void makeFolders(const QStringList& source, const QStringList& background)
    {
        QDir(dir.path()).removeRecursively();
        folders = { { dir.filePath("user/画像フォルダ"), FolderState::Existing, {} },
            { dir.filePath("user/背景フォルダ"), FolderState::Existing, {} } };
        QVERIFY(testing::writePictures(folders.source.path, source));
        QVERIFY(testing::writePictures(folders.background.path, background));
        platform::setApplicationFolder(dir.filePath("bin")); // nothing beside the program
        platform::usePictureFolders(folders);
    }

private Q_SLOTS:
    // The library's bound and who holds its pictures, over pictures a, b and c of 400
    // bytes each. A script: a letter asks for that picture, a capital asks and holds it,
    // "-x" forgets x spelt otherwise ("./x"), "*" writes into the held pictures (the
    // holders' own copies then) and sets the bound again.
    void bound_data()
    {
        QTest::addColumn<qint64>("bound");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("count"); // pictures kept at the end
        QTest::addColumn<int>("decodes");
        QTest::newRow("room for two: the one asked again stays") << qint64(800) << "abaca" << 2 << 3;
        QTest::newRow("no room, the shown ones held: each read once") << qint64(0) << "ABAB" << 2 << 2;
        // b goes when c is read; c, handed out last, stays until the next request.
        QTest::newRow("no room: kept while in use, gone once written to") << qint64(0) << "Abca*a" << 1 << 4;
        QTest::newRow("forgotten, read again") << qint64(4000) << "abc-a-ca" << 2 << 4;
    }
    void bound()
    {
        QFETCH(qint64, bound);
        QFETCH(QString, script);
        QTemporaryDir files;
        QVERIFY(testing::writePictures(files.path(), { "a", "b", "c" }, { 10, 10 }, kRed));
        PictureLibrary library;
        library.setBound(bound);
        QList<QImage> held;
        for (qsizetype i = 0; i < script.size(); ++i) {
            const QChar c = script[i];
            if (c == '-') {
                library.forgetFiles({ files.path() + "/./" + script[++i] });
            } else if (c == '*') {
                for (QImage& image : held)
                    image.setPixel(0, 0, kBlue);
                library.setBound(bound);
            } else {
                const QImage image = library.picture(files.filePath(c.toLower())).image;
                QCOMPARE(image.pixel(0, 0), kRed);
                if (c.isUpper()) held << image;
            }
        }
        QTEST(library.count(), "count");
        QCOMPARE(library.bytes(), library.count() * qint64(400));
        QTEST(library.decodes(), "decodes");
    }

    // Failures cost no pixels; the library remembers the last so many of them.
    void failureLimit()
    {
        QTemporaryDir files;
        PictureLibrary library;
        const int limit = PictureLibrary::kFailureLimit;
        for (int i = 0; i < limit + 10; ++i)
            QVERIFY(!library.picture(files.filePath(QString::number(i))).ok());
        QCOMPARE(library.count(), limit);
        QCOMPARE(library.bytes(), qint64(0));
        library.picture(files.filePath(QString::number(limit + 9)));
        QCOMPARE(library.decodes(), limit + 10);
        library.picture(files.filePath("0"));
        QCOMPARE(library.decodes(), limit + 11);
    }

    // Watched, a burst of changes seen one by one as they come makes one rescan that
    // lists them all.
    void burst()
    {
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        model.rescan();
        model.startWatching();
        QSignalSpy changes(&model, &FolderModel::changed);
        QStringList listed { "0.jpg" };
        for (int i = 0; i < 100; ++i) {
            listed << QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(writeFile(folders.background.path + "/" + listed.last(), {}));
            QCoreApplication::processEvents();
        }
        QVERIFY(changes.wait(10000));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(model.backgrounds(), listed);
    }

    // Changes that keep coming (one every 100 ms) are not gathered for ever: the lists
    // are made again once the first change has waited its longest, 2 s.
    void endlessChanges()
    {
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        model.rescan();
        model.startWatching();
        QSignalSpy changes(&model, &FolderModel::changed);
        for (int i = 0; i < 40 && changes.isEmpty(); ++i) {
            QVERIFY(writeFile(folders.source.path + QStringLiteral("/n%1.jpg").arg(i), {}));
            QTest::qWait(100);
        }
        QVERIFY(!changes.isEmpty());
    }

    // A folder removed and made again is followed again at once: its removal and its
    // making are each seen, and a picture put in it afterwards is listed.
    void folderMadeAgain_data()
    {
        QTest::addColumn<bool>("source"); // else the background folder
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("source folder") << true << QStringList { "new.jpg" };
        QTest::newRow("background folder") << false << QStringList { "0.jpg", "new.jpg" };
    }
    void folderMadeAgain()
    {
        QFETCH(bool, source);
        QFETCH(QStringList, rows);
        makeFolders({ "a.jpg" }, { "0.jpg" });
        const QString folder = source ? folders.source.path : folders.background.path;
        FolderModel model;
        model.rescan();
        model.startWatching();
        const auto path = [&] { return source ? model.sourceFolder() : model.backgroundFolder(); };
        QVERIFY(QDir(folder).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(path(), QString(), 10000);
        QCOMPARE(source ? model.sources() : model.backgrounds(), source ? QStringList() : QStringList { "0.jpg" });
        QVERIFY(QDir().mkpath(folder));
        QTRY_COMPARE_WITH_TIMEOUT(path(), folder, 10000);
        QVERIFY(writeFile(folder + "/new.jpg", {}));
        QTRY_COMPARE_WITH_TIMEOUT(source ? model.sources() : model.backgrounds(), rows, 10000);
    }

    // A rescan asked for while the folders are being scanned (the scan lets events
    // through) is made after it; unwatched, only that request can list the late file.
    void changeDuringScan()
    {
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        bool once = true;
        platform::setYieldHook([&] {
            if (!std::exchange(once, false)) return;
            QVERIFY(writeFile(folders.source.path + "/late.jpg", {}));
            model.rescan();
        });
        const auto noHook = qScopeGuard([] { platform::setYieldHook({}); });
        model.rescan();
        QCOMPARE(model.sources(), QStringList({ "a.jpg" }));
        QTRY_COMPARE_WITH_TIMEOUT(model.sources(), QStringList({ "a.jpg", "late.jpg" }), 10000);
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
