// Runs the real voleta-render on small inputs made here and checks exit codes,
// messages and the pictures it writes.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

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

// Depth at (x, y) from a depth file: the stored value minus 32768.
int depthAt(const QImage& d, int x, int y)
{
    return reinterpret_cast<const quint16*>(d.constScanLine(y))[x] - 32768;
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
        QImage noise(40, 90, QImage::Format_RGB32);
        QRandomGenerator rng(7);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, rng.generate() | 0xff000000);
        pattern = path("pattern.png");
        QVERIFY(noise.save(pattern));
        QImage map(1600, 1280, QImage::Format_RGB32);
        for (int x = 0; x < 1600; ++x)
            for (int y = 0; y < 1280; ++y)
                map.setPixel(x, y, qRgb(90, 30, x < 800 ? 40 : x < 1200 ? 120 : 200));
        bands = path("bands.png");
        QVERIFY(map.save(bands));
        for (const int stored : { 0, 65535 }) { // depth files at the extremes: -32768 and 32767 everywhere
            QImage depth(1600, 1280, QImage::Format_Grayscale16);
            depth.fill(QColor::fromRgba64(stored, stored, stored));
            QVERIFY(depth.save(path(QString("extreme%1.png").arg(stored))));
        }
    }

    void goodRun_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("png, flat, no text") << QString("flat.png") << kNoText;
        QTest::newRow("jpg, default text") << QString("text.jpg") << QStringList();
        QTest::newRow("JPEG, styled") << QString("styled.JPEG")
                                      << QStringList { "--italic1", "--bold2", "--size3", "70" };
        QTest::newRow("png, map zoomed") << QString("map.png")
                                         << QStringList { "--map", bands, "--zoom", "5", "--pan", "9,-9" };
        QTest::newRow("depth file all -32768")
            << QString("near.png") << QStringList { "--depth-in", path("extreme0.png") };
        QTest::newRow("depth file all 32767")
            << QString("far.png") << QStringList { "--depth-in", path("extreme65535.png") };
        QTest::newRow("every setting at its limit")
            << QString("limits.png")
            << QStringList { "--map", bands, "--zoom", "5", "--pan", "-1000000,1000000", "--relief", "6", "--method",
                   "crossed", "--offset1", "1000000,-1000000", "--depth1", "-18", "--size2", "200", "--depth2", "18",
                   "--text2", "😀👨‍👩‍👧 שלום مرحبا", "--size3", "70", "--text3",
                   QString(10000, QChar(u'あ')) };
    }
    void goodRun()
    {
        QFETCH(QString, out);
        QFETCH(QStringList, extra);
        const Result r = runRender(base(out) + extra);
        QCOMPARE(r.code, 0);
        const QImage img(path(out));
        QCOMPARE(img.size(), QSize(1920, 1280));
    }

    void flatDepthRepeatsEvery320()
    {
        QVERIFY(runRender(base("flat.png") + kNoText).code == 0);
        const QImage img = QImage(path("flat.png")).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 1280; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < 1600; ++x)
                QVERIFY2(row[x] == row[x + 320], qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
        }
    }

    // The mask holds only white and the code colours, and the depth file holds each
    // line's depth exactly under its code colour and 0 elsewhere (flat background).
    void maskAndTextDepths_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("depths"); // expected depth of lines 1..3; 0 = line absent
        QTest::newRow("start state") << QStringList() << QList<int> { 12, 16, 20 };
        QTest::newRow("crossed") << QStringList { "--method", "crossed" } << QList<int> { -12, -16, -20 };
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
        const Result r = runRender(
            base("m.png") + extra + QStringList { "--mask-out", path("mask.png"), "--depth-out", path("d.png") });
        QCOMPARE(r.code, 0);
        const QImage mask = QImage(path("mask.png")).convertToFormat(QImage::Format_RGB32);
        const QImage d(path("d.png"));
        QCOMPARE(mask.size(), QSize(1600, 1280));
        QCOMPARE(d.size(), QSize(1600, 1280));
        QCOMPARE(d.format(), QImage::Format_Grayscale16);
        const QList<QRgb> codes { 0x050A0F, 0x0F050A, 0x0A0F05 };
        QSet<int> seen;
        for (int y = 0; y < 1280; ++y) {
            for (int x = 0; x < 1600; ++x) {
                const QRgb c = mask.pixel(x, y) & 0xffffff;
                const int line = codes.indexOf(c);
                if (line < 0 || x == 0 || y == 0) {
                    QVERIFY2(c == 0xffffff, qPrintable(QStringLiteral("%1 at %2,%3").arg(c, 0, 16).arg(x).arg(y)));
                    QCOMPARE(depthAt(d, x, y), 0);
                } else {
                    seen.insert(line);
                    QCOMPARE(depthAt(d, x, y), depths[line]);
                }
            }
        }
        for (int line = 0; line < 3; ++line)
            QCOMPARE(seen.contains(line), depths[line] != 0);
    }

    void relief_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QList<int>>("expected"); // depths at working columns 100, 700, 1000, 1400
        QTest::newRow("whole map") << QStringList() << QList<int> { 13, 13, 0, -13 };
        QTest::newRow("crossed") << QStringList { "--method", "crossed" } << QList<int> { -13, -13, 0, 13 };
        QTest::newRow("relief 6") << QStringList { "--relief", "6" } << QList<int> { 40, 40, 0, -40 };
        QTest::newRow("relief 1") << QStringList { "--relief", "1" } << QList<int> { 6, 6, 0, -6 };
        QTest::newRow("pan ignored at zoom 0") << QStringList { "--pan", "300,40" } << QList<int> { 13, 13, 0, -13 };
        QTest::newRow("zoom 2, right half")
            << QStringList { "--zoom", "2", "--pan", "400,0" } << QList<int> { 13, 13, -13, -13 };
        QTest::newRow("zoom 2, pan pulled in")
            << QStringList { "--zoom", "2", "--pan", "1000,5000" } << QList<int> { 13, 13, -13, -13 };
        QTest::newRow("zoom 2, left part")
            << QStringList { "--zoom", "2", "--pan", "-200,0" } << QList<int> { 13, 13, 13, -13 };
    }
    void relief()
    {
        QFETCH(QStringList, extra);
        QFETCH(QList<int>, expected);
        const Result r = runRender(
            base("r.png") + kNoText + extra + QStringList { "--map", bands, "--depth-out", path("r-d.png") });
        QCOMPARE(r.code, 0);
        const QImage d(path("r-d.png"));
        const int xs[] = { 100, 700, 1000, 1400 };
        for (int i = 0; i < 4; ++i)
            for (int y : { 0, 1, 640, 1279 })
                QCOMPARE(depthAt(d, xs[i], y), expected[i]);
    }

    void depthRoundTrip()
    {
        QCOMPARE(runRender(base("a.png") + QStringList { "--map", bands, "--depth-out", path("a-d.png") }).code, 0);
        QCOMPARE(runRender(base("b.png") + QStringList { "--depth-in", path("a-d.png") }).code, 0);
        QVERIFY(QImage(path("a.png")) == QImage(path("b.png")));
    }

    // Depth 12 in working columns 200..400: those pixels repeat 308 columns on, not 320.
    void depthInShortensRepeat()
    {
        QImage d(1600, 1280, QImage::Format_Grayscale16);
        for (int y = 0; y < 1280; ++y)
            for (int x = 0; x < 1600; ++x)
                reinterpret_cast<quint16*>(d.scanLine(y))[x] = 32768 + (x >= 200 && x <= 400 ? 12 : 0);
        QVERIFY(d.save(path("step.png")));
        QCOMPARE(runRender(base("s.png") + QStringList { "--depth-in", path("step.png") }).code, 0);
        const QImage img(path("s.png"));
        for (int y : { 0, 500, 1279 })
            for (int x = 200; x <= 400; ++x)
                QCOMPARE(img.pixel(x, y), img.pixel(x + 308, y));
    }

    void help()
    {
        const Result r = runRender({ "--help" });
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Usage: voleta-render --pattern PATH -o OUT.(png|jpg)"));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QStringList ok { "--pattern", "p.png", "-o", "x.png" };
        QTest::newRow("nothing") << QStringList() << QString("--pattern");
        QTest::newRow("no -o") << QStringList { "--pattern", "p.png" } << QString("-o");
        QTest::newRow("no pattern") << QStringList { "-o", "x.png" } << QString("--pattern");
        QTest::newRow("unknown") << ok + QStringList { "--colour", "red" } << QString("--colour");
        QTest::newRow("line 4") << ok + QStringList { "--text4", "a" } << QString("--text4");
        QTest::newRow("stray") << ok + QStringList { "extra" } << QString("extra");
        QTest::newRow("no value") << ok + QStringList { "--map" } << QString("--map");
        QTest::newRow("zoom 6") << ok + QStringList { "--zoom", "6" } << QString("--zoom");
        QTest::newRow("zoom word") << ok + QStringList { "--zoom", "two" } << QString("--zoom");
        QTest::newRow("relief 0") << ok + QStringList { "--relief", "0" } << QString("--relief");
        QTest::newRow("relief 7") << ok + QStringList { "--relief=7" } << QString("--relief");
        QTest::newRow("method") << ok + QStringList { "--method", "sideways" } << QString("--method");
        QTest::newRow("size 69") << ok + QStringList { "--size1", "69" } << QString("--size1");
        QTest::newRow("size 201") << ok + QStringList { "--size3", "201" } << QString("--size3");
        QTest::newRow("depth 19") << ok + QStringList { "--depth2", "19" } << QString("--depth2");
        QTest::newRow("depth -19") << ok + QStringList { "--depth1", "-19" } << QString("--depth1");
        QTest::newRow("offset one number") << ok + QStringList { "--offset1", "5" } << QString("--offset1");
        QTest::newRow("pan three numbers") << ok + QStringList { "--pan", "1,2,3" } << QString("--pan");
        QTest::newRow("pan words") << ok + QStringList { "--pan", "a,b" } << QString("--pan");
        QTest::newRow("offset past a million")
            << ok + QStringList { "--offset1", "2147483647,2147483647" } << QString("--offset1");
        QTest::newRow("pan past a million") << ok + QStringList { "--pan", "0,-1000001" } << QString("--pan");
        QTest::newRow("offset past int") << ok + QStringList { "--offset3", "-2147483649,0" } << QString("--offset3");
        QTest::newRow("flag with value") << ok + QStringList { "--italic1=yes" } << QString("--italic1");
        QTest::newRow("bmp output") << QStringList { "--pattern", "p.png", "-o", "x.bmp" } << QString("x.bmp");
        QTest::newRow("map and depth-in")
            << ok + QStringList { "--map", "m.png", "--depth-in", "d.png" } << QString("--map");
        QTest::newRow("mask-out and depth-in")
            << ok + QStringList { "--mask-out", "k.png", "--depth-in", "d.png" } << QString("--mask-out");
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = runRender(args);
        QCOMPARE(r.code, 2);
        const QString first = r.err.section('\n', 0, 0);
        QVERIFY2(first.contains(message), qPrintable(r.err));
        QVERIFY(r.err.contains("Usage: voleta-render"));
    }

    void unreadableInput_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("file");
        QFile junk(path("junk.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray::fromHex("ffd8ffe000104a46494600deadbeef0102030405060708090a"));
        junk.close();
        QVERIFY(QImage(100, 100, QImage::Format_RGB32).save(path("small.png")));
        QTest::newRow("pattern junk") << QStringList { "--pattern", path("junk.jpg") } << path("junk.jpg");
        QTest::newRow("pattern missing") << QStringList { "--pattern", path("none.jpg") } << path("none.jpg");
        QTest::newRow("map junk") << QStringList { "--pattern", pattern, "--map", path("junk.jpg") }
                                  << path("junk.jpg");
        QTest::newRow("depth-in junk") << QStringList { "--pattern", pattern, "--depth-in", path("junk.jpg") }
                                       << path("junk.jpg");
        QTest::newRow("depth-in wrong size")
            << QStringList { "--pattern", pattern, "--depth-in", path("small.png") } << path("small.png");
    }
    void unreadableInput()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, file);
        const Result r = runRender(extra + QStringList { "-o", path("never.png") });
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(file), qPrintable(r.err));
        QVERIFY(!QFile::exists(path("never.png")));
    }

    void unwritableOutput_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("picture") << QString("-o");
        QTest::newRow("depth") << QString("--depth-out");
        QTest::newRow("mask") << QString("--mask-out");
    }
    void unwritableOutput()
    {
        QFETCH(QString, option);
        const QString bad = path("no-such-folder/out.png");
        QStringList args = base("w.png");
        if (option == "-o")
            args[3] = bad;
        else
            args << option << bad;
        const Result r = runRender(args);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(bad), qPrintable(r.err));
        QVERIFY(!QFile::exists(bad));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
