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

// Checks that every column of row y shows surface column t + offset (mod 320), the offset of the last segment
// (first column, offset) starting at or before t.
void expectRow(const QImage& view, int y, const QList<QPoint>& segments, const char* which)
{
    for (int t = 0; t < kPictureWidth; ++t) {
        int offset = 0;
        for (const QPoint& s : segments)
            if (s.x() <= t) offset = s.y();
        const int expected = (((t + offset) % kStrip) + kStrip) % kStrip;
        const QRgb p = view.pixel(t, y);
        if (qGreen(p) * 256 + qBlue(p) != expected)
            QFAIL(qPrintable(QString::asprintf(
                "%s view, column %d: surface column %d, expected %d", which, t, qGreen(p) * 256 + qBlue(p), expected)));
        QCOMPARE(qRed(p), y & 0xFF);
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
        QTest::newRow("nearest of a deep scene") << 96 << 0 << 96 << 48;
        QTest::newRow("1.8 pixels") << 3 << 0 << 80 << 2;
        QTest::newRow("farthest below zero") << -10 << -40 << 40 << 18;
    }
    void parallax()
    {
        QFETCH(int, nearness);
        QFETCH(int, farthest);
        QFETCH(int, nearest);
        QTEST(viewParallax(nearness, farthest, nearest), "expected");
    }

    // Raised regions over the plane under parallel viewing, row 500 of each view as segments (first column, surface
    // column - column). A depth entry x lies at column x + 160; a parallax p moves it p - p/2 right in the left view
    // and p/2 left in the right view. The gap opened beside a near edge shows the farther surface carried on.
    void raisedRegions_data()
    {
        QTest::addColumn<QList<QRect>>("regions");
        QTest::addColumn<QList<int>>("depths");
        QTest::addColumn<QList<QPoint>>("left");
        QTest::addColumn<QList<QPoint>>("right");
        using Segments = QList<QPoint>;
        const auto row = [](const char* name, QList<QRect> regions, QList<int> depths, Segments left, Segments right) {
            QTest::newRow(name) << regions << depths << left << right;
        };
        // A square at columns 660..859 of the picture, odd parallax 13: 7 right, 6 left.
        row("square at depth 13", { QRect(500, 400, 200, 200) }, { 13 }, { { 667, -7 }, { 867, 0 } },
            { { 654, 6 }, { 854, 0 } });
        // Steps from depth entry 0: depth 4 at entries 0..1, 2 at 2..11. Left view: 162..163, then 164..172 over
        // the plane's 172. Right view: 158..159 over the margin, 161..170; the gap at 160 shows the farther step
        // carried on, not the margin.
        row("steps at the left edge", { QRect(0, 400, 2, 200), QRect(2, 400, 10, 200) }, { 4, 2 },
            { { 162, -2 }, { 164, -1 }, { 173, 0 } }, { { 158, 2 }, { 160, 1 }, { 171, 0 } });
    }
    void raisedRegions()
    {
        QFETCH(QList<QRect>, regions);
        QFETCH(QList<int>, depths);
        QFETCH(QList<QPoint>, left);
        QFETCH(QList<QPoint>, right);
        DepthArray a;
        for (int i = 0; i < regions.size(); ++i)
            for (int y = regions[i].top(); y <= regions[i].bottom(); ++y)
                for (int x = regions[i].left(); x <= regions[i].right(); ++x)
                    a.at(x, y) = depths[i];
        const StereoViews views = stereoViews(columnStrip(), a, 1);
        expectRow(views.left, 500, left, "left");
        expectRow(views.right, 500, right, "right");
        // A row the regions do not reach is the plane in both views.
        expectRow(views.left, 300, {}, "left");
        expectRow(views.right, 300, {}, "right");
    }

    // Dubois' red-cyan matrices over linear light, worked out with the sRGB formulas (to within one level).
    void anaglyphColours_data()
    {
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");
        QTest::addColumn<QColor>("expected");
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
        const QRgb p = anaglyph(l, r).pixel(3, 1);
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
        for (const int i : { 0, 1, 2, 3 })
            l.setPixel(10 + i % 2, 20 + i / 2, qRgb(200, QList { 10, 20, 30, 42 }[i], 0));
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
