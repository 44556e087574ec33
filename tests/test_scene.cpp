// Scene files: the text written for the start scene, round trips of every field, the
// files that must be refused and why, and the safe writer.
#include "scene/ListRules.h"
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
    "flat": true,
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

enum class Rule { Size, Height, Method, Zoom, NearFar, ExportSize };

QStringList captionsOf(Rule rule)
{
    namespace rules = scene::rules;
    switch (rule) {
    case Rule::Size:
        return rules::sizeCaptions();
    case Rule::Height:
        return rules::heightCaptions();
    case Rule::Method:
        return rules::methodCaptions();
    case Rule::Zoom:
        return rules::zoomCaptions();
    case Rule::NearFar:
        return rules::nearFarCaptions();
    case Rule::ExportSize:
        return rules::exportSizeCaptions();
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Rule)
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
                 startWith("    \"flat\": true,\n", ""),
                 startWith("    \"nearFarRows\": [\n        5,\n        5\n    ],\n", ""),
                 startWith("\"zoomRow\": 0", "\"zoomRow\": 0, \"comment\": [1, {}]") }) {
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
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name"); // the viewing method's name in files and options
        const auto row = [](const char* name, Rule rule, int rows, int at, const QString& caption, int value = 0,
                             const QString& method = {}) {
            QTest::newRow(name) << rule << rows << at << caption << value << method;
        };
        row("size, first row: 70 points, 280 pixels", Rule::Size, 14, 0, "70", 280);
        row("size, row 5: 120 points, 480 pixels", Rule::Size, 14, 5, "120", 480);
        row("size, last row: 200 points, 800 pixels", Rule::Size, 14, 13, "200", 800);
        row("height, first row: 0.5 x, relief 1", Rule::Height, 6, 0, "0.5×", 1);
        row("height, row 2: 1.5 x, relief 3", Rule::Height, 6, 2, "1.5×", 3);
        row("height, last row: 3 x, relief 6", Rule::Height, 6, 5, " 3 ×", 6);
        row("method, first row: parallel, sign 1", Rule::Method, 2, 0, "平行方", 1, "parallel");
        row("method, last row: crossed, sign -1", Rule::Method, 2, 1, "交差方", -1, "crossed");
        row("zoom, first row", Rule::Zoom, 6, 0, " 1 ×");
        row("zoom, row 3", Rule::Zoom, 6, 3, "2.5×");
        row("zoom, last row", Rule::Zoom, 6, 5, " 4 ×");
        row("near/far, first row", Rule::NearFar, 21, 0, "近10");
        row("near/far, the start row", Rule::NearFar, 21, 5, "近5");
        row("near/far, the middle row", Rule::NearFar, 21, 10, " 0");
        row("near/far, last row", Rule::NearFar, 21, 20, "遠10");
        row("export size, first row", Rule::ExportSize, 6, 0, " 640 × 480");
        row("export size, row 3", Rule::ExportSize, 6, 3, "1024× 768");
        row("export size, last row", Rule::ExportSize, 6, 5, "1440× 900");
    }
    void listRules()
    {
        namespace rules = scene::rules;
        QFETCH(Rule, rule);
        QFETCH(int, row);
        QFETCH(int, value);
        const QStringList captions = captionsOf(rule);
        QTEST(int(captions.size()), "rows");
        QTEST(captions.value(row), "caption");
        switch (rule) {
        case Rule::Size:
            QCOMPARE(rules::drawnSize(row), value);
            QCOMPARE(rules::sizeRowOfPoints(captions[row].toInt()), std::optional<int>(row));
            QVERIFY(rules::isListSize(value));
            break;
        case Rule::Height:
            QCOMPARE(rules::relief(row), value);
            QCOMPARE(rules::heightRowOfRelief(value), row);
            break;
        case Rule::Method: {
            QCOMPARE(rules::viewingSign(row), value);
            QTEST(rules::methodName(row), "name");
            QFETCH(QString, name);
            QCOMPARE(rules::methodRowOfName(name), std::optional<int>(row));
            scene::SceneState s = scene::startScene();
            s.methodRow = row;
            QCOMPARE(s.hk(), value);
            break;
        }
        default:
            break;
        }
    }

    // What no row stands for: no size row, no drawn size, no method.
    void offTheLists()
    {
        namespace rules = scene::rules;
        for (const int points : { 60, 75, 195, 210 })
            QCOMPARE(rules::sizeRowOfPoints(points), std::nullopt);
        for (const int size : { 0, 276, 282, 300, 804, 840 })
            QVERIFY2(!rules::isListSize(size), qPrintable(QString::number(size)));
        QCOMPARE(rules::drawnSize(-1), 0); // no row chosen: nothing drawn
        for (const char* name : { "", "Parallel", "sideways" })
            QCOMPARE(rules::methodRowOfName(name), std::nullopt);
    }

    // Whether a scene file's background is the flat plane: its "flat" key when it has
    // one, whatever the folder holds now; without it (a file older than the key), exactly
    // when it names the background folder's first entry, or none.
    void flatPlane_data()
    {
        QTest::addColumn<QString>("background");
        QTest::addColumn<QString>("key"); // the "flat" key's value; empty = no key
        QTest::addColumn<QString>("first"); // the background folder's first entry
        QTest::addColumn<bool>("flat");
        QTest::newRow("no key, the first entry") << "0.jpg"
                                                 << ""
                                                 << "0.jpg" << true;
        QTest::newRow("no key, another entry") << "1.jpg"
                                               << ""
                                               << "0.jpg" << false;
        QTest::newRow("no key, no background") << ""
                                               << ""
                                               << "0.jpg" << true;
        QTest::newRow("no key, an empty folder") << "1.jpg"
                                                 << ""
                                                 << "" << false;
        QTest::newRow("flat, a picture added before it") << "1.jpg"
                                                         << "true"
                                                         << "0.jpg" << true;
        QTest::newRow("a map, the first entry") << "0.jpg"
                                                << "false"
                                                << "0.jpg" << false;
    }
    void flatPlane()
    {
        QFETCH(QString, background);
        QFETCH(QString, key);
        QFETCH(QString, first);
        QByteArray bytes = startWith("\"background\": \"\"", "\"background\": \"" + background.toUtf8() + "\"");
        bytes.replace("    \"flat\": true,\n", key.isEmpty() ? QByteArray() : "    \"flat\": " + key.toUtf8() + ",\n");
        scene::SceneFileResult read = scene::parseScene(bytes);
        QVERIFY2(read.ok(), qPrintable(read.detail));
        QCOMPARE(read.flatGiven, !key.isEmpty());
        scene::settleFlat(read, first);
        QTEST(read.state->flat, "flat");
    }

    // The entry that stands for the flat plane is the first the background list shows:
    // by name, JPEG names only.
    void firstBackground()
    {
        QTemporaryDir folder;
        QCOMPARE(scene::firstBackground(folder.path()), QString());
        for (const char* name : { "b.jpg", "+notes.png", "c.JPG", "a.txt" })
            QVERIFY(writeBytes(folder.filePath(name), "x"));
        QCOMPARE(scene::firstBackground(folder.path()), QString("b.jpg"));
        QVERIFY(writeBytes(folder.filePath("0 added.jpg"), "x"));
        QCOMPARE(scene::firstBackground(folder.path()), QString("0 added.jpg"));
        QCOMPARE(scene::firstBackground(QString()), QString());
    }

    // The Settings button's rule: which changes bring it back at once, from the start
    // scene (line 2 at "110", the flat plane) or from one with line 2 at "70" or a map.
    void settingsButton_data()
    {
        QTest::addColumn<Edit>("before");
        QTest::addColumn<Edit>("after");
        QTest::addColumn<bool>("back");
        const auto row = [](const char* name, Edit before, Edit after, bool back) {
            QTest::newRow(name) << before << after << back;
        };
        const Edit start = [](scene::SceneState&) {};
        const Edit small = [](scene::SceneState& s) { s.lines[1].sizeRow = 0; };
        const Edit map = [](scene::SceneState& s) { s.flat = false; };
        row(
            "viewing method", start, [](scene::SceneState& s) { s.methodRow = 1; }, true);
        row(
            "viewing method, line 2 at 70", small,
            [](scene::SceneState& s) { s.methodRow = 1, s.lines[1].sizeRow = 0; }, false);
        row(
            "height", start, [](scene::SceneState& s) { s.heightRow = 0; }, true);
        row(
            "height, line 2 at 70", small, [](scene::SceneState& s) { s.heightRow = 5, s.lines[1].sizeRow = 0; },
            false);
        row(
            "zoom over a map", map, [](scene::SceneState& s) { s.zoomRow = 3, s.flat = false; }, true);
        row(
            "zoom over the flat plane", start, [](scene::SceneState& s) { s.zoomRow = 3; }, false);
        row(
            "pan and text", map,
            [](scene::SceneState& s) {
                s.pan = { 3, 0 }, s.flat = false, s.lines[0].text = "x";
            },
            false);
    }
    void settingsButton()
    {
        QFETCH(Edit, before);
        QFETCH(Edit, after);
        scene::SceneState a = scene::startScene(), b = scene::startScene();
        before(a);
        after(b);
        QTEST(scene::settingsButtonBack(a, b), "back");
        // The Display command's own rule: line 2 above "70".
        QCOMPARE(scene::settingsButtonBackAtDisplay(b), b.lines[1].sizeRow == 4);
    }

    // What the engine is given for a scene: the lines as drawn, the depths, the viewing
    // sign of the method row, and the map only when the background is not the flat plane.
    void engineInput_data()
    {
        QTest::addColumn<bool>("flat");
        QTest::newRow("a map") << false;
        QTest::newRow("the flat plane, its picture given") << true;
    }
    void engineInput()
    {
        QFETCH(bool, flat);
        scene::SceneState s = scene::startScene();
        s.flat = flat;
        s.methodRow = 1;
        s.zoomRow = 4, s.pan = { -7, 9 }, s.heightRow = 3, s.kt = 4;
        s.lines[2] = { "z", "F", 13, 800, { -3, 6 }, true, false, -11 };
        s.quality = true;
        QImage map(4, 4, QImage::Format_RGB32), pattern(2, 2, QImage::Format_RGB32);
        map.fill(Qt::blue), pattern.fill(Qt::red);
        const render::Scene r = scene::renderScene(s, pattern, map);
        QCOMPARE(r.map.isNull(), flat);
        QCOMPARE(r.pattern, pattern);
        QCOMPARE(r.hk, -1);
        QCOMPARE((QList { r.zoomRow, r.pan.x(), r.pan.y(), r.kt }), (QList { 4, -7, 9, 4 }));
        QCOMPARE((QList { r.s1, r.s2, r.s3 }), (QList { 6, 8, -11 }));
        QCOMPARE(r.lines[2], (text::Line { "z", "F", 800, -3, 6, 1, 0 }));
        QCOMPARE(r.lines[0], (text::Line { "Voleta", "", 440, 0, 20, 0, 0 }));
        QVERIFY(r.quality && !r.lighterNear);
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
            s.background = "01_火山.jpg", s.flat = false, s.zoomRow = 5, s.pan = { -1000000, -1000000 },
            s.heightRow = 5, s.kt = 6;
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
        QTest::newRow("rows beyond the edge, lighter near, aspect kept") << Edit([](S s) {
            s.nearFarRows = { 0, 20 }, s.exportSizeRow = 5, s.lighterNear = true, s.keepAspect = true;
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
        QTest::addColumn<QString>("detail"); // * = any, but not empty; an unreadable file: the kind of reason
        using E = scene::SceneFileError;
        const auto row = [](const char* name, const QByteArray& bytes, E error, const QString& detail,
                             const QString& path = {}) { QTest::newRow(name) << bytes << path << error << detail; };
        row("cut short", "{ \"format\": \"voleta-scene\", ", E::Damaged, "*");
        row("not UTF-8", startWith("Voleta", "Vol\xff\xfe"), E::Damaged, "*");
        row("empty file", "", E::NotJson, "*");
        row("a picture", "\x89PNG\r\n\x1a\n", E::NotJson, "*");
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
        row("a missing file", {}, E::Unreadable, "Missing", "no-such.voleta");
        row("a folder", {}, E::Unreadable, "NotAFile", ".");
        row("a pipe", {}, E::Unreadable, "NotAFile", "pipe.voleta"); // opening it would wait
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
        else if (read.error == scene::SceneFileError::Unreadable) // the detail names the reason's kind
            QCOMPARE(
                read.reason, detail == "Missing" ? platform::FailureKind::Missing : platform::FailureKind::NotAFile);
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
