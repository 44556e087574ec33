// voleta-render: what its command line adds to the scene (option names, messages, exit codes, outputs written all
// or none), and each setting of a scene reaching the picture through its options and through a scene file.
#include "cli/Options.h"
#include "scene/SceneFile.h"
#include "support/Files.h"
#include "support/Jpeg.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

// A depth file is 16-bit greyscale, 1600 x 1280, holding depth + 32768.
int depthAt(const QImage& d, int x, int y)
{
    return reinterpret_cast<const quint16*>(d.constScanLine(y))[x] - 32768;
}

QImage bandsMap(QSize size, const QList<int>& blues) // blues of the columns < 800, < 1200 and the rest
{
    QImage map(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            map.setPixel(x, y, qRgb(90, 30, blues[x < 800 ? 0 : x < 1200 ? 1 : 2]));
    return map;
}

using Edit = std::function<void(scene::SceneState&)>;
constexpr int kNoLine = 99; // a line that leaves no pixel in the mask

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString pattern; // a noise pattern
    // A copy of voleta-render with picture folders of its own beside it, as the window would find them:
    // 画像フォルダ/pattern.png and other.png, 背景フォルダ/0_flat.jpg (the flat plane), bands.jpg (blue 40 | 120 |
    // 200 at x < 800 | < 1200 | rest) and wide.jpg (1600 x 640, blue 40 | 200 at x < 800 | rest).
    QString app, folderPattern, folderBands;
    QString path(const QString& name) const { return dir.filePath(name); }
    // Runs the copy: its exit code (-1 for a crash), and what it wrote on stderr in `err`, on stdout in `out`.
    int runRender(const QStringList& args, QString* err = nullptr, QString* out = nullptr) const
    {
        QProcess p;
        p.start(app, args);
        p.waitForFinished(120000);
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QImage noise(40, 90, QImage::Format_RGB888); // rows of 120 bytes, no padding
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.bits()), noise.sizeInBytes() / 4);
        pattern = path("pattern.png");
        QVERIFY(noise.save(pattern));
        QVERIFY(QImage(100, 100, QImage::Format_RGB32).save(path("small.png")));

        QVERIFY(QDir(dir.path()).mkpath("app/画像フォルダ") && QDir(dir.path()).mkpath("app/背景フォルダ"));
        app = path("app/voleta-render"), folderPattern = path("app/画像フォルダ/pattern.png");
        folderBands = path("app/背景フォルダ/bands.jpg"); // PNG bytes: the blues stay exact
        QVERIFY(QFile::copy(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), app));
        QVERIFY(QFile::copy(pattern, folderPattern) && noise.mirrored().save(path("app/画像フォルダ/other.png")));
        QVERIFY(bandsMap({ 1600, 1280 }, { 40, 120, 200 }).save(folderBands, "PNG"));
        QVERIFY(bandsMap({ 1600, 640 }, { 40, 200, 200 }).save(path("app/背景フォルダ/wide.jpg"), "PNG"));
        // A picture with relief, so that reading it as a map would show; the PNG sorted before it is not listed.
        QVERIFY(bandsMap({ 16, 16 }, { 0, 0, 255 }).save(path("app/背景フォルダ/0_flat.jpg"), "PNG"));
        QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(path("app/背景フォルダ/+notes.png")));
    }

    // An off form turns off its own switch alone in a scene that turned every switch on.
    void offForms()
    {
        scene::SceneState on = scene::startScene();
        on.quality = on.lighterNear = on.keepAspect = true;
        for (scene::LineState& line : on.lines)
            line.italic = line.bold = true;
        const cli::Parsed parsed = cli::parseArguments(
            { "--scene", "s", "-o", "o.png", "--no-quality", "--no-lighter-near", "--no-italic1", "--no-bold3" }, on);
        QVERIFY2(parsed.kind == cli::Parsed::Kind::Run, qPrintable(parsed.error));
        on.quality = on.lighterNear = on.lines[0].italic = on.lines[2].bold = false;
        QVERIFY(parsed.options.state == on);
    }

    // Each setting, given as options and as a scene file: both give the same picture, and it differs from the
    // start's. The depth file holds each line's depth (twice its slider, the sign turned for crossed eyes) under
    // its code colour in the mask, and the map's relief at columns 100, 1000, 1400 of row 5: blue 40, 120, 200 at
    // factor 2 give 13, 0, -13 (middle 120, step 4), at factor 6 40, 0, -40. At zoom 2 the crop takes map columns
    // 400..1199, panned 200 left 200..999, whose blues 40 and 120 give 13 and -13; a pan far below the map is
    // brought back to its bottom edge. Kept to its proportions the wide map fills rows 320..959 and row 5 lies far
    // back, at the farthest blue.
    void eachSetting_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<int>>("lines"); // the depth under lines 1, 2, 3
        QTest::addColumn<QList<int>>("map"); // row 5 at columns 100, 1000, 1400
        using S = scene::SceneState&;
        const QList<int> start { 12, 16, 20 }, flat { 0, 0, 0 };
        const auto bands = [](S s) { s.background = "bands.jpg", s.flat = false; };
        const auto row = [](const char* name, const QStringList& options, QList<int> lines, QList<int> map, Edit edit) {
            QTest::newRow(name) << edit << options << lines << map;
        };
        const QStringList map { "--map", folderBands }, crossed { "--method", "crossed" };
        row("the start", {}, start, flat, [](S) {});
        row("viewing", crossed, { -12, -16, -20 }, flat, [](S s) { s.methodRow = 1; });
        row("background", map, start, { 13, 0, -13 }, bands);
        row("crossed over a map", map + crossed, { -12, -16, -20 }, { -13, 0, 13 },
            [bands](S s) { bands(s), s.methodRow = 1; });
        row("relief", map + QStringList { "--relief", "6" }, start, { 40, 0, -40 },
            [bands](S s) { bands(s), s.kt = 6, s.heightRow = 5; });
        row("zoom", map + QStringList { "--zoom", "2" }, start, { 13, -13, -13 },
            [bands](S s) { bands(s), s.zoomRow = 2; });
        row("pan", map + QStringList { "--zoom", "2", "--pan", "-200,5000" }, start, { 13, 13, -13 }, [bands](S s) {
            bands(s), s.zoomRow = 2, s.pan = { -200, 5000 };
        });
        row("lighter near", map + QStringList { "--lighter-near" }, start, { -13, 0, 13 },
            [bands](S s) { bands(s), s.lighterNear = true; });
        row("keep aspect", { "--map", path("app/背景フォルダ/wide.jpg"), "--keep-aspect" }, start, { -13, -13, -13 },
            [](S s) { s.background = "wide.jpg", s.flat = false, s.keepAspect = true; });
        row("line 3's depth", { "--depth3", "18" }, { 12, 16, 36 }, flat, [](S s) { s.lines[2].depth = 18; });
        row("line 2's text", { "--text2", "" }, { 12, kNoLine, 20 }, flat, [](S s) { s.lines[1].text.clear(); });
        row("line 1's size", { "--size1", "200" }, start, flat,
            [](S s) { s.lines[0].sizeRow = 13, s.lines[0].size = 800; });
        row("line 3's offset", { "--offset3", "-99,1300" }, { 12, 16, kNoLine }, flat, [](S s) {
            s.lines[2].offset = { -99, 1300 };
        });
        row("line 2's font", { "--font2", "DejaVu Sans" }, start, flat, [](S s) { s.lines[1].family = "DejaVu Sans"; });
        row("line 1 italic", { "--italic1" }, start, flat, [](S s) { s.lines[0].italic = true; });
        row("line 3 bold", { "--bold3" }, start, flat, [](S s) { s.lines[2].bold = true; });
        row("pattern", { "--pattern", path("app/画像フォルダ/other.png") }, start, flat,
            [](S s) { s.pattern = "other.png"; });
        row("quality", { "--quality" }, start, flat, [](S s) { s.quality = true; });
    }
    void eachSetting()
    {
        QFETCH(Edit, edit);
        QFETCH(QStringList, options);
        QFETCH(QList<int>, lines);
        QFETCH(QList<int>, map);
        scene::SceneState state = scene::startScene(); // over the folder's pattern and flat plane
        state.pattern = "pattern.png", state.background = "0_flat.jpg", state.flat = true;
        edit(state);
        const QString scene = path("each.voleta");
        QVERIFY(testing::writeFile(scene, scene::sceneJson(state)));
        QString err;
        for (const QString& way : QStringList { "scene", "options" }) {
            const QStringList outputs { "-o", path(way == "scene" ? "scene.png" : "options.PNG"), "--mask-out",
                path(way + "-mask.png"), "--depth-out", path(way + "-depth.png") };
            const QStringList given = way == "scene" ? QStringList { "--scene", scene }
                                                     : QStringList { "--pattern", folderPattern } + options;
            QVERIFY2(runRender(given + outputs, &err) == 0, qPrintable(err));
            const QImage mask = QImage(path(way + "-mask.png")).convertToFormat(QImage::Format_RGB32);
            const QImage d(path(way + "-depth.png"));
            const QList<QRgb> codes { 0xFF050A0F, 0xFF0F050A, 0xFF0A0F05 };
            QSet<int> seen;
            for (int y = 1; y < 1280; ++y)
                for (int x = 1; x < 1600; ++x) {
                    const int line = codes.indexOf(mask.pixel(x, y));
                    if (line >= 0 && depthAt(d, x, y) != lines[line])
                        QFAIL(qPrintable(QString::asprintf("line %d at %d, %d", line + 1, x, y)));
                    if (line >= 0) seen.insert(line);
                }
            QCOMPARE(seen.size(), 3 - int(lines.count(kNoLine)));
            QCOMPARE((QList { depthAt(d, 100, 5), depthAt(d, 1000, 5), depthAt(d, 1400, 5) }), map);
        }
        QCOMPARE(QImageReader(path("options.PNG")).format(), QByteArray("png")); // whatever the letter case
        const QImage picture(path("scene.png"));
        QCOMPARE(picture, QImage(path("options.PNG")));
        if (QTest::currentDataTag() == QByteArray("the start"))
            QVERIFY(QFile::copy(path("scene.png"), path("start.png")));
        else
            QVERIFY(picture != QImage(path("start.png")));
    }

    // --scene-out records what was rendered: rendered again from that scene, the picture is the same (a JPEG at
    // quality 95, whatever the letter case of its name). The pattern is named by file name, the flat plane by the
    // background folder's first entry.
    void sceneOut()
    {
        QString err;
        const QString out = path("out.voleta");
        QVERIFY2(runRender({ "--pattern", folderPattern, "-o", path("o1.jpg"), "--scene-out", out }, &err) == 0,
            qPrintable(err));
        QCOMPARE(runRender({ "--scene", out, "-o", path("o2.b.JPEG") }, &err), 0);
        QCOMPARE(testing::firstQuantisation(path("o2.b.JPEG")), 2); // quality 95
        QCOMPARE(QImage(path("o1.jpg")), QImage(path("o2.b.JPEG")));
        const scene::SceneFileResult read = scene::readSceneFile(out);
        QVERIFY(read.ok() && read.flatGiven && read.state->flat);
        QCOMPARE(read.state->pattern, QString("pattern.png"));
        QCOMPARE(read.state->background, QString("0_flat.jpg"));
    }

    // The outputs are all written or none: when the answer's name is too long, the picture and depth file moved
    // before it keep this run's bytes, the mask keeps its old ones, and no hidden file is left.
    void allOrNothing()
    {
        QTemporaryDir here;
        const QStringList options { "-o", "--depth-out", "--answer-out", "--mask-out" };
        QStringList args { "--pattern", pattern }, expected { "0.png", "1.png", "3.png" };
        for (int i = 0; i < 4; ++i) {
            const QString file = here.filePath(i == 2 ? QString(300, 'n') + ".png" : QString("%1.png").arg(i));
            args << options[i] << file;
            if (i != 2) QVERIFY(testing::writeFile(file, "old"));
        }
        QString err;
        QCOMPARE(runRender(args, &err), 1);
        QVERIFY2(err.contains("cannot write the answer picture"), qPrintable(err));
        QCOMPARE(testing::entries(here.path()), expected);
        for (const QString& name : expected)
            QCOMPARE(testing::readFile(here.filePath(name)).startsWith("old"), name == "3.png");
    }

    // --version answers on standard output and does nothing else.
    void information()
    {
        QString out;
        QCOMPARE(runRender({ "--version" }, nullptr, &out), 0);
        QCOMPARE(out, QString("voleta-render " VOLETA_VERSION_TEXT "\n"));
    }

    // A run at every limit: a font that is not installed is named once, however many lines use it; an output
    // that replaces a file keeps that file's permissions.
    void limitsFontsAndPermissions()
    {
        QTemporaryDir here;
        const QString out = here.filePath("x.png");
        QVERIFY(QFile(out).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner));
        QString err;
        QCOMPARE(
            runRender({ "--pattern", pattern, "-o", out, "--font1", "No Such Family", "--font2", "No Such Family",
                          "--font3", "Nor This One", "--map", folderBands, "--zoom", "5", "--pan", "-1000000,1000000",
                          "--relief", "6", "--offset1", "1000000,-1000000", "--depth1", "-18", "--size2", "200",
                          "--depth2", "18", "--text2", "😀👨‍👩‍👧 שלום مرحبا", "--size3", "70",
                          "--text3", QString(10000, QChar(u'あ')), "--quality" },
                &err),
            0);
        const QStringList warnings = err.split('\n').filter("is not installed");
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings[0].contains("\"No Such Family\"") && warnings[1].contains("\"Nor This One\""));
        QCOMPARE(QFile::permissions(out) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QCOMPARE(QImage(out).size(), QSize(1920, 1280));
    }

    // The English line of a failure gives the system's or decoder's detail.
    void failureLines()
    {
        QCOMPARE(cli::failureLine("x", { platform::FailureKind::WriteFailed, "f", "I/O error" }),
            "x: f: the write failed (I/O error)");
    }

    // A bad command line exits with 2 and the usage text; an input unreadable or an output not written exits
    // with 1, in one line "<what failed>: <file>: <reason>". Either way one line names the culprit, and nothing
    // is left behind.
    void refused_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        const QString bad = path("no-such-folder/out.png"), small = path("small.png");
        const QStringList ok { "--pattern", pattern, "-o", path("never.png") };
        const auto row = [](const char* name, int code, const QStringList& args, const QString& named) {
            QTest::newRow(name) << code << args << named;
        };
        row("line 4", 2, ok + QStringList { "--text4", "a" }, "--text4");
        row("relief 0", 2, ok + QStringList { "--relief=0" }, "--relief");
        row("zoom 6", 2, ok + QStringList { "--zoom", "6" }, "--zoom");
        row("offset past a million", 2, ok + QStringList { "--offset1", "0,1000001" }, "--offset1");
        row("answer as jpg", 2, ok + QStringList { "--answer-out", "a.jpg" }, "a.jpg");
        row("quality on and off", 2, ok + QStringList { "--quality", "--no-quality" },
            "--quality and --no-quality cannot be used together");
        row("depth-in wrong size", 1, ok + QStringList { "--depth-in", small },
            "cannot read the depth file: " + small + ": it is 100 x 100 pixels, not 1600 x 1280");
        row("picture, no folder", 1, { "--pattern", pattern, "-o", bad },
            "cannot write the picture: " + bad + ": the folder does not exist");
    }
    void refused()
    {
        QFETCH(int, code);
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        QString err;
        QCOMPARE(runRender(args, &err), code);
        // Only our own lines: Qt may add a note of its own.
        const QStringList ours = err.split('\n').filter(QRegularExpression("^voleta-render: "));
        QVERIFY2(ours.size() == 1 && ours[0].contains(named), qPrintable(err));
        QCOMPARE(err.contains("Usage: voleta-render"), code == 2);
        QVERIFY(!QFile::exists(path("never.png")) && !QFile::exists(path("no-such-folder")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
