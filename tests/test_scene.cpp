// The scene layer's rules: the lists (rows, captions, values), the Settings button, what
// the engine is given, the failure wording, and scene files (the start scene's text,
// round trips of every field, the files that must be refused and why, the safe writer).
#include "scene/ListRules.h"
#include "scene/Messages.h"
#include "scene/SceneFile.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Scene text written with ' for ", as it reads more easily.
QByteArray json(QByteArray text)
{
    return text.replace('\'', '"');
}

// The start scene as a scene file, written out by hand.
const QByteArray kStart = json(
    "{'format': 'voleta-scene', 'version': 1, 'viewing': 'parallel', 'pattern': '', 'background': '', 'flat': true, "
    "'zoomRow': 0, 'pan': {'x': 0, 'y': 0}, 'heightRow': 2, 'relief': 2, 'quality': false, 'lighterNear': false, "
    "'exportSizeRow': 0, 'nearFarRows': [5, 5], 'lines': ["
    "{'text': 'Voleta', 'font': '', 'size': 440, 'sizeRow': 5, 'x': 0, 'y': 20, 'italic': false, 'bold': false, "
    "'depth': 6}, "
    "{'text': ' 3D', 'font': '', 'size': 400, 'sizeRow': 4, 'x': 0, 'y': 450, 'italic': false, 'bold': false, "
    "'depth': 8}, "
    "{'text': '     V2', 'font': '', 'size': 360, 'sizeRow': 3, 'x': 0, 'y': 880, 'italic': false, 'bold': false, "
    "'depth': 10}]}\n");

// The start file with one piece of its text replaced (which must be there once).
QByteArray startWith(const char* from, const QByteArray& to)
{
    const QByteArray piece = json(from);
    const qsizetype at = kStart.indexOf(piece);
    if (at < 0 || kStart.indexOf(piece, at + 1) >= 0) qFatal("\"%s\" is not in the start file once", from);
    return QByteArray(kStart).replace(at, piece.size(), json(to));
}

using Edit = std::function<void(scene::SceneState&)>;

// A list's captions, as the settings window shows them.
using Captions = QStringList (*)();

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Captions)

class TestScene : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.voleta")).constData(), 0600) == 0);
    }

    // The start scene is written as the hand-written file, and that file reads back as
    // the start scene; so does it without each optional key, and with a key unknown.
    void startFile()
    {
        QCOMPARE(QJsonDocument::fromJson(scene::sceneJson(scene::startScene())), QJsonDocument::fromJson(kStart));
        for (const QByteArray& bytes : { kStart, startWith("'exportSizeRow': 0, ", ""),
                 startWith("'lighterNear': false, ", ""), startWith("'quality': false, ", ""),
                 startWith("'flat': true, ", ""), startWith("'nearFarRows': [5, 5], ", ""),
                 startWith("'zoomRow': 0", "'zoomRow': 0, 'comment': [1, {}]") }) {
            const scene::SceneFileResult read = scene::parseScene(bytes);
            QVERIFY2(read.ok(), qPrintable(read.detail));
            QVERIFY(*read.state == scene::startScene());
        }
    }

    // Each list at its first row, its last row and one between: how many rows it has, the
    // caption the settings window shows, and the value the row stands for (the drawn size
    // in mask pixels, the relief factor, the viewing sign), worked out by hand.
    void listRules_data()
    {
        QTest::addColumn<Captions>("list");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name"); // the viewing method's name in files and options
        const auto row = [](const char* name, Captions list, int rows, int at, const QString& caption, int value = 0,
                             const QString& method = {}) {
            QTest::newRow(name) << list << rows << at << caption << value << method;
        };
        namespace rules = scene::rules;
        const Captions size = rules::sizeCaptions, height = rules::heightCaptions, method = rules::methodCaptions,
                       zoom = rules::zoomCaptions, nearFar = rules::nearFarCaptions;
        row("size, first row: 70 points, 280 pixels", size, 14, 0, "70", 280);
        row("size, row 5: 120 points, 480 pixels", size, 14, 5, "120", 480);
        row("size, last row: 200 points, 800 pixels", size, 14, 13, "200", 800);
        row("height, first row: 0.5 x, relief 1", height, 6, 0, "0.5×", 1);
        row("height, row 2: 1.5 x, relief 3", height, 6, 2, "1.5×", 3);
        row("height, last row: 3 x, relief 6", height, 6, 5, " 3 ×", 6);
        row("method, first row: parallel, sign 1", method, 2, 0, "平行方", 1, "parallel");
        row("method, last row: crossed, sign -1", method, 2, 1, "交差方", -1, "crossed");
        row("zoom, last row", zoom, 6, 5, " 4 ×");
        row("near/far, first row", nearFar, 21, 0, "近10");
        row("near/far, the middle row", nearFar, 21, 10, " 0");
        row("near/far, last row", nearFar, 21, 20, "遠10");
    }
    void listRules()
    {
        namespace rules = scene::rules;
        QFETCH(Captions, list);
        QFETCH(int, row);
        QFETCH(int, value);
        const QStringList captions = list();
        QTEST(int(captions.size()), "rows");
        QTEST(captions.value(row), "caption");
        if (list == rules::sizeCaptions) {
            QCOMPARE(rules::drawnSize(row), value);
            QCOMPARE(rules::sizeRowOfPoints(captions[row].toInt()), std::optional<int>(row));
            QVERIFY(rules::isListSize(value));
        } else if (list == rules::heightCaptions) {
            QCOMPARE(rules::relief(row), value);
            QCOMPARE(rules::heightRowOfRelief(value), row);
        } else if (list == rules::methodCaptions) {
            QCOMPARE(rules::viewingSign(row), value);
            QTEST(rules::methodName(row), "name");
            QFETCH(QString, name);
            QCOMPARE(rules::methodRowOfName(name), std::optional<int>(row));
            scene::SceneState s = scene::startScene();
            s.methodRow = row;
            QCOMPARE(s.hk(), value);
        }
    }

    // Whether a scene file's background is the flat plane: its "flat" key when it has
    // one, whatever the folder holds now; without it (a file older than the key), exactly
    // when it names the background folder's first entry, or none.
    void flatPlane_data()
    {
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("flat"); // over a folder whose first entry is 0.jpg
        QTest::addColumn<QString>("key"); // the "flat" key's value; empty = no key
        QTest::newRow("no key, another entry") << "1.jpg" << false << "";
        QTest::newRow("flat, a picture added before it") << "1.jpg" << true << "true";
        QTest::newRow("a map, the first entry") << "0.jpg" << false << "false";
    }
    void flatPlane()
    {
        QFETCH(QString, background);
        QFETCH(QString, key);
        const QByteArray flat = key.isEmpty() ? QByteArray() : "'flat': " + key.toUtf8() + ", ";
        scene::SceneFileResult read = scene::parseScene(
            startWith("'background': '', 'flat': true, ", "'background': '" + background.toUtf8() + "', " + flat));
        QVERIFY2(read.ok(), qPrintable(read.detail));
        QCOMPARE(read.flatGiven, !key.isEmpty());
        scene::settleFlat(read, "0.jpg");
        QTEST(read.state->flat, "flat");
    }

    // The entry that stands for the flat plane is the first the background list shows:
    // by name, JPEG names only.
    void firstBackground()
    {
        QTemporaryDir folder;
        QCOMPARE(scene::firstBackground(folder.path()), QString());
        for (const char* name : { "b.jpg", "+notes.png", "c.JPG", "a.txt" })
            QVERIFY(testing::writeFile(folder.filePath(name), "x"));
        QCOMPARE(scene::firstBackground(folder.path()), QString("b.jpg"));
        QVERIFY(testing::writeFile(folder.filePath("0 added.jpg"), "x"));
        QCOMPARE(scene::firstBackground(folder.path()), QString("0 added.jpg"));
    }

    // The Settings button's rule: which changes from the start scene (line 2 at "110", the
    // flat plane) bring it back at once, alone or with line 2 at "70" or over a map; the
    // Display command brings it back while line 2 is above "70".
    void settingsButton_data()
    {
        QTest::addColumn<bool>("small"); // line 2 at "70", before and after
        QTest::addColumn<bool>("map"); // a map, before and after
        QTest::addColumn<Edit>("change");
        QTest::addColumn<bool>("back");
        using S = scene::SceneState&;
        QTest::newRow("height") << false << false << Edit([](S s) { s.heightRow = 0; }) << true;
        QTest::newRow("height, line 2 at 70") << true << false << Edit([](S s) { s.heightRow = 5; }) << false;
        QTest::newRow("zoom over the flat plane") << false << false << Edit([](S s) { s.zoomRow = 3; }) << false;
    }
    void settingsButton()
    {
        QFETCH(bool, small);
        QFETCH(bool, map);
        QFETCH(Edit, change);
        scene::SceneState before = scene::startScene();
        before.lines[1].sizeRow = small ? 0 : 4;
        before.flat = !map;
        scene::SceneState after = before;
        change(after);
        QTEST(scene::settingsButtonBack(before, after), "back");
        QCOMPARE(scene::settingsButtonBackAtDisplay(after), !small);
    }

    // What the engine is given for a scene: the lines as drawn, the depths, the viewing
    // sign of the method row, and the map only when the background is not the flat plane.
    void engineInput()
    {
        scene::SceneState s = scene::startScene();
        s.flat = false;
        s.methodRow = 1;
        s.zoomRow = 4, s.pan = { -7, 9 }, s.heightRow = 3, s.kt = 4;
        s.lines[2] = { "z", "F", 13, 800, { -3, 6 }, true, false, -11 };
        s.quality = true;
        QImage map(4, 4, QImage::Format_RGB32), pattern(2, 2, QImage::Format_RGB32);
        map.fill(Qt::blue), pattern.fill(Qt::red);
        const render::Scene r = scene::renderScene(s, pattern, map);
        QCOMPARE(r.map, map);
        QCOMPARE(r.pattern, pattern);
        QCOMPARE(r.hk, -1);
        QCOMPARE((QList { r.zoomRow, r.pan.x(), r.pan.y(), r.kt }), (QList { 4, -7, 9, 4 }));
        QCOMPARE((QList { r.s1, r.s2, r.s3 }), (QList { 6, 8, -11 }));
        QCOMPARE(r.lines[2], (text::Line { "z", "F", 800, -3, 6, 1, 0 }));
        QVERIFY(r.quality && !r.lighterNear);
        s.flat = true; // the flat plane's picture given
        QVERIFY(scene::renderScene(s, pattern, map).map.isNull());
    }

    // What the user is told of each failure, word for word.
    void messages_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("expected");
        namespace m = scene::messages;
        using K = platform::FailureKind;
        QTest::newRow("a picture not saved: the disk full")
            << m::pictureNotSaved(K::NoSpace) << "画像を保存できませんでした\nディスクの空き容量が足りません";
        QTest::newRow("a scene not saved: its folder gone")
            << m::sceneNotSaved(K::FolderMissing) << "場面を保存できませんでした\n保存先のフォルダがありません";
    }
    void messages()
    {
        QFETCH(QString, words);
        QTEST(words, "expected");
    }

    // Every field survives writing and reading, whatever its text holds.
    void roundTrip_data()
    {
        QTest::addColumn<Edit>("edit");
        using S = scene::SceneState&;
        QTest::newRow("every field away from the start") << Edit([](S s) {
            s.methodRow = 1, s.pattern = "01_confetti.jpg", s.background = "01_火山.jpg", s.flat = false;
            s.zoomRow = 5, s.pan = { -1000000, -1000000 }, s.heightRow = 5, s.kt = 6, s.quality = true;
            s.nearFarRows = { 0, 20 }, s.exportSizeRow = 5, s.lighterNear = true, s.keepAspect = true;
            s.lines[0].family = "IPAGothic", s.lines[0].italic = true, s.lines[1].bold = true;
            s.lines[1].sizeRow = 0, s.lines[1].size = 280, s.lines[1].depth = 18;
            s.lines[2] = { "x", "Noto Sans CJK JP", 13, 800, { 1000000, -1000000 }, true, true, -18 };
        });
        // A text and a font name as long as they may be, a picture name of 254 bytes.
        QTest::newRow("longest texts and names") << Edit([](S s) {
            s.lines[0].text = QString(scene::kSceneTextLimit, QChar(0x3042));
            s.lines[1].family = QString(scene::kSceneFontLimit, 'f');
            s.background = QString(83, QChar(0x3042)) + "a.jpg";
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

    // Each bad value is refused with the place at fault; the largest file allowed is read.
    void badFile_data()
    {
        QTest::addColumn<QString>("path"); // in the test folder; empty: bad.voleta, holding the bytes
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("detail"); // the key at fault; empty: read
        const auto bad = [](const char* name, const char* from, const QByteArray& to, const QString& key) {
            QTest::newRow(name) << QString() << startWith(from, to) << key;
        };
        bad("version 0", "'version': 1", "'version': 0", "version");
        bad("depth 2.5", "'depth': 6", "'depth': 2.5", "lines[0].depth");
        bad("size 300", "'size': 360", "'size': 300", "lines[2].size");
        bad("size 210 points", "'size': 360", "'size': 840", "lines[2].size");
        bad("size row 14", "'sizeRow': 4", "'sizeRow': 14", "lines[1].sizeRow");
        bad("offset past a million", "'y': 880", "'y': 1000001", "lines[2].y");
        bad("height row 6", "'heightRow': 2", "'heightRow': 6", "heightRow");
        bad("background ..", "'background': ''", "'background': '..'", "background");
        bad("background a\\b", "'background': ''", "'background': 'a\\\\b'", "background");
        bad("pattern of 256 bytes", "'pattern': ''", "'pattern': '" + QString(84, QChar(0x3042)).toUtf8() + "abcd'",
            "pattern");
        bad("far row 21", "[5, 5]", "[5, 21]", "nearFarRows[1]");
        QByteArray largest = kStart;
        largest.append(QByteArray(scene::kSceneFileLimit - largest.size(), '\n'));
        QTest::newRow("1 MiB exactly") << QString() << largest << QString();
        QTest::newRow("a pipe") << "pipe.voleta" << QByteArray() << "NotAFile"; // opening it would wait
    }
    void badFile()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, detail);
        if (path.isEmpty()) QVERIFY(testing::writeFile(dir.filePath(path = "bad.voleta"), bytes));
        const scene::SceneFileResult read = scene::readSceneFile(dir.filePath(path));
        QCOMPARE(read.ok(), detail.isEmpty());
        if (read.ok()) return;
        const bool pipe = detail == "NotAFile";
        QCOMPARE(int(read.error), int(pipe ? scene::SceneFileError::Unreadable : scene::SceneFileError::BadValue));
        if (pipe)
            QCOMPARE(read.reason, platform::FailureKind::NotAFile);
        else
            QCOMPARE(read.detail, detail);
    }

    // The disk "fills" after 100 bytes: files may grow no larger (even for root). The
    // safe writer says so and keeps the old file whole, with nothing left beside it.
    void failedWrites()
    {
        const QString old = dir.filePath("old.voleta");
        QVERIFY(testing::writeFile(old, "old scene"));
        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 100;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const std::optional<platform::Failure> full = scene::writeSceneFile(scene::startScene(), old);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(full);
        QCOMPARE(full->detail, QString("File too large"));
        QCOMPARE(testing::readFile(old), QByteArray("old scene"));
        QCOMPARE(QDir(dir.path()).entryList({ "old.*" }, QDir::Files | QDir::Hidden), QStringList { "old.voleta" });
    }
};

QTEST_GUILESS_MAIN(TestScene)
#include "test_scene.moc"
