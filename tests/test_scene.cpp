// Scene files: the text written for the start scene, round trips of every field, the
// files that must be refused and why, and the safe writer.
#include "scene/SceneFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// The start scene as a scene file, written out by hand.
const char* const kStartJson = R"({
    "background": "",
    "exportSizeRow": 0,
    "format": "voleta-scene",
    "heightRow": 2,
    "lighterNear": false,
    "lines": [
        {
            "bold": false,
            "depth": 6,
            "font": "",
            "italic": false,
            "size": 440,
            "sizeRow": 5,
            "text": "Voleta",
            "x": 0,
            "y": 20
        },
        {
            "bold": false,
            "depth": 8,
            "font": "",
            "italic": false,
            "size": 400,
            "sizeRow": 4,
            "text": " 3D",
            "x": 0,
            "y": 450
        },
        {
            "bold": false,
            "depth": 10,
            "font": "",
            "italic": false,
            "size": 360,
            "sizeRow": 3,
            "text": "     V2",
            "x": 0,
            "y": 880
        }
    ],
    "nearFarRows": [
        5,
        5
    ],
    "pan": {
        "x": 0,
        "y": 0
    },
    "pattern": "",
    "quality": false,
    "relief": 2,
    "version": 1,
    "viewing": "parallel",
    "zoomRow": 0
}
)";

// The start file with one piece of its text replaced (which must be there once).
QByteArray startWith(const char* from, const QByteArray& to)
{
    QByteArray bytes(kStartJson);
    const QByteArray piece(from);
    const qsizetype at = bytes.indexOf(piece);
    if (at < 0 || bytes.indexOf(piece, at + 1) >= 0) qFatal("\"%s\" is not in the start file once", from);
    return bytes.replace(at, piece.size(), to);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

using Edit = std::function<void(scene::SceneState&)>;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(scene::SceneFileError)

class TestScene : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.voleta")).constData(), 0600) == 0);
    }

    // The start scene is written as the hand-written text, and that text reads back as
    // the start scene; so is every optional key's absence, and unknown keys are passed by.
    void startFile()
    {
        QCOMPARE(scene::sceneJson(scene::startScene()), QByteArray(kStartJson));
        for (const QByteArray& bytes : { QByteArray(kStartJson), startWith("    \"exportSizeRow\": 0,\n", ""),
                 startWith("    \"lighterNear\": false,\n", ""), startWith("    \"quality\": false,\n", ""),
                 startWith("    \"nearFarRows\": [\n        5,\n        5\n    ],\n", ""),
                 startWith("\"zoomRow\": 0", "\"zoomRow\": 0, \"comment\": [1, {}]") }) {
            const scene::SceneFileResult read = scene::parseScene(bytes);
            QVERIFY2(read.ok(), qPrintable(read.detail));
            QVERIFY(*read.state == scene::startScene());
        }
    }

    // Every field survives writing and reading, whatever its text holds.
    void roundTrip_data()
    {
        QTest::addColumn<Edit>("edit");
        using S = scene::SceneState&;
        QTest::newRow("start") << Edit([](S) {});
        QTest::newRow("crossed, flat plane, quality") << Edit([](S s) {
            s.methodRow = 1, s.pattern = "01_confetti.jpg", s.background = "00_平面.jpg", s.quality = true;
        });
        QTest::newRow("map zoomed and panned") << Edit([](S s) {
            s.background = "01_火山.jpg", s.zoomRow = 5, s.pan = { -1000000, -1000000 }, s.heightRow = 5, s.kt = 6;
        });
        QTest::newRow("fonts and styles") << Edit([](S s) {
            s.lines[0].family = "IPAGothic", s.lines[0].italic = true, s.lines[1].bold = true;
            s.lines[2] = { "x", "Noto Sans CJK JP", 13, 800, { 1000000, -1000000 }, true, true, -18 };
            s.lines[1].sizeRow = 0, s.lines[1].size = 280, s.lines[1].depth = 18;
        });
        QTest::newRow("odd texts") << Edit([](S s) {
            s.lines[0].text = "富士山　の\"引用\"と\\バック\\スラッシュ\\";
            s.lines[1].text = "";
            s.lines[2].text = QString("tab\there\nnew line, \u0001 and 😀 {\"a\": [1]}");
            s.pattern = "it's \"quoted\" & [odd].jpg";
        });
        // A text and a font name as long as they may be, a picture name of 254 bytes.
        QTest::newRow("longest texts and names") << Edit([](S s) {
            s.lines[0].text = QString(scene::kSceneTextLimit, QChar(0x3042));
            s.lines[1].family = QString(scene::kSceneFontLimit, 'f');
            s.background = QString(83, QChar(0x3042)) + "a.jpg";
        });
        QTest::newRow("rows beyond the edge, lighter near") << Edit([](S s) {
            s.nearFarRows = { 0, 20 }, s.exportSizeRow = 5, s.lighterNear = true;
        });
    }
    void roundTrip()
    {
        QFETCH(Edit, edit);
        scene::SceneState state = scene::startScene();
        edit(state);
        const QString path = dir.filePath("round.voleta");
        QVERIFY(!scene::writeSceneFile(state, path));
        const scene::SceneFileResult read = scene::readSceneFile(path);
        QVERIFY2(read.ok(), qPrintable(read.detail));
        QVERIFY(*read.state == state);
    }

    // Each bad file is refused with the reason and the place at fault.
    void badFile_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // written to bad.voleta, unless a path is given
        QTest::addColumn<QString>("path");
        QTest::addColumn<scene::SceneFileError>("error");
        QTest::addColumn<QString>("detail"); // * = any, but not empty
        using E = scene::SceneFileError;
        const auto row = [](const char* name, const QByteArray& bytes, E error, const QString& detail,
                             const QString& path = {}) { QTest::newRow(name) << bytes << path << error << detail; };
        row("not JSON", "{ \"format\": \"voleta-scene\", ", E::NotJson, "*");
        row("not UTF-8", startWith("Voleta", "Vol\xff\xfe"), E::NotJson, "*");
        row("empty file", "", E::NotJson, "*");
        row("another format", startWith("voleta-scene", "voleta-brush"), E::NotAScene, "voleta-brush");
        row("version 2", startWith("\"version\": 1", "\"version\": 2"), E::NewerVersion, "2");
        row("version 0", startWith("\"version\": 1", "\"version\": 0"), E::BadValue, "version");
        row("no version", startWith("    \"version\": 1,\n", ""), E::BadValue, "version");
        row("no height row", startWith("    \"heightRow\": 2,\n", ""), E::BadValue, "heightRow");
        row("relief as text", startWith("\"relief\": 2", "\"relief\": \"2\""), E::BadValue, "relief");
        row("depth 2.5", startWith("\"depth\": 6", "\"depth\": 2.5"), E::BadValue, "lines[0].depth");
        row("depth 19", startWith("\"depth\": 10", "\"depth\": 19"), E::BadValue, "lines[2].depth");
        row("size 300", startWith("\"size\": 360", "\"size\": 300"), E::BadValue, "lines[2].size");
        row("size 210 points", startWith("\"size\": 360", "\"size\": 840"), E::BadValue, "lines[2].size");
        row("size not in mask pixels", startWith("\"size\": 360", "\"size\": 282"), E::BadValue, "lines[2].size");
        row("size row 14", startWith("\"sizeRow\": 4", "\"sizeRow\": 14"), E::BadValue, "lines[1].sizeRow");
        row("italic as 1", startWith("\"italic\": false,\n            \"size\": 400", "\"italic\": 1, \"size\": 400"),
            E::BadValue, "lines[1].italic");
        row("offset past a million", startWith("\"y\": 880", "\"y\": 1000001"), E::BadValue, "lines[2].y");
        row("four lines", startWith("\"lines\": [", "\"lines\": [{},"), E::BadValue, "lines");
        row("zoom row 6", startWith("\"zoomRow\": 0", "\"zoomRow\": 6"), E::BadValue, "zoomRow");
        row("height row 6", startWith("\"heightRow\": 2", "\"heightRow\": 6"), E::BadValue, "heightRow");
        row("relief 7", startWith("\"relief\": 2", "\"relief\": 7"), E::BadValue, "relief");
        row("pan far out", startWith("\"x\": 0,\n        \"y\": 0", "\"x\": -1000001, \"y\": 0"), E::BadValue, "pan.x");
        row("viewing sideways", startWith("parallel", "sideways"), E::BadValue, "viewing");
        row("pattern ../x.jpg", startWith("\"pattern\": \"\"", "\"pattern\": \"../x.jpg\""), E::BadValue, "pattern");
        row("pattern a/b.jpg", startWith("\"pattern\": \"\"", "\"pattern\": \"a/b.jpg\""), E::BadValue, "pattern");
        row("background ..", startWith("\"background\": \"\"", "\"background\": \"..\""), E::BadValue, "background");
        row("background a\\b", startWith("\"background\": \"\"", "\"background\": \"a\\\\b\""), E::BadValue,
            "background");
        row("pattern with NUL", startWith("\"pattern\": \"\"", "\"pattern\": \"a\\u0000.jpg\""), E::BadValue,
            "pattern");
        row("pattern of 256 bytes",
            startWith("\"pattern\": \"\"", "\"pattern\": \"" + QString(84, QChar(0x3042)).toUtf8() + "abcd\""),
            E::BadValue, "pattern");
        row("far row 21", startWith("5,\n        5", "5,\n        21"), E::BadValue, "nearFarRows[1]");
        QByteArray huge(kStartJson);
        huge.append(QByteArray(scene::kSceneFileLimit + 1 - huge.size(), ' '));
        row("1 MiB and 1 byte", huge, E::TooLarge, "1048577");
        row("a missing file", {}, E::Unreadable, "No such file or directory", "no-such.voleta");
        row("a folder", {}, E::Unreadable, "Is a directory", ".");
        row("a pipe", {}, E::Unreadable, "not a regular file", "pipe.voleta"); // opening it would wait
    }
    void badFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, path);
        QFETCH(QString, detail);
        if (path.isEmpty()) {
            path = dir.filePath("bad.voleta");
            QVERIFY(writeBytes(path, bytes));
        } else {
            path = dir.filePath(path);
        }
        const scene::SceneFileResult read = scene::readSceneFile(path);
        QVERIFY(!read.ok());
        QTEST(read.error, "error");
        if (detail == "*")
            QVERIFY(!read.detail.isEmpty());
        else
            QCOMPARE(read.detail, detail);
    }

    // A file of exactly the limit is still read.
    void largestFile()
    {
        QByteArray bytes(kStartJson);
        bytes.append(QByteArray(scene::kSceneFileLimit - bytes.size(), '\n'));
        const QString path = dir.filePath("largest.voleta");
        QVERIFY(writeBytes(path, bytes));
        QVERIFY(scene::readSceneFile(path).ok());
    }

    // A scene that cannot be written leaves nothing behind, and a failed overwrite keeps
    // the old file whole.
    void failedWrites()
    {
        const QString missing = dir.filePath("no-folder/s.voleta");
        const std::optional<platform::Failure> failed = scene::writeSceneFile(scene::startScene(), missing);
        QVERIFY(failed && failed->kind == platform::FailureKind::FolderMissing && failed->file == missing);
        QVERIFY(!QFileInfo::exists(dir.filePath("no-folder")));

        // The disk "fills" after 100 bytes: files may grow no larger (even for root). Both
        // safe writers say so and keep the old file.
        const QString old = dir.filePath("old.voleta"), oldPicture = dir.filePath("old.png");
        QVERIFY(writeBytes(old, "old scene") && writeBytes(oldPicture, "old picture"));
        QImage noise(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                noise.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 255));
        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 100;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const std::optional<platform::Failure> full = scene::writeSceneFile(scene::startScene(), old);
        const std::optional<platform::Failure> fullPicture = platform::writePicture(noise, oldPicture, "png");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(full && fullPicture);
        QCOMPARE(full->detail, QString("File too large"));
        QCOMPARE(readBytes(old), QByteArray("old scene"));
        QCOMPARE(readBytes(oldPicture), QByteArray("old picture"));
        QCOMPARE(QDir(dir.path()).entryList({ "old.*" }, QDir::Files | QDir::Hidden),
            (QStringList { "old.png", "old.voleta" }));
    }
};

QTEST_GUILESS_MAIN(TestScene)
#include "test_scene.moc"
