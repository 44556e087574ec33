// The text layer: where the lines stand in the mask and the preview, and what the
// mask may hold (the depth step trusts its colours exactly).
#include "render/Engine.h"
#include "text/TextLayer.h"

#include <QPainter>
#include <QSet>
#include <QTest>

namespace {

text::Line line(const QString& s, int size, int x, int y)
{
    text::Line l;
    l.text = s;
    l.size = size;
    l.x = x;
    l.y = y;
    return l;
}

QImage freshMask()
{
    QImage mask(1600, 1280, QImage::Format_RGB32);
    mask.fill(qRgb(1, 2, 3)); // anything: drawMask must clear what it uses
    return mask;
}

QSet<QRgb> colours(const QImage& mask, int from)
{
    QSet<QRgb> set;
    for (int y = from; y < mask.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = from; x < mask.width(); ++x)
            set.insert(row[x] & 0xffffff);
    }
    return set;
}

int count(const QImage& mask, QRgb code)
{
    int n = 0;
    for (int y = 0; y < mask.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < mask.width(); ++x)
            n += (row[x] & 0xffffff) == code;
    }
    return n;
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
        QTest::newRow("line 2 at start") << 400 << 0 << 450 << QPoint(200, 850) << QPoint(20, 85) << 40;
        QTest::newRow("line 3 at start") << 360 << 0 << 880 << QPoint(180, 1240) << QPoint(18, 124) << 36;
        QTest::newRow("ten steps left") << 440 << -30 << 20 << QPoint(190, 460) << QPoint(19, 46) << 44;
        QTest::newRow("truncated toward zero") << 440 << -235 << 20 << QPoint(-15, 460) << QPoint(-1, 46) << 44;
        QTest::newRow("baseline at the top") << 440 << 0 << -440 << QPoint(220, 0) << QPoint(22, 0) << 44;
        QTest::newRow("size 70") << 280 << 0 << 0 << QPoint(140, 280) << QPoint(14, 28) << 28;
        QTest::newRow("size 200") << 800 << 0 << 0 << QPoint(400, 800) << QPoint(40, 80) << 80;
        QTest::newRow("a step of 3 may not move the preview") << 440 << 3 << 20 << QPoint(223, 460) << QPoint(22, 46) << 44;
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
        QTest::newRow("flags other than 1 draw plain") << 2 << -1;
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
        QCOMPARE(colours(mask, 1),
            QSet<QRgb>({ 0xffffff, render::kLine1Code, render::kLine2Code, render::kLine3Code }));
        QCOMPARE(mask.pixel(0, 0) & 0xffffff, qRgb(1, 2, 3) & 0xffffff);
        QCOMPARE(mask.pixel(0, 700) & 0xffffff, qRgb(1, 2, 3) & 0xffffff);
        // Every line covers a solid area.
        for (QRgb code : { render::kLine1Code, render::kLine2Code, render::kLine3Code })
            QVERIFY2(count(mask, code) > 5000, qPrintable(QString::number(code, 16)));
    }

    void flagsOtherThanOneDrawLikeZero()
    {
        text::Lines a = { line(QStringLiteral("Vx"), 300, 0, 20), {}, {} };
        text::Lines b = a;
        b[0].italic = 2, b[0].bold = -1;
        QImage ma = freshMask(), mb = freshMask();
        text::drawMask(ma, a);
        text::drawMask(mb, b);
        QCOMPARE(ma, mb);
        b[0].italic = 1;
        text::drawMask(mb, b);
        QVERIFY(ma != mb);
    }

    void laterLinesWin()
    {
        // Line 2 drawn over line 1 at the same place: line 1 keeps no pixel under it.
        text::Lines lines = { line(QStringLiteral("■"), 400, 0, 20), line(QStringLiteral("■"), 400, 0, 20), {} };
        QImage mask = freshMask();
        text::drawMask(mask, lines);
        QCOMPARE(count(mask, render::kLine1Code), 0);
        QVERIFY(count(mask, render::kLine2Code) > 10000);
    }

    void emptyAndClippedLines()
    {
        text::Lines lines = { line(QString(), 440, 0, 20), line(QStringLiteral("X"), 400, -100000, 450),
            line(QStringLiteral("Y"), 360, 0, 100000) };
        QImage mask = freshMask();
        text::drawMask(mask, lines);
        QCOMPARE(colours(mask, 1), QSet<QRgb>({ 0xffffff }));
    }

    void unknownFontFallsBackToTheDefault()
    {
        text::Line l = line(QStringLiteral("字"), 200, 0, 0);
        l.family = QStringLiteral("No Such Font Family 123");
        QVERIFY(!text::isInstalled(l.family));
        QCOMPARE(text::lineFont(l, 200, false).family(), text::defaultFamily());
        text::Lines a = { l, {}, {} }, b = a;
        b[0].family.clear();
        QImage ma = freshMask(), mb = freshMask();
        text::drawMask(ma, a);
        text::drawMask(mb, b);
        QCOMPARE(ma, mb);
    }

    void previewDrawsInNearBlack()
    {
        QImage preview(160, 128, QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter p(&preview);
        text::drawPreview(p, { line(QStringLiteral("Voleta"), 440, 0, 20), {}, {} });
        p.end();
        QCOMPARE(colours(preview, 0).contains(qRgb(5, 5, 5) & 0xffffff), true);
    }
};

QTEST_MAIN(TestText)
#include "test_text.moc"
