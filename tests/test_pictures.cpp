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
#include <QThread>
#include <cstdio>
#include <functional>

using platform::FailureKind;
using platform::FolderState;
using scene::FolderModel;
using scene::PictureLibrary;
using testing::writeFile;
using testing::writePicture;

namespace {

constexpr QRgb kRed = 0xffcc2020;
constexpr QRgb kBlue = 0xff2040cc;

bool setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

// What is done to a file between two requests for it.
using Change = std::function<bool(const QString& path)>;

} // namespace

Q_DECLARE_METATYPE(Change)

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

    // Adds the file, or removes it when it is there.
    static void toggle(const QString& path)
    {
        QVERIFY(QFile::exists(path) ? QFile::remove(path) : writeFile(path, {}));
    }

private Q_SLOTS:
    // ---- The picture library ----------------------------------------------------

    // What a change to a file decoded before makes of the next request: the same picture,
    // shared, or the file read again.
    void fileChanges_data()
    {
        QTest::addColumn<Change>("change"); // made to p.png, a red picture of 40 x 30 from 2020
        QTest::addColumn<QString>("asked");
        QTest::addColumn<int>("failure"); // a FailureKind, -1 for a picture
        QTest::addColumn<QRgb>("colour"); // of the picture then given; 0: the very picture handed out before
        const auto row = [](const char* name, const QString& asked, int failure, QRgb colour, Change change) {
            QTest::newRow(name) << change << asked << failure << colour;
        };
        const QDateTime old(QDate(2020, 5, 1), QTime(12, 0));
        const auto blue = [](const QString& p) { return writePicture(p, { 40, 30 }, kBlue); };
        row("asked again by another spelling", "./sub/../p.png", -1, 0, [](const QString&) { return true; });
        // As a copy that keeps the times does: only the status-change time tells.
        row("rewritten, old modification time put back", "p.png", -1, kBlue,
            [=](const QString& p) { return blue(p) && setModified(p, old); });
        row("replaced by a renamed file of the same size and time", "p.png", -1, kBlue, [=](const QString& p) {
            return blue(p + ".new") && setModified(p + ".new", old)
                && std::rename(QFile::encodeName(p + ".new").constData(), QFile::encodeName(p).constData()) == 0;
        });
        row("touched: a new time, the same pixels", "p.png", -1, kRed,
            [=](const QString& p) { return setModified(p, old.addSecs(60)); });
        row("deleted", "p.png", int(FailureKind::Missing), 0, [](const QString& p) { return QFile::remove(p); });
    }
    void fileChanges()
    {
        QFETCH(Change, change);
        QFETCH(QString, asked);
        QFETCH(int, failure);
        QFETCH(QRgb, colour);
        QTemporaryDir files;
        const QString path = files.filePath("p.png");
        QVERIFY(writePicture(path, { 40, 30 }, kRed) && setModified(path, QDateTime(QDate(2020, 5, 1), QTime(12, 0))));
        PictureLibrary library;
        const QImage before = library.picture(path).image; // held, as a window shows it
        QThread::msleep(20); // file times move in clock ticks: a change of its own
        QVERIFY(change(path));

        const platform::PictureResult result = library.picture(files.filePath(asked));
        const int decodes = colour == 0 && failure < 0 ? 1 : 2;
        QCOMPARE(library.decodes(), decodes);
        QCOMPARE(result.ok(), failure < 0);
        if (failure >= 0) QCOMPARE(int(result.failure.kind), failure);
        if (colour) QCOMPARE(result.image.pixel(0, 0), colour);
        QCOMPARE(result.image.cacheKey() == before.cacheKey(), decodes == 1); // not read again: shared
        QCOMPARE(before.pixel(0, 0), kRed); // whoever showed the old picture keeps it
        // The old picture is no longer the library's; the new result, or failure, is.
        QCOMPARE(library.count(), 1);
        QCOMPARE(library.bytes(), failure < 0 ? qint64(40 * 30 * 4) : 0);
        // Asked again unchanged: answered from memory, a failure too.
        library.picture(files.filePath(asked));
        QCOMPARE(library.decodes(), decodes);
    }

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
        QTest::newRow("one byte short of two: each choice reads again") << qint64(799) << "ababab" << 1 << 6;
        QTest::newRow("room for two: the least recently asked goes") << qint64(800) << "abca" << 2 << 4;
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
        // An empty path is Missing and nothing is kept for it.
        QCOMPARE(int(library.picture({}).failure.kind), int(FailureKind::Missing));
        QCOMPARE(library.count(), limit);
    }

    // ---- The folder model ---------------------------------------------------------

    // Each folder lists its own kinds of picture in the platform's order; the first
    // background entry stays first while the model lives, even when a file sorting before
    // it comes or its own file goes. Each change adds a file, or removes it when it is
    // there, and is followed by a rescan.
    void listing_data()
    {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QStringList>("background");
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("backgrounds");
        const auto row = [](const char* name, const QStringList& source, const QStringList& background,
                             const QStringList& changes, const QStringList& sources, const QStringList& backgrounds) {
            QTest::newRow(name) << source << background << changes << sources << backgrounds;
        };
        row("png and pct only in the source folder", { "b.png", "a.JPG", "c.txt", "d.pct" },
            { "m.png", "k.jpg", "0.jpg" }, {}, { "a.JPG", "b.png", "d.pct" }, { "0.jpg", "k.jpg" });
        row("the flat plane stays when its file goes", {}, { "0.jpg", "m.jpg" }, { "背景フォルダ/0.jpg" }, {},
            { "0.jpg", "m.jpg" });
        row("the first file of a folder empty at start is the flat plane", {}, {},
            { "背景フォルダ/n.jpg", "背景フォルダ/a.jpg" }, {}, { "n.jpg", "a.jpg" });
        row("maps come and go in order, one named before the flat plane", {}, { "5.jpg", "1.jpg", "9.jpg" },
            { "背景フォルダ/9.jpg", "背景フォルダ/0.jpg", "背景フォルダ/7.jpg" }, {},
            { "1.jpg", "0.jpg", "5.jpg", "7.jpg" });
    }
    void listing()
    {
        QFETCH(QStringList, source);
        QFETCH(QStringList, background);
        QFETCH(QStringList, changes);
        makeFolders(source, background);
        FolderModel model;
        QSignalSpy changed(&model, &FolderModel::changed);
        model.rescan();
        for (const QString& change : changes) {
            toggle(dir.filePath("user/" + change));
            model.rescan();
        }
        QCOMPARE(changed.count(), changes.size() + 1);
        QTEST(model.sources(), "sources");
        QTEST(model.backgrounds(), "backgrounds");
    }

    // Watched, a burst of changes makes one rescan that lists them all, whether the
    // watcher sees them at once or one by one as they come.
    void burst_data()
    {
        QTest::addColumn<bool>("eventsBetween");
        QTest::newRow("all at once") << false;
        QTest::newRow("one by one as they come") << true;
    }
    void burst()
    {
        QFETCH(bool, eventsBetween);
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        model.rescan();
        model.startWatching();
        QSignalSpy changes(&model, &FolderModel::changed);
        QStringList listed { "0.jpg" };
        for (int i = 0; i < 100; ++i) {
            listed << QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(writeFile(folders.background.path + "/" + listed.last(), {}));
            if (eventsBetween) QCoreApplication::processEvents();
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
            toggle(folders.source.path + QStringLiteral("/n%1.jpg").arg(i));
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
