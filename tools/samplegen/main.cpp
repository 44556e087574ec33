// voleta-samplegen: draws the pattern pictures and terrain maps that ship with Voleta.
//
// Usage: voleta-samplegen OUTDIR
// Writes OUTDIR/画像フォルダ/*.jpg (pattern pictures) and OUTDIR/背景フォルダ/*.jpg (terrain maps,
// and two grey depth pictures, lighter = nearer).
// Every picture comes from a fixed seed, so running the tool twice gives the same files.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr qint64 kMaxFileBytes = 300 * 1024;

// ---------------------------------------------------------------------------
// Small deterministic helpers

class Rng {
public:
    explicit Rng(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        // splitmix64
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t m_state;
};

std::uint64_t hash2(std::int64_t x, std::int64_t y, std::uint64_t seed)
{
    std::uint64_t h = seed ^ (std::uint64_t(x) * 0x9E3779B97F4A7C15ull) ^ (std::uint64_t(y) * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

double hashUnit(std::int64_t x, std::int64_t y, std::uint64_t seed)
{
    return double(hash2(x, y, seed) >> 11) * (1.0 / 9007199254740992.0);
}

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

int toByte(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

// Classic 2-D gradient noise; output roughly in [-1, 1].
class GradientNoise {
public:
    explicit GradientNoise(std::uint64_t seed)
    {
        Rng rng(seed);
        for (int i = 0; i < 256; ++i)
            m_perm[i] = i;
        for (int i = 255; i > 0; --i)
            std::swap(m_perm[i], m_perm[rng.below(i + 1)]);
        for (int i = 0; i < 256; ++i) {
            m_perm[256 + i] = m_perm[i];
            const double a = rng.range(0.0, 2.0 * kPi);
            m_grad[i] = { std::cos(a), std::sin(a) };
        }
    }

    double at(double x, double y) const
    {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = int(fx) & 255, iy = int(fy) & 255;
        const double dx = x - fx, dy = y - fy;
        const auto corner = [&](int cx, int cy, double ox, double oy) {
            const auto& g = m_grad[m_perm[m_perm[ix + cx] + iy + cy] & 255];
            return g[0] * ox + g[1] * oy;
        };
        const double n00 = corner(0, 0, dx, dy);
        const double n10 = corner(1, 0, dx - 1.0, dy);
        const double n01 = corner(0, 1, dx, dy - 1.0);
        const double n11 = corner(1, 1, dx - 1.0, dy - 1.0);
        const double u = fade(dx), v = fade(dy);
        return 1.4 * mix(mix(n00, n10, u), mix(n01, n11, u), v);
    }

    double fbm(double x, double y, int octaves, double gain = 0.5) const
    {
        double sum = 0.0, amp = 1.0, norm = 0.0;
        for (int o = 0; o < octaves; ++o) {
            sum += amp * at(x, y);
            norm += amp;
            amp *= gain;
            // Rotate a little between octaves so the lattice does not line up.
            const double nx = 1.6 * x + 1.2 * y + 17.3;
            const double ny = -1.2 * x + 1.6 * y + 5.1;
            x = nx;
            y = ny;
        }
        return sum / norm;
    }

private:
    static double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

    std::array<int, 512> m_perm {};
    std::array<std::array<double, 2>, 256> m_grad {};
};

QColor hsv(double h, double s, double v)
{
    h = h - std::floor(h);
    return QColor::fromHsvF(float(h), float(clamp01(s)), float(clamp01(v)));
}

// ---------------------------------------------------------------------------
// Saving

bool saveJpeg(const QImage& image, const QString& path)
{
    for (int quality = 90; quality >= 60; quality -= 5) {
        if (!image.save(path, "JPEG", quality)) return false;
        if (QFileInfo(path).size() <= kMaxFileBytes) return true;
    }
    return QFileInfo(path).size() <= kMaxFileBytes;
}

// ---------------------------------------------------------------------------
// Pattern pictures
//
// The program squeezes a pattern to a 320 × 1280 strip, i.e. it stretches it about twice as much
// vertically as horizontally. Patterns are therefore drawn on a tall canvas and then halved in
// height, so that their shapes come out roughly round again in the finished picture.

constexpr int kPatternW = 360;
constexpr int kPatternH = 720;
constexpr int kCanvasH = 1080;

QImage finishPattern(const QImage& canvas)
{
    return canvas.scaled(kPatternW, kPatternH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

// Per-pixel painter for procedural fields.
QImage fieldImage(int w, int h, const std::function<QRgb(double, double)>& f)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = f(x + 0.5, y + 0.5);
    }
    return img;
}

// Colourful layered blobs: a background field with several layers of spots at smaller and smaller scales.
QImage patternSpots()
{
    const GradientNoise base(101), l1(102), l2(103), l3(104), l4(105), hueField(106);
    const std::array<QColor, 5> palette = { QColor(233, 79, 55), QColor(250, 196, 45), QColor(40, 160, 200),
        QColor(120, 200, 80), QColor(150, 70, 180) };
    const auto canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        const double hue = 0.55 + 0.5 * hueField.fbm(x / 160.0, y / 160.0, 2);
        QColor c = hsv(hue, 0.45, 0.7 + 0.25 * base.fbm(x / 18.0, y / 18.0, 3));
        double r = c.redF(), g = c.greenF(), b = c.blueF();
        const auto layer = [&](const GradientNoise& n, double scale, double thresh, const QColor& col, double rim) {
            const double v = n.fbm(x / scale, y / scale, 2);
            const double m = smoothstep(thresh - 0.04, thresh + 0.04, v);
            // Dark rim around each spot for crisp local contrast.
            const double edge = smoothstep(thresh - 0.09, thresh - 0.04, v) * (1.0 - m) * rim;
            r = mix(r, col.redF(), m) * (1.0 - edge);
            g = mix(g, col.greenF(), m) * (1.0 - edge);
            b = mix(b, col.blueF(), m) * (1.0 - edge);
        };
        const int shift = int(std::floor(hueField.at(x / 90.0 + 9.0, y / 90.0) * 2.5 + 2.5));
        layer(l1, 70.0, 0.12, palette[(shift + 0) % 5], 0.6);
        layer(l2, 34.0, 0.18, palette[(shift + 1) % 5], 0.6);
        layer(l3, 16.0, 0.22, palette[(shift + 2) % 5], 0.5);
        layer(l4, 7.0, 0.30, palette[(shift + 3) % 5], 0.4);
        return qRgb(toByte(r * 255), toByte(g * 255), toByte(b * 255));
    });
    return finishPattern(canvas);
}

// Confetti: thousands of small overlapping coloured discs, rings and chips.
QImage patternConfetti()
{
    Rng rng(201);
    const GradientNoise bg(202);
    QImage canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        const double v = bg.fbm(x / 25.0, y / 25.0, 3);
        return hsv(0.62 + 0.1 * v, 0.55, 0.25 + 0.15 * v).rgb();
    });
    const std::array<QColor, 10> palette = { QColor(239, 71, 111), QColor(255, 209, 102), QColor(6, 214, 160),
        QColor(17, 138, 178), QColor(255, 140, 66), QColor(160, 108, 213), QColor(250, 250, 240), QColor(131, 197, 80),
        QColor(230, 57, 70), QColor(72, 202, 228) };
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    const int count = 5200;
    for (int i = 0; i < count; ++i) {
        // Bigger pieces first, small ones on top.
        const double t = double(i) / count;
        const double radius = mix(16.0, 3.0, std::sqrt(t)) * rng.range(0.7, 1.2);
        const double x = rng.range(-radius, kPatternW + radius);
        const double y = rng.range(-radius, kCanvasH + radius);
        const QColor base = palette[rng.below(int(palette.size()))];
        const QColor c = hsv(base.hueF() + rng.range(-0.025, 0.025), base.saturationF() * rng.range(0.8, 1.0),
            base.valueF() * rng.range(0.8, 1.05));
        p.setPen(QPen(c.darker(220), 1.2));
        const int kind = rng.below(10);
        if (kind < 6) {
            p.setBrush(c);
            p.drawEllipse(QPointF(x, y), radius, radius);
        } else if (kind < 8) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(c, std::max(2.0, radius * 0.35)));
            p.drawEllipse(QPointF(x, y), radius * 0.8, radius * 0.8);
        } else {
            p.save();
            p.translate(x, y);
            p.rotate(rng.range(0.0, 180.0));
            p.setBrush(c);
            p.drawRect(QRectF(-radius, -radius * 0.45, 2 * radius, radius * 0.9));
            p.restore();
        }
    }
    p.end();
    return finishPattern(canvas);
}

// Voronoi helper: distances to the nearest and second-nearest jittered grid point, and the id of the nearest.
struct Cell {
    double f1;
    double f2;
    std::int64_t cx;
    std::int64_t cy;
    double px;
    double py;
};

Cell voronoi(double x, double y, double spacing, std::uint64_t seed)
{
    const double gx = x / spacing, gy = y / spacing;
    const auto ix = std::int64_t(std::floor(gx)), iy = std::int64_t(std::floor(gy));
    Cell best { 1e9, 1e9, 0, 0, 0, 0 };
    for (std::int64_t j = iy - 1; j <= iy + 1; ++j) {
        for (std::int64_t i = ix - 1; i <= ix + 1; ++i) {
            const double px = (double(i) + 0.1 + 0.8 * hashUnit(i, j, seed)) * spacing;
            const double py = (double(j) + 0.1 + 0.8 * hashUnit(i, j, seed + 1)) * spacing;
            const double d = std::hypot(x - px, y - py);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.cx = i;
                best.cy = j;
                best.px = px;
                best.py = py;
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    }
    return best;
}

// Mosaic of small irregular tiles with jittered colours and dark grout.
QImage patternMosaic()
{
    const GradientNoise hueField(301), grain(302);
    constexpr std::uint64_t seed = 303;
    const double spacing = 15.0;
    const auto canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        const Cell c = voronoi(x, y, spacing, seed);
        const double edge = (c.f2 - c.f1) * 0.5;
        const double h0 = 0.5 + 0.6 * hueField.fbm(c.px / 140.0, c.py / 140.0, 2);
        const double hue = h0 + 0.25 * (hashUnit(c.cx, c.cy, seed + 7) - 0.5);
        const double sat = 0.5 + 0.5 * hashUnit(c.cx, c.cy, seed + 8);
        double val = 0.55 + 0.45 * hashUnit(c.cx, c.cy, seed + 9);
        val *= 0.92 + 0.08 * grain.at(x / 3.0, y / 3.0);
        // Slight bevel: lighter toward the upper-left of each tile.
        val *= 1.0 + 0.12 * ((c.px - x) + (c.py - y)) / spacing;
        QColor col = hsv(hue, sat, val);
        const double grout = smoothstep(0.6, 1.6, edge);
        return qRgb(
            toByte(mix(35, col.red(), grout)), toByte(mix(30, col.green(), grout)), toByte(mix(28, col.blue(), grout)));
    });
    return finishPattern(canvas);
}

// Rounded, glossy pebbles in many colours.
QImage patternPebbles()
{
    const GradientNoise grain(401), warp(402);
    constexpr std::uint64_t seed = 403;
    const double spacing = 24.0;
    const auto canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        // A little warping makes the stones less polygonal.
        const double wx = x + 4.0 * warp.at(x / 14.0, y / 14.0);
        const double wy = y + 4.0 * warp.at(x / 14.0 + 31.0, y / 14.0);
        const Cell c = voronoi(wx, wy, spacing, seed);
        const double edge = (c.f2 - c.f1) * 0.5; // distance to the cell border
        const double dome = std::sqrt(clamp01(edge / (spacing * 0.35)));
        const double hue = hashUnit(c.cx, c.cy, seed + 5);
        const double sat = 0.45 + 0.5 * hashUnit(c.cx, c.cy, seed + 6);
        double val = 0.5 + 0.4 * hashUnit(c.cx, c.cy, seed + 7);
        val *= 0.55 + 0.45 * dome;
        val *= 0.9 + 0.1 * grain.fbm(x / 4.0, y / 4.0, 2);
        // Highlight toward the upper-left of each stone.
        const double hx = c.px - spacing * 0.18, hy = c.py - spacing * 0.18;
        const double specular = std::exp(-(std::pow(wx - hx, 2) + std::pow(wy - hy, 2)) / (spacing * 0.9));
        QColor col = hsv(hue, sat * (1.0 - 0.6 * specular), val + 0.5 * specular);
        const double gap = smoothstep(0.5, 2.0, edge);
        return qRgb(
            toByte(mix(20, col.red(), gap)), toByte(mix(18, col.green(), gap)), toByte(mix(16, col.blue(), gap)));
    });
    return finishPattern(canvas);
}

// Leaf litter: many small overlapping leaves in autumn colours.
QImage patternLeaves()
{
    Rng rng(501);
    const GradientNoise bg(502);
    QImage canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        const double v = bg.fbm(x / 20.0, y / 20.0, 3);
        return qRgb(toByte(60 + 30 * v), toByte(45 + 25 * v), toByte(25 + 15 * v));
    });
    const std::array<QColor, 8> palette = { QColor(196, 52, 32), QColor(231, 120, 28), QColor(245, 190, 40),
        QColor(150, 180, 40), QColor(70, 140, 50), QColor(170, 40, 70), QColor(215, 150, 60), QColor(120, 70, 30) };
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    const int count = 5600;
    for (int i = 0; i < count; ++i) {
        const double len = rng.range(12.0, 30.0);
        const double wid = len * rng.range(0.35, 0.55);
        const double x = rng.range(-len, kPatternW + len);
        const double y = rng.range(-len, kCanvasH + len);
        QColor c = palette[rng.below(int(palette.size()))];
        c = hsv(c.hueF() + rng.range(-0.03, 0.03), c.saturationF() * rng.range(0.8, 1.0),
            c.valueF() * rng.range(0.75, 1.1));
        p.save();
        p.translate(x, y);
        p.rotate(rng.range(0.0, 360.0));
        QPainterPath leaf;
        leaf.moveTo(-len / 2, 0);
        leaf.cubicTo(-len / 4, -wid, len / 4, -wid * 0.8, len / 2, 0);
        leaf.cubicTo(len / 4, wid * 0.8, -len / 4, wid, -len / 2, 0);
        QLinearGradient grad(0, -wid / 2, 0, wid / 2);
        grad.setColorAt(0, c.lighter(125));
        grad.setColorAt(1, c.darker(140));
        p.setPen(QPen(c.darker(250), 0.8));
        p.setBrush(grad);
        p.drawPath(leaf);
        p.setPen(QPen(c.darker(170), 1.0));
        p.drawLine(QPointF(-len / 2 - len * 0.12, 0), QPointF(len / 2 * 0.85, 0));
        p.restore();
    }
    p.end();
    return finishPattern(canvas);
}

// Marbled colour field: warped stripes run through a multi-colour palette, with fine grain on top.
QImage patternMarble()
{
    const GradientNoise w1(601), w2(602), fine(603), hueField(604);
    const auto canvas = fieldImage(kPatternW, kCanvasH, [&](double x, double y) {
        const double qx = w1.fbm(x / 60.0, y / 60.0, 4);
        const double qy = w2.fbm(x / 60.0 + 5.2, y / 60.0 + 1.3, 4);
        const double rx = w1.fbm(x / 30.0 + 4.0 * qx + 1.7, y / 30.0 + 4.0 * qy + 9.2, 3);
        const double t = 3.0 * rx + 0.8 * hueField.at(x / 200.0, y / 200.0);
        const double band = 0.5 + 0.5 * std::sin(t * 2.0 * kPi);
        const double hue = 0.12 * t + 0.7 * qx + 0.55;
        const double val = (0.35 + 0.65 * band) * (0.85 + 0.15 * fine.fbm(x / 3.0, y / 3.0, 2));
        const QColor c = hsv(hue, 0.55 + 0.45 * (1.0 - band), val);
        return c.rgb();
    });
    return finishPattern(canvas);
}

// ---------------------------------------------------------------------------
// Terrain maps
//
// Voleta reads relief from the blue channel: darker blue is nearer. The maps therefore store the
// height only in blue (a smooth, monotonic function of height and nothing else), while red and
// green carry a hypsometric colour ramp with hill shading so the maps look like relief maps.

constexpr int kMapW = 1000;
constexpr int kMapH = 800;
constexpr double kBlueLow = 172.0; // blue of the lowest ground
constexpr double kBlueHigh = 32.0; // blue of the highest ground

struct Terrain {
    std::vector<double> height; // 0 … 1
    std::vector<double> water; // 0 … 1, how much of the pixel is open water
};

struct RampStop {
    double h;
    double r;
    double g;
};

// Red and green of the land colour by height; blue comes from the height alone.
constexpr std::array<RampStop, 7> kRamp = { {
    { 0.00, 196, 214 },
    { 0.12, 160, 200 },
    { 0.30, 128, 172 },
    { 0.48, 172, 168 },
    { 0.66, 178, 132 },
    { 0.84, 150, 100 },
    { 1.00, 166, 118 },
} };

std::pair<double, double> rampAt(double h)
{
    if (h <= kRamp.front().h) return { kRamp.front().r, kRamp.front().g };
    for (std::size_t i = 1; i < kRamp.size(); ++i) {
        if (h <= kRamp[i].h) {
            const double t = (h - kRamp[i - 1].h) / (kRamp[i].h - kRamp[i - 1].h);
            return { mix(kRamp[i - 1].r, kRamp[i].r, t), mix(kRamp[i - 1].g, kRamp[i].g, t) };
        }
    }
    return { kRamp.back().r, kRamp.back().g };
}

void normalise(std::vector<double>& h)
{
    const auto [lo, hi] = std::minmax_element(h.begin(), h.end());
    const double a = *lo, span = std::max(1e-9, *hi - *lo);
    for (double& v : h)
        v = (v - a) / span;
}

QImage renderTerrain(Terrain t, std::uint64_t seed)
{
    normalise(t.height);
    if (t.water.empty()) t.water.assign(t.height.size(), 0.0);
    const GradientNoise tint(seed);
    const auto H = [&](int x, int y) {
        x = std::clamp(x, 0, kMapW - 1);
        y = std::clamp(y, 0, kMapH - 1);
        return t.height[std::size_t(y) * kMapW + x];
    };
    // Light from the upper left, as on printed maps.
    const double lx = -0.55, ly = -0.55, lz = 0.63;
    const double relief = 180.0; // vertical exaggeration for the shading
    QImage img(kMapW, kMapH, QImage::Format_RGB32);
    for (int y = 0; y < kMapH; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < kMapW; ++x) {
            const double h = H(x, y);
            const double dx = (H(x + 1, y) - H(x - 1, y)) * 0.5 * relief;
            const double dy = (H(x, y + 1) - H(x, y - 1)) * 0.5 * relief;
            const double n = std::sqrt(dx * dx + dy * dy + 1.0);
            const double lambert = (-dx * lx - dy * ly + lz) / n;
            // Flat ground keeps its colour; sunlit slopes get lighter, slopes facing away darker.
            const double shade = std::clamp(1.0 + 0.55 * (lambert - lz), 0.72, 1.15);
            auto [r, g] = rampAt(h);
            // Broad vegetation patches: very low frequency, so they stay smooth.
            const double v = tint.fbm(x / 260.0, y / 260.0, 2);
            r *= 1.0 + 0.05 * v;
            g *= 1.0 - 0.04 * v;
            r *= shade;
            g *= shade;
            const double w = t.water[std::size_t(y) * kMapW + x];
            // Water is kept fairly light: JPEG stores colour at half resolution, and a sharp dark
            // shore would bleed into the blue channel as a thin line of false relief.
            r = mix(r, 112.0, w);
            g = mix(g, 168.0, w);
            const double b = mix(kBlueLow, kBlueHigh, h);
            line[x] = qRgb(toByte(r), toByte(g), toByte(b));
        }
    }
    return img;
}

Terrain makeTerrain(const std::function<double(double, double)>& heightAt)
{
    Terrain t;
    t.height.resize(std::size_t(kMapW) * kMapH);
    for (int y = 0; y < kMapH; ++y)
        for (int x = 0; x < kMapW; ++x)
            t.height[std::size_t(y) * kMapW + x] = heightAt(x + 0.5, y + 0.5);
    return t;
}

// Broad, gentle undulation for lowland areas.
double lowland(const GradientNoise& n, double x, double y)
{
    return 0.04 * (n.fbm(x / 300.0, y / 300.0, 2) + 1.0);
}

QImage terrainVolcano()
{
    const GradientNoise n(701), gullies(702);
    const double cx = 500, cy = 410, radius = 390, craterR = 38;
    return renderTerrain(makeTerrain([&](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double r = std::hypot(dx, dy);
        // Direction as a point on the unit circle, so the noise below has no seam.
        const double ux = r > 0 ? dx / r : 1.0, uy = r > 0 ? dy / r : 0.0;
        // Slightly irregular outline.
        const double rr
            = radius * (1.0 + 0.07 * n.at(ux * 1.5 + 3.0, uy * 1.5 + 3.0) * smoothstep(0.0, radius * 0.5, r));
        const double s = clamp01(r / rr);
        // Concave flanks, steeper near the top.
        double h = std::pow(1.0 - s, 1.7);
        // A small bowl-shaped crater cut into the summit, with a sharp rim.
        const double top = std::pow(1.0 - craterR / rr, 1.7);
        if (r < craterR) h = top - 0.07 * (1.0 - (r / craterR) * (r / craterR));
        // Faint radial gullies on the flanks.
        h += 0.007 * gullies.at(ux * 7.0 + 20.0, uy * 9.0 + r / 150.0) * smoothstep(0.1, 0.4, s) * (1.0 - s);
        return std::max(h, 0.0) + lowland(n, x, y);
    }),
        711);
}

QImage terrainRidge()
{
    const GradientNoise n(801), m(802);
    return renderTerrain(makeTerrain([&](double x, double y) {
        // Crest line: a gentle curve running from the lower left to the upper right.
        const double u = x / kMapW;
        const double crestY = 620 - 440 * u + 70 * std::sin(u * kPi * 1.3 + 0.4);
        const double d = std::abs(y - crestY);
        // Peaks and saddles along the crest.
        const double crest = 0.65 + 0.25 * std::sin(u * kPi * 3.2 + 0.8) + 0.12 * m.at(u * 4.0, 2.5);
        const double width = 150 + 40 * m.at(u * 3.0, 7.0);
        // Side spurs.
        const double spur = 0.10 * n.fbm(x / 120.0, y / 120.0, 3);
        double h = crest * std::exp(-std::pow(d / width, 1.5)) + spur * std::exp(-d / 260.0);
        return h + lowland(n, x, y);
    }),
        811);
}

QImage terrainHills()
{
    const GradientNoise n(901);
    return renderTerrain(makeTerrain([&](double x, double y) {
        const double v = n.fbm(x / 320.0, y / 320.0, 3, 0.4);
        return smoothstep(-0.7, 0.8, v);
    }),
        911);
}

QImage terrainValley()
{
    const GradientNoise n(1001), m(1002);
    Terrain t;
    t.height.resize(std::size_t(kMapW) * kMapH);
    t.water.resize(t.height.size());
    for (int y = 0; y < kMapH; ++y) {
        for (int x = 0; x < kMapW; ++x) {
            const double v = double(y) / kMapH;
            // Meandering valley floor from top to bottom.
            const double centre = 500 + 110 * std::sin(v * kPi * 2.2 + 0.5) + 40 * m.at(v * 3.0, 1.5);
            const double d = std::abs(x - centre);
            const double floorHalf = 45.0;
            const double wall = smoothstep(floorHalf, 420.0, d);
            const double sides = 0.85 + 0.15 * n.fbm(x / 150.0, y / 150.0, 3);
            // The valley also descends towards the bottom of the map.
            const double h = 0.08 * (1.0 - v) + wall * sides * (0.7 + 0.3 * (1.0 - v));
            const std::size_t i = std::size_t(y) * kMapW + x;
            t.height[i] = h;
            const double riverHalf = 12.0 + 3.0 * std::sin(v * 9.0);
            t.water[i] = 1.0 - smoothstep(riverHalf - 6.0, riverHalf + 6.0, d);
        }
    }
    return renderTerrain(std::move(t), 1011);
}

QImage terrainCraterLake()
{
    const GradientNoise n(1101);
    const double cx = 500, cy = 400;
    const double lakeR = 170, rimR = 230, outerR = 420;
    const double lakeLevel = 0.22;
    Terrain t;
    t.height.resize(std::size_t(kMapW) * kMapH);
    t.water.resize(t.height.size());
    for (int y = 0; y < kMapH; ++y) {
        for (int x = 0; x < kMapW; ++x) {
            const double dx = x - cx, dy = y - cy;
            const double ang = std::atan2(dy, dx);
            const double wobble = 1.0 + 0.06 * n.at(std::cos(ang) * 1.2 + 7.0, std::sin(ang) * 1.2 + 7.0);
            const double r = std::hypot(dx, dy) / wobble;
            const double rimHeight = 0.85 + 0.15 * n.at(std::cos(ang) * 2.0 + 2.0, std::sin(ang) * 2.0);
            double h;
            if (r < rimR) {
                // Inner wall, steep, down to the lake.
                const double s = smoothstep(lakeR - 10.0, rimR, r);
                h = mix(lakeLevel, rimHeight, std::pow(s, 0.8));
            } else {
                const double s = clamp01((r - rimR) / (outerR - rimR));
                h = rimHeight * std::pow(1.0 - s, 1.8);
            }
            h += lowland(n, x, y) * smoothstep(rimR, outerR, r);
            const std::size_t i = std::size_t(y) * kMapW + x;
            t.height[i] = h;
            t.water[i] = 1.0 - smoothstep(lakeR - 5.0, lakeR + 5.0, r);
        }
    }
    return renderTerrain(std::move(t), 1111);
}

QImage terrainPlateau()
{
    const GradientNoise n(1201), m(1202);
    return renderTerrain(makeTerrain([&](double x, double y) {
        // A mesa with soft terraces on its flanks.
        const double dx = (x - 520) / 330.0, dy = (y - 400) / 260.0;
        const double base = 1.0 - std::hypot(dx, dy) + 0.25 * m.fbm(x / 220.0, y / 220.0, 2);
        const double raw = clamp01(base * 1.3);
        const double steps = 4.0;
        const double k = std::floor(raw * steps);
        const double f = raw * steps - k;
        const double terraced = (k + smoothstep(0.55, 0.95, f)) / steps;
        return 0.85 * terraced + 0.15 * raw + lowland(n, x, y);
    }),
        1211);
}

// The first terrain entry stands for "no relief": a calm, light sheet of paper with a
// faint grid and nothing written on it, so the preview shows no stray text under the lines.
QImage flatPicture()
{
    const int w = 500, h = 400;
    const GradientNoise grain(1301);
    QImage img = fieldImage(w, h, [&](double x, double y) {
        const double v = 3.0 * grain.fbm(x / 2.5, y / 2.5, 2) + 2.0 * grain.at(x / 40.0, y / 40.0);
        return qRgb(toByte(242 + v), toByte(239 + v), toByte(230 + v));
    });
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int x = 25; x < w; x += 25) {
        p.setPen(QPen(x % 100 == 0 ? QColor(200, 205, 212) : QColor(222, 224, 226), 1));
        p.drawLine(x, 0, x, h);
    }
    for (int y = 25; y < h; y += 25) {
        p.setPen(QPen(y % 100 == 0 ? QColor(200, 205, 212) : QColor(222, 224, 226), 1));
        p.drawLine(0, y, w, y);
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// Depth pictures
//
// Grey pictures the way 3D and depth tools make them: lighter = nearer, black the far
// plane. Voleta reads them with 明るいほど手前 ticked.

constexpr int kDepthW = 800;
constexpr int kDepthH = 640;

QImage greyField(const std::function<double(double, double)>& heightAt)
{
    QImage img(kDepthW, kDepthH, QImage::Format_Grayscale8);
    for (int y = 0; y < kDepthH; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < kDepthW; ++x)
            line[x] = uchar(toByte(255.0 * clamp01(heightAt(x + 0.5, y + 0.5))));
    }
    return img;
}

// A half sphere standing out of the far plane.
QImage depthDome()
{
    const double cx = kDepthW / 2.0, cy = kDepthH / 2.0, r = kDepthH * 0.4;
    return greyField([&](double x, double y) {
        const double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (r * r);
        return d2 < 1.0 ? std::sqrt(1.0 - d2) : 0.0;
    });
}

// A five-pointed star with bevelled edges: its height rises from the outline inwards
// over a fixed width, then stays level.
QImage depthStar()
{
    const double cx = kDepthW / 2.0, cy = kDepthH / 2.0 + 15, outer = kDepthH * 0.45, inner = outer * 0.42;
    std::vector<QPointF> corners;
    for (int i = 0; i < 10; ++i) {
        const double a = -kPi / 2 + i * kPi / 5;
        const double r = i % 2 == 0 ? outer : inner;
        corners.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    const double bevel = 45.0;
    return greyField([&](double x, double y) {
        bool inside = false;
        double nearest = 1e9;
        for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const QPointF a = corners[j], b = corners[i];
            if ((a.y() > y) != (b.y() > y) && x < (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()) + a.x())
                inside = !inside;
            const double dx = b.x() - a.x(), dy = b.y() - a.y();
            const double t = clamp01(((x - a.x()) * dx + (y - a.y()) * dy) / (dx * dx + dy * dy));
            nearest = std::min(nearest, std::hypot(x - a.x() - t * dx, y - a.y() - t * dy));
        }
        return inside ? 0.15 + 0.85 * smoothstep(0.0, 1.0, nearest / bevel) : 0.0;
    });
}

} // namespace

int main(int argc, char** argv)
{
    // Painting wants a GUI application object, but no display is required.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        err << "usage: voleta-samplegen OUTDIR\n";
        return 2;
    }
    const QDir out(args.at(1));
    const QString patterns = QStringLiteral("画像フォルダ");
    const QString terrains = QStringLiteral("背景フォルダ");
    for (const QString& sub : { patterns, terrains }) {
        if (!out.mkpath(sub)) {
            err << "cannot create " << out.filePath(sub) << '\n';
            return 1;
        }
    }

    // Voleta picks the second pattern at start-up, so the nicest one is "02".
    const std::vector<std::pair<QString, std::function<QImage()>>> patternJobs = {
        { QStringLiteral("01_confetti.jpg"), patternConfetti },
        { QStringLiteral("02_leaves.jpg"), patternLeaves },
        { QStringLiteral("03_pebbles.jpg"), patternPebbles },
        { QStringLiteral("04_mosaic.jpg"), patternMosaic },
        { QStringLiteral("05_spots.jpg"), patternSpots },
        { QStringLiteral("06_marble.jpg"), patternMarble },
    };
    const std::vector<std::pair<QString, std::function<QImage()>>> terrainJobs = {
        { QStringLiteral("00_平面.jpg"), flatPicture },
        { QStringLiteral("01_火山.jpg"), terrainVolcano },
        { QStringLiteral("02_尾根.jpg"), terrainRidge },
        { QStringLiteral("03_丘陵.jpg"), terrainHills },
        { QStringLiteral("04_谷.jpg"), terrainValley },
        { QStringLiteral("05_火口湖.jpg"), terrainCraterLake },
        { QStringLiteral("06_台地.jpg"), terrainPlateau },
        { QStringLiteral("07_深度_ドーム.jpg"), depthDome },
        { QStringLiteral("08_深度_星.jpg"), depthStar },
    };

    int failures = 0;
    const auto run = [&](const QString& sub, const auto& jobs) {
        for (const auto& [name, make] : jobs) {
            const QString path = out.filePath(sub + QLatin1Char('/') + name);
            if (!saveJpeg(make(), path)) {
                err << "failed to write " << path << '\n';
                ++failures;
            } else {
                err << path << "  " << QFileInfo(path).size() / 1024 << " KB\n";
            }
        }
    };
    run(patterns, patternJobs);
    run(terrains, terrainJobs);
    return failures == 0 ? 0 : 1;
}
