// The picture library (each file decoded once while it stays as it was, shared, kept
// within a byte bound yet never dropping a picture in use) and the folder model (the
// two picture folders listed, watched and rescanned), over folders and pictures made by
// each test.
#include "platform/Files.h"
#include "scene/FolderModel.h"
#include "scene/PictureLibrary.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstdio>

using platform::FailureKind;
using platform::FolderState;
using scene::FolderModel;
using scene::PictureLibrary;

namespace {

// A picture of one colour as PNG bytes, stored without compression, so that two
// pictures of one size make files of one size whatever their colours.
QByteArray pngBytes(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100);
    return buffer.data();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool writePicture(const QString& path, QSize size, QRgb colour)
{
    return writeBytes(path, pngBytes(size, colour));
}

bool setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

// File times move in clock ticks of a few milliseconds: a change made right after
// another could carry the same time. Wait out one tick so a change shows in the times.
void nextClockTick()
{
    QThread::msleep(20);
}

constexpr QRgb kRed = 0xffcc2020;
constexpr QRgb kBlue = 0xff2040cc;

// What is done to a file between two requests for it.
enum Change {
    Nothing,
    SpeltOtherwise,
    Rewritten,
    RewrittenKeepingTime,
    ReplacedKeepingTime,
    Touched,
    Deleted,
    MadeFolder,
    MadeNoPicture
};

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    platform::PictureFolders folders;

    // Picture folders of the user's holding empty files of these names, in use from now on.
    void makeFolders(const QStringList& source, const QStringList& background)
    {
        QDir(dir.path()).removeRecursively();
        folders = { { dir.filePath("user/画像フォルダ"), FolderState::Existing, {} },
            { dir.filePath("user/背景フォルダ"), FolderState::Existing, {} } };
        QVERIFY(QDir().mkpath(folders.source.path));
        QVERIFY(QDir().mkpath(folders.background.path));
        for (const QString& name : source)
            QVERIFY(writeBytes(folders.source.path + "/" + name, {}));
        for (const QString& name : background)
            QVERIFY(writeBytes(folders.background.path + "/" + name, {}));
        platform::setApplicationFolder(dir.filePath("bin")); // nothing beside the program
        platform::usePictureFolders(folders);
    }

    // Adds the file, or removes it when it is there.
    static void toggle(const QString& path)
    {
        QVERIFY(QFile::exists(path) ? QFile::remove(path) : writeBytes(path, {}));
    }

private Q_SLOTS:
    // ---- The picture library ----------------------------------------------------

    // What a change to a file decoded before makes of the next request: the same picture,
    // shared, or the file read again.
    void fileChanges_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("readAgain");
        QTest::addColumn<int>("failure"); // a FailureKind, -1 for a picture
        QTest::addColumn<QRgb>("colour"); // of the picture then given
        QTest::newRow("asked again, nothing changed") << int(Nothing) << false << -1 << kRed;
        QTest::newRow("asked again by another spelling") << int(SpeltOtherwise) << false << -1 << kRed;
        QTest::newRow("rewritten with new pixels, same size") << int(Rewritten) << true << -1 << kBlue;
        QTest::newRow("rewritten, old modification time put back") << int(RewrittenKeepingTime) << true << -1 << kBlue;
        QTest::newRow("replaced by a renamed file of the same size and time")
            << int(ReplacedKeepingTime) << true << -1 << kBlue;
        QTest::newRow("touched: a new time, the same pixels") << int(Touched) << true << -1 << kRed;
        QTest::newRow("deleted") << int(Deleted) << true << int(FailureKind::Missing) << QRgb(0);
        QTest::newRow("a folder in its place") << int(MadeFolder) << true << int(FailureKind::NotAFile) << QRgb(0);
        QTest::newRow("bytes that are no picture")
            << int(MadeNoPicture) << true << int(FailureKind::NotAPicture) << QRgb(0);
    }
    void fileChanges()
    {
        QFETCH(int, change);
        QFETCH(bool, readAgain);
        QFETCH(int, failure);
        QFETCH(QRgb, colour);
        QTemporaryDir files;
        const QString path = files.filePath("p.png");
        const QSize size(40, 30);
        QVERIFY(writePicture(path, size, kRed));
        const QDateTime old(QDate(2020, 5, 1), QTime(12, 0));
        QVERIFY(setModified(path, old));
        const qint64 oldSize = QFileInfo(path).size();

        PictureLibrary library;
        const QImage before = library.picture(path).image; // held, as a window shows it
        QCOMPARE(before.pixel(0, 0), kRed);
        QCOMPARE(library.decodes(), 1);
        nextClockTick();

        QString asked = path;
        const QString other = files.filePath("q.png");
        switch (Change(change)) {
        case Nothing:
            break;
        case SpeltOtherwise:
            asked = files.path() + "/./sub/../p.png";
            break;
        case Rewritten:
            QVERIFY(writePicture(path, size, kBlue));
            break;
        case RewrittenKeepingTime: // as a copy that keeps the times does
            QVERIFY(writePicture(path, size, kBlue));
            QVERIFY(setModified(path, old));
            break;
        case ReplacedKeepingTime:
            QVERIFY(writePicture(other, size, kBlue));
            QVERIFY(setModified(other, old));
            QCOMPARE(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
            break;
        case Touched:
            QVERIFY(setModified(path, old.addSecs(60)));
            break;
        case Deleted:
            QVERIFY(QFile::remove(path));
            break;
        case MadeFolder:
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));
            break;
        case MadeNoPicture:
            QVERIFY(writeBytes(path, "not a picture"));
            break;
        }
        if (change == RewrittenKeepingTime || change == ReplacedKeepingTime) { // only the status-change time tells
            QCOMPARE(QFileInfo(path).size(), oldSize);
            QCOMPARE(QFileInfo(path).lastModified(), old);
        }

        const platform::PictureResult result = library.picture(asked);
        QCOMPARE(library.decodes(), readAgain ? 2 : 1);
        QCOMPARE(result.ok(), failure < 0);
        if (failure >= 0) {
            QCOMPARE(int(result.failure.kind), failure);
            QCOMPARE(result.failure.file, asked);
        } else {
            QCOMPARE(result.image.pixel(0, 0), colour);
            // Not read again: the very picture handed out before, shared.
            QCOMPARE(result.image.cacheKey() == before.cacheKey(), !readAgain);
        }
        QCOMPARE(before.pixel(0, 0), kRed); // whoever showed the old picture keeps it
        // The old picture is no longer the library's; the new result, or failure, is.
        QCOMPARE(library.count(), 1);
        QCOMPARE(library.bytes(), failure < 0 ? qint64(40 * 30 * 4) : 0);

        // Asked again unchanged: answered from memory, a failure too.
        QCOMPARE(library.picture(asked).ok(), failure < 0);
        QCOMPARE(library.decodes(), readAgain ? 2 : 1);
    }

    // Switching between two pictures, as a list's choice does again and again, keeps the
    // library within its bound: each picture 300 x 200 x 4 = 240000 bytes.
    void switching_data()
    {
        QTest::addColumn<qint64>("bound");
        QTest::addColumn<bool>("holdShown"); // the shown picture is held while the next is read
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("decodes");
        const qint64 one = 240000;
        QTest::newRow("room for one and a half: each choice reads again") << one * 3 / 2 << false << 1 << 31;
        QTest::newRow("room for both exactly: each read once") << 2 * one << false << 2 << 2;
        QTest::newRow("one byte short of both") << 2 * one - 1 << false << 1 << 31;
        QTest::newRow("no room for one: only the one just asked for stays") << one - 1 << false << 1 << 31;
        QTest::newRow("no room, the shown one held: both in use, each read once") << qint64(0) << true << 2 << 2;
        QTest::newRow("the default bound") << PictureLibrary::kDefaultBound << false << 2 << 2;
    }
    void switching()
    {
        QFETCH(qint64, bound);
        QFETCH(bool, holdShown);
        QTemporaryDir files;
        const QString a = files.filePath("a.jpg"), b = files.filePath("b.jpg");
        QVERIFY(writePicture(a, QSize(300, 200), kRed));
        QVERIFY(writePicture(b, QSize(300, 200), kBlue));
        PictureLibrary library;
        QCOMPARE(library.bound(), PictureLibrary::kDefaultBound);
        library.setBound(bound);
        QCOMPARE(library.bound(), bound);

        QImage shown;
        for (int i = 0; i <= 30; ++i) {
            const QString path = i % 2 ? b : a;
            if (!holdShown) shown = QImage();
            shown = library.picture(path).image;
            QCOMPARE(shown.pixel(0, 0), i % 2 ? kBlue : kRed);
            QVERIFY(library.count() <= 2);
        }
        QTEST(library.count(), "count");
        QCOMPARE(library.bytes(), library.count() * qint64(240000));
        QTEST(library.decodes(), "decodes");
    }

    // With room for two pictures, the least recently asked for goes when a third comes.
    void leastRecentlyUsed_data()
    {
        QTest::addColumn<QString>("asked"); // one letter a picture, none held afterwards
        QTest::addColumn<QString>("kept");
        QTest::newRow("the first asked goes") << "abc"
                                              << "bc";
        QTest::newRow("asked again, the first is the more recent") << "abac"
                                                                   << "ac";
        QTest::newRow("asked twice in a row") << "abbc"
                                              << "bc";
        QTest::newRow("read again after it went") << "abcba"
                                                  << "ab";
    }
    void leastRecentlyUsed()
    {
        QFETCH(QString, asked);
        QFETCH(QString, kept);
        QTemporaryDir files;
        for (const char* name : { "a", "b", "c" })
            QVERIFY(writePicture(files.filePath(name), QSize(10, 10), kRed));
        PictureLibrary library;
        library.setBound(2 * 400);
        for (const QChar name : asked)
            library.picture(files.filePath(name));
        QCOMPARE(library.count(), 2);
        const int reads = library.decodes();
        for (const QChar name : kept)
            library.picture(files.filePath(name));
        QCOMPARE(library.decodes(), reads); // both answered from memory
    }

    // A picture in use stays however small the bound; once nobody holds it, or its
    // holder has written to its own copy, it goes.
    void inUse()
    {
        QTemporaryDir files;
        const QString a = files.filePath("a.png"), b = files.filePath("b.png"), c = files.filePath("c.png");
        for (const QString& path : { a, b, c })
            QVERIFY(writePicture(path, QSize(10, 10), kRed));
        PictureLibrary library;
        library.setBound(0);
        QImage held = library.picture(a).image;
        library.picture(b);
        library.picture(c);
        // b went when c was read; c, handed out last, stays until the next request.
        QCOMPARE(library.count(), 2);
        QCOMPARE(library.bytes(), qint64(2 * 400));
        QCOMPARE(library.picture(a).image.cacheKey(), held.cacheKey());
        QCOMPARE(library.decodes(), 3);

        held.setPixel(0, 0, kBlue); // the holder's own copy now: the library's is unused
        library.setBound(0);
        QCOMPARE(library.count(), 0);
        QCOMPARE(library.bytes(), qint64(0));
        QCOMPARE(held.pixel(0, 0), kBlue);
        QCOMPARE(library.picture(a).image.pixel(0, 0), kRed);
        QCOMPARE(library.decodes(), 4);
    }

    // Failures cost no pixels; the library remembers only so many of them.
    void failureLimit()
    {
        QTemporaryDir files;
        PictureLibrary library;
        for (int i = 0; i < PictureLibrary::kFailureLimit + 10; ++i)
            QVERIFY(!library.picture(files.filePath(QString::number(i))).ok());
        QCOMPARE(library.count(), PictureLibrary::kFailureLimit);
        QCOMPARE(library.bytes(), qint64(0));
        // The last asked for are the ones remembered.
        const int reads = library.decodes();
        library.picture(files.filePath(QString::number(PictureLibrary::kFailureLimit + 9)));
        QCOMPARE(library.decodes(), reads);
        library.picture(files.filePath("0"));
        QCOMPARE(library.decodes(), reads + 1);
        // An empty path is Missing and nothing is kept for it.
        const platform::PictureResult none = library.picture({});
        QCOMPARE(int(none.failure.kind), int(FailureKind::Missing));
        QCOMPARE(library.count(), PictureLibrary::kFailureLimit);
    }

    // Forgetting a file lets go of its picture; the next request reads it again.
    void forget_data()
    {
        QTest::addColumn<QStringList>("forgotten"); // of a.png, b.png, c.png (all read)
        QTest::addColumn<int>("count");
        QTest::newRow("one file") << QStringList { "b.png" } << 2;
        QTest::newRow("two files and one never read") << QStringList { "a.png", "c.png", "x.png" } << 1;
        QTest::newRow("by another spelling") << QStringList { "./a.png" } << 2;
        QTest::newRow("nothing") << QStringList {} << 3;
    }
    void forget()
    {
        QFETCH(QStringList, forgotten);
        QTemporaryDir files;
        PictureLibrary library;
        for (const char* name : { "a.png", "b.png", "c.png" }) {
            QVERIFY(writePicture(files.filePath(name), QSize(10, 10), kRed));
            library.picture(files.filePath(name));
        }
        QStringList paths;
        for (const QString& name : forgotten)
            paths << files.path() + "/" + name;
        library.forgetFiles(paths);
        QTEST(library.count(), "count");
        QCOMPARE(library.bytes(), library.count() * qint64(400));
        library.picture(files.filePath("b.png"));
        QCOMPARE(library.decodes(), 3 + (forgotten.contains("b.png") ? 1 : 0));
    }

    // ---- The folder model ---------------------------------------------------------

    // Each folder with its own rule, in the platform's order; a missing folder lists
    // nothing and has no path.
    void listing_data()
    {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QStringList>("background");
        QTest::addColumn<bool>("removeBackground");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("backgrounds");
        QTest::newRow("png only in the source folder")
            << QStringList { "b.png", "a.JPG", "c.txt", "d.pct" } << QStringList { "m.png", "k.jpg", "0.jpg" } << false
            << QStringList { "a.JPG", "b.png", "d.pct" } << QStringList { "0.jpg", "k.jpg" };
        QTest::newRow("empty folders") << QStringList {} << QStringList {} << false << QStringList {} << QStringList {};
        QTest::newRow("background folder missing")
            << QStringList { "a.jpg" } << QStringList { "0.jpg" } << true << QStringList { "a.jpg" } << QStringList {};
    }
    void listing()
    {
        QFETCH(QStringList, source);
        QFETCH(QStringList, background);
        QFETCH(bool, removeBackground);
        makeFolders(source, background);
        if (removeBackground) QVERIFY(QDir(folders.background.path).removeRecursively());
        FolderModel model;
        QSignalSpy changes(&model, &FolderModel::changed);
        model.rescan();
        QCOMPARE(changes.count(), 1);
        QTEST(model.sources(), "sources");
        QTEST(model.backgrounds(), "backgrounds");
        QCOMPARE(model.sourceFolder(), folders.source.path);
        QCOMPARE(model.backgroundFolder(), removeBackground ? QString() : folders.background.path);
    }

    // The first background entry stays first while the model lives, even when a file
    // sorting before it is added or its own file goes.
    void flatFirst_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("changes"); // each file added, or removed when there, then a rescan
        QTest::addColumn<QStringList>("backgrounds");
        QTest::newRow("a map named before the flat plane comes after it")
            << QStringList { "b.jpg", "m.jpg" } << QStringList { "a.jpg" } << QStringList { "b.jpg", "a.jpg", "m.jpg" };
        QTest::newRow("the flat plane stays when its file goes")
            << QStringList { "0.jpg", "m.jpg" } << QStringList { "0.jpg" } << QStringList { "0.jpg", "m.jpg" };
        QTest::newRow("the first file of a folder empty at start is the flat plane")
            << QStringList {} << QStringList { "n.jpg", "a.jpg" } << QStringList { "n.jpg", "a.jpg" };
        QTest::newRow("other maps come and go in order")
            << QStringList { "5.jpg", "1.jpg", "9.jpg" } << QStringList { "9.jpg", "0.jpg", "7.jpg" }
            << QStringList { "1.jpg", "0.jpg", "5.jpg", "7.jpg" };
    }
    void flatFirst()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, changes);
        makeFolders({}, files);
        FolderModel model;
        model.rescan();
        for (const QString& change : changes) {
            toggle(folders.background.path + "/" + change);
            model.rescan();
        }
        QTEST(model.backgrounds(), "backgrounds");
        // The source list has no such rule.
        toggle(folders.source.path + "/b.jpg");
        model.rescan();
        toggle(folders.source.path + "/a.jpg");
        model.rescan();
        QCOMPARE(model.sources(), QStringList({ "a.jpg", "b.jpg" }));
    }

    // A scan names the files listed before that are gone or no longer as they were.
    void staleFiles_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("stale"); // of 画像フォルダ/a.jpg, b.png and 背景フォルダ/0.jpg
        QTest::newRow("nothing changed") << "" << QStringList {};
        QTest::newRow("a file added") << "add" << QStringList {};
        QTest::newRow("a file rewritten") << "rewrite" << QStringList { "画像フォルダ/b.png" };
        QTest::newRow("a file removed") << "remove" << QStringList { "画像フォルダ/b.png" };
        QTest::newRow("a file renamed over another")
            << "rename" << QStringList { "画像フォルダ/a.jpg", "画像フォルダ/b.png" };
        QTest::newRow("the background folder removed") << "removeFolder" << QStringList { "背景フォルダ/0.jpg" };
    }
    void staleFiles()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, stale);
        makeFolders({ "a.jpg", "b.png" }, { "0.jpg" });
        FolderModel model;
        model.rescan();
        QSignalSpy reported(&model, &FolderModel::filesChanged);
        nextClockTick();
        const QString b = folders.source.path + "/b.png";
        if (how == "add") QVERIFY(writeBytes(folders.source.path + "/c.jpg", {}));
        if (how == "rewrite") QVERIFY(writeBytes(b, "new"));
        if (how == "remove") QVERIFY(QFile::remove(b));
        if (how == "rename")
            QCOMPARE(std::rename(QFile::encodeName(folders.source.path + "/a.jpg").constData(),
                         QFile::encodeName(b).constData()),
                0);
        if (how == "removeFolder") QVERIFY(QDir(folders.background.path).removeRecursively());
        model.rescan();

        QStringList expected;
        for (const QString& file : stale)
            expected << dir.filePath("user/" + file);
        if (expected.isEmpty()) {
            QCOMPARE(reported.count(), 0);
            return;
        }
        QCOMPARE(reported.count(), 1);
        QStringList paths = reported.first().first().toStringList();
        paths.sort();
        QCOMPARE(paths, expected);
    }

    // The user's folders this start made empty are told as values, source first.
    void foldersMadeEmpty_data()
    {
        QTest::addColumn<int>("sourceState");
        QTest::addColumn<int>("backgroundState");
        QTest::addColumn<QStringList>("told"); // folder names
        const int existing = int(FolderState::Existing), noSamples = int(FolderState::NoSamples),
                  copyFailed = int(FolderState::CopyFailed);
        QTest::newRow("both there already") << existing << existing << QStringList {};
        QTest::newRow("beside the program")
            << int(FolderState::BesideApplication) << int(FolderState::Missing) << QStringList {};
        QTest::newRow("seeded") << int(FolderState::Seeded) << int(FolderState::Seeded) << QStringList {};
        QTest::newRow("no samples for the maps") << existing << noSamples << QStringList { "背景フォルダ" };
        QTest::newRow("both failed to copy")
            << copyFailed << copyFailed << QStringList { "画像フォルダ", "背景フォルダ" };
        QTest::newRow("one each way") << copyFailed << noSamples << QStringList { "画像フォルダ", "背景フォルダ" };
    }
    void foldersMadeEmpty()
    {
        QFETCH(int, sourceState);
        QFETCH(int, backgroundState);
        QFETCH(QStringList, told);
        const auto failure = [](int state) -> std::optional<platform::Failure> {
            if (state != int(FolderState::CopyFailed)) return std::nullopt;
            return platform::Failure { FailureKind::NoSpace, {}, "disk full" };
        };
        platform::usePictureFolders({ { dir.filePath("画像フォルダ"), FolderState(sourceState), failure(sourceState) },
            { dir.filePath("背景フォルダ"), FolderState(backgroundState), failure(backgroundState) } });
        const QList<platform::PictureFolder> empty = FolderModel::foldersMadeEmpty();
        QStringList names;
        for (const platform::PictureFolder& f : empty) {
            names << QFileInfo(f.path).fileName();
            const int state = int(f.state);
            QCOMPARE(f.failure.has_value(), state == int(FolderState::CopyFailed));
            if (f.failure) QCOMPARE(f.failure->detail, QStringLiteral("disk full"));
            QCOMPARE(state, names.last() == "画像フォルダ" ? sourceState : backgroundState);
        }
        QCOMPARE(names, told);
    }

    // Watched, a burst of changes makes one rescan that lists them all.
    void burst_data()
    {
        QTest::addColumn<bool>("eventsBetween"); // the watcher sees each change as it comes
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
        QVERIFY(model.watching());
        QSignalSpy changes(&model, &FolderModel::changed);
        QStringList listed { "0.jpg" };
        for (int i = 0; i < 100; ++i) {
            listed << QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(writeBytes(folders.background.path + "/" + listed.last(), {}));
            if (eventsBetween) QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty() && !model.rescanPending(), 10000);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(model.backgrounds(), listed);
    }

    // Changes that keep coming are not gathered for ever: the lists are made again once
    // the first change has waited its longest, 2 s, while the changes still come.
    void endlessChanges()
    {
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        model.rescan();
        model.startWatching();
        QSignalSpy changes(&model, &FolderModel::changed);
        QElapsedTimer stream;
        stream.start();
        for (int i = 0; stream.elapsed() < 4000; ++i) { // a change every 100 ms for 4 s
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
        const auto listed = [&] { return source ? model.sources() : model.backgrounds(); };
        QSignalSpy changes(&model, &FolderModel::changed);
        QVERIFY(QDir(folder).removeRecursively());
        QTRY_VERIFY_WITH_TIMEOUT(changes.count() == 1 && !model.rescanPending(), 10000);
        QCOMPARE(source ? model.sourceFolder() : model.backgroundFolder(), QString());
        QCOMPARE(listed(), source ? QStringList() : QStringList { "0.jpg" });
        QVERIFY(QDir().mkpath(folder));
        QTRY_VERIFY_WITH_TIMEOUT(changes.count() == 2 && !model.rescanPending(), 10000);
        QCOMPARE(source ? model.sourceFolder() : model.backgroundFolder(), folder);
        QVERIFY(writeBytes(folder + "/new.jpg", {}));
        QTRY_COMPARE_WITH_TIMEOUT(listed(), rows, 10000);
    }

    // A rescan asked for, and a change made, while the folders are being scanned (the
    // scan lets events through) are scanned after it.
    void changeDuringScan()
    {
        makeFolders({ "a.jpg" }, { "0.jpg" });
        FolderModel model;
        model.startWatching();
        QSignalSpy changes(&model, &FolderModel::changed);
        bool once = true;
        platform::setYieldHook([&] {
            if (!std::exchange(once, false)) return;
            QVERIFY(writeBytes(folders.source.path + "/late.jpg", {}));
            model.rescan();
        });
        const auto noHook = qScopeGuard([] { platform::setYieldHook({}); });
        model.rescan();
        QCOMPARE(changes.count(), 1);
        QVERIFY(model.rescanPending());
        QTRY_COMPARE_WITH_TIMEOUT(model.sources(), QStringList({ "a.jpg", "late.jpg" }), 10000);
    }

    // ---- The two together ---------------------------------------------------------

    // A picture replaced on disk is let go of as soon as the folder's rescan sees it, and
    // the next request reads the new one.
    void replacedOnDisk()
    {
        makeFolders({}, { "0.jpg" });
        const QString path = folders.source.path + "/p.png";
        QVERIFY(writePicture(path, QSize(20, 20), kRed));
        FolderModel model;
        PictureLibrary library;
        connect(&model, &FolderModel::filesChanged, &library, &PictureLibrary::forgetFiles);
        model.rescan();
        model.startWatching();
        QCOMPARE(library.picture(path).image.pixel(0, 0), kRed);
        QCOMPARE(library.count(), 1);

        nextClockTick();
        const QString copy = folders.source.path + "/.p.png.part";
        QVERIFY(writePicture(copy, QSize(20, 20), kBlue));
        QCOMPARE(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(library.count(), 0, 10000);
        QCOMPARE(library.bytes(), qint64(0));
        QCOMPARE(library.picture(path).image.pixel(0, 0), kBlue);
        QCOMPARE(library.decodes(), 2);
    }
};

QTEST_GUILESS_MAIN(TestPictures)

#include "test_pictures.moc"
