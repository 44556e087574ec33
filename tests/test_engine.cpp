// The stereogram engine: map crop, depth from the map, text depths and composition.
#include "render/Engine.h"
#include "render/RowKernels.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <climits>

using namespace render;

Q_DECLARE_METATYPE(render::BlueRange)

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

    // The crop of the raw pan offsets, and the offsets brought back inside the map.
    void cropAndPan_data()
    {
        QTest::addColumn<QSize>("map");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("pan");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QPoint>("clamped");
        const QSize map(1000, 800);
        QTest::newRow("1x whole picture") << map << 0 << QPoint() << QRect(0, 0, 1000, 800) << QPoint();
        QTest::newRow("2x centred") << map << 2 << QPoint() << QRect(250, 200, 500, 400) << QPoint();
        QTest::newRow("'4x' is 3.5x") << QSize(700, 700) << 5 << QPoint() << QRect(250, 250, 200, 200) << QPoint();
        QTest::newRow("1.5x truncates each") << map << 1 << QPoint() << QRect(166, 133, 666, 533) << QPoint();
        QTest::newRow("1x pan out of bounds") << map << 0 << QPoint(30, -20) << QRect(30, -20, 1000, 800) << QPoint();
        QTest::newRow("1x pan back to 0") << map << 0 << QPoint(-30, 40) << QRect(-30, 40, 1000, 800) << QPoint();
        QTest::newRow("2x right edge") << map << 2 << QPoint(400, 0) << QRect(650, 200, 500, 400) << QPoint(250, 0);
        QTest::newRow("2x top edge") << map << 2 << QPoint(0, -300) << QRect(250, -100, 500, 400) << QPoint(0, -200);
        QTest::newRow("2x inside") << map << 2 << QPoint(-100, 90) << QRect(150, 290, 500, 400) << QPoint(-100, 90);
        QTest::newRow("3.5x left edge truncates")
            << map << 5 << QPoint(-5000, 0) << QRect(-4642, 285, 285, 228) << QPoint(-357, 0);
    }
    void cropAndPan()
    {
        QFETCH(QSize, map);
        QFETCH(int, zoom);
        QFETCH(QPoint, pan);
        QFETCH(QRect, crop);
        QFETCH(QPoint, clamped);
        QCOMPARE(mapCrop(map, zoom, pan), crop);
        QCOMPARE(clampPan(map, zoom, pan), clamped);
        const QRect inside = mapCrop(map, zoom, clamped);
        QVERIFY(QRect(QPoint(), map).contains(inside));
    }

    void mapCropDrawing_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<uint>("colour");
        const uint red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), white = qRgb(255, 255, 255);
        QTest::newRow("whole map") << QRect(0, 0, 1000, 800) << QPoint(1590, 640) << green;
        QTest::newRow("stretched to 5:4") << QRect(500, 0, 100, 800) << QPoint(800, 10) << green;
        QTest::newRow("beyond the right edge is white") << QRect(500, 0, 1000, 800) << QPoint(1200, 640) << white;
        QTest::newRow("beyond the top edge is white") << QRect(0, -400, 1000, 800) << QPoint(10, 100) << white;
        QTest::newRow("map below the top gap") << QRect(0, -400, 1000, 800) << QPoint(10, 1000) << red;
        QTest::newRow("zero width") << QRect(0, 0, 0, 800) << QPoint() << 0u;
        QTest::newRow("zero height") << QRect(0, 0, 1000, 0) << QPoint() << 0u;
    }
    void mapCropDrawing()
    {
        QFETCH(QRect, crop);
        QFETCH(QPoint, probe);
        QFETCH(uint, colour);
        QImage map(1000, 800, QImage::Format_ARGB32);
        map.fill(Qt::red);
        QPainter(&map).fillRect(500, 0, 500, 800, Qt::green);
        const QImage out = drawMapCrop(map, crop);
        if (colour == 0) {
            QVERIFY(out.isNull());
            return;
        }
        QCOMPARE(out.size(), QSize(kWorkWidth, kWorkHeight));
        QCOMPARE(out.format(), QImage::Format_RGB32);
        QCOMPARE(out.pixel(probe), colour);
    }

    void depthFromBlue_data()
    {
        QTest::addColumn<QList<int>>("blues"); // background, then one pixel each
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("kt");
        QTest::addColumn<BlueRange>("range");
        QTest::addColumn<QList<int>>("depths"); // one per blue value
        QTest::addColumn<int>("edgeDepth"); // blue 255 in column 0 and row 0, not scanned
        const QList<int> range40to200 { 120, 40, 200 };
        const BlueRange r40 { 200, 40, 120, 4.0 };
        QTest::newRow("40..200 parallel") << range40to200 << 1 << 2 << r40 << QList { 0, 13, -13 } << -22;
        QTest::newRow("40..200 crossed") << range40to200 << -1 << 2 << r40 << QList { 0, -13, 13 } << 22;
        QTest::newRow("-6.67 truncates to -6") << range40to200 << 1 << 1 << r40 << QList { 0, 6, -6 } << -11;
        const BlueRange black { 10, 0, 5, 0.25 };
        QTest::newRow("all black comes forward") << QList { 0 } << 1 << 2 << black << QList { 13 } << -666;
        QTest::newRow("all black crossed 3x") << QList { 0 } << -1 << 6 << black << QList { -40 } << 2000;
        const BlueRange nine { 10, 9, 9, 0.025 };
        QTest::newRow("blue 9 and 10") << QList { 9, 10 } << 1 << 2 << nine << QList { 0, -26 } << -6560;
        QTest::newRow("blue 9 and 10 kt 3") << QList { 9, 10 } << 1 << 3 << nine << QList { 0, -40 } << -9840;
        QTest::newRow("empty range gives 0")
            << QList { 77 } << 1 << 6 << BlueRange { 77, 77, 77, 0 } << QList { 0 } << 0;
    }
    void depthFromBlue()
    {
        QFETCH(QList<int>, blues);
        QFETCH(int, hk);
        QFETCH(int, kt);
        QFETCH(BlueRange, range);
        QFETCH(QList<int>, depths);
        QFETCH(int, edgeDepth);
        QImage map(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
        map.fill(qRgb(0, 0, blues[0]));
        for (int i = 1; i < blues.size(); ++i)
            map.setPixel(100 * i, 900, qRgb(250, 250, blues[i]));
        for (int i = 0; i < kWorkWidth; ++i)
            map.setPixel(i, 0, qRgb(0, 0, 255));
        for (int i = 0; i < kWorkHeight; ++i)
            map.setPixel(0, i, qRgb(0, 0, 255));

        const BlueRange got = scanBlue(map);
        QCOMPARE(got.maximum, range.maximum);
        QCOMPARE(got.minimum, range.minimum);
        QCOMPARE(got.middle, range.middle);
        QCOMPARE(got.step, range.step);

        DepthArray a;
        a.fill(99);
        depthFromMap(map.convertToFormat(QImage::Format_ARGB32), hk, kt, a);
        QCOMPARE(a.at(1599, 1279), depths[0]);
        for (int i = 1; i < blues.size(); ++i)
            QCOMPARE(a.at(100 * i, 900), depths[i]);
        QCOMPARE(a.at(0, 700), edgeDepth);
        QCOMPARE(a.at(700, 0), edgeDepth);
        for (int y = 0; y < DepthArray::kRows; ++y)
            QCOMPARE(a.at(kWorkWidth, y), 0);
        for (int x = 0; x < DepthArray::kColumns; ++x)
            QCOMPARE(a.at(x, kWorkHeight), 0);
        if (blues.size() == 1) // one blue value: the whole plane moves together
            for (int y = 1; y < kWorkHeight; ++y)
                QCOMPARE(std::count(a.row(y) + 1, a.row(y) + kWorkWidth, depths[0]), kWorkWidth - 1);
    }

    void lineDepthsFromSliders_data()
    {
        QTest::addColumn<QList<int>>("sliders");
        QTest::addColumn<int>("hk");
        QTest::addColumn<QList<int>>("depths");
        QTest::newRow("defaults parallel") << QList { 6, 8, 10 } << 1 << QList { 12, 16, 20 };
        QTest::newRow("defaults crossed") << QList { 6, 8, 10 } << -1 << QList { -12, -16, -20 };
        QTest::newRow("extremes crossed") << QList { -18, 0, 18 } << -1 << QList { 36, 0, -36 };
    }
    void lineDepthsFromSliders()
    {
        QFETCH(QList<int>, sliders);
        QFETCH(int, hk);
        QFETCH(QList<int>, depths);
        const LineDepths k = lineDepths(sliders[0], sliders[1], sliders[2], hk);
        QCOMPARE((QList { k.k1, k.k2, k.k3 }), depths);
    }

    void textDepths_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<int>("depth");
        QTest::newRow("line 1") << uint(kLine1Code) << QPoint(100, 100) << 12;
        QTest::newRow("line 2") << uint(kLine2Code) << QPoint(100, 100) << 16;
        QTest::newRow("line 3") << uint(kLine3Code) << QPoint(100, 100) << 20;
        QTest::newRow("last scanned pixel") << uint(kLine1Code) << QPoint(1599, 1279) << 12;
        QTest::newRow("(5,10,14) is not text") << 0x050A0Eu << QPoint(100, 100) << 7;
        QTest::newRow("smoothed edge is not text") << 0x828487u << QPoint(100, 100) << 7;
        QTest::newRow("column 0 ignored") << uint(kLine1Code) << QPoint(0, 100) << 7;
        QTest::newRow("row 0 ignored") << uint(kLine1Code) << QPoint(100, 0) << 7;
    }
    void textDepths()
    {
        QFETCH(uint, colour);
        QFETCH(QPoint, where);
        QFETCH(int, depth);
        QImage mask(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
        mask.fill(Qt::white);
        mask.setPixel(where, 0xFF000000u | colour);
        DepthArray a;
        a.fill(7);
        applyTextDepths(mask, lineDepths(6, 8, 10, 1), a);
        QCOMPARE(a.at(where.x(), where.y()), depth);
        QCOMPARE(std::count(a.row(0), a.row(kWorkHeight) + DepthArray::kColumns, 7),
            qsizetype(DepthArray::kRows) * DepthArray::kColumns - (depth != 7));
    }

    void flatPlaneRepeatsEvery320()
    {
        QImage source(50, 70, QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, qRgba(x * 5, y * 3, (x * y) % 256, 128));
        const QImage strip = patternStrip(source);
        QCOMPARE(strip.size(), QSize(kStrip, kWorkHeight));
        QCOMPARE(strip.format(), QImage::Format_RGB32);
        DepthArray a;
        a.fill(5);
        depthFlat(a);
        QImage picture;
        int rows = 0;
        compose(strip, a, picture, [&](int y) { QCOMPARE(y, rows++); });
        QCOMPARE(rows, kWorkHeight);
        QCOMPARE(picture.copy(600, 0, 320, 1280), strip);
        QCOMPARE(picture.copy(0, 0, kWorkWidth, kWorkHeight), picture.copy(320, 0, kWorkWidth, kWorkHeight));
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

    // Whatever the depths, the seed stays, every pixel comes from the strip and the
    // result is the pixel-by-pixel composition, whatever `picture` held before.
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
        QImage black(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        black.fill(Qt::black);
        QImage expected = black;
        drawSeed(strip, expected);
        composeByPixel(expected, a);
        QImage picture = black;
        compose(strip, a, picture);
        QCOMPARE(picture, expected);
        QImage noise(kPictureWidth, kWorkHeight, QImage::Format_ARGB32);
        noise.fill(qRgba(1, 2, 3, 4));
        compose(strip, a, noise);
        QCOMPARE(noise, expected);
        QImage seeded;
        drawSeed(strip, seeded);
        QCOMPARE(picture.copy(701, 0, 309, 1280), seeded.copy(701, 0, 309, 1280));
        for (int y = 0; y < kWorkHeight; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            QVERIFY(std::find(row, row + kPictureWidth, qRgb(0, 0, 0)) == row + kPictureWidth);
        }
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
