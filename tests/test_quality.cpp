// The high-quality composition against one worked out from its definition, a pair of linked images at a time.
#include "render/Engine.h"
#include "render/QualityCompose.h"
#include "support/VectorLevels.h"

#include <QRandomGenerator>
#include <QTest>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

using namespace render;

namespace {

// The columns (left image, right image) of the points of row y that both eyes see, in the order of the points:
// each eye sees, on each column, the nearest point imaged there, the one of largest depth * hk (parallel
// viewing, hk 1: a shorter repeat is nearer; crossed, hk -1: a longer one); a point of depth 320 or more has no
// images. Depth d at x has its images at x + 160 - floor((320 - d) / 2) and 320 - d further right.
QList<QPoint> seenPairs(const DepthArray& a, int y, int hk)
{
    std::vector<qint64> nearestLeft(kPictureWidth, LLONG_MIN), nearestRight(kPictureWidth, LLONG_MIN);
    const auto inside = [](qint64 c) { return c >= 0 && c < kPictureWidth; };
    const auto left = [&a, y](int x) { return x + 160 - (320 - qint64(a.at(x, y))) / 2; };
    const auto right = [&a, y, left](int x) { return left(x) + 320 - a.at(x, y); };
    for (int x = 0; x < kWorkWidth; ++x) {
        const qint64 d = a.at(x, y) * qint64(hk);
        if (a.at(x, y) >= 320) continue;
        if (inside(left(x))) nearestLeft[left(x)] = std::max(nearestLeft[left(x)], d);
        if (inside(right(x))) nearestRight[right(x)] = std::max(nearestRight[right(x)], d);
    }
    QList<QPoint> pairs;
    for (int x = 0; x < kWorkWidth; ++x) {
        const qint64 d = a.at(x, y) * qint64(hk);
        if (a.at(x, y) < 320 && inside(left(x)) && inside(right(x)) && nearestLeft[left(x)] == d
            && nearestRight[right(x)] == d)
            pairs << QPoint(int(left(x)), int(right(x)));
    }
    return pairs;
}

} // namespace

class TestQuality : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testing::vectorLevelsData(); }
    void init() { testing::useVectorLevel(); }
    void cleanupTestCase() { testing::restoreVectorLevel(); }

    // Runs of depths drawn from `values`, each 1..longestRun entries long: long runs, short repeat distances and
    // extremes; each viewed parallel and crossed.
    void composition_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("longestRun");
        QTest::addColumn<int>("hk");
        for (const auto& [method, hk] : { std::pair { "parallel", 1 }, std::pair { "crossed", -1 } }) {
            const auto row = [method](const char* name) -> QTestData& { return QTest::addRow("%s: %s", method, name); };
            row("text depths, long runs") << QList { -36, -24, 0, 16, 36 } << 700 << hk;
            row("repeat distances 8..15") << QList { 0, 305, 308, 312 } << 90 << hk;
            row("extremes") << QList { INT_MIN, -6560, -3301, -3300, -320, 0, 319, 320, INT_MAX } << 80 << hk;
        }
    }
    void composition()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, longestRun);
        QFETCH(int, hk);
        QRandomGenerator random(2024);
        DepthArray a;
        for (int y = 0; y < DepthArray::kRows; ++y)
            for (int x = 0; x < DepthArray::kColumns;) {
                const int value = values[random.bounded(int(values.size()))];
                for (int n = random.bounded(1, longestRun + 1); n > 0 && x < DepthArray::kColumns; --n)
                    a.at(x++, y) = value;
            }
        QImage strip(kStrip, kWorkHeight, QImage::Format_RGB32); // every pixel of its own colour
        for (int y = 0; y < kWorkHeight; ++y)
            for (int x = 0; x < kStrip; ++x)
                strip.setPixel(x, y, 0xFF000000u | uint(y * kStrip + x + 1));
        QImage picture(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
        picture.fill(qRgb(1, 2, 3));
        composeQuality(strip, a, hk, picture);

        qsizetype linked = 0;
        std::vector<QRgb> expected(kPictureWidth);
        for (int y = 0; y < kWorkHeight; ++y) {
            // The images of a point both eyes see have one colour.
            const QList<QPoint> pairs = seenPairs(a, y, hk);
            linked += pairs.size();
            for (const QPoint& p : pairs)
                if (picture.pixel(p.x(), y) != picture.pixel(p.y(), y))
                    QFAIL(qPrintable(QStringLiteral("row %1: columns %2 and %3 differ").arg(y).arg(p.x()).arg(p.y())));
            // Which colour: the strip (at 600..919) repeated across the row, then each pair's colour copied from
            // its image nearer the middle of the seed (919.5), rightward pairs first, from the left, then the
            // others from the right.
            for (int c = 0; c < kPictureWidth; ++c)
                expected[c] = strip.pixel(((c - 600) % 320 + 320) % 320, y);
            for (const QPoint& p : pairs)
                if (p.x() + p.y() >= 1839) expected[p.y()] = expected[p.x()];
            for (auto p = pairs.crbegin(); p != pairs.crend(); ++p)
                if (p->x() + p->y() < 1839) expected[p->x()] = expected[p->y()];
            if (std::memcmp(picture.constScanLine(y), expected.data(), kPictureWidth * 4) != 0)
                QFAIL(qPrintable(QStringLiteral("row %1: wrong colours").arg(y)));
        }
        QVERIFY(linked > 0);
    }
};

QTEST_GUILESS_MAIN(TestQuality)
#include "test_quality.moc"
