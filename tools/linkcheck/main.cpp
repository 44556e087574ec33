// Checks a composed stereogram against its depth file, independently of the engine:
// every depth entry x is the surface point centred on column x + 160, with its images
// at left = x + 160 - floor((320 - d) / 2) and right = left + 320 - d. Viewed
// parallel, the left eye looks at the left images and a larger depth (a shorter repeat)
// is nearer; viewed crossed, the right eye looks at the left images and a smaller depth
// (a longer repeat) is nearer. An eye sees a point when no nearer point has its image
// for that eye on the same column. For every point both eyes see, the two image columns
// must hold one colour.
//
//   voleta-linkcheck [--method parallel|crossed] DEPTH.png PICTURE.png [MARKS.png]
//
// Prints how many such pairs differ; MARKS.png (1600 x 1280, one pixel per depth entry)
// shows them: red, a pair that differs; dark grey, a point one eye cannot see; light
// grey, a raised point whose pair matches; white, the rest.
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QStringList files;
    long sign = 1; // nearness is depth * sign
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--method") && i + 1 < argc) {
            const QString method = QString::fromLocal8Bit(argv[++i]);
            usage |= method != QLatin1String("parallel") && method != QLatin1String("crossed");
            sign = method == QLatin1String("crossed") ? -1 : 1;
        } else {
            usage |= argument.startsWith(QLatin1Char('-'));
            files << argument;
        }
    }
    if (usage || files.size() < 2 || files.size() > 3) {
        std::fprintf(stderr, "usage: voleta-linkcheck [--method parallel|crossed] DEPTH.png PICTURE.png [MARKS.png]\n");
        return 2;
    }
    const QImage depth = QImage(files[0]).convertToFormat(QImage::Format_Grayscale16);
    const QImage picture = QImage(files[1]).convertToFormat(QImage::Format_RGB32);
    if (depth.size() != QSize(1600, 1280) || picture.size() != QSize(1920, 1280)) {
        std::fprintf(stderr, "voleta-linkcheck: expected a 1600 x 1280 depth file and a 1920 x 1280 picture\n");
        return 1;
    }
    QImage marks(1600, 1280, QImage::Format_RGB32);
    marks.fill(Qt::white);

    long seen = 0, differing = 0, hidden = 0;
    std::vector<int> d(1600), left(1600), right(1600);
    std::vector<long> nearness(1600);
    std::vector<long> nearestLeft(1920), nearestRight(1920);
    for (int y = 0; y < 1280; ++y) {
        const auto* depths = reinterpret_cast<const quint16*>(depth.constScanLine(y));
        std::fill(nearestLeft.begin(), nearestLeft.end(), LONG_MIN);
        std::fill(nearestRight.begin(), nearestRight.end(), LONG_MIN);
        for (int x = 0; x < 1600; ++x) {
            d[x] = int(depths[x]) - 32768;
            const int distance = 320 - d[x];
            left[x] = x + 160 - int(std::floor(distance / 2.0));
            right[x] = left[x] + distance;
            nearness[x] = sign * d[x];
            if (distance <= 0) continue; // at or before the eyes: no images
            if (left[x] >= 0 && left[x] < 1920) nearestLeft[left[x]] = std::max(nearestLeft[left[x]], nearness[x]);
            if (right[x] >= 0 && right[x] < 1920)
                nearestRight[right[x]] = std::max(nearestRight[right[x]], nearness[x]);
        }
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* markRow = reinterpret_cast<QRgb*>(marks.scanLine(y));
        for (int x = 0; x < 1600; ++x) {
            if (left[x] < 0 || right[x] >= 1920 || left[x] >= right[x]) continue;
            if (nearestLeft[left[x]] > nearness[x] || nearestRight[right[x]] > nearness[x]) {
                ++hidden;
                markRow[x] = qRgb(96, 96, 96);
                continue;
            }
            ++seen;
            if ((row[left[x]] & 0xFFFFFF) != (row[right[x]] & 0xFFFFFF)) {
                ++differing;
                markRow[x] = qRgb(208, 0, 0);
            } else if (d[x] != 0) {
                markRow[x] = qRgb(200, 200, 200);
            }
        }
    }
    if (files.size() > 2 && !marks.save(files[2])) {
        std::fprintf(stderr, "voleta-linkcheck: cannot write %s\n", qPrintable(files[2]));
        return 1;
    }
    std::printf("points both eyes see: %ld; their image pairs that differ: %ld (%.2f %%); points one eye "
                "cannot see: %ld\n",
        seen, differing, seen ? 100.0 * differing / seen : 0.0, hidden);
    return differing == 0 ? 0 : 3;
}
