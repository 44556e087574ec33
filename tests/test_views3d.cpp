// The two views of the scene, the anaglyph and the stereo pair, against columns and colours worked out by hand.
#include "render/DepthArray.h"
#include "render/StereoViews.h"

#include <QList>
#include <QPoint>
#include <QTest>

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
            QFAIL(qPrintable(QString::asprintf(
                "%s view, column %d: surface column %d, expected %d", which, t, surfaceColumn(view, t, y), expected)));
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
        QTest::addColumn<int>("nearness");
        QTest::addColumn<int>("farthest");
        QTest::addColumn<int>("nearest");
        QTest::addColumn<int>("expected");
        QTest::newRow("exactly 48 steps deep") << 48 << 0 << 48 << 48;
        QTest::newRow("nearest of a deep scene") << 96 << 0 << 96 << 48;
        QTest::newRow("half a pixel rounds up") << 1 << 0 << 96 << 1;
        QTest::newRow("1.8 pixels") << 3 << 0 << 80 << 2;
        QTest::newRow("farthest below zero") << -10 << -40 << 40 << 18;
        QTest::newRow("one depth everywhere") << 7 << 7 << 7 << 0;
    }
    void parallax()
    {
        QFETCH(int, nearness);
        QFETCH(int, farthest);
        QFETCH(int, nearest);
        QTEST(viewParallax(nearness, farthest, nearest), "expected");
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
        using Segments = QList<QPoint>;
        const auto row = [](const char* name, int hk, QList<QRect> regions, QList<int> depths, Segments left,
                             Segments right) { QTest::newRow(name) << hk << regions << depths << left << right; };
        const QRect square(500, 400, 200, 200); // columns 660..859 of the picture
        // Depth 20: the square moves 10 right (left view: columns 670..869; the plane fills 660..669 and is hidden
        // under 860..869) and 10 left (right view: 650..849; the plane shows again from 850).
        row("square at depth 20, parallel", 1, { square }, { 20 }, { { 670, -10 }, { 870, 0 } },
            { { 650, 10 }, { 850, 0 } });
        // Odd parallax 13: 7 right, 6 left.
        row("square at depth 13", 1, { square }, { 13 }, { { 667, -7 }, { 867, 0 } }, { { 654, 6 }, { 854, 0 } });
        // 100 steps deep: parallax 48, 24 each way.
        row("square 100 steps deep", 1, { square }, { 100 }, { { 684, -24 }, { 884, 0 } }, { { 636, 24 }, { 836, 0 } });
        // Crossed viewing reads depth 20 as 20 steps behind the plane: the plane (and only the plane) comes 20
        // nearer, over the margins at the far depth; in the left view the plane covers the square's left 10
        // columns and the square's right side is carried on over the gap at 860..869.
        row("square at depth 20, crossed: a hollow", -1, { square }, { 20 },
            { { 170, -10 }, { 670, 0 }, { 870, -10 }, { 1770, 0 } },
            { { 150, 10 }, { 650, 0 }, { 850, 10 }, { 1750, 0 } });
        // Steps from depth entry 0: depth 4 at entries 0..1, 2 at 2..11. Left view: 162..163, then 164..172 over
        // the plane's 172. Right view: 158..159 over the margin, 161..170; the gap at 160 shows the farther step
        // carried on, not the margin.
        row("steps at the left edge", 1, { QRect(0, 400, 2, 200), QRect(2, 400, 10, 200) }, { 4, 2 },
            { { 162, -2 }, { 164, -1 }, { 173, 0 } }, { { 158, 2 }, { 160, 1 }, { 171, 0 } });
        // Two steps side by side: depth 10 at columns 560..759, depth 30 at 760..959. Left view: the depth-10
        // step at 565..764, carried on over the gap 765..774, the depth-30 step at 775..974 over the plane's
        // 960..974. Right view: the depth-10 step at 555..754 is hidden under the nearer one from 745.
        row("a nearer step hides the farther", 1, { QRect(400, 450, 200, 100), QRect(600, 450, 200, 100) }, { 10, 30 },
            { { 565, -5 }, { 775, -15 }, { 975, 0 } }, { { 555, 5 }, { 745, 15 }, { 945, 0 } });
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

    // Dubois' red-cyan matrices over linear light, worked out with the sRGB formulas (to within one level).
    void anaglyphColours_data()
    {
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("white left, black right: red only")
            << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(255, 0, 0);
        QTest::newRow("mid grey both") << QColor(128, 128, 128) << QColor(128, 128, 128) << QColor(128, 128, 128);
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
