// The stereogram engine: map crop, depth from the map, text depths and composition.
#include "render/Engine.h"
#include "render/RowKernels.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <climits>

using namespace render;

namespace {

// A strip whose every pixel has its own colour, none of them black.
QImage numberedStrip()
{
    QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32);
    for (int y = 0; y < kWorkHeight; ++y)
        for (int x = 0; x < kStrip; ++x)
            strip.setPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y * kStrip + x + 1));
    return strip;
}

// Pixel by pixel: the left pass from x = 700 down, the right pass from x = 690 up,
// each source held inside the columns already written in the row.
void composeByPixel(QImage& picture, const DepthArray& a)
{
    for (int y = 0; y < kWorkHeight; ++y) {
        for (int x = 700; x >= 0; --x) {
            const qint64 s = std::clamp<qint64>(x + 320LL - a.at(x, y), x + 1, 1239);
            picture.setPixel(x, y, picture.pixel(int(s), y));
        }
        for (int x = 690; x < kWorkWidth; ++x) {
            const qint64 s = std::clamp<qint64>(x + qint64(a.at(x, y)), 0, x + 319);
            picture.setPixel(x + 320, y, picture.pixel(int(s), y));
        }
    }
}

using Links = QList<QPoint>; // (target column, column whose colour it must have)

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every case runs with the vector row loops and with the plain ones.
    void initTestCase_data()
    {
        QTest::addColumn<bool>("vector");
        QTest::newRow("vector") << true;
        QTest::newRow("plain") << false;
    }
    void init()
    {
        QFETCH_GLOBAL(bool, vector);
        kernels::useVectorPaths(vector);
    }
    void cleanupTestCase() { kernels::useVectorPaths(true); }

    // The crop of the raw pan offsets, the offsets brought back inside the map, and the
    // crop drawn stretched over the working area from a map red on the left half and
    // green on the right, white where the crop leaves the map.
    void mapCrop_data()
    {
        QTest::addColumn<QSize>("map");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("pan");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QPoint>("clamped");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<uint>("colour");
        const auto row
            = [](const char* name, QSize map, int zoom, QPoint pan, QRect crop, QPoint clamped, QPoint probe,
                  uint colour) { QTest::newRow(name) << map << zoom << pan << crop << clamped << probe << colour; };
        const QSize m(1000, 800);
        const uint red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), white = qRgb(255, 255, 255);
        row("1x whole picture", m, 0, {}, { 0, 0, 1000, 800 }, {}, { 1590, 640 }, green);
        row("2x centred", m, 2, {}, { 250, 200, 500, 400 }, {}, { 10, 10 }, red);
        row("'4x' is 3.5x, square stretched", { 700, 700 }, 5, {}, { 250, 250, 200, 200 }, {}, { 10, 10 }, red);
        row("1.5x truncates each", m, 1, {}, { 166, 133, 666, 533 }, {}, { 1590, 1270 }, green);
        row("1x pan out of bounds", m, 0, { 30, -20 }, { 30, -20, 1000, 800 }, {}, { 800, 10 }, white);
        row("2x right edge", m, 2, { 400, 0 }, { 650, 200, 500, 400 }, { 250, 0 }, { 1200, 640 }, white);
        row("2x top edge", m, 2, { 0, -300 }, { 250, -100, 500, 400 }, { 0, -200 }, { 10, 100 }, white);
        row("2x inside", m, 2, { -100, 90 }, { 150, 290, 500, 400 }, { -100, 90 }, { 10, 1000 }, red);
        row("3.5x left edge truncates", m, 5, { -5000, 0 }, { -4642, 285, 285, 228 }, { -357, 0 }, { 1500, 640 },
            white);
    }
    void mapCrop()
    {
        QFETCH(QSize, map);
        QFETCH(int, zoom);
        QFETCH(QPoint, pan);
        QFETCH(QRect, crop);
        QFETCH(QPoint, clamped);
        QCOMPARE(render::mapCrop(map, zoom, pan), crop);
        QCOMPARE(clampPan(map, zoom, pan), clamped);
        QVERIFY(QRect(QPoint(), map).contains(render::mapCrop(map, zoom, clamped)));

        QImage picture(map, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        QPainter(&picture).fillRect(map.width() / 2, 0, map.width(), map.height(), Qt::green);
        const QImage out = drawMapCrop(picture, crop);
        QCOMPARE(out.size(), QSize(kWorkWidth, kWorkHeight));
        QFETCH(QPoint, probe);
        QTEST(out.pixel(probe), "colour");
        QVERIFY(drawMapCrop(picture, QRect(0, 0, 0, 800)).isNull());
        QVERIFY(drawMapCrop(picture, QRect(0, 0, 1000, 0)).isNull());
    }

    void depthFromBlue_data()
    {
        QTest::addColumn<QList<int>>("blues"); // background, then one pixel each
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("kt");
        QTest::addColumn<QList<int>>("depths"); // one per blue value
        QTest::addColumn<int>("edgeDepth"); // blue 255 in column 0 and row 0, not scanned
        const QList<int> range40to200 { 120, 40, 200 };
        QTest::newRow("40..200 parallel") << range40to200 << 1 << 2 << QList { 0, 13, -13 } << -22;
        QTest::newRow("40..200 crossed") << range40to200 << -1 << 2 << QList { 0, -13, 13 } << 22;
        QTest::newRow("-6.67 truncates to -6") << range40to200 << 1 << 1 << QList { 0, 6, -6 } << -11;
        QTest::newRow("all black comes forward") << QList { 0 } << 1 << 2 << QList { 13 } << -666;
        QTest::newRow("blue 9 and 10") << QList { 9, 10 } << 1 << 2 << QList { 0, -26 } << -6560;
        QTest::newRow("empty range gives 0") << QList { 77 } << 1 << 6 << QList { 0 } << 0;
    }
    void depthFromBlue()
    {
        QFETCH(QList<int>, blues);
        QFETCH(int, hk);
        QFETCH(int, kt);
        QFETCH(QList<int>, depths);
        QFETCH(int, edgeDepth);
        QImage map(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
        map.fill(qRgb(0, 0, blues[0]));
        for (int i = 1; i < blues.size(); ++i)
            map.setPixel(100 * i, 900, qRgb(250, 250, blues[i]));
        QPainter painter(&map);
        painter.fillRect(0, 0, kWorkWidth, 1, QColor(0, 0, 255));
        painter.fillRect(0, 0, 1, kWorkHeight, QColor(0, 0, 255));
        painter.end();

        DepthArray a;
        a.fill(99);
        depthFromMap(map.convertToFormat(QImage::Format_ARGB32), hk, kt, a);
        QCOMPARE(a.at(1599, 1279), depths[0]);
        for (int i = 1; i < blues.size(); ++i)
            QCOMPARE(a.at(100 * i, 900), depths[i]);
        QCOMPARE(a.at(0, 700), edgeDepth);
        QCOMPARE(a.at(700, 0), edgeDepth);
        for (int i = 0; i < DepthArray::kColumns; ++i) // no pixel in the extra column and row
            QVERIFY(a.at(kWorkWidth, std::min(i, kWorkHeight)) == 0 && a.at(i, kWorkHeight) == 0);
        if (blues.size() == 1) // one blue value: the whole plane moves together
            for (int y = 1; y < kWorkHeight; ++y)
                QCOMPARE(std::count(a.row(y) + 1, a.row(y) + kWorkWidth, depths[0]), kWorkWidth - 1);
    }

    // Line depths are slider * hk * 2, written only under exact code colours, from (1, 1) on.
    void textDepths_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("depth"); // sliders -18, 8, 18; 7 = left as it was
        const QPoint p(100, 100);
        QTest::newRow("line 1") << uint(text::kLine1Code) << p << 1 << -36;
        QTest::newRow("line 2") << uint(text::kLine2Code) << p << 1 << 16;
        QTest::newRow("line 3") << uint(text::kLine3Code) << p << 1 << 36;
        QTest::newRow("line 1 crossed") << uint(text::kLine1Code) << p << -1 << 36;
        QTest::newRow("last scanned pixel") << uint(text::kLine2Code) << QPoint(1599, 1279) << 1 << 16;
        QTest::newRow("(5,10,14) is not text") << 0x050A0Eu << p << 1 << 7;
        QTest::newRow("smoothed edge is not text") << 0x828487u << p << 1 << 7;
        QTest::newRow("column 0 ignored") << uint(text::kLine1Code) << QPoint(0, 100) << 1 << 7;
        QTest::newRow("row 0 ignored") << uint(text::kLine1Code) << QPoint(100, 0) << 1 << 7;
    }
    void textDepths()
    {
        QFETCH(uint, colour);
        QFETCH(QPoint, where);
        QFETCH(int, hk);
        QFETCH(int, depth);
        QImage mask(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
        mask.fill(Qt::white);
        mask.setPixel(where, 0xFF000000u | colour);
        DepthArray a;
        a.fill(7);
        applyTextDepths(mask, lineDepths(-18, 8, 18, hk), a);
        QCOMPARE(a.at(where.x(), where.y()), depth);
        QCOMPARE(std::count(a.row(0), a.row(kWorkHeight) + DepthArray::kColumns, 7),
            qsizetype(DepthArray::kRows) * DepthArray::kColumns - (depth != 7));
    }

    void compositionLinks_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("depth");
        QTest::addColumn<Links>("links");
        const auto shifted = [](int from, int to, int target, int source) {
            Links links;
            for (int x = from; x <= to; ++x)
                links << QPoint(x + target, x + source);
            return links;
        };
        QTest::newRow("flat plane: period 320") << 0 << -1 << 0 << shifted(0, kWorkWidth - 1, 0, 320);
        QTest::newRow("a(500)=12 alone") << 500 << 500 << 12 << Links { { 500, 808 }, { 180, 500 }, { 499, 819 } };
        QTest::newRow("12 in 200..400") << 200 << 400 << 12 << shifted(200, 400, 0, 308);
        QTest::newRow("-12 in 200..400") << 200 << 400 << -12 << shifted(200, 400, 0, 332);
        QTest::newRow("right pass 12 in 1000..1200") << 1000 << 1200 << 12 << shifted(1000, 1200, 320, 12);
    }
    void compositionLinks()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, depth);
        QFETCH(Links, links);
        const int y = 50;
        DepthArray a;
        for (int x = from; x <= to; ++x)
            a.at(x, y) = depth;
        QImage picture;
        compose(numberedStrip(), a, picture);
        for (const QPoint& link : links)
            QCOMPARE(picture.pixel(link.x(), y), picture.pixel(link.y(), y));
    }

    // Whatever the depths, the result is the pixel-by-pixel composition over the seed,
    // whatever `picture` held before.
    void compositionWithAnyDepths_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("longestRun");
        QTest::newRow("text and map range") << QList { -40, -36, -13, 0, 7, 12, 36, 40 } << 400;
        QTest::newRow("gentle slopes") << QList { -3, -2, -1, 0, 1, 2, 4, 9 } << 6;
        QTest::newRow("extremes") << QList { 1000, -1000, 320, -700, 319, 313, 312, -219, -220, -690, -691 } << 40;
        QTest::newRow("int limits") << QList { INT_MAX, INT_MIN, 0, 5 } << 400;
    }
    void compositionWithAnyDepths()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, longestRun);
        QRandomGenerator random(1234);
        DepthArray a;
        for (int y = 0; y < DepthArray::kRows; ++y)
            for (int x = 0; x < DepthArray::kColumns;) {
                const int value = values[random.bounded(int(values.size()))];
                for (int n = random.bounded(1, longestRun + 1); n > 0 && x < DepthArray::kColumns; --n)
                    a.at(x++, y) = value;
            }
        const QImage strip = numberedStrip();
        QImage picture(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QImage expected = picture;
        drawSeed(strip, expected);
        composeByPixel(expected, a);
        compose(strip, a, picture);
        QCOMPARE(picture, expected);
        QImage noise(kPictureWidth, kWorkHeight, QImage::Format_ARGB32);
        noise.fill(qRgba(1, 2, 3, 4));
        compose(strip, a, noise);
        QCOMPARE(noise, expected);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
