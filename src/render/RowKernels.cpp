#include "render/RowKernels.h"

#include "render/DepthArray.h"

#include <algorithm>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VOLETA_HAVE_AVX2_PATH 1
#include <immintrin.h>
#endif

namespace render::kernels {

namespace {

    constexpr int kLeftStart = 700;
    constexpr int kRightStart = 690;
    constexpr int kRightEnd = 1599;
    constexpr int kLeftReach = 919; // x + 320 - d stays within 1239 while d >= x - 919

    // ---- Plain versions: the reference for the vector ones ------------------------

    void blueRangePlain(const uint32_t* row, int from, int to, int& maximum, int& minimum)
    {
        int hi = maximum;
        int lo = minimum;
        for (int x = from; x <= to; ++x) {
            const int b = static_cast<int>(row[x] & 0xFFu);
            hi = std::max(hi, b);
            lo = std::min(lo, b);
        }
        maximum = hi;
        minimum = lo;
    }

    void mapBluePlain(const uint32_t* row, int count, const int32_t* depthOf, int32_t* out)
    {
        for (int x = 0; x < count; ++x)
            out[x] = depthOf[row[x] & 0xFFu];
    }

    void textDepthsPlain(
        const uint32_t* row, int from, int to, const uint32_t codes[3], const int32_t depths[3], int32_t* out)
    {
        for (int x = from; x <= to; ++x) {
            const uint32_t c = row[x] & 0xFFFFFFu;
            if (c == codes[0])
                out[x] = depths[0];
            else if (c == codes[1])
                out[x] = depths[1];
            else if (c == codes[2])
                out[x] = depths[2];
        }
    }

    void depthStepsPlain(const int32_t* depth, int from, int count, uint64_t* steps)
    {
        for (int x = from; x < count; ++x)
            if (x == 0 || depth[x] != depth[x - 1]) steps[x >> 6] |= uint64_t(1) << (x & 63);
    }

    // The left pass for targets x = from down to to.
    void leftPassPlain(uint32_t* row, const int32_t* depth, int from, int to)
    {
        for (int x = from; x >= to; --x) {
            const int d = std::clamp<int>(depth[x], x - kLeftReach, kStrip - 1);
            row[x] = row[x + kStrip - d];
        }
    }

    // The right pass for x = from up to to (targets x + 320).
    void rightPassPlain(uint32_t* row, const int32_t* depth, int from, int to)
    {
        for (int x = from; x <= to; ++x) {
            const int d = std::clamp<int>(depth[x], -x, kStrip - 1);
            row[x + kStrip] = row[x + d];
        }
    }

#ifdef VOLETA_HAVE_AVX2_PATH
    bool avx2Available()
    {
        static const bool yes = [] {
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2") != 0;
        }();
        return yes;
    }

    bool avx512Available()
    {
        static const bool yes = [] {
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx512f") != 0;
        }();
        return yes;
    }

    VectorLevel allowedLevel = VectorLevel::Avx512;

    bool hasAvx2()
    {
        return allowedLevel >= VectorLevel::Avx2 && avx2Available();
    }

    __attribute__((target("avx2"))) void blueRangeAvx2(
        const uint32_t* row, int from, int to, int& maximum, int& minimum)
    {
        const __m256i blue = _mm256_set1_epi32(0xFF);
        __m256i hi = _mm256_set1_epi32(maximum);
        __m256i lo = _mm256_set1_epi32(minimum);
        int x = from;
        for (; x + 7 <= to; x += 8) {
            const __m256i b = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x)), blue);
            hi = _mm256_max_epi32(hi, b);
            lo = _mm256_min_epi32(lo, b);
        }
        alignas(32) int32_t his[8];
        alignas(32) int32_t los[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(his), hi);
        _mm256_store_si256(reinterpret_cast<__m256i*>(los), lo);
        maximum = *std::max_element(his, his + 8);
        minimum = *std::min_element(los, los + 8);
        blueRangePlain(row, x, to, maximum, minimum);
    }

    __attribute__((target("avx2"))) void mapBlueAvx2(
        const uint32_t* row, int count, const int32_t* depthOf, int32_t* out)
    {
        const __m256i blue = _mm256_set1_epi32(0xFF);
        int x = 0;
        for (; x + 8 <= count; x += 8) {
            const __m256i b = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x)), blue);
            const __m256i d = _mm256_i32gather_epi32(reinterpret_cast<const int*>(depthOf), b, 4);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), d);
        }
        mapBluePlain(row + x, count - x, depthOf, out + x);
    }

    __attribute__((target("avx2"))) void textDepthsAvx2(
        const uint32_t* row, int from, int to, const uint32_t codes[3], const int32_t depths[3], int32_t* out)
    {
        const __m256i colour = _mm256_set1_epi32(0xFFFFFF);
        const __m256i c1 = _mm256_set1_epi32(static_cast<int>(codes[0]));
        const __m256i c2 = _mm256_set1_epi32(static_cast<int>(codes[1]));
        const __m256i c3 = _mm256_set1_epi32(static_cast<int>(codes[2]));
        const __m256i k1 = _mm256_set1_epi32(depths[0]);
        const __m256i k2 = _mm256_set1_epi32(depths[1]);
        const __m256i k3 = _mm256_set1_epi32(depths[2]);
        int x = from;
        for (; x + 7 <= to; x += 8) {
            const __m256i c = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x)), colour);
            const __m256i m1 = _mm256_cmpeq_epi32(c, c1);
            const __m256i m2 = _mm256_cmpeq_epi32(c, c2);
            const __m256i m3 = _mm256_cmpeq_epi32(c, c3);
            const __m256i any = _mm256_or_si256(m1, _mm256_or_si256(m2, m3));
            if (_mm256_testz_si256(any, any)) continue; // no text here: the depths stay as they are
            auto* target = reinterpret_cast<__m256i*>(out + x);
            __m256i d = _mm256_loadu_si256(target);
            d = _mm256_blendv_epi8(d, k3, m3);
            d = _mm256_blendv_epi8(d, k2, m2);
            d = _mm256_blendv_epi8(d, k1, m1);
            _mm256_storeu_si256(target, d);
        }
        textDepthsPlain(row, x, to, codes, depths, out);
    }

    // Bit i set where depth[i] differs from depth[i - 1], for i = 0 .. 7.
    __attribute__((target("avx2"))) inline uint32_t changesAvx2(const int32_t* depth)
    {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth));
        const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth - 1));
        return uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(here, before)))) ^ 0xFFu;
    }

    // Thirty-two columns at a time, written as one half of a word of steps.
    __attribute__((target("avx2"))) void depthStepsAvx2(const int32_t* depth, int count, uint64_t* steps)
    {
        depthStepsPlain(depth, 0, std::min(count, 32), steps);
        int x = 32;
        for (; x + 32 <= count; x += 32) {
            const uint32_t half = changesAvx2(depth + x) | changesAvx2(depth + x + 8) << 8
                | changesAvx2(depth + x + 16) << 16 | changesAvx2(depth + x + 24) << 24;
            steps[x >> 6] |= uint64_t(half) << (x & 32);
        }
        depthStepsPlain(depth, x, count, steps);
    }

    // The eight pixels row[sources], whose offsets from `base` are given too. Where they
    // all lie within the sixteen columns from `base` (a depth that is constant or changes
    // little across the eight) two permutes pick them, the same way whatever the
    // offsets, so that the processor has no branch to mispredict; otherwise a gather
    // fetches them one by one.
    __attribute__((target("avx2"))) inline __m256i pickEight(
        const uint32_t* row, const uint32_t* base, __m256i offsets, __m256i sources)
    {
        const __m256i within = _mm256_andnot_si256(
            _mm256_cmpgt_epi32(offsets, _mm256_set1_epi32(15)), _mm256_cmpgt_epi32(offsets, _mm256_set1_epi32(-1)));
        if (_mm256_movemask_epi8(within) != -1) [[unlikely]]
            return _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), sources, 4);
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + 8));
        return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(low, offsets), _mm256_permutevar8x32_epi32(high, offsets),
            _mm256_cmpgt_epi32(offsets, _mm256_set1_epi32(7)));
    }

    // Eight targets at a time, x - 7 .. x. When every depth of the eight lies in
    // [-219, 312], every source is inside the columns written before the eight and
    // needs no holding, so the eight can be read together.
    __attribute__((target("avx2"))) void leftPassAvx2(
        uint32_t* row, const int32_t* depth, const uint32_t* nextRow, const int32_t* nextDepth)
    {
        const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i below = _mm256_set1_epi32(kLeftStart - kLeftReach - 1); // -220
        const __m256i above = _mm256_set1_epi32(kStrip - 7); // 313
        // Targets 696 .. 700 one by one, then blocks of eight starting on a multiple of
        // eight, so that no store straddles two cache lines.
        leftPassPlain(row, depth, kLeftStart, kLeftStart & ~7);
        int x = (kLeftStart & ~7) - 1;
        for (; x >= 7; x -= 8) {
            const int first = x - 7;
            if (nextRow) {
                _mm_prefetch(reinterpret_cast<const char*>(nextRow + first), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(nextRow + first + kStrip), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(nextDepth + first), _MM_HINT_T0);
            }
            const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth + first));
            const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(d, below), _mm256_cmpgt_epi32(above, d));
            if (_mm256_movemask_epi8(inside) != -1) [[unlikely]] {
                leftPassPlain(row, depth, x, first);
                continue;
            }
            // Lane i reads first + i + 320 - d[i] = base + (i + d0 - d[i]).
            const int d0 = depth[first];
            const __m256i offsets = _mm256_sub_epi32(_mm256_add_epi32(lanes, _mm256_set1_epi32(d0)), d);
            const __m256i sources = _mm256_sub_epi32(_mm256_add_epi32(lanes, _mm256_set1_epi32(first + kStrip)), d);
            const __m256i v = pickEight(row, row + first + kStrip - d0, offsets, sources);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + first), v);
        }
        leftPassPlain(row, depth, x, 0);
    }

    // Eight at a time, x .. x + 7: with every depth in [-690, 312] the sources lie
    // before the eight targets x + 320 .. x + 327 and inside the row.
    __attribute__((target("avx2"))) void rightPassAvx2(
        uint32_t* row, const int32_t* depth, const uint32_t* nextRow, const int32_t* nextDepth)
    {
        const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i below = _mm256_set1_epi32(-kRightStart - 1); // -691
        const __m256i above = _mm256_set1_epi32(kStrip - 7); // 313
        // x = 690 .. 695 one by one, then blocks of eight whose targets start on a
        // multiple of eight.
        constexpr int kAligned = ((kRightStart + kStrip + 7) & ~7) - kStrip; // 696
        rightPassPlain(row, depth, kRightStart, kAligned - 1);
        int x = kAligned;
        for (; x + 7 <= kRightEnd; x += 8) {
            if (nextRow) {
                _mm_prefetch(reinterpret_cast<const char*>(nextRow + x + kStrip), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(nextDepth + x), _MM_HINT_T0);
            }
            const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth + x));
            const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(d, below), _mm256_cmpgt_epi32(above, d));
            if (_mm256_movemask_epi8(inside) != -1) [[unlikely]] {
                rightPassPlain(row, depth, x, x + 7);
                continue;
            }
            // Lane i reads x + i + d[i] = base + (i + d[i] - d0).
            const int d0 = depth[x];
            const __m256i offsets = _mm256_sub_epi32(_mm256_add_epi32(lanes, d), _mm256_set1_epi32(d0));
            const __m256i sources = _mm256_add_epi32(_mm256_add_epi32(lanes, _mm256_set1_epi32(x)), d);
            const __m256i v = pickEight(row, row + x + d0, offsets, sources);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x + kStrip), v);
        }
        rightPassPlain(row, depth, x, kRightEnd);
    }
#endif

} // namespace

void useVectorLevel(VectorLevel level)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    allowedLevel = level;
#else
    (void)level;
#endif
}

bool processorHas(VectorLevel level)
{
    switch (level) {
    case VectorLevel::Plain:
        return true;
#ifdef VOLETA_HAVE_AVX2_PATH
    case VectorLevel::Avx2:
        return avx2Available();
    case VectorLevel::Avx512:
        return avx512Available();
#else
    case VectorLevel::Avx2:
    case VectorLevel::Avx512:
        return false;
#endif
    }
    return false;
}

bool wideVectorPaths()
{
#ifdef VOLETA_HAVE_AVX2_PATH
    return allowedLevel >= VectorLevel::Avx512 && avx512Available();
#else
    return false;
#endif
}

void blueRange(const uint32_t* row, int from, int to, int& maximum, int& minimum)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return blueRangeAvx2(row, from, to, maximum, minimum);
#endif
    blueRangePlain(row, from, to, maximum, minimum);
}

void mapBlue(const uint32_t* row, int count, const int32_t* depthOf, int32_t* out)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return mapBlueAvx2(row, count, depthOf, out);
#endif
    mapBluePlain(row, count, depthOf, out);
}

void textDepths(const uint32_t* row, int from, int to, const uint32_t codes[3], const int32_t depths[3], int32_t* out)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return textDepthsAvx2(row, from, to, codes, depths, out);
#endif
    textDepthsPlain(row, from, to, codes, depths, out);
}

void depthSteps(const int32_t* depth, int count, uint64_t* steps)
{
    std::fill(steps, steps + (count + 63) / 64, uint64_t(0));
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return depthStepsAvx2(depth, count, steps);
#endif
    depthStepsPlain(depth, 0, count, steps);
}

void leftPass(uint32_t* row, const int32_t* depth, const uint32_t* nextRow, const int32_t* nextDepth)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return leftPassAvx2(row, depth, nextRow, nextDepth);
#endif
    leftPassPlain(row, depth, kLeftStart, 0);
}

void rightPass(uint32_t* row, const int32_t* depth, const uint32_t* nextRow, const int32_t* nextDepth)
{
#ifdef VOLETA_HAVE_AVX2_PATH
    if (hasAvx2()) return rightPassAvx2(row, depth, nextRow, nextDepth);
#endif
    rightPassPlain(row, depth, kRightStart, kRightEnd);
}

} // namespace render::kernels
