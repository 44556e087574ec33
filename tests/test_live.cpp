// Live composition: the stage cache recomputes only what a change touches and gives the picture of the uncached
// pipeline; the answer picture shows the hidden depth.
#include "render/Answer.h"
#include "render/Pipeline.h"
#include "render/StageCache.h"

#include <QTest>
#include <functional>

using namespace render;

namespace {

// A picture busy in red and green, its blue rising from 0 at the left to 255 at the right.
QImage rampPicture()
{
    QImage image(512, 400, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * y % 251, (x ^ y) & 255, x / 2));
    return image;
}

// Three lines of text at depths 6, 8 and 10, parallel viewing, relief factor 2.
Scene textScene()
{
    Scene scene;
    scene.lines = { text::Line { QStringLiteral("Voleta"), {}, 440, 0, 20 },
        text::Line { QStringLiteral(" 3D"), {}, 400, 0, 450 },
        text::Line { QStringLiteral("     V2"), {}, 360, 0, 880 } };
    scene.s1 = 6, scene.s2 = 8, scene.s3 = 10;
    scene.hk = 1;
    scene.kt = 2;
    return scene;
}

using Change = std::function<void(Scene&)>;
using Counts = QList<int>; // strip, crop, relief, mask, depth, picture

} // namespace

Q_DECLARE_METATYPE(Change)

class TestLive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // How often each stage has run after the start and one change: 2 = the change made it run again.
    void recomputesOnlyWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<Counts>("expected");
        const auto row
            = [](const char* name, Change change, Counts expected) { QTest::newRow(name) << change << expected; };
        row("another source picture", [](Scene& s) { s.pattern = rampPicture().mirrored(); }, { 2, 1, 1, 1, 1, 2 });
        row("another background", [](Scene& s) { s.map = rampPicture().mirrored(); }, { 1, 2, 2, 1, 2, 2 });
        row("zoom", [](Scene& s) { s.zoomRow = 4; }, { 1, 2, 2, 1, 2, 2 });
        row("a pan arrow", [](Scene& s) { s.pan += QPoint(0, 5); }, { 1, 2, 2, 1, 2, 2 });
        row("keep aspect", [](Scene& s) { s.keepAspect = true; }, { 1, 2, 2, 1, 2, 2 });
        row("viewing method", [](Scene& s) { s.hk = -1; }, { 1, 1, 2, 1, 2, 2 });
        row("height", [](Scene& s) { s.kt = 5; }, { 1, 1, 2, 1, 2, 2 });
        row("lighter near", [](Scene& s) { s.lighterNear = true; }, { 1, 1, 2, 1, 2, 2 });
        row("a typed character", [](Scene& s) { s.lines[1].text += QLatin1Char('x'); }, { 1, 1, 1, 2, 2, 2 });
        row("line 1's size", [](Scene& s) { s.lines[0].size = 200; }, { 1, 1, 1, 2, 2, 2 });
        row("line 3 moved", [](Scene& s) { s.lines[2].y += 3; }, { 1, 1, 1, 2, 2, 2 });
        row("line 1 bold", [](Scene& s) { s.lines[0].bold = 1; }, { 1, 1, 1, 2, 2, 2 });
        row("line 1's depth slider", [](Scene& s) { s.s1 = -3; }, { 1, 1, 1, 1, 2, 2 });
        row("line 2's depth slider", [](Scene& s) { s.s2 = 18; }, { 1, 1, 1, 1, 2, 2 });
        row("line 3's depth slider", [](Scene& s) { s.s3 = 3; }, { 1, 1, 1, 1, 2, 2 });
        row("high quality", [](Scene& s) { s.quality = true; }, { 1, 1, 1, 1, 1, 2 });
    }
    void recomputesOnlyWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(Counts, expected);
        Scene scene = textScene();
        scene.pattern = rampPicture();
        scene.map = rampPicture();
        scene.zoomRow = 2;
        StageCache cache;
        cache.update(scene);
        change(scene);
        const QImage picture = cache.update(scene);
        const StageCache::Counts& c = cache.counts();
        QCOMPARE((Counts { c.strip, c.crop, c.relief, c.mask, c.depth, c.picture }), expected);
        // Whatever was skipped, the picture is the one the whole pipeline gives.
        QCOMPARE(picture, composeScene(scene.pattern, sceneDepth(scene), scene.quality, scene.hk));
    }

    // A depth array given whole (a depth file) is composed as the engine composes it, and
    // the next update makes the scene's own depths again.
    void givenDepthArray()
    {
        Scene scene = textScene();
        scene.pattern = rampPicture();
        DepthArray given;
        for (int y = 0; y < kWorkHeight; ++y)
            for (int x = 300; x < 900; ++x)
                given.at(x, y) = 12;
        QImage expected;
        compose(patternStrip(scene.pattern), given, expected);
        StageCache cache;
        cache.update(scene);
        QCOMPARE(cache.composeDepth(scene, given), expected);
        QVERIFY(cache.depth() == given);
        QCOMPARE(cache.update(scene), composeScene(scene.pattern, sceneDepth(scene), false, 1));
        QCOMPARE(cache.counts().mask, 1); // the scene's own stages were kept meanwhile
        scene.pattern = QImage(); // without a source picture there is nothing to show
        QVERIFY(cache.update(scene).isNull());
    }

    // A hand-made depth array: a block of "text" touching both edges (columns 0..99 and 1500..1599 of rows
    // 10..19) at `text` over a plane at 0 and a patch at `other` (columns 800..809, row 500). Greys worked out
    // by hand from 56 + 199 * (depth * hk - farthest) / (nearest - farthest), rounded; the 160-column margins
    // are the farthest grey in every row, the text's rows included; one depth throughout is mid grey. The extra
    // column and row hold no pixel and do not count.
    void answer_data()
    {
        QTest::addColumn<int>("hk");
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("other");
        QTest::addColumn<QList<int>>("greys"); // text, plane, patch, margins
        // Nearness 12, 0, -4: (0 + 4) / 16 of the way gives 56 + 49.75.
        QTest::newRow("parallel, patch behind") << 1 << 12 << -4 << QList { 255, 106, 56, 56 };
        QTest::newRow("crossed, patch behind") << -1 << -12 << 4 << QList { 255, 106, 56, 56 };
        // The text behind the plane, the patch nearest: nearness -6, 0, 6.
        QTest::newRow("crossed, text behind") << -1 << 6 << -6 << QList { 56, 156, 255, 56 };
        QTest::newRow("one depth") << 1 << 0 << 0 << QList { 128, 128, 128, 128 };
    }
    void answer()
    {
        QFETCH(int, hk);
        QFETCH(int, text);
        QFETCH(int, other);
        QFETCH(QList<int>, greys);
        DepthArray a;
        for (int y = 10; y < 20; ++y)
            for (int x = 0; x < 100; ++x)
                a.at(x, y) = a.at(1500 + x, y) = text;
        for (int x = 800; x < 810; ++x)
            a.at(x, 500) = other;
        a.at(1600, 3) = 90;
        a.at(7, 1280) = -900;
        const QImage answer = answerPicture(a, hk);
        QCOMPARE(answer.size(), QSize(1920, 1280));
        QCOMPARE(int(answer.constScanLine(15)[160]), greys[0]);
        QCOMPARE(int(answer.constScanLine(15)[1759]), greys[0]);
        QCOMPARE(int(answer.constScanLine(300)[1000]), greys[1]);
        QCOMPARE(int(answer.constScanLine(500)[965]), greys[2]);
        for (const int y : { 0, 10, 15, 19, 500, 1279 })
            for (const int x : { 0, 80, 159, 1760, 1850, 1919 })
                QCOMPARE(int(answer.constScanLine(y)[x]), greys[3]);
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
