#include "render/StereoViews.h"

#include "render/Engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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

    // Lands every surface column c (parallax p) on column c + shift(p), the nearer point
    // winning, then fills each run of columns no point landed on with the farther of the
    // two surfaces beside it, carried on across the run (its surface columns go on rising
    // one a column), so a gap opened beside a near edge shows the far surface behind it
    // rather than a streak of one pixel.
    template <typename Shift> void landRow(const int* parallax, ViewRow& view, Shift shift)
    {
        std::fill(view.parallax.begin(), view.parallax.end(), -1);
        for (int c = 0; c < kPictureWidth; ++c) {
            const int p = parallax[c];
            const int t = c + shift(p);
            if (t < 0 || t >= kPictureWidth || p <= view.parallax[t]) continue;
            view.parallax[t] = p;
            view.surface[t] = c;
        }
        for (int t = 0; t < kPictureWidth;) {
            if (view.parallax[t] >= 0) {
                ++t;
                continue;
            }
            int end = t;
            while (end < kPictureWidth && view.parallax[end] < 0)
                ++end;
            const bool hasLeft = t > 0, hasRight = end < kPictureWidth;
            const bool fromLeft = hasLeft && (!hasRight || view.parallax[t - 1] <= view.parallax[end]);
            const int from = fromLeft ? t - 1 : hasRight ? end : -1;
            for (int u = t; u < end; ++u) {
                view.parallax[u] = from < 0 ? 0 : view.parallax[from];
                view.surface[u] = from < 0 ? u : view.surface[from] + (u - from);
            }
            t = end;
        }
    }

    // Writes one view row: the strip's texture at each column's surface column, shaded by
    // the per-parallax factor (in 256ths) when `shades` is given.
    void textureRow(const ViewRow& view, const uint32_t* strip, const int* shades, uint32_t* out)
    {
        for (int t = 0; t < kPictureWidth; ++t) {
            const int column = ((view.surface[t] % kStrip) + kStrip) % kStrip;
            const uint32_t texel = strip[column];
            if (!shades) {
                out[t] = texel | 0xFF000000u;
                continue;
            }
            const uint32_t f = uint32_t(shades[view.parallax[t]]);
            const uint32_t r = ((texel >> 16 & 0xFF) * f + 128) >> 8;
            const uint32_t g = ((texel >> 8 & 0xFF) * f + 128) >> 8;
            const uint32_t b = ((texel & 0xFF) * f + 128) >> 8;
            out[t] = 0xFF000000u | r << 16 | g << 8 | b;
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
    int64_t nearest = sign * a.at(0, 0), farthest = nearest;
    for (int y = 0; y < kWorkHeight; ++y) {
        const auto [low, high] = std::minmax_element(a.row(y), a.row(y) + kWorkWidth);
        nearest = std::max({ nearest, sign * *low, sign * *high });
        farthest = std::min({ farthest, sign * *low, sign * *high });
    }

    // Shading factors in 256ths by parallax (0 .. kViewMaxParallax at most).
    const int nearestParallax = viewParallax(nearest, farthest, nearest);
    std::array<int, kViewMaxParallax + 1> shades {};
    for (int p = 0; p <= kViewMaxParallax; ++p)
        shades[size_t(p)] = nearestParallax == 0
            ? 256
            : int(std::lround(256 * (kViewShadeFar + (1 - kViewShadeFar) * double(p) / nearestParallax)));

    StereoViews views { QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32),
        QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32) };
    std::vector<int> parallax(kPictureWidth, 0); // the margins stay at the farthest plane
    ViewRow left, right;
    for (int y = 0; y < kWorkHeight; ++y) {
        // Runs of one depth are the rule (text, flat ground), so the last value is kept.
        const int32_t* depths = a.row(y);
        int32_t lastDepth = depths[0];
        int lastParallax = viewParallax(sign * lastDepth, farthest, nearest);
        for (int x = 0; x < kWorkWidth; ++x) {
            if (depths[x] != lastDepth) {
                lastDepth = depths[x];
                lastParallax = viewParallax(sign * lastDepth, farthest, nearest);
            }
            parallax[size_t(kMargin + x)] = lastParallax;
        }
        landRow(parallax.data(), left, [](int p) { return p - p / 2; });
        landRow(parallax.data(), right, [](int p) { return -(p / 2); });
        const auto* texture = reinterpret_cast<const uint32_t*>(strip.constScanLine(y));
        const int* shading = shade ? shades.data() : nullptr;
        textureRow(left, texture, shading, reinterpret_cast<uint32_t*>(views.left.scanLine(y)));
        textureRow(right, texture, shading, reinterpret_cast<uint32_t*>(views.right.scanLine(y)));
    }
    return views;
}

namespace {

    // sRGB value (0..255) to linear light, and linear light (in kLinearSteps steps of 0..1)
    // back to the nearest sRGB value.
    constexpr int kLinearSteps = 1 << 14;

    double srgbToLinear(double v)
    {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }

    double linearToSrgb(double v)
    {
        return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    }

    struct GammaTables {
        std::array<float, 256> linear {};
        std::vector<uchar> encoded = std::vector<uchar>(kLinearSteps + 1);
        GammaTables()
        {
            for (int i = 0; i < 256; ++i)
                linear[size_t(i)] = float(srgbToLinear(i / 255.0));
            for (int i = 0; i <= kLinearSteps; ++i)
                encoded[size_t(i)] = uchar(std::lround(255 * linearToSrgb(double(i) / kLinearSteps)));
        }
    };

    const GammaTables& gammaTables()
    {
        static const GammaTables tables;
        return tables;
    }

    // Dubois' least-squares projection for red-cyan glasses: rows red, green, blue of the
    // anaglyph; columns the red, green and blue of the left view, then of the right.
    constexpr float kDuboisLeft[3][3] = {
        { 0.456f, 0.500f, 0.176f },
        { -0.040f, -0.038f, -0.016f },
        { -0.015f, -0.021f, -0.005f },
    };
    constexpr float kDuboisRight[3][3] = {
        { -0.043f, -0.088f, -0.002f },
        { 0.378f, 0.734f, -0.018f },
        { -0.072f, -0.113f, 1.226f },
    };

} // namespace

QImage anaglyph(const QImage& leftIn, const QImage& rightIn)
{
    if (leftIn.isNull() || leftIn.size() != rightIn.size()) return {};
    const QImage left = leftIn.convertToFormat(QImage::Format_RGB32);
    const QImage right = rightIn.convertToFormat(QImage::Format_RGB32);
    const GammaTables& tables = gammaTables();
    const auto encode = [&tables](float v) {
        const int i = int(v * kLinearSteps + 0.5f);
        return uint32_t(tables.encoded[size_t(std::clamp(i, 0, kLinearSteps))]);
    };
    QImage out(left.size(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const auto* l = reinterpret_cast<const uint32_t*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const uint32_t*>(right.constScanLine(y));
        auto* o = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const float lc[3]
                = { tables.linear[l[x] >> 16 & 0xFF], tables.linear[l[x] >> 8 & 0xFF], tables.linear[l[x] & 0xFF] };
            const float rc[3]
                = { tables.linear[r[x] >> 16 & 0xFF], tables.linear[r[x] >> 8 & 0xFF], tables.linear[r[x] & 0xFF] };
            uint32_t channel[3];
            for (int k = 0; k < 3; ++k)
                channel[k] = encode(kDuboisLeft[k][0] * lc[0] + kDuboisLeft[k][1] * lc[1] + kDuboisLeft[k][2] * lc[2]
                    + kDuboisRight[k][0] * rc[0] + kDuboisRight[k][1] * rc[1] + kDuboisRight[k][2] * rc[2]);
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
