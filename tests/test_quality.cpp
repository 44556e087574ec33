// The high-quality composition: linked images match, hidden points link nothing, a
// flat plane gives the picture of `compose`, and no depth reaches outside the picture.
#include "render/Engine.h"
#include "render/QualityCompose.h"
#include "render/RowKernels.h"
#include "text/MaskCodes.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace render;

namespace {

// A strip of random colours: distinct places almost never share a colour.
QImage noiseStrip(quint32 seed, QSize size = { kStrip, kWorkHeight })
{
    QRandomGenerator random(seed);
    QImage strip(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    return strip;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

struct Pair {
    int left, right;
};

// The pairs of columns of the points of one row that both eyes see, worked out from
// the definition: each eye sees, on each column, the point of largest depth imaged
// there; a point of depth 320 or more has no images.
std::vector<Pair> seenPairs(const DepthArray& a, int y)
{
    std::vector<qint64> lefts(kWorkWidth, -1), rights(kWorkWidth, -1);
    std::vector<qint64> nearestLeft(kPictureWidth, LLONG_MIN), nearestRight(kPictureWidth, LLONG_MIN);
    const auto inside = [](qint64 c) { return c >= 0 && c < kPictureWidth; };
    for (int x = 0; x < kWorkWidth; ++x) {
        const qint64 d = a.at(x, y);
        if (d >= 320) continue;
        lefts[x] = x + 160 - floorDiv(320 - d, 2);
        rights[x] = lefts[x] + 320 - d;
        if (inside(lefts[x])) nearestLeft[lefts[x]] = std::max(nearestLeft[lefts[x]], d);
        if (inside(rights[x])) nearestRight[rights[x]] = std::max(nearestRight[rights[x]], d);
    }
    std::vector<Pair> pairs;
    for (int x = 0; x < kWorkWidth; ++x) {
        const qint64 d = a.at(x, y);
        if (d >= 320 || !inside(lefts[x]) || !inside(rights[x])) continue;
        if (nearestLeft[lefts[x]] == d && nearestRight[rights[x]] == d)
            pairs.push_back({ int(lefts[x]), int(rights[x]) });
    }
    return pairs;
}

// The colour every column of row y must have: the columns joined by the pairs form
// sets; a set shows the strip's colour at the place of its member nearest the middle
// of the seed (919.5), the strip lying at 600..919 and repeating every 320 columns.
std::vector<QRgb> expectedRow(const QImage& strip, const std::vector<Pair>& pairs, int y)
{
    std::vector<std::vector<int>> neighbours(kPictureWidth);
    for (const Pair& p : pairs) {
        neighbours[p.left].push_back(p.right);
        neighbours[p.right].push_back(p.left);
    }
    std::vector<QRgb> row(kPictureWidth);
    std::vector<bool> done(kPictureWidth, false);
    for (int c = 0; c < kPictureWidth; ++c) {
        if (done[c]) continue;
        std::vector<int> set { c };
        done[c] = true;
        for (size_t i = 0; i < set.size(); ++i)
            for (int n : neighbours[set[i]])
                if (!done[n]) {
                    done[n] = true;
                    set.push_back(n);
                }
        int nearest = c;
        for (int m : set)
            if (std::abs(2 * m - 1839) < std::abs(2 * nearest - 1839)) nearest = m;
        const QRgb colour = strip.pixel(((nearest - 600) % 320 + 320) % 320, y);
        for (int m : set)
            row[m] = colour;
    }
    return row;
}

// Runs of values drawn from `values`, each run 1..longestRun entries long; `slope`
// adds a ramp of that many units per column within each run.
void fillRandom(DepthArray& a, const QList<int>& values, int longestRun, int slope, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int y = 0; y < DepthArray::kRows; ++y)
        for (int x = 0; x < DepthArray::kColumns;) {
            const int value = values[random.bounded(int(values.size()))];
            const int run = random.bounded(1, longestRun + 1);
            for (int n = 0; n < run && x < DepthArray::kColumns; ++n)
                a.at(x++, y) = int(std::clamp<qint64>(qint64(value) + qint64(slope) * n, INT_MIN, INT_MAX));
        }
}

// Text-like shapes at ±36, ±24 and ±16 over rolling terrain of about ±13 (or ±40).
void fillTextOnMap(DepthArray& a, int terrain, quint32 seed)
{
    for (int y = 0; y < DepthArray::kRows; ++y)
        for (int x = 0; x < DepthArray::kColumns; ++x)
            a.at(x, y) = int(terrain * std::sin(x / 97.0) * std::cos(y / 61.0));
    QImage mask(kWorkWidth, kWorkHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    QRandomGenerator random(seed);
    const QRgb codes[3] = { text::kLine1Code, text::kLine2Code, text::kLine3Code };
    for (int n = 0; n < 60; ++n) {
        painter.setBrush(QColor::fromRgb(codes[n % 3]));
        const QRect box(random.bounded(-50, kWorkWidth), random.bounded(-50, kWorkHeight), random.bounded(8, 300),
            random.bounded(8, 300));
        if (n % 2)
            painter.drawEllipse(box);
        else
            painter.drawRect(box);
    }
    painter.end();
    applyTextDepths(mask, { 36, -24, 16 }, a);
}

// The composition one point at a time, as first written: per-column tables of the row
// number that last imaged a point there for each eye, and a row buffer. The engine's
// version works a run of one depth at a time; both must agree byte for byte.
void composeQualityPointwise(const QImage& strip, const DepthArray& a, QImage& picture)
{
    constexpr int kPad = 2048;
    drawSeed(strip, picture);
    std::vector<int> left(kWorkWidth), right(kWorkWidth);
    std::vector<bool> seen(kWorkWidth);
    std::vector<int> leftTaken(kPictureWidth + 2 * kPad, -1), rightTaken(kPictureWidth + 2 * kPad, -1);
    std::vector<QRgb> out(kPictureWidth);
    for (int y = 0; y < kWorkHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kWorkWidth; ++x) {
            const int distance = 320 - std::clamp(a.at(x, y), -3300, 320);
            left[x] = distance > 0 ? x + 160 - (distance >> 1) : -kPad;
            right[x] = distance > 0 ? left[x] + distance : -kPad;
        }
        for (int x = kWorkWidth - 1; x >= 0; --x) {
            seen[x] = rightTaken[right[x] + kPad] != y;
            rightTaken[right[x] + kPad] = y;
        }
        for (int c = 0; c < kPictureWidth; ++c)
            out[c] = row[600 + ((c - 600) % 320 + 320) % 320];
        const auto inside = [](int c) { return c >= 0 && c < kPictureWidth; };
        for (int x = 0; x < kWorkWidth; ++x) {
            seen[x] = seen[x] && leftTaken[left[x] + kPad] != y && inside(left[x]) && inside(right[x]);
            leftTaken[left[x] + kPad] = y;
            if (seen[x] && left[x] + right[x] >= 1839) out[right[x]] = out[left[x]];
        }
        for (int x = kWorkWidth - 1; x >= 0; --x)
            if (seen[x] && left[x] + right[x] < 1839) out[left[x]] = out[right[x]];
        std::copy(out.begin(), out.end(), row);
    }
}

void negate(DepthArray& a)
{
    for (int y = 0; y < DepthArray::kRows; ++y)
        for (int x = 0; x < DepthArray::kColumns; ++x)
            a.at(x, y) = a.at(x, y) == INT_MIN ? INT_MAX : -a.at(x, y);
}

} // namespace

class TestQuality : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Everything runs with the vector versions of the row kernels and with the plain ones.
    void initTestCase_data()
    {
        QTest::addColumn<bool>("vector");
        QTest::newRow("vector") << true;
        QTest::newRow("plain") << false;
    }
    void init()
    {
        QFETCH_GLOBAL(bool, vector);
        kernels::useVectorPaths(vector);
    }
    void cleanupTestCase() { kernels::useVectorPaths(true); }

    // Every pair of images of a point both eyes see has one colour, in every row; in
    // sampled rows every column has exactly the colour its linked set calls for, so
    // linking a hidden point or a wrong pair of columns shows up as a wrong colour.
    void linkedImagesMatch_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("longestRun");
        QTest::addColumn<int>("slope");
        QTest::addColumn<bool>("crossed"); // the depths negated, as the crossed method gives them
        for (bool crossed : { false, true }) {
            const auto row = [crossed](const char* name, const char* kind, QList<int> values, int run, int slope) {
                QTest::addRow("%s%s", name, crossed ? ", negated" : "") << kind << values << run << slope << crossed;
            };
            row("steps of text depths", "random", { -36, -24, -16, 0, 12, 16, 24, 36 }, 300, 0);
            row("narrow steps", "random", { -36, -13, 0, 5, 13, 36 }, 6, 0);
            row("ramps", "random", { -40, -13, 0, 13 }, 60, 1);
            row("steep ramps", "random", { -60, -20, 0, 20 }, 30, 3);
            row("map extremes", "random", { -6560, -666, -320, -40, 0, 40, 319, 320, 1000 }, 40, 0);
            row("int limits", "random", { INT_MIN, INT_MAX, -3203, -3202, 0, 36 }, 200, 0);
            row("text on terrain", "text", { 13 }, 0, 0);
            row("text on steep terrain", "text", { 40 }, 0, 0);
        }
    }
    void linkedImagesMatch()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, values);
        QFETCH(int, longestRun);
        QFETCH(int, slope);
        QFETCH(bool, crossed);
        DepthArray a;
        if (kind == QLatin1String("text"))
            fillTextOnMap(a, values[0], 77);
        else
            fillRandom(a, values, longestRun, slope, 4321);
        if (crossed) negate(a);
        const QImage strip = noiseStrip(99);
        QImage picture;
        composeQuality(strip, a, picture);
        QCOMPARE(picture.size(), QSize(kPictureWidth, kWorkHeight));
        QCOMPARE(picture.format(), QImage::Format_RGB32);

        qsizetype linked = 0;
        for (int y = 0; y < kWorkHeight; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            const std::vector<Pair> pairs = seenPairs(a, y);
            linked += qsizetype(pairs.size());
            for (const Pair& p : pairs)
                if (row[p.left] != row[p.right])
                    QFAIL(
                        qPrintable(QStringLiteral("row %1: columns %2 and %3 differ").arg(y).arg(p.left).arg(p.right)));
            if (y % 61 == 0) {
                const std::vector<QRgb> expected = expectedRow(strip, pairs, y);
                for (int c = 0; c < kPictureWidth; ++c)
                    if (row[c] != expected[c])
                        QFAIL(qPrintable(QStringLiteral("row %1, column %2: wrong colour").arg(y).arg(c)));
            }
        }
        QVERIFY(linked > 0);
    }

    // The composition equals the one made a point at a time, byte for byte, on depths
    // with long and short runs, runs longer than the repeat distance, single points,
    // slopes and extremes.
    void equalsPointwise_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("longestRun");
        QTest::addColumn<int>("slope");
        QTest::newRow("text depths, long runs") << QList<int> { -36, -24, 0, 16, 36 } << 700 << 0;
        QTest::newRow("near depths, runs beyond the repeat") << QList<int> { 200, 250, 300, 318, 319 } << 500 << 0;
        QTest::newRow("single points") << QList<int> { -40, -3, 0, 2, 7, 40 } << 1 << 0;
        QTest::newRow("short runs") << QList<int> { -36, -13, 0, 5, 13, 36 } << 70 << 0;
        QTest::newRow("gentle ramps") << QList<int> { -40, 0, 13 } << 200 << 1;
        QTest::newRow("falling ramps") << QList<int> { 40, 0, 200 } << 90 << -2;
        QTest::newRow("extremes") << QList<int> { INT_MIN, -6560, -3301, -3300, -320, 0, 319, 320, INT_MAX } << 80 << 0;
    }
    void equalsPointwise()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, longestRun);
        QFETCH(int, slope);
        DepthArray a;
        fillRandom(a, values, longestRun, slope, 2024);
        const QImage strip = noiseStrip(31);
        QImage expected, picture;
        composeQualityPointwise(strip, a, expected);
        composeQuality(strip, a, picture);
        for (int y = 0; y < kWorkHeight; ++y)
            if (std::memcmp(picture.constScanLine(y), expected.constScanLine(y), kPictureWidth * 4) != 0)
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(y)));
    }

    // Worked out by hand for one depth across the whole row. Depth 20 pairs x + 10 with
    // x + 310: columns repeat every 300, the sets' members nearest the middle are
    // 770..1069, and 0..9 and 1910..1919 are linked to nothing. Depth -20 pairs x - 10
    // with x + 330 (points 0..9 and 1590..1599 have an image outside the picture).
    void uniformDepth_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("stripColumn"); // its colour: the strip's at this place
        QTest::newRow("20: unlinked left edge") << 20 << 9 << 49;
        QTest::newRow("20: first linked column") << 20 << 10 << 310;
        QTest::newRow("20: last of the middle") << 20 << 1069 << 149;
        QTest::newRow("20: first after the middle") << 20 << 1070 << 170;
        QTest::newRow("20: last linked column") << 20 << 1909 << 89;
        QTest::newRow("20: unlinked right edge") << 20 << 1910 << 30;
        QTest::newRow("-20: left edge") << -20 << 0 << 100;
        QTest::newRow("-20: right edge") << -20 << 1919 << 299;
        QTest::newRow("-20: linked only on the left") << -20 << 1580 << 300;
        QTest::newRow("0: left edge") << 0 << 0 << 40;
        QTest::newRow("0: right edge") << 0 << 1919 << 39;
    }
    void uniformDepth()
    {
        QFETCH(int, depth);
        QFETCH(int, column);
        QFETCH(int, stripColumn);
        DepthArray a;
        a.fill(depth);
        const QImage strip = noiseStrip(5);
        QImage picture;
        composeQuality(strip, a, picture);
        for (int y : { 0, 700, 1279 })
            QCOMPARE(picture.pixel(column, y), strip.pixel(stripColumn, y));
    }

    // A flat plane gives the picture of `compose` byte for byte, whatever the strip's
    // size, whatever the picture held, and whatever lies in the unused column and row.
    void flatIsCompose_data()
    {
        QTest::addColumn<QSize>("stripSize");
        QTest::addColumn<QSize>("pictureSize");
        QTest::newRow("strip as made, blank picture") << QSize(kStrip, kWorkHeight) << QSize();
        QTest::newRow("strip to be scaled, old picture") << QSize(123, 77) << QSize(kPictureWidth, kWorkHeight);
        QTest::newRow("no strip, picture of another size") << QSize() << QSize(50, 40);
    }
    void flatIsCompose()
    {
        QFETCH(QSize, stripSize);
        QFETCH(QSize, pictureSize);
        const QImage strip = stripSize.isValid() ? noiseStrip(17, stripSize) : QImage();
        DepthArray a;
        for (int i = 0; i < DepthArray::kColumns; ++i)
            a.at(i, kWorkHeight) = INT_MIN;
        for (int i = 0; i < DepthArray::kRows; ++i)
            a.at(kWorkWidth, i) = 200;
        QImage expected;
        compose(strip, a, expected);
        QImage picture;
        if (pictureSize.isValid()) {
            picture = QImage(pictureSize, QImage::Format_ARGB32);
            picture.fill(qRgba(9, 8, 7, 6));
        }
        QList<int> rows;
        composeQuality(strip, a, picture, [&rows](int y) { rows << y; });
        QCOMPARE(picture, expected);
        QCOMPARE(rows.size(), kWorkHeight);
        QCOMPARE(rows.first(), 0);
        QCOMPARE(rows.last(), kWorkHeight - 1);
    }
};

QTEST_GUILESS_MAIN(TestQuality)
#include "test_quality.moc"
