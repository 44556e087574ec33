#include "render/QualityCompose.h"

#include "render/RowKernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VOLETA_HAVE_AVX512_PATH 1
#include <immintrin.h>
#endif

namespace render {

namespace {

    constexpr int kSeedLeft = 600; // the strip lies at 600..919 and repeats every 320 columns
    constexpr int kTwiceMiddle = 2 * 919 + 1; // the seed's middle lies between 919 and 920
    constexpr int kMargin = kStrip / 2; // depth entry x is centred on picture column x + 160

    // Below this depth both images of every point lie outside the picture (the repeat
    // distance exceeds 3520), so deeper points are taken as this deep: the result is
    // the same and the image columns stay small.
    constexpr int kDeepest = -3300;
    // Images of the deepest points reach from -1650 to 3569; the per-eye bit tables
    // cover columns -kPad .. kPictureWidth + kPad - 1, column c at bit c + kPad.
    constexpr int kPad = 2048;
    constexpr int kTableWords = (kPictureWidth + 2 * kPad) / 64;
    constexpr int kStepWords = (kWorkWidth + 63) / 64;

    // The lowest `count` bits, count 1..64.
    inline uint64_t lowBits(int count)
    {
        return ~uint64_t(0) >> (64 - count);
    }

    // Bits first .. 63 (none when first >= 64, all when first <= 0).
    inline uint64_t bitsFrom(int first)
    {
        return first >= 64 ? 0 : ~uint64_t(0) << std::max(first, 0);
    }

    // Bits 0 .. last - 1 (none when last <= 0, all when last >= 64).
    inline uint64_t bitsBelow(int last)
    {
        return ~bitsFrom(last);
    }

    // Bits p .. p + 63 of a table, as one word.
    inline uint64_t bitsAt(const uint64_t* table, int p)
    {
        const int w = p >> 6;
        const int o = p & 63;
        return (table[w] >> o) | ((table[w + 1] << 1) << (63 - o));
    }

    // Sets bits p .. p + 63 of a table where `bits` has them.
    inline void setBitsAt(uint64_t* table, int p, uint64_t bits)
    {
        const int w = p >> 6;
        const int o = p & 63;
        table[w] |= bits << o;
        table[w + 1] |= (bits >> 1) >> (63 - o);
    }

    // Up to 64 consecutive points of one depth: their left images are the consecutive
    // columns left, left + 1, ..., their right images lie `distance` further.
    struct Piece {
        int left;
        int distance;
        uint64_t all; // bit i for each point i of the piece
        uint64_t seenLeft; // by the left eye
        uint64_t seenRight; // by the right eye
    };

    // Everything one row needs, allocated once per picture.
    struct RowWork {
        std::array<uint64_t, kStepWords> steps {};
        std::array<uint64_t, kTableWords> leftTaken {}; // columns where a point has a left image
        std::array<uint64_t, kTableWords> rightTaken {};
        std::vector<Piece> pieces = std::vector<Piece>(kWorkWidth);
        std::vector<int> starts = std::vector<int>(kWorkWidth + 8); // of the pieces
    };

    // A plain copy of `count` pixels, left to the library (an inlined copy of a size the
    // compiler works out is slower).
    [[gnu::noinline]] void copyPixels(uint32_t* to, const uint32_t* from, int count)
    {
        std::memcpy(to, from, size_t(count) * sizeof(uint32_t));
    }

    // out[l + distance] = out[l] for l = from .. from + count - 1 in turn: blocks of at
    // most `distance` columns, each reading columns already final.
    inline void copyRightward(uint32_t* out, int from, int count, int distance)
    {
        while (count > 0) {
            const int n = std::min(count, distance);
            std::memcpy(out + from + distance, out + from, size_t(n) * sizeof(uint32_t));
            from += n;
            count -= n;
        }
    }

    // out[l] = out[l + distance] for l = from + count - 1 down to from, likewise.
    inline void copyLeftward(uint32_t* out, int from, int count, int distance)
    {
        while (count > 0) {
            const int n = std::min(count, distance);
            count -= n;
            std::memcpy(out + from + count, out + from + count + distance, size_t(n) * sizeof(uint32_t));
        }
    }

    // The inner loops of a row, the plain way: library copies, the linked pixels of a
    // piece a run of linked points at a time.
    struct PlainLoops {
        // The seed row repeated across the row, as a flat plane shows it: the seed at
        // 600..1239 and its repeats either way.
        static void repeatStrip(uint32_t* row, const uint32_t* seed)
        {
            static_assert(kSeedLeft % kStrip == 280 && (kPictureWidth - 280) % kStrip == 40);
            copyPixels(row, seed + kStrip - 280, 280);
            for (int c = 280; c + kStrip <= kPictureWidth; c += kStrip)
                copyPixels(row + c, seed, kStrip);
            copyPixels(row + kPictureWidth - 40, seed, 40);
        }

        static void depthSteps(const int32_t* depth, uint64_t* steps) { kernels::depthSteps(depth, kWorkWidth, steps); }

        // row[left + i + distance] = row[left + i] for every bit i, lowest first.
        static void rightward(uint32_t* row, int left, int distance, uint64_t bits)
        {
            while (bits != 0) {
                const int i = std::countr_zero(bits);
                const int n = std::countr_one(bits >> i);
                copyRightward(row, left + i, n, distance);
                bits = i + n == 64 ? 0 : bits & (~uint64_t(0) << (i + n));
            }
        }

        // row[left + i] = row[left + i + distance] for every bit i, highest first.
        static void leftward(uint32_t* row, int left, int distance, uint64_t bits)
        {
            while (bits != 0) {
                const int top = 64 - std::countl_zero(bits); // exclusive
                const int n = std::countl_one(bits << (64 - top));
                copyLeftward(row, left + top - n, n, distance);
                bits &= top - n == 0 ? 0 : lowBits(top - n);
            }
        }
    };

#ifdef VOLETA_HAVE_AVX512_PATH
    // The inner loops with AVX-512: the steps sixteen columns at a time, and a piece's
    // linked pixels copied in four masked blocks of sixteen, without a branch, where its
    // columns and theirs lie inside the row and the blocks do not overlap their sources
    // (distance 16 or more).
    struct WideLoops {
        // Bit i set where at[i] differs from at[i - 1], for i = 0 .. 15.
        __attribute__((target("avx512f"))) static uint64_t changes(const int32_t* at)
        {
            return _mm512_cmpneq_epi32_mask(_mm512_loadu_si512(at), _mm512_loadu_si512(at - 1));
        }

        __attribute__((target("avx512f"))) static void depthSteps(const int32_t* depth, uint64_t* steps)
        {
            static_assert(kWorkWidth % 64 == 0);
            steps[0] = 1; // column 0 starts a run
            for (int x = 1; x < 16; ++x)
                steps[0] |= uint64_t(depth[x] != depth[x - 1]) << x;
            steps[0] |= changes(depth + 16) << 16 | changes(depth + 32) << 32 | changes(depth + 48) << 48;
            for (int x = 64; x < kWorkWidth; x += 64)
                steps[x >> 6] = changes(depth + x) | changes(depth + x + 16) << 16 | changes(depth + x + 32) << 32
                    | changes(depth + x + 48) << 48;
        }

        // The seed row held in twenty registers and stored five and a bit times.
        __attribute__((target("avx512f"))) static void repeatStrip(uint32_t* row, const uint32_t* seed)
        {
            __m512i strip[kStrip / 16];
            for (int i = 0; i < kStrip / 16; ++i)
                strip[i] = _mm512_loadu_si512(seed + 16 * i);
            for (int c = 280; c + kStrip <= kPictureWidth; c += kStrip)
                for (int i = 0; i < kStrip / 16; ++i)
                    _mm512_storeu_si512(row + c + 16 * i, strip[i]);
            for (int i = 0; i < 280; i += 8) // columns 0..279: seed 40..319
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i),
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(seed + 40 + i)));
            for (int i = 0; i < 40; i += 8) // columns 1880..1919: seed 0..39
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + kPictureWidth - 40 + i),
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(seed + i)));
        }

        static bool blocksFit(int left, int distance)
        {
            return distance >= 16 && left >= 0 && left + distance + 64 <= kPictureWidth;
        }

        __attribute__((target("avx512f"))) static void rightward(uint32_t* row, int left, int distance, uint64_t bits)
        {
            if (!blocksFit(left, distance)) [[unlikely]]
                return PlainLoops::rightward(row, left, distance, bits);
            const uint32_t* from = row + left;
            uint32_t* to = row + left + distance;
            for (int j = 0; j < 64; j += 16) {
                const __mmask16 m = __mmask16(bits >> j);
                _mm512_mask_storeu_epi32(to + j, m, _mm512_maskz_loadu_epi32(m, from + j));
            }
        }

        __attribute__((target("avx512f"))) static void leftward(uint32_t* row, int left, int distance, uint64_t bits)
        {
            if (!blocksFit(left, distance)) [[unlikely]]
                return PlainLoops::leftward(row, left, distance, bits);
            uint32_t* to = row + left;
            const uint32_t* from = row + left + distance;
            for (int j = 48; j >= 0; j -= 16) {
                const __mmask16 m = __mmask16(bits >> j);
                _mm512_mask_storeu_epi32(to + j, m, _mm512_maskz_loadu_epi32(m, from + j));
            }
        }
    };
#endif

    // One row, in place. A linked pair's colour flows from its image nearer the middle of
    // the seed to the farther one, so that every set of linked columns takes the colour of
    // its member nearest the middle. Each column is the left image of at most one point
    // that both eyes see and the right image of at most one, so the sets are chains
    // running left to right: pairs whose colour flows rightward are done from left to
    // right and the others from right to left, each reading a column already final, as
    // the two passes of `compose` do.
    //
    // The points are taken in pieces of one depth, whose images are runs of consecutive
    // columns, so that seeing, marking and copying go a run at a time.
    template <class Loops>
    [[gnu::always_inline]] inline void composeRowQuality(uint32_t* row, const uint32_t* seed, const int32_t* depth,
        RowWork& w, bool crossed, const uint32_t* nextRow, const uint32_t* nextSeed, const int32_t* nextDepth)
    {
        uint64_t* steps = w.steps.data();
        uint64_t* leftTaken = w.leftTaken.data();
        uint64_t* rightTaken = w.rightTaken.data();
        Piece* pieces = w.pieces.data();
        std::memset(leftTaken, 0, sizeof(w.leftTaken));
        std::memset(rightTaken, 0, sizeof(w.rightTaken));
        Loops::depthSteps(depth, steps);

        // Where the pieces start: where the depth changes, and at the start of a word whose
        // first change lies further than its predecessor's last, so that no piece is
        // longer than 64. They are found word by word, eight at a time (the entries past a
        // word's last start are overwritten by the next word's).
        int* starts = w.starts.data();
        int startCount = 0;
        for (int word = 0, lastStart = 0; word < kStepWords; ++word) {
            // Meanwhile the next rows are fetched into the cache, a little at a time.
            static_assert(kStepWords == 25 && kPictureWidth == 24 * 80 && kStrip == 20 * 16);
            for (int i = 0; i < 64; i += 16)
                __builtin_prefetch(nextDepth + word * 64 + i);
            if (word < 24)
                for (int i = 0; i < 80; i += 16)
                    __builtin_prefetch(nextRow + word * 80 + i, 1);
            if (word < 20) __builtin_prefetch(nextSeed + word * 16);
            uint64_t bits = steps[word];
            bits |= uint64_t(std::countr_zero(bits) > lastStart);
            lastStart = 63 - std::countl_zero(bits);
            const int n = std::popcount(bits);
            int* to = starts + startCount;
            for (int i = 0; i < 8; ++i) {
                to[i] = word * 64 + std::countr_zero(bits);
                bits &= bits - 1;
            }
            for (int i = 8; i < n; ++i) {
                to[i] = word * 64 + std::countr_zero(bits);
                bits &= bits - 1;
            }
            startCount += n;
        }
        starts[startCount] = kWorkWidth;

        // The pieces, left to right; a point of depth 320 or more has no images and makes
        // no piece. A pair's colour flows rightward when it is centred right of the middle
        // (left + right >= 1839), that is where 2 * x + 320 + distance % 2 >= 1839: the
        // pieces ending before column 759 have no such pair, those starting after 760 no
        // other.
        constexpr int kLastLeftward = 760;
        constexpr int kFirstRightward = 759;
        int pieceCount = 0;
        int firstRightward = 0; // pieces before it link nothing rightward
        int endLeftward = 0; // pieces from it on link nothing leftward
        for (int k = 0; k < startCount; ++k) {
            const int start = starts[k];
            const int end = starts[k + 1];
            const int distance = kStrip - std::clamp<int32_t>(depth[start], kDeepest, kStrip);
            if (distance <= 0) [[unlikely]]
                continue;
            firstRightward += end - 1 < kFirstRightward;
            endLeftward += start <= kLastLeftward;
            pieces[pieceCount++] = { start + kMargin - (distance >> 1), distance, lowBits(end - start), 0, 0 };
        }

        // Of two points with the same left image the left one has the larger depth, of
        // two with the same right image the right one. With the eyes parallel the larger
        // depth is nearer, so the left eye sees the leftmost point imaged on a column of
        // its (left) images and the right eye the rightmost on its right images. With the
        // eyes crossed the smaller depth is nearer and each eye looks at the other image:
        // the right eye sees the rightmost point on a left image, the left eye the leftmost
        // on a right image. Marks are made from the point seen first, the left images'
        // and the right images' in one loop.
        for (int k = 0, j = pieceCount - 1; k < pieceCount; ++k, --j) {
            Piece& l = pieces[crossed ? j : k];
            const int pl = l.left + kPad;
            l.seenLeft = ~bitsAt(leftTaken, pl) & l.all;
            setBitsAt(leftTaken, pl, l.all);
            Piece& r = pieces[crossed ? k : j];
            const int pr = r.left + r.distance + kPad;
            r.seenRight = ~bitsAt(rightTaken, pr) & r.all;
            setBitsAt(rightTaken, pr, r.all);
        }

        // The strip repeated across the row, as a flat plane shows it: the seed at
        // 600..1239 and its repeats either way.
        Loops::repeatStrip(row, seed);

        // Seen by both eyes, both images inside the picture (0 <= left + i < 1920 -
        // distance); the points from which on the pair is centred right of the middle.
        const auto linked = [](const Piece& piece) {
            return piece.seenLeft & piece.seenRight & bitsFrom(-piece.left)
                & bitsBelow(kPictureWidth - piece.distance - piece.left);
        };
        const auto rightOfMiddle
            = [](const Piece& piece) { return bitsFrom((kTwiceMiddle - piece.distance - 2 * piece.left + 1) >> 1); };

        // Left to right: the pairs nearer the middle at their left image, whose colour
        // flows rightward.
        for (int k = firstRightward; k < pieceCount; ++k) {
            const uint64_t rightward = linked(pieces[k]) & rightOfMiddle(pieces[k]);
            if (rightward != 0) Loops::rightward(row, pieces[k].left, pieces[k].distance, rightward);
        }

        // Right to left: the others.
        for (int k = endLeftward - 1; k >= 0; --k) {
            const uint64_t leftward = linked(pieces[k]) & ~rightOfMiddle(pieces[k]);
            if (leftward != 0) Loops::leftward(row, pieces[k].left, pieces[k].distance, leftward);
        }
    }

    // The rows, one after another; the next one is fetched into the cache meanwhile.
    template <class Loops>
    [[gnu::always_inline]] inline void composeRows(
        const QImage& seed, QImage& picture, const DepthArray& a, bool crossed, const RowCallback& afterRow)
    {
        RowWork work;
        for (int y = 0; y < kWorkHeight; ++y) {
            const int next = std::min(y + 1, kWorkHeight - 1);
            composeRowQuality<Loops>(reinterpret_cast<uint32_t*>(picture.scanLine(y)),
                reinterpret_cast<const uint32_t*>(seed.constScanLine(y)), a.row(y), work, crossed,
                reinterpret_cast<const uint32_t*>(picture.constScanLine(next)),
                reinterpret_cast<const uint32_t*>(seed.constScanLine(next)), a.row(next));
            if (afterRow) afterRow(y);
        }
    }

    void composeRowsPlain(
        const QImage& seed, QImage& picture, const DepthArray& a, bool crossed, const RowCallback& afterRow)
    {
        composeRows<PlainLoops>(seed, picture, a, crossed, afterRow);
    }

#ifdef VOLETA_HAVE_AVX512_PATH
    __attribute__((target("avx512f"))) void composeRowsWide(
        const QImage& seed, QImage& picture, const DepthArray& a, bool crossed, const RowCallback& afterRow)
    {
        composeRows<WideLoops>(seed, picture, a, crossed, afterRow);
    }
#endif

} // namespace

void composeQuality(const QImage& strip, const DepthArray& a, int hk, QImage& picture, const RowCallback& afterRow)
{
    // Every pixel is written: the seed row by row, as each row is composed.
    const QImage seed = seedStrip(strip);
    if (picture.width() != kPictureWidth || picture.height() != kWorkHeight || picture.format() != QImage::Format_RGB32)
        picture = QImage(kPictureWidth, kWorkHeight, QImage::Format_RGB32);
    const bool crossed = hk < 0;
#ifdef VOLETA_HAVE_AVX512_PATH
    if (kernels::wideVectorPaths()) return composeRowsWide(seed, picture, a, crossed, afterRow);
#endif
    composeRowsPlain(seed, picture, a, crossed, afterRow);
}

} // namespace render
