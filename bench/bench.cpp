// Times the stages of the stereogram pipeline on a default scene and prints, for each,
// the median wall time and its ratio to a plain memcpy of one composed picture
// (1920 x 1280 x 4 bytes) timed in the same run.
//
//   voleta-bench [runs]      (default 30 runs per stage)
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/QualityCompose.h"
#include "render/StageCache.h"
#include "render/StereoViews.h"
#include "scene/SceneState.h"
#include "text/TextLayer.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> times)
{
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

double timeMs(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Row {
    const char* name;
    double ms; // median of the stage
    double ratio; // to the median of the memcpy runs interleaved with it
    double copyMs; // that memcpy median
};

// Times `runs` consecutive runs of the stage between two series of consecutive
// memcpy runs (each series and the stage after a warm-up run), so that both are
// measured with their data in the cache and a change of machine load while the stage
// runs weighs on both alike.
Row measure(const char* name, int runs, const std::function<void()>& copy, const std::function<void()>& stage)
{
    std::vector<double> copies;
    const auto copySeries = [&] {
        copy();
        for (int i = 0; i < std::max(10, runs / 2); ++i)
            copies.push_back(timeMs(copy));
    };
    copySeries();
    stage();
    std::vector<double> stages;
    for (int i = 0; i < runs; ++i)
        stages.push_back(timeMs(stage));
    copySeries();
    const double ms = median(stages);
    return { name, ms, ms / median(copies), median(copies) };
}

// A colourful 800 x 600 source picture: smooth hues crossed by stripes and dots.
QImage makeSource()
{
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = (x * 255 / 800 + ((x / 20 + y / 20) % 2) * 60) & 0xFF;
            const int g = (y * 255 / 600 + (x * y % 97)) & 0xFF;
            const int b = static_cast<int>(128 + 127 * std::sin((x + 2 * y) / 40.0));
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

// A 2000 x 1500 terrain map: rolling hills in the blue channel.
QImage makeMap()
{
    QImage image(2000, 1500, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double h = std::sin(x / 170.0) * std::cos(y / 130.0) + 0.3 * std::sin((x + y) / 45.0);
            const int b = std::clamp(static_cast<int>(128 + 90 * h), 0, 255);
            row[x] = qRgb(60 + b / 4, 120 + b / 3, b);
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;

    const QImage source = makeSource();
    const QImage map = makeMap();
    // The start scene over the map.
    scene::SceneState start = scene::startScene();
    start.flat = false;
    render::Scene live = scene::renderScene(start, source, map);
    const text::Lines lines = live.lines;
    const int zoomRow = live.zoomRow, hk = live.hk, kt = live.kt;
    const QPoint pan = live.pan;
    const render::LineDepths k = render::lineDepths(live.s1, live.s2, live.s3, hk);

    QImage crop = render::drawMapCrop(map, render::mapCrop(map.size(), zoomRow, pan));
    QImage mask(render::kWorkWidth, render::kWorkHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    text::drawMask(mask, lines);
    render::DepthArray a;
    render::depthFromMap(crop, hk, kt, a);
    render::applyTextDepths(mask, k, a);
    const render::DepthArray scene = a;
    QImage strip = render::patternStrip(source);
    QImage picture;
    render::drawSeed(strip, picture);

    const size_t bytes = static_cast<size_t>(render::kPictureWidth) * render::kWorkHeight * 4;
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    volatile unsigned char sink = 0;

    const auto copy = [&] {
        std::memcpy(to.data(), from.data(), bytes);
        sink = sink + to[bytes / 2];
    };
    std::vector<Row> rows;
    rows.push_back(measure("memcpy 1920x1280x4", runs, copy, copy));
    rows.push_back(measure("mapCrop + drawMapCrop", runs, copy,
        [&] { crop = render::drawMapCrop(map, render::mapCrop(map.size(), zoomRow, pan)); }));
    rows.push_back(measure("depthFlat", runs, copy, [&] { render::depthFlat(a); }));
    rows.push_back(measure("depthFromMap (map)", runs, copy, [&] { render::depthFromMap(crop, hk, kt, a); }));
    rows.push_back(measure("text::drawMask", runs, copy, [&] { text::drawMask(mask, lines); }));
    rows.push_back(measure("applyTextDepths", runs, copy, [&] { render::applyTextDepths(mask, k, a); }));
    rows.push_back(measure("patternStrip + drawSeed", runs, copy, [&] {
        strip = render::patternStrip(source);
        render::drawSeed(strip, picture);
    }));
    rows.push_back(measure("two passes (all rows)", runs, copy, [&] {
        for (int y = 0; y < render::kWorkHeight; ++y)
            render::composeRow(picture, scene, y);
    }));
    rows.push_back(
        measure("quality composition", runs, copy, [&] { render::composeQuality(strip, scene, hk, picture); }));
    rows.push_back(
        measure("quality, crossed viewing", runs, copy, [&] { render::composeQuality(strip, scene, -hk, picture); }));
    // The views of the scene for red-cyan glasses and side-by-side viewing, beside the composition.
    render::StereoViews views = render::stereoViews(strip, scene, hk);
    QImage shown;
    rows.push_back(measure("views (both eyes)", runs, copy, [&] { views = render::stereoViews(strip, scene, hk); }));
    rows.push_back(measure("views, shaded", runs, copy, [&] { views = render::stereoViews(strip, scene, hk, true); }));
    rows.push_back(
        measure("anaglyph of the views", runs, copy, [&] { shown = render::anaglyph(views.left, views.right); }));
    rows.push_back(
        measure("pair of the views", runs, copy, [&] { shown = render::stereoPair(views.left, views.right, hk); }));
    rows.push_back(measure("views + anaglyph", runs, copy, [&] {
        views = render::stereoViews(strip, scene, hk);
        shown = render::anaglyph(views.left, views.right);
    }));
    // The whole pipeline as the window's Display and voleta-render run it, through the
    // stage cache: each run changes the pattern, the map and a line (copies of the same
    // pictures, so the work is the same), so every stage runs again in buffers kept
    // (over the flat plane, all but the plane itself, which nothing changes).
    for (const bool withMap : { true, false }) {
        render::Scene scenes[2] = { live, live };
        scenes[1].pattern = source.copy();
        scenes[1].map = map.copy();
        scenes[1].lines[0].text = QStringLiteral("Voletb");
        for (render::Scene& s : scenes)
            if (!withMap) s.map = QImage();
        render::StageCache whole;
        int run = 0;
        rows.push_back(measure(withMap ? "whole pipeline (map)" : "whole pipeline (flat)", runs, copy,
            [&] { whole.update(scenes[++run % 2]); }));
    }

    // Live editing: one change after another, each recomposed through the stage cache.
    render::StageCache cache;
    cache.update(live);
    int typed = 0;
    rows.push_back(measure("live: a typed character", runs, copy, [&] {
        live.lines[0].text = (++typed % 2) ? QStringLiteral("Voletb") : QStringLiteral("Voleta");
        cache.update(live);
    }));
    int panned = 0;
    rows.push_back(measure("live: a pan step (map)", runs, copy, [&] {
        live.zoomRow = 2;
        live.pan = QPoint(0, (++panned % 2) ? 10 : 0);
        cache.update(live);
    }));

    // Saving the composed stereogram as PNG, file writing included, at the window's
    // compression and at Qt's default; each followed by the size of the file.
    QTemporaryDir folder;
    const QString pngPath = folder.filePath(QStringLiteral("save.png"));
    render::compose(strip, scene, picture);
    std::vector<std::pair<const char*, qint64>> sizes;
    for (const auto& [name, quality] :
        { std::pair { "PNG save 1920x1280", platform::kPngQuality }, std::pair { "PNG save, Qt default", -1 } }) {
        const auto save = [&, quality = quality] {
            QImageWriter writer(pngPath, "png");
            writer.setQuality(quality);
            writer.write(picture);
        };
        rows.push_back(measure(name, std::max(3, runs / 5), copy, save));
        sizes.emplace_back(name, QFileInfo(pngPath).size());
    }

    std::printf("%-26s %10s %12s %9s   (%d runs each, memcpy timed before and after each stage)\n", "stage",
        "median ms", "memcpy ms", "x memcpy", runs);
    for (const Row& row : rows)
        std::printf("%-26s %10.3f %12.3f %9.2f\n", row.name, row.ms, row.copyMs, row.ratio);
    for (const auto& [name, fileBytes] : sizes)
        std::printf("%-26s file size %.2f MB\n", name, fileBytes / 1e6);
    return sink == 255 ? 1 : 0;
}
