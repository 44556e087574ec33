#include "render/StereoViews.h"

#include "render/Answer.h"
#include "render/Engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace render {

namespace {

    constexpr int kMargin = (kPictureWidth - kWorkWidth) / 2; // 160 columns beside the depth entries

    // The columns each point of one row lands on in one eye's view: the nearest point's
    // parallax and surface column per view column; -1 where none lands.
    struct ViewRow {
        std::vector<int> parallax = std::vector<int>(kPictureWidth);
        std::vector<int> surface = std::vector<int>(kPictureWidth);
    };

    // A run of surface columns [begin, end) of one parallax.
    struct Run {
        int begin, end, parallax;
    };

    // Lands every surface column c (parallax p) on column c + shift(p), the nearer point
    // winning, then fills each run of columns no point landed on with the farther of the
    // two surfaces beside it, carried on across the run (its surface columns go on rising
    // one a column), so a gap opened beside a near edge shows the far surface behind it
    // rather than a streak of one pixel.
    template <typename Shift>
    void landRow(const std::vector<Run>& runs, ViewRow& view, std::vector<std::pair<int, int>>& gaps, Shift shift)
    {
        std::fill(view.parallax.begin(), view.parallax.end(), -1);
        int* nearest = view.parallax.data();
        int* surface = view.surface.data();
        // The runs land one after the other, so a column no point lands on lies in a gap
        // between two neighbouring runs that the later one's larger shift opens.
        gaps.clear();
        int lastShift = 0;
        for (const Run& run : runs) {
            const int p = run.parallax, s = shift(p);
            if (s > lastShift) gaps.push_back({ run.begin + lastShift, run.begin + s });
            lastShift = s;
            const int begin = std::max(run.begin + s, 0), end = std::min(run.end + s, kPictureWidth);
            // Branch-free, so that the compiler makes it a vector loop.
            for (int t = begin; t < end; ++t) {
                const bool nearer = p > nearest[t];
                nearest[t] = nearer ? p : nearest[t];
                surface[t] = nearer ? t - s : surface[t];
            }
        }
        for (const auto& [gapBegin, gapEnd] : gaps)
            for (int t = std::max(gapBegin, 0); t < std::min(gapEnd, kPictureWidth); ++t) {
                if (nearest[t] >= 0) continue;
                // The whole run of empty columns, which may reach into the next gap.
                int begin = t, end = t + 1;
                while (begin > 0 && nearest[begin - 1] < 0)
                    --begin;
                while (end < kPictureWidth && nearest[end] < 0)
                    ++end;
                const bool hasLeft = begin > 0, hasRight = end < kPictureWidth;
                const bool fromLeft = hasLeft && (!hasRight || nearest[begin - 1] <= nearest[end]);
                const int from = fromLeft ? begin - 1 : hasRight ? end : -1;
                for (int u = begin; u < end; ++u) {
                    nearest[u] = from < 0 ? 0 : nearest[from];
                    surface[u] = from < 0 ? u : surface[from] + (u - from);
                }
            }
    }

    // The strip's row tiled across every surface column a view can show: the picture's
    // columns and up to kViewMaxParallax beyond either side (surface column c at c + kReach).
    constexpr int kReach = 64;
    static_assert(kReach >= kViewMaxParallax);

    void tileRow(const uint32_t* strip, uint32_t* tiled)
    {
        // Surface column -kReach shows strip column kStrip - kReach; from there the strip
        // repeats. Format_RGB32 pixels carry an opaque alpha already.
        constexpr int kColumns = kPictureWidth + 2 * kReach;
        std::memcpy(tiled, strip + kStrip - kReach, kReach * sizeof(uint32_t));
        for (int c = kReach; c < kColumns; c += kStrip)
            std::memcpy(tiled + c, strip, size_t(std::min(kStrip, kColumns - c)) * sizeof(uint32_t));
    }

    // Writes one view row: the tiled texture at each column's surface column, shaded by
    // the per-parallax factor (in 256ths) when `shades` is given.
    void textureRow(const ViewRow& view, const uint32_t* tiled, const int* shades, uint32_t* out)
    {
        const int* surface = view.surface.data();
        if (!shades) {
            for (int t = 0; t < kPictureWidth; ++t)
                out[t] = tiled[surface[t] + kReach];
            return;
        }
        const int* parallax = view.parallax.data();
        for (int t = 0; t < kPictureWidth; ++t) {
            const uint32_t texel = tiled[surface[t] + kReach];
            const uint32_t f = uint32_t(shades[parallax[t]]);
            const uint32_t redBlue = (((texel & 0xFF00FFu) * f + 0x800080u) >> 8) & 0xFF00FFu;
            const uint32_t green = (((texel & 0xFF00u) * f + 0x8000u) >> 8) & 0xFF00u;
            out[t] = 0xFF000000u | redBlue | green;
        }
    }

} // namespace

int viewParallax(int64_t nearness, int64_t farthest, int64_t nearest)
{
    const int64_t range = nearest - farthest;
    const int64_t steps = std::clamp<int64_t>(nearness - farthest, 0, std::max<int64_t>(range, 0));
    if (range <= kViewMaxParallax) return int(steps);
    // Rounded half up: steps * max / range + 1/2.
    return int((steps * 2 * kViewMaxParallax + range) / (2 * range));
}

StereoViews stereoViews(const QImage& stripIn, const DepthArray& a, int hk, bool shade)
{
    const QImage strip = seedStrip(stripIn);
    const int64_t sign = hk < 0 ? -1 : 1;
    const auto [farthest, nearest] = nearnessRange(a, hk);

    // Shading factors in 256ths by parallax (0 .. kViewMaxParallax at most).
    const int nearestParallax = viewParallax(nearest, farthest, nearest);
    std::array<int, kViewMaxParallax + 1> shades {};
    for (int p = 0; p <= kViewMaxParallax; ++p)
        shades[size_t(p)] = nearestParallax == 0
            ? 256
            : int(std::lround(256 * (kViewShadeFar + (1 - kViewShadeFar) * double(p) / nearestParallax)));

    StereoViews views { QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32),
        QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32) };
    std::vector<uint32_t> tiled(kPictureWidth + 2 * kReach);
    std::vector<Run> runs;
    std::vector<std::pair<int, int>> gaps;
    ViewRow left, right;
    for (int y = 0; y < kWorkHeight; ++y) {
        // The row as runs of one parallax: the margins at the farthest plane, then the
        // depth entries (runs of one depth are the rule: text, flat ground).
        runs.assign(1, Run { 0, kMargin, 0 });
        const int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth;) {
            const int32_t depth = depths[x];
            int end = x + 1;
            // Eight entries at a time while they all match (a vector compare), then one by one.
            while (end + 8 <= kWorkWidth) {
                int32_t differs = 0;
                for (int k = 0; k < 8; ++k)
                    differs |= depths[end + k] ^ depth;
                if (differs) break;
                end += 8;
            }
            while (end < kWorkWidth && depths[end] == depth)
                ++end;
            const int p = viewParallax(sign * depths[x], farthest, nearest);
            if (runs.back().parallax == p && runs.back().end == kMargin + x)
                runs.back().end = kMargin + end;
            else
                runs.push_back(Run { kMargin + x, kMargin + end, p });
            x = end;
        }
        if (runs.back().parallax == 0)
            runs.back().end = kPictureWidth;
        else
            runs.push_back(Run { kMargin + kWorkWidth, kPictureWidth, 0 });
        landRow(runs, left, gaps, [](int p) { return p - p / 2; });
        landRow(runs, right, gaps, [](int p) { return -(p / 2); });
        tileRow(reinterpret_cast<const uint32_t*>(strip.constScanLine(y)), tiled.data());
        const int* shading = shade ? shades.data() : nullptr;
        textureRow(left, tiled.data(), shading, reinterpret_cast<uint32_t*>(views.left.scanLine(y)));
        textureRow(right, tiled.data(), shading, reinterpret_cast<uint32_t*>(views.right.scanLine(y)));
    }
    return views;
}

namespace {

    // sRGB value (0..255) to linear light in kLinearSteps steps of 0..1, and such a linear
    // value back to the nearest sRGB value.
    constexpr int kLinearSteps = 1 << 14;
    constexpr int kWeightBits = 12; // the matrices' entries in 4096ths

    double srgbToLinear(double v)
    {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }

    double linearToSrgb(double v)
    {
        return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    }

    // Dubois' least-squares projection for red-cyan glasses: rows red, green, blue of the
    // anaglyph; columns the red, green and blue of the left view, then of the right.
    constexpr double kDuboisLeft[3][3] = {
        { 0.456, 0.500, 0.176 },
        { -0.040, -0.038, -0.016 },
        { -0.015, -0.021, -0.005 },
    };
    constexpr double kDuboisRight[3][3] = {
        { -0.043, -0.088, -0.002 },
        { 0.378, 0.734, -0.018 },
        { -0.072, -0.113, 1.226 },
    };

    struct AnaglyphTables {
        std::array<int32_t, 256> linear {};
        std::vector<uchar> encoded = std::vector<uchar>(kLinearSteps + 1);
        int32_t left[3][3] {}, right[3][3] {};
        AnaglyphTables()
        {
            for (int i = 0; i < 256; ++i)
                linear[size_t(i)] = int32_t(std::lround(kLinearSteps * srgbToLinear(i / 255.0)));
            for (int i = 0; i <= kLinearSteps; ++i)
                encoded[size_t(i)] = uchar(std::lround(255 * linearToSrgb(double(i) / kLinearSteps)));
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c) {
                    left[k][c] = int32_t(std::lround(kDuboisLeft[k][c] * (1 << kWeightBits)));
                    right[k][c] = int32_t(std::lround(kDuboisRight[k][c] * (1 << kWeightBits)));
                }
        }
    };

    const AnaglyphTables& anaglyphTables()
    {
        static const AnaglyphTables tables;
        return tables;
    }

} // namespace

QImage anaglyph(const QImage& leftIn, const QImage& rightIn)
{
    if (leftIn.isNull() || leftIn.size() != rightIn.size()) return {};
    const QImage left = leftIn.convertToFormat(QImage::Format_RGB32);
    const QImage right = rightIn.convertToFormat(QImage::Format_RGB32);
    const AnaglyphTables& t = anaglyphTables();
    // The weights and tables held locally, so the compiler keeps them out of the loop's reach of `out`.
    int32_t w[3][6];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c) {
            w[k][c] = t.left[k][c];
            w[k][c + 3] = t.right[k][c];
        }
    const int32_t* linear = t.linear.data();
    const uchar* encoded = t.encoded.data();
    const auto encode = [encoded](int32_t sum) {
        const int32_t i = (sum + (1 << (kWeightBits - 1))) >> kWeightBits;
        return uint32_t(encoded[std::clamp(i, 0, kLinearSteps)]);
    };
    // Where both eyes see the same colour (the far plane, all of a flat scene), the two
    // matrices act as their sum: the same sums with half the products.
    int32_t both[3][3];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            both[k][c] = w[k][c] + w[k][c + 3];
    const int width = left.width(), height = left.height();
    QImage out(left.size(), QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const auto* l = reinterpret_cast<const uint32_t*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const uint32_t*>(right.constScanLine(y));
        auto* o = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            uint32_t channel[3];
            if (l[x] == r[x]) {
                const int32_t c[3] = { linear[l[x] >> 16 & 0xFF], linear[l[x] >> 8 & 0xFF], linear[l[x] & 0xFF] };
                for (int k = 0; k < 3; ++k)
                    channel[k] = encode(both[k][0] * c[0] + both[k][1] * c[1] + both[k][2] * c[2]);
            } else {
                const int32_t c[6] = { linear[l[x] >> 16 & 0xFF], linear[l[x] >> 8 & 0xFF], linear[l[x] & 0xFF],
                    linear[r[x] >> 16 & 0xFF], linear[r[x] >> 8 & 0xFF], linear[r[x] & 0xFF] };
                for (int k = 0; k < 3; ++k)
                    channel[k] = encode(w[k][0] * c[0] + w[k][1] * c[1] + w[k][2] * c[2] + w[k][3] * c[3]
                        + w[k][4] * c[4] + w[k][5] * c[5]);
            }
            o[x] = 0xFF000000u | channel[0] << 16 | channel[1] << 8 | channel[2];
        }
    }
    return out;
}

QImage stereoPair(const QImage& leftIn, const QImage& rightIn, int hk)
{
    if (leftIn.isNull() || leftIn.size() != rightIn.size()) return {};
    const int halfWidth = leftIn.width() / 2, height = leftIn.height() / 2;
    QImage out(halfWidth * 2, height, QImage::Format_RGB32);
    const QImage views[2]
        = { leftIn.convertToFormat(QImage::Format_RGB32), rightIn.convertToFormat(QImage::Format_RGB32) };
    for (int half = 0; half < 2; ++half) {
        // Parallel viewing: each eye looks at the view on its own side; crossed: the other.
        const QImage& view = views[hk < 0 ? 1 - half : half];
        for (int y = 0; y < height; ++y) {
            const auto* upper = reinterpret_cast<const uint32_t*>(view.constScanLine(2 * y));
            const auto* lower = reinterpret_cast<const uint32_t*>(view.constScanLine(2 * y + 1));
            auto* o = reinterpret_cast<uint32_t*>(out.scanLine(y)) + half * halfWidth;
            for (int x = 0; x < halfWidth; ++x) {
                const uint32_t p[4] = { upper[2 * x], upper[2 * x + 1], lower[2 * x], lower[2 * x + 1] };
                uint32_t pixel = 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8)
                    pixel |= (((p[0] >> shift & 0xFF) + (p[1] >> shift & 0xFF) + (p[2] >> shift & 0xFF)
                                  + (p[3] >> shift & 0xFF) + 2)
                                 / 4)
                        << shift;
                o[x] = pixel;
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        auto* o = reinterpret_cast<uint32_t*>(out.scanLine(y));
        std::fill(o + halfWidth - kPairDivider / 2, o + halfWidth + kPairDivider / 2, 0xFF000000u);
    }
    return out;
}

} // namespace render
