// The text layer: where the lines stand in the mask and the preview, and what the
// mask may hold (the depth step trusts its colours exactly).
#include "text/TextLayer.h"

#include <QHash>
#include <QPainter>
#include <QTest>

namespace {

text::Line line(const QString& s, int size, int x, int y)
{
    return text::Line { s, QString(), size, x, y };
}

QImage freshMask()
{
    QImage mask(1600, 1280, QImage::Format_RGB32);
    mask.fill(qRgb(1, 2, 3)); // anything: drawMask must clear what it uses
    return mask;
}

QImage maskOf(const text::Line& first)
{
    QImage mask = freshMask();
    text::drawMask(mask, { first, {}, {} });
    return mask;
}

// How many pixels of each colour the picture holds from (from, from) on.
QHash<QRgb, int> histogram(const QImage& picture, int from = 0)
{
    QHash<QRgb, int> counts;
    for (int y = from; y < picture.height(); ++y)
        for (int x = from; x < picture.width(); ++x)
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

    // The mask holds white and the three code colours only (no smoothed edges), from
    // (1, 1) on; the border keeps whatever was there.
    void maskColours_data()
    {
        QTest::addColumn<int>("italic");
        QTest::addColumn<int>("bold");
        QTest::newRow("plain") << 0 << 0;
        QTest::newRow("italic and bold") << 1 << 1;
    }
    void maskColours()
    {
        QFETCH(int, italic);
        QFETCH(int, bold);
        text::Lines lines = { line(QStringLiteral("Voleta"), 440, 0, 20), line(QStringLiteral("立体"), 400, 0, 450),
            line(QStringLiteral("     V2"), 360, 0, 880) };
        for (auto& l : lines)
            l.italic = italic, l.bold = bold;
        QImage mask = freshMask();
        text::drawMask(mask, lines);
        const QHash<QRgb, int> counts = histogram(mask, 1);
        QCOMPARE(QSet<QRgb>(counts.keyBegin(), counts.keyEnd()),
            QSet<QRgb>({ 0xffffff, text::kLine1Code, text::kLine2Code, text::kLine3Code }));
        QCOMPARE(mask.pixel(700, 0), qRgb(1, 2, 3));
        QCOMPARE(mask.pixel(0, 700), qRgb(1, 2, 3));
        // Every line covers a solid area.
        for (QRgb code : { text::kLine1Code, text::kLine2Code, text::kLine3Code })
            QVERIFY2(counts.value(code) > 5000, qPrintable(QString::number(code, 16)));
    }

    // Each line alone gives white and its own code colour, nothing else.
    void eachLineItsOwnCode_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<uint>("code");
        QTest::newRow("line 1") << 1 << 0x050A0Fu;
        QTest::newRow("line 2") << 2 << 0x0F050Au;
        QTest::newRow("line 3") << 3 << 0x0A0F05u;
    }
    void eachLineItsOwnCode()
    {
        QFETCH(int, line);
        QFETCH(uint, code);
        text::Lines lines;
        lines[line - 1] = text::Line { QStringLiteral("V"), QString(), 400, 0, 100 };
        QImage mask = freshMask();
        text::drawMask(mask, lines);
        const QHash<QRgb, int> counts = histogram(mask, 1);
        QCOMPARE(QSet<QRgb>(counts.keyBegin(), counts.keyEnd()), QSet<QRgb>({ 0xffffff, code }));
    }

    void boldStrokesAreThicker()
    {
        const text::Line plain = line(QStringLiteral("Vo"), 400, 0, 100);
        text::Line bold = plain;
        bold.bold = 1;
        const int plainPixels = histogram(maskOf(plain), 1).value(0x050A0F);
        const int boldPixels = histogram(maskOf(bold), 1).value(0x050A0F);
        QVERIFY2(boldPixels > plainPixels * 11 / 10,
            qPrintable(QStringLiteral("%1 vs %2").arg(boldPixels).arg(plainPixels)));
    }

    void flagsOtherThanOneDrawLikeZero()
    {
        const text::Line plain = line(QStringLiteral("Vx"), 300, 0, 20);
        text::Line odd = plain;
        odd.italic = 2, odd.bold = -1;
        QCOMPARE(maskOf(odd), maskOf(plain));
        odd.italic = 1;
        QVERIFY(maskOf(odd) != maskOf(plain));
    }

    void laterLinesWinAndEmptyOrClippedLinesDrawNothing()
    {
        // Line 2 drawn over line 1 at the same place: line 1 keeps no pixel under it.
        QImage mask = freshMask();
        text::drawMask(mask, { line(QStringLiteral("■"), 400, 0, 20), line(QStringLiteral("■"), 400, 0, 20), {} });
        QCOMPARE(histogram(mask).value(text::kLine1Code), 0);
        QVERIFY(histogram(mask).value(text::kLine2Code) > 10000);

        text::drawMask(mask,
            { line(QString(), 440, 0, 20), line(QStringLiteral("X"), 400, -100000, 450),
                line(QStringLiteral("Y"), 360, 0, 100000) });
        QCOMPARE(histogram(mask, 1).keys(), QList<QRgb> { 0xffffff });
    }

    void unknownFontFallsBackToTheDefault()
    {
        const text::Line none = line(QStringLiteral("字"), 200, 0, 0);
        text::Line unknown = none;
        unknown.family = QStringLiteral("No Such Font Family 123");
        QVERIFY(!text::isInstalled(unknown.family));
        QCOMPARE(text::lineFont(unknown, 200, false).family(), text::defaultFamily());
        QCOMPARE(maskOf(unknown), maskOf(none));
    }

    void previewDrawsInNearBlack()
    {
        QImage preview(160, 128, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter p(&preview);
        text::drawPreview(p, { line(QStringLiteral("Voleta"), 440, 0, 20), {}, {} });
        p.end();
        QVERIFY(histogram(preview).contains(qRgb(5, 5, 5) & 0xffffff));
    }
};

QTEST_MAIN(TestText)
#include "test_text.moc"
