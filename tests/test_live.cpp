// Live composition: the stage cache recomputes only what a change touches and gives
// the picture of the uncached pipeline; the answer picture shows the hidden depth.
#include "render/Answer.h"
#include "render/Pipeline.h"
#include "render/QualityCompose.h"
#include "render/StageCache.h"

#include <QTest>
#include <functional>

using namespace render;

namespace {

QImage noisePicture(int w, int h, quint32 seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 v = seed;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            v = v * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (v >> 8);
        }
    }
    return image;
}

// A map whose blue channel rises from left to right, 0 to 255.
QImage rampMap()
{
    QImage image(512, 400, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(0, 0, x / 2));
    return image;
}

Scene startScene()
{
    Scene scene;
    scene.pattern = noisePicture(200, 300, 7);
    scene.map = rampMap();
    scene.zoomRow = 2;
    return scene;
}

using Change = std::function<void(Scene&)>;
using Counts = QList<int>; // strip, crop, relief, mask, depth, picture

Counts countsOf(const StageCache& cache)
{
    const StageCache::Counts& c = cache.counts();
    return { c.strip, c.crop, c.relief, c.mask, c.depth, c.picture };
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestLive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Which stages each kind of change recomputes: 1 = this stage runs again.
    void recomputesOnlyWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<Counts>("expected");
        QTest::newRow("nothing") << Change([](Scene&) {}) << Counts { 0, 0, 0, 0, 0, 0 };
        QTest::newRow("a typed character")
            << Change([](Scene& s) { s.lines[1].text += QLatin1Char('x'); }) << Counts { 0, 0, 0, 1, 1, 1 };
        QTest::newRow("a line moved") << Change([](Scene& s) { s.lines[2].x += 10; }) << Counts { 0, 0, 0, 1, 1, 1 };
        QTest::newRow("a depth slider") << Change([](Scene& s) { s.s2 = -4; }) << Counts { 0, 0, 0, 0, 1, 1 };
        QTest::newRow("a pan arrow") << Change([](Scene& s) { s.pan += QPoint(0, 5); }) << Counts { 0, 1, 1, 0, 1, 1 };
        QTest::newRow("zoom") << Change([](Scene& s) { s.zoomRow = 3; }) << Counts { 0, 1, 1, 0, 1, 1 };
        QTest::newRow("another background")
            << Change([](Scene& s) { s.map = noisePicture(300, 200, 3); }) << Counts { 0, 1, 1, 0, 1, 1 };
        QTest::newRow("height factor") << Change([](Scene& s) { s.kt = 5; }) << Counts { 0, 0, 1, 0, 1, 1 };
        QTest::newRow("viewing method") << Change([](Scene& s) { s.hk = -1; }) << Counts { 0, 0, 1, 0, 1, 1 };
        QTest::newRow("another source picture")
            << Change([](Scene& s) { s.pattern = noisePicture(90, 90, 9); }) << Counts { 1, 0, 0, 0, 0, 1 };
        QTest::newRow("high quality") << Change([](Scene& s) { s.quality = true; }) << Counts { 0, 0, 0, 0, 0, 1 };
        QTest::newRow("zoom over the flat plane") << Change([](Scene& s) {
            s.map = QImage();
            s.zoomRow = 4;
        }) << Counts { 0, 1, 1, 0, 1, 1 };
    }
    void recomputesOnlyWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(Counts, expected);
        Scene scene = startScene();
        StageCache cache;
        cache.update(scene);
        QCOMPARE(countsOf(cache), (Counts { 1, 1, 1, 1, 1, 1 }));

        change(scene);
        const QImage picture = cache.update(scene).copy();
        Counts delta = countsOf(cache);
        for (int& n : delta)
            n -= 1;
        QCOMPARE(delta, expected);
        // Whatever was skipped, the picture is the one the whole pipeline gives.
        QCOMPARE(picture, composeScene(scene.pattern, sceneDepth(scene), scene.quality));
    }

    // Turning high quality on and off again recomposes each time, by the composition asked for.
    void qualityFollowsTheScene()
    {
        Scene scene = startScene();
        StageCache cache;
        const QImage plain = cache.update(scene).copy();
        scene.quality = true;
        const QImage symmetric = cache.update(scene).copy();
        QImage expected(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        composeQuality(patternStrip(scene.pattern), sceneDepth(scene), expected);
        QCOMPARE(symmetric, expected);
        QVERIFY(symmetric != plain);
        scene.quality = false;
        QCOMPARE(cache.update(scene), plain);
        QCOMPARE(cache.counts().picture, 3);
    }

    // Over the flat plane, zoom and pan are meaningless and recompute nothing.
    void flatPlaneIgnoresZoomAndPan()
    {
        Scene scene = startScene();
        scene.map = QImage();
        StageCache cache;
        cache.update(scene);
        scene.zoomRow = 5;
        scene.pan = QPoint(40, -40);
        cache.update(scene);
        QCOMPARE(countsOf(cache), (Counts { 1, 1, 1, 1, 1, 1 }));
    }

    // A picture handed out and still shown is never written by the next update.
    void shownPictureStaysWhole()
    {
        Scene scene = startScene();
        StageCache cache;
        const QImage shown = cache.update(scene);
        const QImage before = shown.copy();
        scene.lines[0].text = QStringLiteral("W");
        const QImage next = cache.update(scene);
        QCOMPARE(shown, before);
        QVERIFY(next != before);
    }

    void noPatternNoPicture()
    {
        Scene scene = startScene();
        scene.pattern = QImage();
        StageCache cache;
        QVERIFY(cache.update(scene).isNull());
    }

    // The start scene's lines (depths 12, 16, 20 over the plane at 0 when viewed
    // parallel) are lighter than the plane, and the nearest line is white; crossed
    // viewing negates the depths, so the lines turn darker than the plane.
    void answerShowsTheLines_data()
    {
        QTest::addColumn<int>("hk");
        QTest::addColumn<bool>("linesLighter");
        QTest::newRow("parallel") << 1 << true;
        QTest::newRow("crossed") << -1 << false;
    }
    void answerShowsTheLines()
    {
        QFETCH(int, hk);
        QFETCH(bool, linesLighter);
        Scene scene;
        scene.hk = hk;
        QImage mask;
        const QImage answer = answerPicture(sceneDepth(scene, &mask));
        QCOMPARE(answer.size(), QSize(1920, 1280));

        const int plane = qGray(answer.pixel(160 + 5, 1279)); // a corner no line reaches
        QCOMPARE(plane, linesLighter ? kAnswerFar : kAnswerNear);
        const QRgb codes[3] = { 0x050A0F, 0x0F050A, 0x0A0F05 };
        for (int n = 0; n < 3; ++n) {
            int found = 0;
            for (int y = 1; y < kWorkHeight && found < 50; y += 3)
                for (int x = 1; x < kWorkWidth && found < 50; x += 3) {
                    if ((mask.pixel(x, y) & 0xFFFFFF) != codes[n]) continue;
                    const int grey = qGray(answer.pixel(x + 160, y));
                    QVERIFY2(linesLighter ? grey > plane : grey < plane, qPrintable(QString::number(n + 1)));
                    ++found;
                }
            QVERIFY(found > 0);
        }
        // Line 3 (depth 20 or -20) is the extreme.
        const int extreme = linesLighter ? kAnswerNear : kAnswerFar;
        bool seen = false;
        for (int y = 1; y < kWorkHeight && !seen; ++y)
            for (int x = 1; x < kWorkWidth && !seen; ++x)
                seen = (mask.pixel(x, y) & 0xFFFFFF) == codes[2] && qGray(answer.pixel(x + 160, y)) == extreme;
        QVERIFY(seen);
    }

    // The ramp map's relief falls from left to right (blue rises), so every row of
    // the answer darkens monotonically, from white at the left to the far grey.
    void answerOfARampIsARamp()
    {
        DepthArray a;
        depthFromMap(mapCropPicture(rampMap(), 0, {}), 1, 2, a);
        const QImage answer = answerPicture(a);
        for (int y = 0; y < kWorkHeight; y += 97) {
            const uchar* row = answer.constScanLine(y);
            for (int x = 1; x < 1920; ++x)
                QVERIFY2(row[x] <= row[x - 1], qPrintable(QStringLiteral("row %1 column %2").arg(y).arg(x)));
            QCOMPARE(row[0], uchar(kAnswerNear));
            QCOMPARE(row[1919], uchar(kAnswerFar));
        }
    }

    void answerOfOneDepthIsMidGrey_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("plane") << 0;
        QTest::newRow("near") << 36;
        QTest::newRow("far") << -500;
    }
    void answerOfOneDepthIsMidGrey()
    {
        QFETCH(int, depth);
        DepthArray a;
        a.fill(depth);
        // The extra column and row hold no pixel and do not count.
        a.at(1600, 3) = depth + 90;
        a.at(7, 1280) = depth - 90;
        const QImage answer = answerPicture(a);
        for (int y = 0; y < kWorkHeight; ++y) {
            const uchar* row = answer.constScanLine(y);
            QVERIFY(std::all_of(row, row + 1920, [](uchar g) { return g == kAnswerFlat; }));
        }
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
