// The text layer: where the lines stand in the mask and the preview, and what the
// mask may hold (the depth step trusts its colours exactly).
#include "text/TextLayer.h"

#include <QHash>
#include <QPainter>
#include <QTest>

namespace {

text::Line line(const QString& s, int size, int x, int y, int italic = 0, int bold = 0)
{
    return text::Line { s, QString(), size, x, y, italic, bold };
}

// The mask of `lines`, drawn over anything: drawMask must clear what it uses.
QImage maskOf(const text::Lines& lines)
{
    QImage mask(1600, 1280, QImage::Format_RGB32);
    mask.fill(qRgb(1, 2, 3));
    text::drawMask(mask, lines);
    return mask;
}

// How many pixels of each colour the picture holds from (1, 1) on.
QHash<QRgb, int> histogram(const QImage& picture)
{
    QHash<QRgb, int> counts;
    for (int y = 1; y < picture.height(); ++y)
        for (int x = 1; x < picture.width(); ++x)
            ++counts[picture.pixel(x, y) & 0xffffff];
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
        QTest::newRow("line 3 at start") << 360 << 0 << 880 << QPoint(180, 1240) << QPoint(18, 124) << 36;
        QTest::newRow("ten steps left") << 440 << -30 << 20 << QPoint(190, 460) << QPoint(19, 46) << 44;
        QTest::newRow("truncated toward zero") << 440 << -235 << 20 << QPoint(-15, 460) << QPoint(-1, 46) << 44;
        QTest::newRow("baseline at the top") << 440 << 0 << -440 << QPoint(220, 0) << QPoint(22, 0) << 44;
        QTest::newRow("size 200") << 800 << 0 << 0 << QPoint(400, 800) << QPoint(40, 80) << 80;
        QTest::newRow("step of 3: preview stays") << 440 << 3 << 20 << QPoint(223, 460) << QPoint(22, 46) << 44;
        QTest::newRow("size 72: preview truncated") << 288 << 0 << 0 << QPoint(144, 288) << QPoint(14, 28) << 28;
    }
    void positions()
    {
        QFETCH(int, size);
        QFETCH(int, x);
        QFETCH(int, y);
        const text::Line l = line(QStringLiteral("A"), size, x, y);
        QTEST(text::maskPosition(l), "mask");
        QTEST(text::previewPosition(l), "preview");
        QTEST(text::previewSize(l), "previewSize");
    }

    // Each line gives a solid area of its own code colour and white, nothing else (no
    // smoothed edges), from (1, 1) on, and leaves the border as it was. Against the plain
    // line: italic changes the shapes, bold thickens them, flags other than 1 and an
    // unknown font draw like the plain line.
    void mask_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("italic");
        QTest::addColumn<int>("bold");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("change");
        QTest::newRow("line 1") << 1 << 0x050A0Fu << 0 << 0 << QString() << "same";
        QTest::newRow("line 2") << 2 << 0x0F050Au << 0 << 0 << QString() << "same";
        QTest::newRow("line 3") << 3 << 0x0A0F05u << 0 << 0 << QString() << "same";
        QTest::newRow("italic") << 1 << 0x050A0Fu << 1 << 0 << QString() << "other";
        QTest::newRow("bold") << 2 << 0x0F050Au << 0 << 1 << QString() << "thicker";
        QTest::newRow("italic and bold") << 3 << 0x0A0F05u << 1 << 1 << QString() << "thicker";
        QTest::newRow("italic 2, bold -1") << 1 << 0x050A0Fu << 2 << -1 << QString() << "same";
        QTest::newRow("unknown font") << 1 << 0x050A0Fu << 0 << 0 << "No Such Font 123"
                                      << "same";
    }
    void mask()
    {
        QFETCH(int, n);
        QFETCH(uint, code);
        QFETCH(int, italic);
        QFETCH(int, bold);
        QFETCH(QString, family);
        QFETCH(QString, change);
        text::Lines plain, styled;
        plain[n - 1] = line(QStringLiteral("Vo立体"), 400, 0, 100);
        styled[n - 1] = line(QStringLiteral("Vo立体"), 400, 0, 100, italic, bold);
        styled[n - 1].family = family;
        const QImage mask = maskOf(styled);
        const QHash<QRgb, int> counts = histogram(mask);
        QCOMPARE(QSet<QRgb>(counts.keyBegin(), counts.keyEnd()), QSet<QRgb>({ 0xffffff, code }));
        QCOMPARE(mask.pixel(700, 0), qRgb(1, 2, 3));
        QCOMPARE(mask.pixel(0, 700), qRgb(1, 2, 3));
        const int plainPixels = histogram(maskOf(plain)).value(code);
        QVERIFY(plainPixels > 5000);
        QCOMPARE(mask == maskOf(plain), change == "same");
        QCOMPARE(counts.value(code) > plainPixels * 11 / 10, change == "thicker");
    }

    // Line 2 drawn over line 1 at the same place leaves line 1 no pixel; lines empty or
    // far off the mask draw nothing.
    void overlapAndNothingToDraw()
    {
        const QString block = QStringLiteral("■");
        QHash<QRgb, int> counts = histogram(maskOf({ line(block, 400, 0, 20), line(block, 400, 0, 20), {} }));
        QCOMPARE(counts.value(text::kLine1Code), 0);
        QVERIFY(counts.value(text::kLine2Code) > 10000);
        counts = histogram(maskOf({ line(QString(), 440, 0, 20), line(QStringLiteral("X"), 400, -100000, 450),
            line(QStringLiteral("Y"), 360, 0, 100000) }));
        QCOMPARE(counts.keys(), QList<QRgb> { 0xffffff });
    }

    void previewDrawsInNearBlack()
    {
        QImage preview(160, 128, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter p(&preview);
        text::drawPreview(p, { line(QStringLiteral("Voleta"), 440, 0, 20), {}, {} });
        p.end();
        QVERIFY(histogram(preview).contains(0x050505));
    }
};

QTEST_MAIN(TestText)
#include "test_text.moc"
