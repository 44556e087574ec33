// The stereogram engine: map crop, depth from the map, text depths and composition.
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "support/VectorLevels.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <climits>

using namespace render;

class TestEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testing::vectorLevelsData(); }
    void init() { testing::useVectorLevel(); }
    void cleanupTestCase() { testing::restoreVectorLevel(); }

    // The crop of the raw pan offsets, and the offsets brought back so that the crop lies inside the map.
    void mapCrop_data()
    {
        QTest::addColumn<QSize>("map");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("pan");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QPoint>("clamped");
        const QSize m(1000, 800);
        QTest::newRow("2x right edge") << m << 2 << QPoint(400, 0) << QRect(650, 200, 500, 400) << QPoint(250, 0);
        QTest::newRow("2x top edge") << m << 2 << QPoint(0, -300) << QRect(250, -100, 500, 400) << QPoint(0, -200);
        QTest::newRow("2x bottom edge") << m << 2 << QPoint(0, 300) << QRect(250, 500, 500, 400) << QPoint(0, 200);
        QTest::newRow("1 x 100 map at 3.5x: no width")
            << QSize(1, 100) << 5 << QPoint() << QRect(0, 35, 0, 28) << QPoint();
    }
    void mapCrop()
    {
        QFETCH(QSize, map);
        QFETCH(int, zoom);
        QFETCH(QPoint, pan);
        QTEST(render::mapCrop(map, zoom, pan), "crop");
        QFETCH(QPoint, clamped);
        QTEST(clampPan(map, zoom, pan), "clamped");
        const QRect inside = render::mapCrop(map, zoom, clamped);
        QVERIFY(inside.isEmpty() || QRect(QPoint(), map).contains(inside));
        QImage picture(map, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QCOMPARE(drawMapCrop(picture, inside).isNull(), inside.isEmpty());
    }

    // Blue 255 lies in column 0 and row 0, which the range scan skips. The pixels lie at (100 * i, 900) unless
    // placed at the scan's last column or row.
    void depthFromBlue_data()
    {
        QTest::addColumn<QList<int>>("blues"); // background, then one pixel each
        QTest::addColumn<QList<QPoint>>("where");
        QTest::addColumn<int>("kt");
        QTest::addColumn<QList<int>>("depths"); // background, then one per pixel, then column 0
        const QList<int> range40to200 { 120, 40, 200 };
        const QList<QPoint> row900 { { 100, 900 }, { 200, 900 } }, edges { { 1599, 500 }, { 800, 1279 } };
        QTest::newRow("40..200 parallel") << range40to200 << row900 << 2 << QList { 0, 13, -13, -22 };
        QTest::newRow("last column and row scanned") << range40to200 << edges << 2 << QList { 0, 13, -13, -22 };
        QTest::newRow("blue 9 and 10") << QList { 9, 10 } << row900 << 2 << QList { 0, -26, -6560 };
        QTest::newRow("empty range gives 0") << QList { 77 } << row900 << 6 << QList { 0, 0 };
    }
    void depthFromBlue()
    {
        QFETCH(QList<int>, blues);
        QFETCH(QList<QPoint>, where);
        QFETCH(int, kt);
        QFETCH(QList<int>, depths);
        QImage map(kWorkWidth, kWorkHeight, QImage::Format_ARGB32);
        map.fill(qRgb(0, 0, blues[0]));
        for (int i = 1; i < blues.size(); ++i)
            map.setPixel(where[i - 1], qRgb(250, 250, blues[i]));
        QPainter(&map).fillRect(0, 0, kWorkWidth, 1, QColor(0, 0, 255));
        QPainter(&map).fillRect(0, 0, 1, kWorkHeight, QColor(0, 0, 255));

        DepthArray a;
        a.fill(99);
        depthFromMap(map, 1, kt, a, false);
        QCOMPARE(a.at(1599, 1279), depths[0]);
        for (int i = 1; i < blues.size(); ++i)
            QCOMPARE(a.at(where[i - 1].x(), where[i - 1].y()), depths[i]);
        QCOMPARE(a.at(0, 700), depths.last());
        QCOMPARE(a.at(700, 0), depths.last());
    }

    // A 1600 x 640 map of blue 100 with one pixel of blue 0 and one of 200, kept to its proportions, fills rows
    // 320..959: the range 0..200 has its middle at 100, so the map lies at 0 and the rows outside at the farthest
    // blue's -13. Had the white padding been scanned, the map would lie at 2.
    void keepAspect()
    {
        Scene scene;
        scene.map = QImage(1600, 640, QImage::Format_RGB32);
        scene.map.fill(qRgb(0, 0, 100));
        scene.map.setPixel(700, 320, qRgb(0, 0, 0));
        scene.map.setPixel(900, 320, qRgb(0, 0, 200));
        scene.kt = 2, scene.hk = 1, scene.keepAspect = true;
        const DepthArray a = sceneDepth(scene);
        for (int y = 0; y < kWorkHeight; ++y)
            QCOMPARE(a.at(10, y), y < 320 || y > 959 ? -13 : 0);
    }

    // Line depths are slider * 2 (parallel viewing), written only under exact code colours, from (1, 1) on.
    void textDepths_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<int>("depth"); // sliders -18, 8, 18; 7 = left as it was
        const QPoint p(100, 100);
        QTest::newRow("line 3") << uint(text::kLine3Code) << p << 36;
        QTest::newRow("last scanned pixel") << uint(text::kLine2Code) << QPoint(1599, 1279) << 16;
        QTest::newRow("(5,10,14) is not text") << 0x050A0Eu << p << 7;
        QTest::newRow("row 0 ignored") << uint(text::kLine1Code) << QPoint(100, 0) << 7;
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
        applyTextDepths(mask, lineDepths(-18, 8, 18, 1), a);
        QCOMPARE(a.at(where.x(), where.y()), depth);
        QCOMPARE(std::count(a.row(0), a.row(kWorkHeight) + DepthArray::kColumns, 7),
            qsizetype(DepthArray::kRows) * DepthArray::kColumns - (depth != 7));
    }

    // Whatever the depths, the result is the pixel-by-pixel composition over the seed, whatever `picture` held
    // before.
    void composition_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("longestRun");
        QTest::newRow("flat plane") << QList { 0 } << 1;
        QTest::newRow("text and map range") << QList { -40, -36, -13, 0, 7, 12, 36, 40 } << 400;
        QTest::newRow("extremes") << QList { 1000, -1000, 320, -700, 319, 313, 312, -219, -220, -690, -691 } << 40;
        QTest::newRow("int limits") << QList { INT_MAX, INT_MIN, 0, 5 } << 400;
    }
    void composition()
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
        // Every pixel of the strip has its own colour.
        QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32);
        for (int y = 0; y < kWorkHeight; ++y)
            for (int x = 0; x < kStrip; ++x)
                strip.setPixel(x, y, 0xFF000000u | uint(y * kStrip + x + 1));
        // The reference, pixel by pixel: the left pass from x = 700 down, the right pass from x = 690 up, each
        // source held inside the columns already written in the row.
        QImage expected(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        drawSeed(strip, expected);
        for (int y = 0; y < kWorkHeight; ++y) {
            for (int x = 700; x >= 0; --x) {
                const qint64 s = std::clamp<qint64>(x + 320LL - a.at(x, y), x + 1, 1239);
                expected.setPixel(x, y, expected.pixel(int(s), y));
            }
            for (int x = 690; x < kWorkWidth; ++x) {
                const qint64 s = std::clamp<qint64>(x + qint64(a.at(x, y)), 0, x + 319);
                expected.setPixel(x + 320, y, expected.pixel(int(s), y));
            }
        }
        QImage picture(kPictureWidth, kWorkHeight, QImage::Format_ARGB32);
        picture.fill(qRgba(1, 2, 3, 4));
        compose(strip, a, picture);
        QCOMPARE(picture, expected);
        if (values != QList { 0 }) return;
        // The seed's two strips lie at 600..1239: on a flat plane column x shows strip column (x + 40) mod 320.
        for (int x : { 0, 599, 600, 1239, 1919 })
            QCOMPARE(picture.pixel(x, 7), strip.pixel((x + 40) % kStrip, 7));
        compose(QImage(), a, picture); // without a pattern, white
        QCOMPARE(picture.pixel(1919, 1279), qRgb(255, 255, 255));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
