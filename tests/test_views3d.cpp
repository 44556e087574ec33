// The two views of the scene, the anaglyph and the stereo pair, against columns and colours worked out by hand.
#include "render/DepthArray.h"
#include "render/StereoViews.h"

#include <QList>
#include <QPoint>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <vector>

using namespace render;

namespace {

// A strip whose pixels name their own column (green and blue) and row (red), so a view's pixel tells which
// surface column it shows.
QImage columnStrip()
{
    QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32);
    for (int y = 0; y < kWorkHeight; ++y)
        for (int x = 0; x < kStrip; ++x)
            strip.setPixel(x, y, qRgb(y & 0xFF, x >> 8, x & 0xFF));
    return strip;
}

int surfaceColumn(const QImage& view, int t, int y)
{
    const QRgb p = view.pixel(t, y);
    return qGreen(p) * 256 + qBlue(p);
}

void fillRect(DepthArray& a, QRect r, int depth)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            a.at(x, y) = depth;
}

// Checks that every column of row y shows surface column t + offset (mod 320), the offset of the last segment
// (first column, offset) starting at or before t.
void expectRow(const QImage& view, int y, const QList<QPoint>& segments, const char* which)
{
    for (int t = 0; t < kPictureWidth; ++t) {
        int offset = 0;
        for (const QPoint& s : segments)
            if (s.x() <= t) offset = s.y();
        const int expected = (((t + offset) % kStrip) + kStrip) % kStrip;
        if (surfaceColumn(view, t, y) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 view, column %2: surface column %3, expected %4")
                                 .arg(which)
                                 .arg(t)
                                 .arg(surfaceColumn(view, t, y))
                                 .arg(expected)));
        QCOMPARE(qRed(view.pixel(t, y)), y & 0xFF);
    }
}

} // namespace

class TestViews3d : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One pixel of parallax a depth step up to 48 steps; deeper scenes are scaled to 48 pixels, rounded half up.
    void parallax_data()
    {
        QTest::addColumn<qint64>("nearness");
        QTest::addColumn<qint64>("farthest");
        QTest::addColumn<qint64>("nearest");
        QTest::addColumn<int>("expected");
        QTest::newRow("far plane") << qint64(0) << qint64(0) << qint64(20) << 0;
        QTest::newRow("nearest of a shallow scene") << qint64(20) << qint64(0) << qint64(20) << 20;
        QTest::newRow("middle of a shallow scene") << qint64(12) << qint64(0) << qint64(20) << 12;
        QTest::newRow("exactly 48 steps deep") << qint64(48) << qint64(0) << qint64(48) << 48;
        QTest::newRow("nearest of a deep scene") << qint64(96) << qint64(0) << qint64(96) << 48;
        QTest::newRow("half a pixel rounds up") << qint64(1) << qint64(0) << qint64(96) << 1;
        QTest::newRow("1.8 pixels") << qint64(3) << qint64(0) << qint64(80) << 2;
        QTest::newRow("farthest below zero") << qint64(-10) << qint64(-40) << qint64(40) << 18;
        QTest::newRow("one depth everywhere") << qint64(7) << qint64(7) << qint64(7) << 0;
    }
    void parallax()
    {
        QFETCH(qint64, nearness);
        QFETCH(qint64, farthest);
        QFETCH(qint64, nearest);
        QFETCH(int, expected);
        QCOMPARE(viewParallax(nearness, farthest, nearest), expected);
    }

    // A scene of one depth has no parallax: both views are the strip tiled across the width.
    void flatScene_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("hk");
        QTest::newRow("background plane, parallel") << 0 << 1;
        QTest::newRow("depth 7, crossed") << 7 << -1;
        QTest::newRow("depth -5, parallel") << -5 << 1;
    }
    void flatScene()
    {
        QFETCH(int, depth);
        QFETCH(int, hk);
        DepthArray a;
        a.fill(depth);
        const StereoViews views = stereoViews(columnStrip(), a, hk);
        QCOMPARE(views.left.size(), QSize(kPictureWidth, kWorkHeight));
        QCOMPARE(views.left, views.right);
        for (int y : { 0, 640, 1279 })
            expectRow(views.left, y, {}, "left");
    }

    // Raised regions over the plane, row 500 of each view as segments (first column, surface column - column).
    // A depth entry x lies at column x + 160; a parallax p moves it p - p/2 right in the left view and p/2 left
    // in the right view. The gap opened beside a near edge shows the farther surface carried on.
    void raisedRegions_data()
    {
        QTest::addColumn<int>("hk");
        QTest::addColumn<QList<QRect>>("regions");
        QTest::addColumn<QList<int>>("depths");
        QTest::addColumn<QList<QPoint>>("left");
        QTest::addColumn<QList<QPoint>>("right");
        const QRect square(500, 400, 200, 200); // columns 660..859 of the picture
        // Depth 20: the square moves 10 right (left view: columns 670..869; the plane fills 660..669 and is hidden
        // under 860..869) and 10 left (right view: 650..849; the plane shows again from 850).
        QTest::newRow("square at depth 20, parallel")
            << 1 << QList<QRect> { square } << QList<int> { 20 } << QList<QPoint> { { 670, -10 }, { 870, 0 } }
            << QList<QPoint> { { 650, 10 }, { 850, 0 } };
        QTest::newRow("square at depth -20, crossed")
            << -1 << QList<QRect> { square } << QList<int> { -20 } << QList<QPoint> { { 670, -10 }, { 870, 0 } }
            << QList<QPoint> { { 650, 10 }, { 850, 0 } };
        // Odd parallax 13: 7 right, 6 left.
        QTest::newRow("square at depth 13")
            << 1 << QList<QRect> { square } << QList<int> { 13 } << QList<QPoint> { { 667, -7 }, { 867, 0 } }
            << QList<QPoint> { { 654, 6 }, { 854, 0 } };
        // 100 steps deep: parallax 48, 24 each way.
        QTest::newRow("square 100 steps deep")
            << 1 << QList<QRect> { square } << QList<int> { 100 } << QList<QPoint> { { 684, -24 }, { 884, 0 } }
            << QList<QPoint> { { 636, 24 }, { 836, 0 } };
        // Crossed viewing reads depth 20 as 20 steps behind the plane: the plane (and only the plane) comes 20
        // nearer, over the margins at the far depth; in the left view the plane covers the square's left 10
        // columns and the square's right side is carried on over the gap at 860..869.
        QTest::newRow("square at depth 20, crossed: a hollow")
            << -1 << QList<QRect> { square } << QList<int> { 20 }
            << QList<QPoint> { { 170, -10 }, { 670, 0 }, { 870, -10 }, { 1770, 0 } }
            << QList<QPoint> { { 150, 10 }, { 650, 0 }, { 850, 10 }, { 1750, 0 } };
        // Two steps side by side: depth 10 at columns 560..759, depth 30 at 760..959. Left view: the depth-10
        // step at 565..764, carried on over the gap 765..774, the depth-30 step at 775..974 over the plane's
        // 960..974. Right view: the depth-10 step at 555..754 is hidden under the nearer one from 745.
        QTest::newRow("a nearer step hides the farther")
            << 1 << QList<QRect> { QRect(400, 450, 200, 100), QRect(600, 450, 200, 100) } << QList<int> { 10, 30 }
            << QList<QPoint> { { 565, -5 }, { 775, -15 }, { 975, 0 } }
            << QList<QPoint> { { 555, 5 }, { 745, 15 }, { 945, 0 } };
    }
    void raisedRegions()
    {
        QFETCH(int, hk);
        QFETCH(QList<QRect>, regions);
        QFETCH(QList<int>, depths);
        QFETCH(QList<QPoint>, left);
        QFETCH(QList<QPoint>, right);
        DepthArray a;
        for (int i = 0; i < regions.size(); ++i)
            fillRect(a, regions[i], depths[i]);
        const StereoViews views = stereoViews(columnStrip(), a, hk);
        expectRow(views.left, 500, left, "left");
        expectRow(views.right, 500, right, "right");
        // A row the regions do not reach is the plane in both views (20 steps in front of the margins in the
        // hollow, whose plane alone moves: 10 right in the left view, over a gap at 160..169 the margin fills).
        const bool hollow = hk < 0 && depths.first() > 0;
        expectRow(views.left, 300, hollow ? QList<QPoint> { { 170, -10 }, { 1770, 0 } } : QList<QPoint> {}, "left");
        expectRow(views.right, 300, hollow ? QList<QPoint> { { 150, 10 }, { 1750, 0 } } : QList<QPoint> {}, "right");
    }

    // Rows of random runs of depth against a plain painter written here: every surface column lands on its
    // column, the nearest seen where several land, and each empty column shows the farther of the nearest
    // columns landed on either side, carried on.
    void randomRows_data()
    {
        QTest::addColumn<int>("seed");
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("spread"); // depths drawn from -spread .. spread
        QTest::addColumn<int>("longestRun");
        QTest::newRow("shallow, long runs, parallel") << 1 << 1 << 12 << 200;
        QTest::newRow("shallow, short runs, crossed") << 2 << -1 << 12 << 6;
        QTest::newRow("deep (scaled), mixed runs, parallel") << 3 << 1 << 60 << 40;
        QTest::newRow("deep (scaled), single entries, crossed") << 4 << -1 << 60 << 1;
    }
    void randomRows()
    {
        QFETCH(int, seed);
        QFETCH(int, hk);
        QFETCH(int, spread);
        QFETCH(int, longestRun);
        QRandomGenerator random { quint32(seed) };
        DepthArray a;
        const QList<int> rows { 0, 333, 640, 1279 };
        for (int y : rows)
            for (int x = 0; x < kWorkWidth;) {
                const int depth = random.bounded(-spread, spread + 1);
                for (int end = std::min(kWorkWidth, x + 1 + int(random.bounded(longestRun))); x < end; ++x)
                    a.at(x, y) = depth;
            }
        qint64 farthest = qint64(hk) * a.at(0, 0), nearest = farthest;
        for (int y = 0; y < kWorkHeight; ++y)
            for (int x = 0; x < kWorkWidth; ++x) {
                farthest = std::min(farthest, qint64(hk) * a.at(x, y));
                nearest = std::max(nearest, qint64(hk) * a.at(x, y));
            }
        const StereoViews views = stereoViews(columnStrip(), a, hk);
        for (int y : rows)
            for (const bool leftEye : { true, false }) {
                std::vector<int> parallax(kPictureWidth, -1), surface(kPictureWidth, 0);
                for (int c = 0; c < kPictureWidth; ++c) {
                    const bool margin = c < 160 || c >= 1760;
                    const int p = margin ? 0 : viewParallax(qint64(hk) * a.at(c - 160, y), farthest, nearest);
                    const int t = leftEye ? c + p - p / 2 : c - p / 2;
                    if (t >= 0 && t < kPictureWidth && p > parallax[size_t(t)])
                        parallax[size_t(t)] = p, surface[size_t(t)] = c;
                }
                for (int t = 0; t < kPictureWidth; ++t) {
                    int expected = surface[size_t(t)];
                    if (parallax[size_t(t)] < 0) {
                        int l = t, r = t;
                        while (l >= 0 && parallax[size_t(l)] < 0)
                            --l;
                        while (r < kPictureWidth && parallax[size_t(r)] < 0)
                            ++r;
                        const bool fromLeft
                            = l >= 0 && (r >= kPictureWidth || parallax[size_t(l)] <= parallax[size_t(r)]);
                        expected = fromLeft ? surface[size_t(l)] + (t - l) : surface[size_t(r)] - (r - t);
                    }
                    const QImage& view = leftEye ? views.left : views.right;
                    if (surfaceColumn(view, t, y) != ((expected % kStrip) + kStrip) % kStrip)
                        QFAIL(qPrintable(QStringLiteral("%1 view, row %2, column %3: surface column %4, expected %5")
                                             .arg(leftEye ? "left" : "right")
                                             .arg(y)
                                             .arg(t)
                                             .arg(surfaceColumn(view, t, y))
                                             .arg(expected)));
                }
            }
    }

    // Shading: the nearest point at the texture's brightness, the farthest at 0.45 of it, one depth unshaded.
    void shading_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("squareGrey");
        QTest::addColumn<int>("planeGrey");
        QTest::newRow("square at depth 20") << 20 << 200 << 90; // 200 * 115 / 256 = 89.8
        QTest::newRow("flat plane") << 0 << 200 << 200;
    }
    void shading()
    {
        QFETCH(int, depth);
        QFETCH(int, squareGrey);
        QFETCH(int, planeGrey);
        QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32);
        strip.fill(qRgb(200, 200, 200));
        DepthArray a;
        fillRect(a, QRect(500, 400, 200, 200), depth);
        const StereoViews views = stereoViews(strip, a, 1, true);
        QCOMPARE(qGray(views.left.pixel(760, 500)), squareGrey);
        QCOMPARE(qGray(views.right.pixel(760, 500)), squareGrey);
        QCOMPARE(qGray(views.left.pixel(100, 500)), planeGrey);
        QCOMPARE(qGray(views.right.pixel(1000, 500)), planeGrey);
    }

    // Dubois' red-cyan matrices over linear light, worked out with the sRGB formulas (to within one level).
    void anaglyphColours_data()
    {
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("white left, black right: red only")
            << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(255, 0, 0);
        QTest::newRow("black left, white right: cyan only")
            << QColor(0, 0, 0) << QColor(255, 255, 255) << QColor(0, 255, 255);
        QTest::newRow("white both") << QColor(255, 255, 255) << QColor(255, 255, 255) << QColor(255, 255, 255);
        QTest::newRow("black both") << QColor(0, 0, 0) << QColor(0, 0, 0) << QColor(0, 0, 0);
        QTest::newRow("mid grey both") << QColor(128, 128, 128) << QColor(128, 128, 128) << QColor(128, 128, 128);
        QTest::newRow("red both") << QColor(255, 0, 0) << QColor(255, 0, 0) << QColor(172, 157, 0);
        QTest::newRow("blue both") << QColor(0, 0, 255) << QColor(0, 0, 255) << QColor(116, 0, 255);
        QTest::newRow("orange left, sky right") << QColor(200, 80, 40) << QColor(30, 160, 220) << QColor(143, 130, 234);
    }
    void anaglyphColours()
    {
        QFETCH(QColor, left);
        QFETCH(QColor, right);
        QFETCH(QColor, expected);
        QImage l(4, 2, QImage::Format_RGB32), r(4, 2, QImage::Format_RGB32);
        l.fill(left);
        r.fill(right);
        const QImage out = anaglyph(l, r);
        QCOMPARE(out.size(), QSize(4, 2));
        const QRgb p = out.pixel(3, 1);
        QVERIFY2(qAbs(qRed(p) - expected.red()) <= 1, qPrintable(QString::number(qRed(p))));
        QVERIFY2(qAbs(qGreen(p) - expected.green()) <= 1, qPrintable(QString::number(qGreen(p))));
        QVERIFY2(qAbs(qBlue(p) - expected.blue()) <= 1, qPrintable(QString::number(qBlue(p))));
    }

    // The raised square seen through the glasses: red follows the left view, green and blue the right, column
    // for column (a white square on black, so each channel shows one view's square alone).
    void anaglyphFollowsViews()
    {
        QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32);
        strip.fill(Qt::black);
        for (int y = 0; y < kWorkHeight; ++y)
            strip.setPixel(100, y, qRgb(255, 255, 255)); // surface columns 100, 420, 740, 1060, ...
        DepthArray a;
        fillRect(a, QRect(500, 400, 200, 200), 20);
        const StereoViews views = stereoViews(strip, a, 1);
        const QImage out = anaglyph(views.left, views.right);
        // Surface column 740 lies in the square: at 750 in the left view, 730 in the right; 1060 on the plane.
        QCOMPARE(out.pixel(750, 500), qRgb(255, 0, 0));
        QCOMPARE(out.pixel(730, 500), qRgb(0, 255, 255));
        QCOMPARE(out.pixel(1060, 500), qRgb(255, 255, 255));
        QCOMPARE(out.pixel(740, 500), qRgb(0, 0, 0));
    }

    // The pair: the view for the left eye on the left under parallel viewing, on the right under crossed; each
    // half the view halved, a black divider down the middle.
    void pair_data()
    {
        QTest::addColumn<int>("hk");
        QTest::addColumn<QRgb>("leftHalf");
        QTest::addColumn<QRgb>("rightHalf");
        QTest::newRow("parallel: left view on the left") << 1 << qRgb(200, 0, 0) << qRgb(0, 0, 200);
        QTest::newRow("crossed: left view on the right") << -1 << qRgb(0, 0, 200) << qRgb(200, 0, 0);
    }
    void pair()
    {
        QFETCH(int, hk);
        QFETCH(QRgb, leftHalf);
        QFETCH(QRgb, rightHalf);
        QImage l(kPictureWidth, kWorkHeight, QImage::Format_RGB32), r(l.size(), QImage::Format_RGB32);
        l.fill(qRgb(200, 0, 0));
        r.fill(qRgb(0, 0, 200));
        // A 2 x 2 block of the left view at (10, 20): greens 10, 20, 30, 42 average 25.5, rounded (102 + 2) / 4 = 26.
        l.setPixel(10, 20, qRgb(200, 10, 0));
        l.setPixel(11, 20, qRgb(200, 20, 0));
        l.setPixel(10, 21, qRgb(200, 30, 0));
        l.setPixel(11, 21, qRgb(200, 42, 0));
        const QImage out = stereoPair(l, r, hk);
        QCOMPARE(out.size(), QSize(1920, 640));
        QCOMPARE(out.pixel(300, 300), leftHalf);
        QCOMPARE(out.pixel(1500, 300), rightHalf);
        QCOMPARE(out.pixel(957, 0), leftHalf);
        QCOMPARE(out.pixel(962, 639), rightHalf);
        for (int x = 958; x <= 961; ++x)
            QCOMPARE(out.pixel(x, 320), qRgb(0, 0, 0));
        const int block = hk > 0 ? 5 : 965;
        QCOMPARE(out.pixel(block, 10), qRgb(200, 26, 0));
        QCOMPARE(out.pixel(block + 1, 10), qRgb(200, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TestViews3d)
#include "test_views3d.moc"
