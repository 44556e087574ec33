// The stereogram engine: map crop, depth from the map, text depths and composition.
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/RowKernels.h"
#include "support/VectorLevels.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <climits>
#include <vector>

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
        QTest::newRow("1.5x truncates each") << m << 1 << QPoint() << QRect(166, 133, 666, 533) << QPoint();
        QTest::newRow("2x right edge") << m << 2 << QPoint(400, 0) << QRect(650, 200, 500, 400) << QPoint(250, 0);
        QTest::newRow("2x top edge") << m << 2 << QPoint(0, -300) << QRect(250, -100, 500, 400) << QPoint(0, -200);
        QTest::newRow("2x bottom edge") << m << 2 << QPoint(0, 300) << QRect(250, 500, 500, 400) << QPoint(0, 200);
        QTest::newRow("2x inside") << m << 2 << QPoint(-100, 90) << QRect(150, 290, 500, 400) << QPoint(-100, 90);
        QTest::newRow("3.5x left edge truncates")
            << m << 5 << QPoint(-5000, 0) << QRect(-4642, 285, 285, 228) << QPoint(-357, 0);
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
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("kt");
        QTest::addColumn<bool>("lighterNear");
        QTest::addColumn<QList<int>>("depths"); // background, then one per pixel, then column 0
        const QList<int> range40to200 { 120, 40, 200 };
        const QList<QPoint> row900 { { 100, 900 }, { 200, 900 } }, edges { { 1599, 500 }, { 800, 1279 } };
        QTest::newRow("40..200 parallel") << range40to200 << row900 << 1 << 2 << false << QList { 0, 13, -13, -22 };
        QTest::newRow("-6.67 truncates to -6") << range40to200 << row900 << 1 << 1 << false << QList { 0, 6, -6, -11 };
        QTest::newRow("last column and row scanned")
            << range40to200 << edges << 1 << 2 << false << QList { 0, 13, -13, -22 };
        QTest::newRow("all black comes forward") << QList { 0 } << row900 << 1 << 2 << false << QList { 13, -666 };
        QTest::newRow("blue 9 and 10") << QList { 9, 10 } << row900 << 1 << 2 << false << QList { 0, -26, -6560 };
        // Lighter near turns the relief's sign alone, crossed viewing turns it back.
        QTest::newRow("40..200 lighter near") << range40to200 << row900 << 1 << 2 << true << QList { 0, -13, 13, 22 };
        QTest::newRow("40..200 lighter near, crossed")
            << range40to200 << row900 << -1 << 2 << true << QList { 0, 13, -13, -22 };
        QTest::newRow("empty range gives 0") << QList { 77 } << row900 << 1 << 6 << false << QList { 0, 0 };
    }
    void depthFromBlue()
    {
        QFETCH(QList<int>, blues);
        QFETCH(QList<QPoint>, where);
        QFETCH(int, hk);
        QFETCH(int, kt);
        QFETCH(bool, lighterNear);
        QFETCH(QList<int>, depths);
        QImage map(kWorkWidth, kWorkHeight, QImage::Format_ARGB32);
        map.fill(qRgb(0, 0, blues[0]));
        for (int i = 1; i < blues.size(); ++i)
            map.setPixel(where[i - 1], qRgb(250, 250, blues[i]));
        QPainter(&map).fillRect(0, 0, kWorkWidth, 1, QColor(0, 0, 255));
        QPainter(&map).fillRect(0, 0, 1, kWorkHeight, QColor(0, 0, 255));

        DepthArray a;
        a.fill(99);
        depthFromMap(map, hk, kt, a, lighterNear);
        QCOMPARE(a.at(1599, 1279), depths[0]);
        for (int i = 1; i < blues.size(); ++i)
            QCOMPARE(a.at(where[i - 1].x(), where[i - 1].y()), depths[i]);
        QCOMPARE(a.at(0, 700), depths.last());
        QCOMPARE(a.at(700, 0), depths.last());
        if (blues.size() == 1) // one blue value: the whole plane moves together
            for (int y = 1; y < kWorkHeight; ++y)
                QCOMPARE(std::count(a.row(y) + 1, a.row(y) + kWorkWidth, depths[0]), kWorkWidth - 1);
    }

    // A map of blue 100 with a light band (blue 200, columns 1000..1099) and a black disc of radius 100 at (700, half
    // the height): the range is 0..200, middle 100, step 5, so at factor 2 (parallel) the background lies at 0, the
    // disc at trunc(20 * 2 / 3) = 13 and the band, the farthest blue, at -13. Kept to its proportions the map fills a
    // band of rows (a 1600 x 640 map, rows 320..959; 1564 x 800 fills 1600 x round(800 * 1600 / 1564) = 818 rows
    // from (1280 - 818) / 2 = 231) and the rows outside lie at -13; the disc stays as wide as high. Stretched, it is
    // twice as high as wide; at 2x both double. Had the white padding been scanned, the background would lie at 2.
    void keepAspect_data()
    {
        QTest::addColumn<QSize>("map");
        QTest::addColumn<int>("zoomRow");
        QTest::addColumn<bool>("keepAspect");
        QTest::addColumn<QList<int>>("rows"); // the map's first and last row in the depth array
        QTest::addColumn<QPoint>("disc"); // the disc's centre in the depth array
        QTest::addColumn<QSize>("discSize"); // its width and height in entries, give or take one
        const QSize wide(1600, 640);
        QTest::newRow("1600 x 640 fitted")
            << wide << 0 << true << QList { 320, 959 } << QPoint(700, 640) << QSize(201, 201);
        QTest::newRow("1600 x 640 stretched")
            << wide << 0 << false << QList { 0, 1279 } << QPoint(700, 640) << QSize(201, 402);
        QTest::newRow("1600 x 640 at 2x, fitted")
            << wide << 2 << true << QList { 320, 959 } << QPoint(600, 640) << QSize(402, 402);
        QTest::newRow("1564 x 800 fitted")
            << QSize(1564, 800) << 0 << true << QList { 231, 1048 } << QPoint(716, 640) << QSize(206, 206);
    }
    void keepAspect()
    {
        QFETCH(QSize, map);
        QFETCH(int, zoomRow);
        QFETCH(bool, keepAspect);
        QFETCH(QList<int>, rows);
        QFETCH(QPoint, disc);
        QFETCH(QSize, discSize);
        Scene scene;
        scene.map = QImage(map, QImage::Format_RGB32);
        scene.map.fill(qRgb(0, 0, 100));
        QPainter(&scene.map).fillRect(1000, 0, 100, map.height(), QColor(0, 0, 200));
        const int cy = map.height() / 2;
        for (int y = cy - 100; y <= cy + 100; ++y)
            for (int x = 600; x <= 800; ++x)
                if ((x - 700) * (x - 700) + (y - cy) * (y - cy) <= 100 * 100)
                    reinterpret_cast<QRgb*>(scene.map.scanLine(y))[x] = qRgb(0, 0, 0);
        scene.zoomRow = zoomRow, scene.kt = 2, scene.hk = 1, scene.keepAspect = keepAspect;
        const DepthArray a = sceneDepth(scene);

        for (int y = 0; y < kWorkHeight; ++y)
            QCOMPARE(a.at(10, y), y < rows[0] || y > rows[1] ? -13 : 0);
        QCOMPARE(a.at(kWorkWidth, 100), 0); // the extra column and row hold no depth
        QCOMPARE(a.at(10, kWorkHeight), 0);
        int width = 0, height = 0;
        for (int x = 0; x < kWorkWidth; ++x)
            width += a.at(x, disc.y()) == 13;
        for (int y = 0; y < kWorkHeight; ++y)
            height += a.at(disc.x(), y) == 13;
        QVERIFY2(std::abs(width - discSize.width()) <= 1, qPrintable(QString::number(width)));
        QVERIFY2(std::abs(height - discSize.height()) <= 1, qPrintable(QString::number(height)));
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
        QTest::newRow("last scanned pixel") << uint(text::kLine2Code) << QPoint(1599, 1279) << 1 << 16;
        QTest::newRow("(5,10,14) is not text") << 0x050A0Eu << p << 1 << 7;
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

    // The steps of a row: a bit wherever the depth differs from the one before it, and at column 0.
    void depthSteps_data()
    {
        QTest::addColumn<QList<int>>("changes"); // columns where a new depth starts
        QTest::addColumn<int>("count");
        QTest::newRow("either side of each half-word") << QList { 31, 32, 63, 64, 95, 96, 1599 } << 1600;
        QTest::newRow("every column") << QList<int> {} << -1600;
        QTest::newRow("short row") << QList { 5, 33, 70 } << 77;
    }
    void depthSteps()
    {
        QFETCH(QList<int>, changes);
        QFETCH(int, count);
        const bool every = count < 0;
        count = std::abs(count);
        std::vector<int32_t> depth(count);
        for (int x = 1, d = 0; x < count; ++x)
            depth[x] = every || changes.contains(x) ? ++d : d;
        std::vector<uint64_t> steps((count + 63) / 64, ~uint64_t(0));
        kernels::depthSteps(depth.data(), count, steps.data());
        for (int x = 0; x < int(steps.size()) * 64; ++x) {
            const bool set = steps[x / 64] >> (x % 64) & 1;
            QVERIFY2(set == (x < count && (x == 0 || every || changes.contains(x))), qPrintable(QString::number(x)));
        }
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
        // The seed's two strips lie at 600..1239: on a flat plane column x shows strip column (x + 40) mod 320.
        for (int x : { 0, 599, 600, 1239, 1919 })
            if (values == QList { 0 }) QCOMPARE(picture.pixel(x, 7), strip.pixel((x + 40) % kStrip, 7));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
