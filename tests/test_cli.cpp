// voleta-render's command line as a unit, then the real program run on small inputs
// made here: exit codes, messages and the pictures it writes.
#include "cli/Options.h"
#include "scene/SceneFile.h"

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
#include <tuple>

namespace {

// Runs voleta-render (or the copy `program`): its exit code (-1 for a crash), and what
// it wrote on stderr in `err`.
int runRender(const QStringList& args, QString* err = nullptr, const QString& program = {})
{
    QProcess p;
    p.start(program.isEmpty() ? QStringLiteral(VOLETA_BIN_DIR "/voleta-render") : program, args);
    p.waitForFinished(120000);
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

const QStringList kNoText { "--text1", "", "--text2", "", "--text3", "" };

// Scene files written by hand: the start scene over the flat plane (the background
// folder's first entry), and one that sets every value away from the start.
const char* const kPlainScene = R"({"format": "voleta-scene", "version": 1, "viewing": "parallel",
  "pattern": "pattern.png", "background": "0_flat.jpg", "zoomRow": 0, "pan": {"x": 0, "y": 0},
  "heightRow": 2, "relief": 2, "lines": [
  {"text": "Voleta", "font": "", "sizeRow": 5, "size": 440, "x": 0, "y": 20, "italic": false, "bold": false, "depth": 6},
  {"text": " 3D", "font": "", "sizeRow": 4, "size": 400, "x": 0, "y": 450, "italic": false, "bold": false, "depth": 8},
  {"text": "     V2", "font": "", "sizeRow": 3, "size": 360, "x": 0, "y": 880, "italic": false, "bold": false,
   "depth": 10}]})";
const char* const kRichScene = R"({"format": "voleta-scene", "version": 1, "viewing": "crossed",
  "pattern": "pattern.png", "background": "bands.jpg", "zoomRow": 2, "pan": {"x": -200, "y": 50},
  "heightRow": 1, "relief": 6, "quality": true, "lines": [
  {"text": "AB", "font": "", "sizeRow": 13, "size": 800, "x": 30, "y": -60, "italic": true, "bold": false, "depth": -5},
  {"text": "", "font": "", "sizeRow": 0, "size": 280, "x": 0, "y": 450, "italic": false, "bold": false, "depth": 8},
  {"text": "xyz", "font": "", "sizeRow": 3, "size": 360, "x": -99, "y": 700, "italic": false, "bold": true,
   "depth": 12}]})";

// The first entry of a JPEG's first quantisation table. At quality q the encoder scales the standard
// luminance table, whose first entry is 16, by (200 - 2q) / 100: 2 at quality 95.
int firstQuantisation(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = f.readAll();
    const qsizetype dqt = bytes.indexOf("\xff\xdb");
    return dqt < 0 || dqt + 5 >= bytes.size() ? -1 : uchar(bytes[dqt + 5]);
}

// A depth file is 16-bit greyscale, 1600 x 1280, holding depth + 32768.
int depthAt(const QImage& d, int x, int y)
{
    return reinterpret_cast<const quint16*>(d.constScanLine(y))[x] - 32768;
}

auto fields(const cli::Options& o)
{
    return std::tie(o.pattern, o.output, o.map, o.depthIn, o.depthOut, o.maskOut, o.answerOut, o.anaglyphOut, o.pairOut,
        o.shadeViews, o.state);
}

using Change = std::function<void(cli::Options&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString pattern, bands; // a noise pattern; a map with blue 40 | 120 | 200 at x < 800 | < 1200 | rest
    QString path(const QString& name) const { return dir.filePath(name); }
    // A copy of voleta-render with picture folders of its own beside it, as the window
    // would find them: 画像フォルダ/pattern.png, 背景フォルダ/0_flat.jpg (the flat plane)
    // and 背景フォルダ/bands.jpg.
    QString app, folderPattern, folderBands;
    QString scene(const QString& name, QByteArray text, const char* from = nullptr, const char* to = nullptr) const
    {
        if (from) text.replace(from, to);
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? path(name) : QString();
    }
    // The explicit options of kRichScene.
    QStringList richOptions() const
    {
        return { "--pattern", folderPattern, "--map", folderBands, "--zoom", "2", "--pan", "-200,50", "--relief", "6",
            "--method", "crossed", "--quality", "--text1", "AB", "--size1", "200", "--offset1", "30,-60", "--italic1",
            "--depth1", "-5", "--text2", "", "--size2", "70", "--text3", "xyz", "--size3", "90", "--offset3", "-99,700",
            "--bold3", "--depth3", "12" };
    }
    QStringList base(const QString& out) const { return { "--pattern", pattern, "-o", path(out) }; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QImage noise(40, 90, QImage::Format_RGB888); // rows of 120 bytes, no padding
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.bits()), noise.sizeInBytes() / 4);
        QImage map(1600, 1280, QImage::Format_RGB32);
        for (int x = 0; x < 1600; ++x)
            for (int y = 0; y < 1280; ++y)
                map.setPixel(x, y, qRgb(90, 30, x < 800 ? 40 : x < 1200 ? 120 : 200));
        pattern = path("pattern.png"), bands = path("bands.png");
        QVERIFY(noise.save(pattern) && map.save(bands));
        QImage step(1600, 1280, QImage::Format_Grayscale16); // depth 12 at columns 200..400, 0 elsewhere
        for (int y = 0; y < 1280; ++y)
            for (int x = 0; x < 1600; ++x)
                reinterpret_cast<quint16*>(step.scanLine(y))[x] = quint16((x >= 200 && x <= 400 ? 12 : 0) + 32768);
        QVERIFY(step.save(path("step.png")));
        QVERIFY(QImage(100, 100, QImage::Format_RGB32).save(path("small.png")));
        QFile junk(path("junk.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray::fromHex("ffd8ffe000104a46494600deadbeef0102030405060708090a"));

        QVERIFY(QDir(dir.path()).mkpath("app/画像フォルダ") && QDir(dir.path()).mkpath("app/背景フォルダ"));
        app = path("app/voleta-render"), folderPattern = path("app/画像フォルダ/pattern.png");
        folderBands = path("app/背景フォルダ/bands.jpg"); // PNG bytes: the blues stay exact
        QVERIFY(QFile::copy(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), app));
        QVERIFY(QFile::copy(pattern, folderPattern) && QFile::copy(bands, folderBands));
        // A picture with relief, so that reading it as a map would show.
        QVERIFY(map.scaled(16, 16).save(path("app/背景フォルダ/0_flat.jpg"), "PNG"));
        // Sorted before it, but the background list shows no PNG: the flat plane is still 0_flat.jpg.
        QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(path("app/背景フォルダ/+notes.png")));
    }

    // Each option fills its own field and no other.
    void parsedFields_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Change>("change");
        using O = cli::Options&;
        const auto row
            = [](const char* name, const QStringList& args, Change change) { QTest::newRow(name) << args << change; };
        row("offset is X,Y", { "--offset2", "-30,100" }, [](O o) { o.state.lines[1].offset = { -30, 100 }; });
        row("bold 3, italic 1", { "--bold3", "--italic1" },
            [](O o) { o.state.lines[2].bold = true, o.state.lines[0].italic = true; });
        row("size is 4 x points on row 0, depth", { "--size2", "70", "--depth3=-5" },
            [](O o) { o.state.lines[1].size = 280, o.state.lines[1].sizeRow = 0, o.state.lines[2].depth = -5; });
        row("text and font", { "--text2", "", "--font1", "F" },
            [](O o) { o.state.lines[1].text = "", o.state.lines[0].family = "F"; });
        row("zoom and pan", { "--zoom", "5", "--pan", "7,-9" }, [](O o) {
            o.state.zoomRow = 5, o.state.pan = { 7, -9 };
        });
        row("relief on the last height row, crossed", { "--relief=6", "--method", "crossed" },
            [](O o) { o.state.kt = 6, o.state.heightRow = 5, o.state.methodRow = 1; });
        row("depth files", { "--depth-in", "i", "--depth-out", "d" }, [](O o) { o.depthIn = "i", o.depthOut = "d"; });
        row("a map by its path, named by its file name, not flat",
            { "--map", "maps/m.jpg", "--mask-out", "k", "--answer-out", "a.PNG", "--quality" }, [](O o) {
                o.map = "maps/m.jpg", o.maskOut = "k", o.answerOut = "a.PNG";
                o.state.background = "m.jpg", o.state.flat = false, o.state.quality = true;
            });
        row("lighter near", { "--lighter-near" }, [](O o) { o.state.lighterNear = true; });
        row("anaglyph and pair, shaded", { "--anaglyph-out", "a.png", "--pair-out", "p.PNG", "--shade-views" },
            [](O o) { o.anaglyphOut = "a.png", o.pairOut = "p.PNG", o.shadeViews = true; });
    }
    void parsedFields()
    {
        QFETCH(QStringList, args);
        QFETCH(Change, change);
        const cli::Parsed parsed = cli::parseArguments(QStringList { "--pattern", "p", "-o", "o.png" } + args);
        QVERIFY2(parsed.kind == cli::Parsed::Kind::Run, qPrintable(parsed.error));
        cli::Options expected;
        expected.pattern = "p", expected.output = "o.png";
        expected.state.pattern = "p";
        change(expected);
        QVERIFY(fields(parsed.options) == fields(expected));
    }

    // The off form of each on/off option turns off what a scene turned on, and nothing else.
    void offForms_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Change>("change");
        using O = cli::Options&;
        const auto row
            = [](const char* name, const QStringList& args, Change change) { QTest::newRow(name) << args << change; };
        row("no quality", { "--no-quality" }, [](O o) { o.state.quality = false; });
        row("no lighter near", { "--no-lighter-near" }, [](O o) { o.state.lighterNear = false; });
        row("no keep aspect", { "--no-keep-aspect" }, [](O o) { o.state.keepAspect = false; });
        row("no italic 1", { "--no-italic1" }, [](O o) { o.state.lines[0].italic = false; });
        row("no bold 3, no italic 2", { "--no-bold3", "--no-italic2" },
            [](O o) { o.state.lines[2].bold = false, o.state.lines[1].italic = false; });
        row("on forms of a scene's settings change nothing", { "--quality", "--bold2" }, [](O) {});
    }
    void offForms()
    {
        QFETCH(QStringList, args);
        QFETCH(Change, change);
        scene::SceneState on = scene::startScene();
        on.quality = on.lighterNear = on.keepAspect = true;
        for (scene::LineState& line : on.lines)
            line.italic = line.bold = true;
        const cli::Parsed parsed = cli::parseArguments(QStringList { "--scene", "s", "-o", "o.png" } + args, on);
        QVERIFY2(parsed.kind == cli::Parsed::Kind::Run, qPrintable(parsed.error));
        cli::Options expected;
        expected.scene = "s", expected.output = "o.png", expected.state = on;
        change(expected);
        QVERIFY(fields(parsed.options) == fields(expected));
    }

    // Each run writes a 1920 x 1280 picture in the format its name asks for, whatever the
    // letter case. On the flat plane the picture repeats every 320 pixels.
    void goodRun_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("PNG, flat, no text") << QString("flat.PNG") << kNoText;
        QTest::newRow("jpg named .JPEG") << QString("plain.b.JPEG") << QStringList();
        QTest::newRow("every setting at its limit")
            << QString("limits.png")
            << QStringList { "--map", bands, "--zoom", "5", "--pan", "-1000000,1000000", "--relief", "6", "--method",
                   "crossed", "--offset1", "1000000,-1000000", "--depth1", "-18", "--size2", "200", "--depth2", "18",
                   "--text2", "😀👨‍👩‍👧 שלום مرحبا", "--size3", "70", "--text3",
                   QString(10000, QChar(u'あ')), "--italic1", "--bold2", "--quality" };
    }
    void goodRun()
    {
        QFETCH(QString, out);
        QFETCH(QStringList, extra);
        QCOMPARE(runRender(base(out) + extra), 0);
        const bool png = out.endsWith("png", Qt::CaseInsensitive);
        QCOMPARE(QImageReader(path(out)).format(), png ? QByteArray("png") : QByteArray("jpeg"));
        if (!png) QCOMPARE(firstQuantisation(path(out)), 2);
        const QImage img = QImage(path(out)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(1920, 1280));
        for (int y = 0; y < 1280 && extra == kNoText; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < 1600; ++x)
                QVERIFY2(row[x] == row[x + 320], qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
        }
    }

    // The mask holds only white and the code colours. The depth file holds each line's
    // depth (twice its slider, the sign turned for crossed eyes) under its code colour,
    // and the map's relief between the lines: relief 6 crossed, the crop at zoom 2 and
    // pan -200 taking map columns 200..1000, blue 40 left of working column 1200 and 120
    // right of it. Read back, it gives the same picture.
    void maskAndDepths()
    {
        const QStringList args { "--map", bands, "--relief", "6", "--method", "crossed", "--zoom", "2", "--pan",
            "-200,5000", "--text2", "", "--depth1", "1", "--depth3", "-5", "--mask-out", path("mask.png"),
            "--depth-out", path("d.png") };
        const QList<int> depths { -2, 0, 10 };
        QCOMPARE(runRender(base("m.png") + args), 0);
        const QImage mask = QImage(path("mask.png")).convertToFormat(QImage::Format_RGB32);
        const QImage d(path("d.png"));
        QVERIFY(
            mask.size() == QSize(1600, 1280) && d.size() == mask.size() && d.format() == QImage::Format_Grayscale16);
        const QList<QRgb> codes { 0x050A0F, 0x0F050A, 0x0A0F05 };
        QSet<int> seen;
        for (int y = 0; y < 1280; ++y) {
            for (int x = 0; x < 1600; ++x) {
                const QRgb c = mask.pixel(x, y) & 0xffffff;
                const int line = x > 0 && y > 0 ? codes.indexOf(c) : -1; // the edges stay white
                QVERIFY2(
                    line >= 0 || c == 0xffffff, qPrintable(QStringLiteral("%1 at %2,%3").arg(c, 0, 16).arg(x).arg(y)));
                if (line >= 0) QCOMPARE(depthAt(d, x, y), depths[line]);
                seen.insert(line);
            }
        }
        QCOMPARE(seen, (QSet<int> { -1, 0, 2 }));
        for (int x : { 100, 700, 1000, 1400 })
            QCOMPARE(depthAt(d, x, 640), x < 1200 ? -40 : 40);
        QCOMPARE(runRender(base("m2.png") + QStringList { "--depth-in", path("d.png") }), 0);
        QVERIFY(QImage(path("m.png")) == QImage(path("m2.png")));
    }

    // The bands map has blue 40, 120 and 200 (middle 120, step 4): at the start's relief
    // factor 2, --lighter-near brings the lightest band 13 nearer and the darkest 13 back.
    void lighterNear()
    {
        QCOMPARE(runRender(base("l.png") + kNoText
                     + QStringList { "--lighter-near", "--map", bands, "--depth-out", path("ld.png") }),
            0);
        const QImage d(path("ld.png"));
        QCOMPARE(
            (QList { depthAt(d, 100, 640), depthAt(d, 1000, 640), depthAt(d, 1400, 640) }), (QList { -13, 0, 13 }));
    }

    // A 1600 x 640 map, blue 40 left of column 800 and 200 right of it (middle 120, step 4): at factor 2 the left
    // half lies at 13, the right at -13. Stretched it fills every row; with --keep-aspect it fills rows 320..959 and
    // the rows above and below lie on the far plane, -13.
    void keepAspect_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<int>>("depths"); // column 100 at rows 319, 320, 959, 960
        QTest::newRow("stretched") << QStringList() << QList { 13, 13, 13, 13 };
        QTest::newRow("--keep-aspect") << QStringList { "--keep-aspect" } << QList { -13, 13, 13, -13 };
    }
    void keepAspect()
    {
        QFETCH(QStringList, options);
        QFETCH(QList<int>, depths);
        QImage wide(1600, 640, QImage::Format_RGB32);
        for (int y = 0; y < 640; ++y)
            for (int x = 0; x < 1600; ++x)
                wide.setPixel(x, y, qRgb(90, 30, x < 800 ? 40 : 200));
        QVERIFY(wide.save(path("wide.png")));
        QCOMPARE(runRender(base("k.png") + kNoText + options
                     + QStringList { "--map", path("wide.png"), "--depth-out", path("kd.png") }),
            0);
        const QImage d(path("kd.png"));
        QCOMPARE(
            (QList { depthAt(d, 100, 319), depthAt(d, 100, 320), depthAt(d, 100, 959), depthAt(d, 100, 960) }), depths);
    }

    // --quality changes the picture at depth edges only: a flat scene without text is
    // the same picture either way. The answer picture: depth entry x at column x + 160,
    // the nearest depth white, the farthest grey 56.
    void qualityAndAnswer()
    {
        for (const bool flat : { true, false }) {
            const QStringList args = flat ? kNoText : QStringList { "--depth-in", path("step.png") };
            QCOMPARE(runRender(base("q0.png") + args + QStringList { "--answer-out", path("answer.PNG") }), 0);
            QCOMPARE(runRender(base("q1.png") + args + QStringList { "--quality" }), 0);
            QCOMPARE(QImage(path("q0.png")) == QImage(path("q1.png")), flat);
        }
        QImageReader reader(path("answer.PNG"));
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage answer = reader.read();
        QCOMPARE(answer.size(), QSize(1920, 1280));
        for (int x : { 0, 359, 360, 560, 561, 1919 })
            for (int y : { 0, 640, 1279 })
                QCOMPARE(qGray(answer.pixel(x, y)), x >= 360 && x <= 560 ? 255 : 56);
    }

    // The anaglyph and the pair of a raised step: depth 12 at depth entries 200..400 (columns 360..560) over the
    // plane, parallax 12: 6 right in the left view, 6 left in the right view. The pattern is black with one white
    // column, 100, so surface column 420 (on the step) shows at 426 in the left view and 414 in the right, and
    // 740 (on the plane) at 740 in both. Crossed viewing reads depth -12 as the same step. Shaded, the plane (the
    // farthest) is 0.45 as bright, 255 * 115 / 256 = 115, the step (the nearest) as bright as the pattern.
    void anaglyphAndPair_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("leftEyeHalf"); // the pair's half that holds the left view: 0 left, 1 right
        QTest::addColumn<bool>("shade");
        QTest::addColumn<int>("planeWhite"); // the white column on the plane
        QTest::newRow("parallel") << "parallel" << 12 << 0 << false << 255;
        QTest::newRow("crossed") << "crossed" << -12 << 1 << false << 255;
        QTest::newRow("parallel, shaded") << "parallel" << 12 << 0 << true << 115;
    }
    void anaglyphAndPair()
    {
        QFETCH(QString, method);
        QFETCH(int, depth);
        QFETCH(int, leftEyeHalf);
        QFETCH(bool, shade);
        QFETCH(int, planeWhite);
        QImage column(320, 1280, QImage::Format_RGB32);
        column.fill(Qt::black);
        for (int y = 0; y < 1280; ++y)
            column.setPixel(100, y, qRgb(255, 255, 255));
        QImage raised(1600, 1280, QImage::Format_Grayscale16);
        for (int y = 0; y < 1280; ++y)
            for (int x = 0; x < 1600; ++x)
                reinterpret_cast<quint16*>(raised.scanLine(y))[x] = quint16((x >= 200 && x <= 400 ? depth : 0) + 32768);
        QVERIFY(column.save(path("column.png")) && raised.save(path("raised.png")));
        QStringList args { "--pattern", path("column.png"), "--depth-in", path("raised.png"), "--method", method, "-o",
            path("v.png"), "--anaglyph-out", path("v-anaglyph.png"), "--pair-out", path("v-pair.png") };
        if (shade) args << "--shade-views";
        QString err;
        QVERIFY2(runRender(args, &err) == 0, qPrintable(err));
        const QImage anaglyph(path("v-anaglyph.png"));
        QCOMPARE(anaglyph.size(), QSize(1920, 1280));
        for (int y : { 0, 640, 1279 }) {
            QCOMPARE(anaglyph.pixel(426, y), qRgb(255, 0, 0)); // the left eye's white column, in red
            QCOMPARE(anaglyph.pixel(414, y), qRgb(0, 255, 255)); // the right eye's, in cyan
            QCOMPARE(anaglyph.pixel(420, y), qRgb(0, 0, 0));
            const QRgb plane = anaglyph.pixel(740, y); // the plane: both eyes alike
            for (int channel : { qRed(plane), qGreen(plane), qBlue(plane) })
                QVERIFY2(qAbs(channel - planeWhite) <= 1, qPrintable(QString::number(channel)));
        }
        // Each half is its view halved: columns 426 and 427 of the left view make column 213 of its half, one
        // white and one black, (255 + 0 + 255 + 0 + 2) / 4 = 128; 414 and 415 of the right view make 207.
        const QImage pair(path("v-pair.png"));
        QCOMPARE(pair.size(), QSize(1920, 640));
        const int leftEye = leftEyeHalf * 960, rightEye = (1 - leftEyeHalf) * 960;
        QCOMPARE(pair.pixel(leftEye + 213, 100), qRgb(128, 128, 128));
        QCOMPARE(pair.pixel(leftEye + 207, 100), qRgb(0, 0, 0));
        QCOMPARE(pair.pixel(rightEye + 207, 100), qRgb(128, 128, 128));
        QCOMPARE(pair.pixel(rightEye + 213, 100), qRgb(0, 0, 0));
        QCOMPARE(pair.pixel(959, 300), qRgb(0, 0, 0)); // the divider
    }

    // A scene file gives the picture of the same settings given as options, and options
    // given beside it override its values (the later of two options counts, so the
    // scene's options followed by the overrides are the settings expected).
    void sceneRender_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("overrides");
        QTest::addColumn<QStringList>("explicitOptions");
        QTest::newRow("start scene, flat")
            << QByteArray(kPlainScene) << QStringList() << QStringList { "--pattern", pattern };
        QTest::newRow("every value away from the start") << QByteArray(kRichScene) << QStringList() << richOptions();
        const QStringList overrides { "--method", "parallel", "--depth1", "3", "--text2", "over", "--size2", "120",
            "--zoom", "1", "--pan", "10,-10", "--relief", "1", "--font3", "IPAGothic", "--offset1", "0,0", "--bold1" };
        QTest::newRow("overridden") << QByteArray(kRichScene) << overrides << richOptions() + overrides;
        QTest::newRow("pictures overridden")
            << QByteArray(kRichScene) << QStringList { "--pattern", path("small.png"), "--map", bands }
            << richOptions() + QStringList { "--pattern", path("small.png"), "--map", bands };
        QTest::newRow("flat scene given a map") << QByteArray(kPlainScene) << QStringList { "--map", bands }
                                                << QStringList { "--pattern", pattern, "--map", bands };
        QStringList onOptions = richOptions() + QStringList { "--lighter-near" };
        QStringList offOptions = onOptions;
        for (const char* on : { "--quality", "--italic1", "--bold3", "--lighter-near" })
            offOptions.removeOne(on);
        QTest::newRow("off forms override the scene")
            << QByteArray(kRichScene).replace("\"quality\": true", "\"quality\": true, \"lighterNear\": true")
            << QStringList { "--no-quality", "--no-italic1", "--no-bold3", "--no-lighter-near" } << offOptions;
    }
    void sceneRender()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, overrides);
        QFETCH(QStringList, explicitOptions);
        const QString file = scene("given.voleta", text);
        QString err;
        QVERIFY2(runRender(QStringList { "--scene", file, "-o", path("s.png") } + overrides, &err, app) == 0,
            qPrintable(err));
        QCOMPARE(runRender(explicitOptions + QStringList { "-o", path("e.png") }, &err), 0);
        QVERIFY(QImage(path("s.png")) == QImage(path("e.png")));
    }

    // --scene-out records what was rendered: rendered again from that scene, the picture
    // is the same. The pictures are named by file name (the flat plane by the background
    // folder's first entry), and a size or relief given sets its list row.
    void sceneOut_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("flat");
        QTest::newRow("flat, from the folder") << QStringList { "--pattern", folderPattern } << "0_flat.jpg" << true;
        QTest::newRow("every value set") << richOptions() << "bands.jpg" << false;
        QTest::newRow("from a scene, overridden")
            << QStringList { "--scene", scene("rich.voleta", kRichScene), "--text3", "new", "--relief", "3" }
            << "bands.jpg" << false;
        QTest::newRow("a flat scene given a map") << QStringList { "--scene", scene("plain.voleta", kPlainScene),
            "--map", folderBands } << "bands.jpg" << false;
        // The entry that stands for the flat plane, given as a map, is a map.
        QTest::newRow("the first entry as a map")
            << QStringList { "--pattern", folderPattern, "--map", path("app/背景フォルダ/0_flat.jpg") } << "0_flat.jpg"
            << false;
    }
    void sceneOut()
    {
        QFETCH(QStringList, options);
        QString err;
        const QString out = path("out.voleta");
        QVERIFY2(runRender(options + QStringList { "-o", path("o1.png"), "--scene-out", out }, &err, app) == 0,
            qPrintable(err));
        QVERIFY2(!err.contains("warning"), qPrintable(err));
        QCOMPARE(runRender({ "--scene", out, "-o", path("o2.png") }, &err, app), 0);
        QVERIFY(QImage(path("o1.png")) == QImage(path("o2.png")));
        const scene::SceneFileResult read = scene::readSceneFile(out);
        QVERIFY(read.ok());
        QCOMPARE(read.state->pattern, QString("pattern.png"));
        QTEST(read.state->background, "background");
        QVERIFY(read.flatGiven);
        QTEST(read.state->flat, "flat");
        if (options.contains("--size1")) QCOMPARE(read.state->lines[0].sizeRow, 13); // 200
        if (options.contains("--relief")) QCOMPARE(read.state->heightRow, read.state->kt - 1);
        if (options.contains("new")) QCOMPARE(read.state->lines[2].text, QString("new"));
    }

    // The outputs are all written or none: when one cannot be written, no output of the run is left behind, no
    // hidden file either, and a file that was there before keeps its bytes. A name too long for the folder
    // fails only at the final rename: the outputs moved before it are removed again where they were new, and
    // keep this run's picture where they replaced a file.
    void allOrNothing_data()
    {
        QTest::addColumn<int>("failing"); // which output cannot be written: 1 depth, 2 answer, 3 mask
        QTest::addColumn<bool>("before"); // whether the other outputs' files exist before the run
        QTest::addColumn<bool>("atRename"); // the failing output's name is too long, rather than its folder missing
        for (const int failing : { 1, 2, 3 })
            for (const bool before : { false, true })
                QTest::addRow("output %d fails, the others %s", failing, before ? "there before" : "new")
                    << failing << before << false;
        for (const bool before : { false, true })
            QTest::addRow("output 2 fails at its rename, the others %s", before ? "there before" : "new")
                << 2 << before << true;
    }
    void allOrNothing()
    {
        QFETCH(int, failing);
        QFETCH(bool, before);
        QFETCH(bool, atRename);
        QTemporaryDir here;
        const QStringList options { "-o", "--depth-out", "--answer-out", "--mask-out" };
        const QStringList what { "", "the depth file", "the answer picture", "the text mask" };
        const QString bad = atRename ? QString(300, 'n') + ".png" : QString("no-such-folder/x.png");
        QStringList args { "--pattern", pattern };
        for (int i = 0; i < 4; ++i) {
            const QString file = here.filePath(i == failing ? bad : QString("%1.png").arg(i));
            args << options[i] << file;
            QFile old(file);
            if (before && i != failing)
                QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old " + QByteArray::number(i)) > 0);
        }
        QString err;
        QCOMPARE(runRender(args, &err), 1);
        QVERIFY2(err.contains("cannot write " + what[failing]), qPrintable(err));
        QStringList left = QDir(here.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        left.sort();
        QStringList expected;
        for (int i = 0; i < 4 && before; ++i)
            if (i != failing) {
                expected << QString("%1.png").arg(i);
                QFile old(here.filePath(expected.last()));
                QVERIFY(old.open(QIODevice::ReadOnly));
                const bool replaced = atRename && i < failing;
                QCOMPARE(old.readAll().startsWith("old "), !replaced);
            }
        QCOMPARE(left, expected);
    }

    // --version and --help answer on standard output and do nothing else.
    void information_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("version") << "--version"
                                 << "voleta-render " VOLETA_VERSION_TEXT "\n";
        QTest::newRow("help") << "--help"
                              << "Usage: voleta-render (--pattern PATH | --scene FILE) -o OUT.(png|jpg) [options]\n";
    }
    void information()
    {
        QFETCH(QString, option);
        QProcess p;
        p.start(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), { option });
        QVERIFY(p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QFETCH(QString, start);
        QVERIFY2(option == "--help" ? out.startsWith(start) : out == start, qPrintable(out));
        // Line 1's options are shown, on and off; lines 2 and 3 repeat them unseen.
        if (option == "--help") {
            for (const char* shown : { "--no-quality", "--no-lighter-near", "--no-italic1", "--no-bold1", "--bold1" })
                QVERIFY2(out.contains(shown), shown);
            for (const char* hidden : { "--no-italic2", "--bold3", "--no-bold3" })
                QVERIFY2(!out.contains(hidden), hidden);
        }
    }

    // A scene that says it is flat stays flat when a picture that sorts before its
    // background is added to the folder; a file older than the "flat" key is flat as
    // long as its background is the folder's first entry, and a map once it is not.
    void flatSceneAndTheFolder_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<bool>("added");
        QTest::addColumn<bool>("asMap");
        QTest::newRow("flat, the folder as it was") << true << false << false;
        QTest::newRow("flat, a picture added before it") << true << true << false;
        QTest::newRow("no key, the folder as it was") << false << false << false;
        QTest::newRow("no key, a picture added before it: a map") << false << true << true;
    }
    void flatSceneAndTheFolder()
    {
        QFETCH(bool, withKey);
        QFETCH(bool, added);
        QFETCH(bool, asMap);
        // A copy of the program of its own, whose background folder's first entry holds the bands map.
        QTemporaryDir here;
        const QString program = here.filePath("voleta-render");
        QVERIFY(QDir(here.path()).mkpath("画像フォルダ") && QDir(here.path()).mkpath("背景フォルダ"));
        QVERIFY(QFile::copy(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), program));
        QVERIFY(QFile::copy(pattern, here.filePath("画像フォルダ/pattern.png")));
        QVERIFY(QFile::copy(bands, here.filePath("背景フォルダ/0_flat.jpg")));
        if (added)
            QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(here.filePath("背景フォルダ/00_added.jpg"), "PNG"));
        QByteArray text(kPlainScene);
        if (withKey) text.replace("\"background\": \"0_flat.jpg\"", "\"background\": \"0_flat.jpg\", \"flat\": true");
        const QString file = scene("keyed.voleta", text);
        QString err;
        QVERIFY2(runRender({ "--scene", file, "-o", path("k.png") }, &err, program) == 0, qPrintable(err));
        QStringList expected { "--pattern", pattern, "-o", path("k0.png") };
        if (asMap) expected << "--map" << bands;
        QCOMPARE(runRender(expected), 0);
        QVERIFY(QImage(path("k.png")) == QImage(path("k0.png")));
    }

    // A font that is not installed is named once, however many lines use it.
    void missingFontWarnedOnce()
    {
        QString err;
        QCOMPARE(runRender(base("f.png")
                         + QStringList { "--font1", "No Such Family", "--font2", "No Such Family", "--font3",
                             "Nor This One" },
                     &err),
            0);
        const QStringList warnings = err.split('\n').filter("is not installed");
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings[0].contains("\"No Such Family\"") && warnings[1].contains("\"Nor This One\""));
    }

    // An output that replaces a file keeps that file's permissions.
    void replacedOutputKeepsPermissions()
    {
        QTemporaryDir here;
        const QString out = here.filePath("x.png");
        QVERIFY(QFile(out).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(runRender({ "--pattern", pattern, "-o", out }), 0);
        QCOMPARE(QFile::permissions(out) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(!QImage(out).isNull());
    }

    // The English line of a failure: the system's or decoder's detail only where it says more than the kind.
    void failureLines_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("line");
        using K = platform::FailureKind;
        QTest::newRow("write failed") << int(K::WriteFailed) << "I/O error"
                                      << "x: f: the write failed (I/O error)";
        QTest::newRow("no permission") << int(K::NoPermission) << "EACCES"
                                       << "x: f: permission denied";
        QTest::newRow("too large") << int(K::TooLarge) << "12001 x 5"
                                   << "x: f: the picture is 12001 x 5 pixels, more than 12000 on a side";
    }
    void failureLines()
    {
        QFETCH(int, kind);
        QFETCH(QString, detail);
        QTEST(cli::failureLine("x", { platform::FailureKind(kind), "f", detail }), "line");
    }

    // A bad command line exits with 2 and the usage text; an input unreadable (a scene
    // included) or an output not written exits with 1, in one line "<what failed>: <file>:
    // <reason>". Either way one line names the culprit, and nothing is left behind.
    void refused_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        const QString bad = path("no-such-folder/out.png"), junk = path("junk.jpg"), small = path("small.png"),
                      none = path("none.jpg"), folder = dir.path(), through = pattern + "/d.png",
                      plain = scene("plain.voleta", kPlainScene), sceneOut = path("s.voleta");
        const QStringList ok = base("never.png"), written = base("w.png");
        const auto row = [](const char* name, int code, const QStringList& args, const QString& named) {
            QTest::newRow(name) << code << args << named;
        };
        const auto from = [this](const QString& scene) {
            return QStringList { "--scene", scene, "-o", path("never.png") };
        };
        row("no pattern", 2, { "-o", "x.png" }, "--pattern");
        row("bmp output", 2, { "--pattern", "p.png", "-o", "x.bmp" }, "x.bmp");
        row("line 4", 2, ok + QStringList { "--text4", "a" }, "--text4");
        row("stray", 2, ok + QStringList { "extra" }, "extra");
        row("relief 0", 2, ok + QStringList { "--relief=0" }, "--relief");
        row("zoom 6", 2, ok + QStringList { "--zoom", "6" }, "--zoom");
        row("method", 2, ok + QStringList { "--method", "sideways" }, "--method");
        row("offset past a million", 2, ok + QStringList { "--offset1", "0,1000001" }, "--offset1");
        row("answer as jpg", 2, ok + QStringList { "--answer-out", "a.jpg" }, "a.jpg");
        row("quality on and off", 2, ok + QStringList { "--quality", "--no-quality" },
            "--quality and --no-quality cannot be used together");
        row("bold 2 on and off", 2, ok + QStringList { "--no-bold2", "--bold2" },
            "--bold2 and --no-bold2 cannot be used together");
        row("anaglyph as jpg", 2, ok + QStringList { "--anaglyph-out", "g.jpg" }, "the anaglyph g.jpg");
        row("pair as jpg", 2, ok + QStringList { "--pair-out", "p.jpg" }, "the stereo pair p.jpg");
        row("map and depth-in", 2, ok + QStringList { "--map", junk, "--depth-in", small }, "--map");
        row("mask-out and depth-in", 2, ok + QStringList { "--mask-out", bad, "--depth-in", small }, "--mask-out");
        row("scene size off the list", 2, from(plain) + QStringList { "--size2", "75", "--scene-out", sceneOut },
            "--size2 must be one of 70, 80 .. 200");
        row("depth file into a scene", 2, ok + QStringList { "--depth-in", path("step.png"), "--scene-out", sceneOut },
            "--scene-out");
        row("scene text too long", 2,
            from(plain) + QStringList { "--text1", QString(10001, QChar('x')), "--scene-out", sceneOut },
            "a scene file cannot hold this value of lines[0].text");
        row("pattern missing", 1, { "--pattern", none, "-o", path("never.png") },
            "cannot read the pattern picture: " + none + ": no such file");
        row("folder as a map", 1, ok + QStringList { "--map", folder },
            "cannot read the map picture: " + folder + ": not a regular file");
        row("depth-in junk", 1, ok + QStringList { "--depth-in", junk },
            "cannot read the depth file: " + junk + ": not a readable picture");
        row("depth-in wrong size", 1, ok + QStringList { "--depth-in", small },
            "cannot read the depth file: " + small + ": it is 100 x 100 pixels, not 1600 x 1280");
        const QString notJson = scene("bad.voleta", "{\"format\": ");
        row("scene cut short", 1, from(notJson), "cannot read the scene: " + notJson + ": damaged or cut short");
        const QString deep = scene("deep.voleta", kPlainScene, "\"depth\": 6", "\"depth\": 19");
        row("scene depth 19", 1, from(deep), "cannot read the scene: " + deep + ": the value of lines[0].depth");
        row("scene missing", 1, from(path("none.voleta")), "cannot read the scene: " + path("none.voleta"));
        row("pattern not in the folder", 1, from(scene("gone.voleta", kPlainScene, "pattern.png", "gone.png")),
            "cannot read the pattern picture: " + path("app/画像フォルダ/gone.png") + ": no such file");
        row("map not in the folder", 1, from(scene("nomap.voleta", kPlainScene, "0_flat.jpg", "gone.jpg")),
            "cannot read the map picture: " + path("app/背景フォルダ/gone.jpg") + ": no such file");
        row("scene names no pattern", 1, from(scene("nopat.voleta", kPlainScene, "pattern.png", "")),
            "it names no pattern picture");
        row("picture, no folder", 1, { "--pattern", pattern, "-o", bad },
            "cannot write the picture: " + bad + ": the folder does not exist");
        row("depth through a file", 1, written + QStringList { "--depth-out", through },
            "cannot write the depth file: " + through + ": no file of that name can be made there");
        row("mask unwritable", 1, written + QStringList { "--mask-out", bad }, "cannot write the text mask: " + bad);
        row("answer unwritable", 1, written + QStringList { "--answer-out", bad },
            "cannot write the answer picture: " + bad);
        row("scene into no folder", 1, from(plain) + QStringList { "--scene-out", path("no-such-folder/s.voleta") },
            "cannot write the scene: " + path("no-such-folder/s.voleta") + ": the folder does not exist");
    }
    void refused()
    {
        QFETCH(int, code);
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        QString err;
        QCOMPARE(runRender(args, &err, app), code);
        // Only our own lines: Qt may add a note of its own.
        const QStringList ours = err.split('\n').filter(QRegularExpression("^voleta-render: "));
        QVERIFY2(ours.size() == 1 && ours[0].contains(named), qPrintable(err));
        QCOMPARE(err.contains("Usage: voleta-render"), code == 2);
        // A scene that cannot be written comes after the picture, which stays.
        if (!named.startsWith("cannot write the scene")) QVERIFY(!QFile::exists(path("never.png")));
        QFile::remove(path("never.png"));
        QVERIFY(!QFile::exists(path("s.voleta")) && !QFile::exists(path("no-such-folder")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
