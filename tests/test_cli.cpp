// Runs the real voleta-render on small inputs made here and checks exit codes,
// messages and the pictures it writes.
#include "cli/Options.h"

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

struct Result {
    int code = -1;
    QString out, err;
};

Result runRender(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), args);
    p.waitForFinished(120000);
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
        QString::fromUtf8(p.readAllStandardError()) };
}

const QStringList kNoText { "--text1", "", "--text2", "", "--text3", "" };

// A depth file is 16-bit greyscale, 1600 x 1280, holding depth + 32768.
int depthAt(const QImage& d, int x, int y)
{
    return reinterpret_cast<const quint16*>(d.constScanLine(y))[x] - 32768;
}

bool saveDepth(const QString& file, const std::function<int(int)>& depthAtColumn)
{
    QImage d(1600, 1280, QImage::Format_Grayscale16);
    for (int y = 0; y < 1280; ++y)
        for (int x = 0; x < 1600; ++x)
            reinterpret_cast<quint16*>(d.scanLine(y))[x] = quint16(depthAtColumn(x) + 32768);
    return d.save(file);
}

// Every field a command line fills, by name.
QVariantMap fields(const cli::Options& o)
{
    QVariantMap f { { "pattern", o.pattern }, { "output", o.output }, { "map", o.map }, { "depthIn", o.depthIn },
        { "depthOut", o.depthOut }, { "maskOut", o.maskOut }, { "zoom", o.zoomRow }, { "pan.x", o.pan.x() },
        { "pan.y", o.pan.y() }, { "kt", o.kt }, { "hk", o.hk }, { "answerOut", o.answerOut },
        { "quality", o.quality } };
    for (int n = 1; n <= 3; ++n) {
        const text::Line& l = o.lines[n - 1];
        const QString p = QStringLiteral("line%1.").arg(n);
        f[p + "text"] = l.text, f[p + "family"] = l.family, f[p + "size"] = l.size, f[p + "x"] = l.x;
        f[p + "y"] = l.y, f[p + "italic"] = l.italic, f[p + "bold"] = l.bold;
        f[p + "depth"] = o.sliders[n - 1];
    }
    return f;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString pattern, bands; // a noise pattern; a map with blue 40 | 120 | 200 at x < 800 | < 1200 | rest
    QString path(const QString& name) const { return dir.filePath(name); }
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
        QVERIFY(saveDepth(path("extremes.png"), [](int x) { return x < 800 ? -32768 : 32767; }));
        QVERIFY(saveDepth(path("step.png"), [](int x) { return x >= 200 && x <= 400 ? 12 : 0; }));
        QVERIFY(QImage(100, 100, QImage::Format_RGB32).save(path("small.png")));
        QFile junk(path("junk.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray::fromHex("ffd8ffe000104a46494600deadbeef0102030405060708090a"));
    }

    // Each option fills its own field and no other; the rest keep the start state.
    void parsedFields_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QVariantMap>("changed");
        QTest::newRow("offset is X,Y") << QStringList { "--offset2", "-30,100" }
                                       << QVariantMap { { "line2.x", -30 }, { "line2.y", 100 } };
        QTest::newRow("bold 3") << QStringList { "--bold3" } << QVariantMap { { "line3.bold", 1 } };
        QTest::newRow("italic 1") << QStringList { "--italic1" } << QVariantMap { { "line1.italic", 1 } };
        QTest::newRow("size is 4 x points") << QStringList { "--size2", "70" } << QVariantMap { { "line2.size", 280 } };
        QTest::newRow("depth 3") << QStringList { "--depth3=-5" } << QVariantMap { { "line3.depth", -5 } };
        QTest::newRow("text and font") << QStringList { "--text2", "", "--font1", "IPAMincho" }
                                       << QVariantMap { { "line2.text", "" }, { "line1.family", "IPAMincho" } };
        QTest::newRow("zoom and pan") << QStringList { "--zoom", "5", "--pan", "7,-9" }
                                      << QVariantMap { { "zoom", 5 }, { "pan.x", 7 }, { "pan.y", -9 } };
        QTest::newRow("relief, crossed") << QStringList { "--relief=6", "--method", "crossed" }
                                         << QVariantMap { { "kt", 6 }, { "hk", -1 } };
        QTest::newRow("map and outputs") << QStringList { "--map", "m.jpg", "--depth-out", "d.png", "--mask-out",
            "k.png" } << QVariantMap { { "map", "m.jpg" }, { "depthOut", "d.png" }, { "maskOut", "k.png" } };
        QTest::newRow("quality and answer") << QStringList { "--quality", "--answer-out", "a.PNG" }
                                            << QVariantMap { { "quality", true }, { "answerOut", "a.PNG" } };
        QTest::newRow("last one wins") << QStringList { "--zoom", "1", "--zoom", "2" } << QVariantMap { { "zoom", 2 } };
    }
    void parsedFields()
    {
        QFETCH(QStringList, args);
        QFETCH(QVariantMap, changed);
        const cli::Parsed parsed = cli::parseArguments(QStringList { "--pattern", "p.png", "-o", "o.png" } + args);
        QVERIFY2(parsed.kind == cli::Parsed::Kind::Run, qPrintable(parsed.error));
        // The start state, worked out by hand.
        QVariantMap expected { { "pattern", "p.png" }, { "output", "o.png" }, { "map", "" }, { "depthIn", "" },
            { "depthOut", "" }, { "maskOut", "" }, { "zoom", 0 }, { "pan.x", 0 }, { "pan.y", 0 }, { "kt", 2 },
            { "hk", 1 } };
        const char* texts[] = { "Voleta", " 3D", "     V2" };
        const int sizes[] = { 440, 400, 360 }, ys[] = { 20, 450, 880 }, depths[] = { 6, 8, 10 };
        for (int n = 1; n <= 3; ++n) {
            const QString p = QStringLiteral("line%1.").arg(n);
            expected[p + "text"] = texts[n - 1], expected[p + "family"] = "", expected[p + "size"] = sizes[n - 1];
            expected[p + "x"] = 0, expected[p + "y"] = ys[n - 1], expected[p + "italic"] = 0, expected[p + "bold"] = 0;
            expected[p + "depth"] = depths[n - 1];
        }
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            expected[it.key()] = it.value();
        const QVariantMap actual = fields(parsed.options);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(actual.value(it.key()).toString() == it.value().toString(),
                qPrintable(QStringLiteral("%1: %2, not %3")
                               .arg(it.key(), actual.value(it.key()).toString(), it.value().toString())));
    }

    void outputFormat_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("jpeg");
        QTest::newRow(".png") << "a.png" << false;
        QTest::newRow(".PNG") << "a.PNG" << false;
        QTest::newRow(".jpg") << "a.jpg" << true;
        QTest::newRow(".jpeg") << "a.jpeg" << true;
        QTest::newRow(".JPEG") << "a.b.JPEG" << true;
    }
    void outputFormat()
    {
        QFETCH(QString, output);
        const cli::Parsed parsed = cli::parseArguments({ "--pattern", "p.png", "-o", output });
        QCOMPARE(parsed.kind, cli::Parsed::Kind::Run);
        QTEST(parsed.options.outputIsJpeg(), "jpeg");
    }

    // Each run writes a 1920 x 1280 picture. Where a row gives columns and a period, the
    // pixels there repeat that far to the right: 320 on the flat plane, 308 at depth 12.
    void goodRun_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("repeat"); // first and last column, period
        QTest::newRow("png, flat, no text") << QString("flat.png") << kNoText << QList<int> { 0, 1599, 320 };
        QTest::newRow("jpg named .jpeg") << QString("plain.jpeg") << QStringList() << QList<int>();
        QTest::newRow("depth file 12") << QString("step-out.png") << QStringList { "--depth-in", path("step.png") }
                                       << QList<int> { 200, 400, 308 };
        QTest::newRow("jpg named .JPEG, styled")
            << QString("styled.JPEG") << QStringList { "--italic1", "--bold2", "--size3", "70" } << QList<int>();
        QTest::newRow("depth file -32768 | 32767")
            << QString("extremes-out.png") << QStringList { "--depth-in", path("extremes.png") } << QList<int>();
        QTest::newRow("every setting at its limit")
            << QString("limits.png")
            << QStringList { "--map", bands, "--zoom", "5", "--pan", "-1000000,1000000", "--relief", "6", "--method",
                   "crossed", "--offset1", "1000000,-1000000", "--depth1", "-18", "--size2", "200", "--depth2", "18",
                   "--text2", "😀👨‍👩‍👧 שלום مرحبا", "--size3", "70", "--text3",
                   QString(10000, QChar(u'あ')) }
            << QList<int>();
    }
    void goodRun()
    {
        QFETCH(QString, out);
        QFETCH(QStringList, extra);
        QFETCH(QList<int>, repeat);
        QCOMPARE(runRender(base(out) + extra).code, 0);
        // The format written is the one the name asks for, whatever the letter case.
        QCOMPARE(QImageReader(path(out)).format(), out.endsWith("png") ? QByteArray("png") : QByteArray("jpeg"));
        const QImage img = QImage(path(out)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(1920, 1280));
        for (int y = 0; y < 1280 && !repeat.isEmpty(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = repeat[0]; x <= repeat[1]; ++x)
                QVERIFY2(row[x] == row[x + repeat[2]], qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
        }
    }

    // The mask holds only white and the code colours, and the depth file holds each
    // line's depth exactly under its code colour and 0 elsewhere (flat background).
    void maskAndTextDepths_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("depths"); // expected depth of lines 1..3; 0 = line absent
        QTest::newRow("start state") << QStringList() << QList<int> { 12, 16, 20 };
        QTest::newRow("line 2 only, -18 crossed") << QStringList { "--text1", "", "--text3", "", "--depth2", "-18",
            "--method", "crossed" } << QList<int> { 0, 36, 0 };
        QTest::newRow("sliders and offsets") << QStringList { "--depth1", "1", "--depth3", "-5", "--offset2", "-30,100",
            "--bold3", "--font1", "IPAMincho" }
                                             << QList<int> { 2, 16, -10 };
    }
    void maskAndTextDepths()
    {
        QFETCH(QStringList, extra);
        QFETCH(QList<int>, depths);
        const QStringList outputs { "--mask-out", path("mask.png"), "--depth-out", path("d.png") };
        QCOMPARE(runRender(base("m.png") + extra + outputs).code, 0);
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
                QCOMPARE(depthAt(d, x, y), line < 0 ? 0 : depths[line]);
                seen.insert(line);
            }
        }
        for (int line = 0; line < 3; ++line)
            QCOMPARE(seen.contains(line), depths[line] != 0);
        // The depth file read back gives the same picture.
        QCOMPARE(runRender(base("m2.png") + QStringList { "--depth-in", path("d.png") }).code, 0);
        QVERIFY(QImage(path("m.png")) == QImage(path("m2.png")));
    }

    void relief_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("expected"); // depths at working columns 100, 700, 1000, 1400
        QTest::newRow("whole map") << QStringList() << QList<int> { 13, 13, 0, -13 };
        QTest::newRow("crossed") << QStringList { "--method", "crossed" } << QList<int> { -13, -13, 0, 13 };
        QTest::newRow("relief 6") << QStringList { "--relief", "6" } << QList<int> { 40, 40, 0, -40 };
        QTest::newRow("pan ignored at zoom 0") << QStringList { "--pan", "300,40" } << QList<int> { 13, 13, 0, -13 };
        QTest::newRow("zoom 2, pan pulled in")
            << QStringList { "--zoom", "2", "--pan", "1000,5000" } << QList<int> { 13, 13, -13, -13 };
        QTest::newRow("zoom 2, left side")
            << QStringList { "--zoom", "2", "--pan", "-200,0" } << QList<int> { 13, 13, 13, -13 };
    }
    void relief()
    {
        QFETCH(QStringList, extra);
        QFETCH(QList<int>, expected);
        const QStringList more { "--map", bands, "--depth-out", path("r-d.png") };
        QCOMPARE(runRender(base("r.png") + kNoText + extra + more).code, 0);
        const QImage d(path("r-d.png"));
        const int xs[] = { 100, 700, 1000, 1400 };
        for (int i = 0; i < 4; ++i)
            for (int y : { 0, 1, 640, 1279 })
                QCOMPARE(depthAt(d, xs[i], y), expected[i]);
    }

    // The answer picture: depth entry x at column x + 160, the nearest depth white, the
    // farthest grey 56, one depth throughout mid grey 128.
    void answerPicture_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("greys"); // at columns 0, 359, 360, 560, 561, 1919
        QTest::newRow("depth 12 over entries 200..400")
            << QStringList { "--depth-in", path("step.png") } << QList<int> { 56, 56, 255, 255, 56, 56 };
        QTest::newRow("flat, no text") << kNoText << QList<int> { 128, 128, 128, 128, 128, 128 };
    }
    void answerPicture()
    {
        QFETCH(QStringList, extra);
        QFETCH(QList<int>, greys);
        QCOMPARE(runRender(base("s.png") + extra + QStringList { "--answer-out", path("s-answer.png") }).code, 0);
        QImageReader reader(path("s-answer.png"));
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage answer = reader.read();
        QCOMPARE(answer.size(), QSize(1920, 1280));
        const int columns[] = { 0, 359, 360, 560, 561, 1919 };
        for (int i = 0; i < 6; ++i)
            for (int y : { 0, 640, 1279 })
                QCOMPARE(qGray(answer.pixel(columns[i], y)), greys[i]);
    }

    // --quality changes the picture at depth edges only: a flat scene without text is
    // the same picture either way.
    void quality_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<bool>("same");
        QTest::newRow("depth step") << QStringList { "--depth-in", path("step.png") } << false;
        QTest::newRow("start text") << QStringList() << false;
        QTest::newRow("flat, no text") << kNoText << true;
    }
    void quality()
    {
        QFETCH(QStringList, extra);
        QFETCH(bool, same);
        QCOMPARE(runRender(base("q0.png") + extra).code, 0);
        QCOMPARE(runRender(base("q1.png") + extra + QStringList { "--quality" }).code, 0);
        const QImage plain(path("q0.png")), symmetric(path("q1.png"));
        QCOMPARE(symmetric.size(), QSize(1920, 1280));
        QCOMPARE(symmetric == plain, same);
    }

    // A file that could not be read or written: one line, "<what failed>: <file>: <reason>".
    void failureWording_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        const QString none = path("none.jpg"), bad = path("no-such-folder/out.png"), small = path("small.png");
        QTest::newRow("missing") << QStringList { "--pattern", none, "-o", path("never.png") }
                                 << "cannot read the pattern picture: " + none + ": no such file";
        QTest::newRow("folder as a map") << base("never.png") + QStringList { "--map", dir.path() }
                                         << "cannot read the map picture: " + dir.path() + ": not a regular file";
        QTest::newRow("wrong size") << base("never.png") + QStringList { "--depth-in", small }
                                    << "cannot read the depth file: " + small
                + ": it is 100 x 100 pixels, not 1600 x 1280";
        QTest::newRow("no folder") << QStringList { "--pattern", pattern, "-o", bad }
                                   << "cannot write the picture: " + bad + ": the folder does not exist";
        QTest::newRow("through a file") << base("w.png") + QStringList { "--depth-out", pattern + "/d.png" }
                                        << "cannot write the depth file: " + pattern
                + "/d.png: no file of that name can be made there";
    }
    void failureWording()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, line);
        const Result r = runRender(args);
        QCOMPARE(r.code, 1);
        // Only our own lines: Qt may add a note of its own.
        QCOMPARE(
            r.err.split('\n').filter(QRegularExpression("^voleta-render: ")), QStringList { "voleta-render: " + line });
    }

    void help()
    {
        const Result r = runRender({ "--help" });
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Usage: voleta-render --pattern PATH -o OUT.(png|jpg)"));
        QVERIFY(r.out.contains("--offset1 <X,Y>"));
        const Result v = runRender({ "--version" });
        QCOMPARE(v.code, 0);
        QCOMPARE(v.out, QStringLiteral("voleta-render " VOLETA_VERSION_TEXT "\n"));
    }

    // A bad command line exits with 2 and the usage text, one check per row; an input
    // unreadable or an output not written exits with 1. Its first message names the culprit,
    // and no picture is left behind.
    void refused_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        const QString bad = path("no-such-folder/out.png"), junk = path("junk.jpg"), small = path("small.png"),
                      none = path("none.jpg");
        const QStringList ok = base("never.png"), written = base("w.png");
        QTest::newRow("no pattern") << 2 << QStringList { "-o", "x.png" } << QString("--pattern");
        QTest::newRow("no -o") << 2 << QStringList { "--pattern", "p.png" } << QString("-o");
        QTest::newRow("bmp output") << 2 << QStringList { "--pattern", "p.png", "-o", "x.bmp" } << QString("x.bmp");
        QTest::newRow("line 4") << 2 << ok + QStringList { "--text4", "a" } << QString("--text4");
        QTest::newRow("stray") << 2 << ok + QStringList { "extra" } << QString("extra");
        QTest::newRow("no value") << 2 << ok + QStringList { "--map" } << QString("--map");
        QTest::newRow("flag with value") << 2 << ok + QStringList { "--italic1=yes" } << QString("--italic1");
        QTest::newRow("zoom word") << 2 << ok + QStringList { "--zoom", "two" } << QString("--zoom");
        QTest::newRow("relief 0") << 2 << ok + QStringList { "--relief=0" } << QString("--relief");
        QTest::newRow("method") << 2 << ok + QStringList { "--method", "sideways" } << QString("--method");
        QTest::newRow("pan three numbers") << 2 << ok + QStringList { "--pan", "1,2,3" } << QString("--pan");
        QTest::newRow("offset past a million")
            << 2 << ok + QStringList { "--offset1", "0,1000001" } << QString("--offset1");
        QTest::newRow("answer as jpg") << 2 << ok + QStringList { "--answer-out", "a.jpg" } << QString("a.jpg");
        QTest::newRow("quality with value") << 2 << ok + QStringList { "--quality=high" } << QString("--quality");
        QTest::newRow("map and depth-in")
            << 2 << ok + QStringList { "--map", junk, "--depth-in", small } << QString("--map");
        QTest::newRow("mask-out and depth-in")
            << 2 << ok + QStringList { "--mask-out", bad, "--depth-in", small } << QString("--mask-out");
        QTest::newRow("pattern missing") << 1 << QStringList { "--pattern", none, "-o", path("never.png") } << none;
        QTest::newRow("map junk") << 1 << ok + QStringList { "--map", junk } << junk;
        QTest::newRow("depth-in junk") << 1 << ok + QStringList { "--depth-in", junk } << junk;
        QTest::newRow("depth-in wrong size") << 1 << ok + QStringList { "--depth-in", small } << small;
        QTest::newRow("picture unwritable") << 1 << QStringList { "--pattern", pattern, "-o", bad } << bad;
        QTest::newRow("depth unwritable") << 1 << written + QStringList { "--depth-out", bad } << bad;
        QTest::newRow("mask unwritable") << 1 << written + QStringList { "--mask-out", bad } << bad;
        QTest::newRow("answer unwritable") << 1 << written + QStringList { "--answer-out", bad } << bad;
    }
    void refused()
    {
        QFETCH(int, code);
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const Result r = runRender(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.section("voleta-render: ", 1).section('\n', 0, 0).contains(named), qPrintable(r.err));
        QCOMPARE(r.err.contains("Usage: voleta-render"), code == 2);
        QVERIFY(!QFile::exists(path("never.png")) && !QFile::exists(path("no-such-folder/out.png")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
