// The text layer: where the lines stand in the mask and the preview, and what the mask may hold (the depth step
// trusts its colours exactly).
#include "render/Pipeline.h"
#include "text/TextLayer.h"

#include <QHash>
#include <QPainter>
#include <QTest>

namespace {

// How many pixels of each colour the mask of `lines` holds from (1, 1) on. The mask is drawn over another
// colour: drawMask must clear what it uses.
QHash<QRgb, int> maskColours(const text::Lines& lines, QImage* maskOut = nullptr)
{
    QImage mask(1600, 1280, QImage::Format_RGB32);
    mask.fill(qRgb(1, 2, 3));
    text::drawMask(mask, lines);
    QHash<QRgb, int> counts;
    for (int y = 1; y < mask.height(); ++y)
        for (int x = 1; x < mask.width(); ++x)
            ++counts[mask.pixel(x, y) & 0xffffff];
    if (maskOut) *maskOut = mask;
    return counts;
}

} // namespace

class TestText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void positions_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QPoint>("mask");
        QTest::addColumn<QPoint>("preview");
        QTest::addColumn<int>("previewSize");
        QTest::newRow("line 1 at start") << 440 << 0 << 20 << QPoint(220, 460) << QPoint(22, 46) << 44;
        QTest::newRow("truncated toward zero") << 440 << -235 << 20 << QPoint(-15, 460) << QPoint(-1, 46) << 44;
        QTest::newRow("size 72: preview truncated") << 288 << 0 << 0 << QPoint(144, 288) << QPoint(14, 28) << 28;
    }
    void positions()
    {
        QFETCH(int, size);
        QFETCH(int, x);
        QFETCH(int, y);
        const text::Line l { QStringLiteral("A"), {}, size, x, y };
        QTEST(text::maskPosition(l), "mask");
        QTEST(text::previewPosition(l), "preview");
        QTEST(text::previewSize(l), "previewSize");
    }

    // A line gives a solid area of its own code colour and white, nothing else (no smoothed edges). Against the
    // plain line: italic changes the shapes, bold thickens them.
    void mask_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("italic");
        QTest::addColumn<int>("bold");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("change");
        const QString none;
        QTest::newRow("italic") << 1 << 0x050A0Fu << 1 << 0 << none << "other";
        QTest::newRow("bold") << 2 << 0x0F050Au << 0 << 1 << none << "thicker";
        QTest::newRow("installed bold face") << 2 << 0x0F050Au << 0 << 1 << QStringLiteral("DejaVu Sans") << "thicker";
    }
    void mask()
    {
        QFETCH(int, n);
        QFETCH(uint, code);
        QFETCH(int, italic);
        QFETCH(int, bold);
        QFETCH(QString, family);
        QFETCH(QString, change);
        QVERIFY2(family.isEmpty() || text::isInstalled(family), qPrintable(family)); // ./run installs them
        text::Lines plain, styled;
        plain[n - 1] = { QStringLiteral("Vo立体"), family, 400, 0, 100 };
        styled[n - 1] = { QStringLiteral("Vo立体"), family, 400, 0, 100, italic, bold };
        QImage mask, plainMask;
        const QHash<QRgb, int> counts = maskColours(styled, &mask);
        const int plainPixels = maskColours(plain, &plainMask).value(code);
        QCOMPARE(QSet<QRgb>(counts.keyBegin(), counts.keyEnd()), QSet<QRgb>({ 0xffffff, code }));
        QVERIFY(plainPixels > 5000);
        QVERIFY(mask != plainMask);
        QCOMPARE(counts.value(code) > plainPixels * 11 / 10, change == "thicker");
    }

    // A line moved 300 pixels left is the same mask moved left, the glyph across the left edge included; line 2
    // drawn over line 1 at the same place leaves line 1 no pixel.
    void laterLinesAndLeftEdge()
    {
        QImage at0, left;
        const text::Line here { QStringLiteral("体体体"), {}, 400, 0, 20 }, moved { here.text, {}, 400, -300, 20 };
        QCOMPARE(maskColours({ here, here, {} }, &at0).value(text::kLine1Code), 0);
        maskColours({ moved, moved, {} }, &left);
        QCOMPARE(left.copy(1, 1, 1299, 1279), at0.copy(301, 1, 1299, 1279));
    }

    // The preview draws every line in (5, 5, 5), smoothed into the white around it.
    void previewColour()
    {
        QImage preview(160, 128, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter p(&preview);
        text::drawPreview(p, { text::Line { QStringLiteral("Voleta"), {}, 440, 0, 20 } });
        p.end();
        QSet<QRgb> greys;
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width(); ++x)
                greys.insert(preview.pixel(x, y) & 0xffffff);
        QVERIFY(greys.contains(0x050505) && !greys.contains(0) && greys.size() > 3);
    }

    // A family that several foundries supply is listed once, by its plain name, where it came first.
    void plainFamilies()
    {
        QCOMPARE(text::plainFamilies({ "C059 [UKWN]", "Sans", "C059 [urw]" }), (QStringList { "C059", "Sans" }));
    }
};

QTEST_MAIN(TestText)
#include "test_text.moc"
