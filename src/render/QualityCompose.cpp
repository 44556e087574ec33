#include "render/QualityCompose.h"

#include "render/RowKernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace render {

namespace {

    constexpr int kSeedLeft = 600; // the strip lies at 600..919 and repeats every 320 columns
    constexpr int kSeedEnd = kSeedLeft + 2 * kStrip; // drawSeed fills 600..1239
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

    // Bits first .. last - 1, 0 <= first < last <= 64.
    inline uint64_t bitsBetween(int first, int last)
    {
        return lowBits(last) & ~(first == 0 ? 0 : lowBits(first));
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
    // columns left .. left + count - 1, their right images lie `distance` further.
    struct Piece {
        int left;
        int distance;
        int count;
        uint64_t seen; // bit i: point i is seen by the right eye, later by both and linked
    };

    // Everything one row needs, allocated once per picture.
    struct RowWork {
        std::array<uint64_t, kStepWords + 1> steps {};
        std::array<uint64_t, kTableWords> leftTaken {}; // columns where a point has a left image
        std::array<uint64_t, kTableWords> rightTaken {};
        std::vector<Piece> pieces = std::vector<Piece>(kWorkWidth);
        std::vector<int> starts = std::vector<int>(kWorkWidth + 8); // of the runs of one depth
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
    void composeRowQuality(
        uint32_t* row, const int32_t* depth, RowWork& w, const uint32_t* nextRow, const int32_t* nextDepth)
    {
        if (nextRow) {
            for (int i = 0; i < kWorkWidth; i += 16)
                __builtin_prefetch(nextDepth + i);
            for (int i = 0; i < kPictureWidth; i += 16)
                __builtin_prefetch(nextRow + i, 1);
        }
        uint64_t* steps = w.steps.data();
        uint64_t* leftTaken = w.leftTaken.data();
        uint64_t* rightTaken = w.rightTaken.data();
        Piece* pieces = w.pieces.data();
        w.leftTaken.fill(0);
        w.rightTaken.fill(0);
        kernels::depthSteps(depth, kWorkWidth, steps);

        // A nearer point with the same right image lies to the right of a farther one,
        // and with the same left image to its left: the right eye sees the rightmost point
        // imaged on a column, the left eye the leftmost. So the pieces are cut from right
        // to left, the right eye's marks made meanwhile. A point of depth 320 or more has
        // no images: it makes no piece.
        // Where the runs of one depth start, found word by word (eight at a time: the
        // entries past a word's last start are overwritten by the next word's).
        int* starts = w.starts.data();
        int runCount = 0;
        for (int word = 0; word < kStepWords; ++word) {
            uint64_t bits = steps[word];
            const int n = std::popcount(bits);
            int* to = starts + runCount;
            for (int i = 0; i < 8; ++i) {
                to[i] = word * 64 + std::countr_zero(bits);
                bits &= bits - 1;
            }
            for (int i = 8; i < n; ++i) {
                to[i] = word * 64 + std::countr_zero(bits);
                bits &= bits - 1;
            }
            runCount += n;
        }
        starts[runCount] = kWorkWidth;

        int pieceCount = 0;
        for (int k = runCount - 1; k >= 0; --k) {
            const int start = starts[k];
            const int end = starts[k + 1];
            const int d = std::clamp<int32_t>(depth[start], kDeepest, kStrip);
            const int distance = kStrip - d;
            if (distance <= 0) [[unlikely]]
                continue;
            const int shift = distance >> 1;
            if (end - start > 64) [[unlikely]] {
                for (int top = end; top > start; top -= 64) {
                    const int from = std::max(start, top - 64);
                    const int left = from + kMargin - shift;
                    const int p = left + distance + kPad;
                    const uint64_t all = lowBits(top - from);
                    pieces[pieceCount++] = { left, distance, top - from, ~bitsAt(rightTaken, p) & all };
                    setBitsAt(rightTaken, p, all);
                }
                continue;
            }
            const int left = start + kMargin - shift;
            const int p = left + distance + kPad;
            const uint64_t all = lowBits(end - start);
            pieces[pieceCount++] = { left, distance, end - start, ~bitsAt(rightTaken, p) & all };
            setBitsAt(rightTaken, p, all);
        }

        copyPixels(row, row + kSeedLeft + 40, kStrip - 40);
        copyPixels(row + kStrip - 40, row + kSeedLeft, kStrip);
        static_assert(kSeedLeft == 2 * kStrip - 40 && kSeedEnd + 2 * kStrip + 40 == kPictureWidth);
        copyPixels(row + kSeedEnd, row + kSeedLeft, kStrip);
        copyPixels(row + kSeedEnd + kStrip, row + kSeedLeft, kStrip);
        copyPixels(row + kSeedEnd + 2 * kStrip, row + kSeedLeft, 40);

        // Left to right: the left eye's marks, then the pairs centred right of the middle
        // (left + right >= 1839), nearer the middle at their left image: their colour flows
        // rightward. The others are kept for the leftward pass.
        for (int k = pieceCount - 1; k >= 0; --k) {
            Piece& piece = pieces[k];
            const int p = piece.left + kPad;
            const uint64_t all = lowBits(piece.count);
            uint64_t seen = piece.seen & ~bitsAt(leftTaken, p);
            setBitsAt(leftTaken, p, all);
            // Both images inside the picture: 0 <= left + i < 1920 - distance.
            const int first = std::max(0, -piece.left);
            const int last = std::min(piece.count, kPictureWidth - piece.distance - piece.left); // exclusive
            if (first >= last) {
                piece.seen = 0;
                continue;
            }
            seen &= bitsBetween(first, last);
            // Rightward from i = middle on: 2 * (left + i) + distance >= 1839.
            const int middle = std::clamp((kTwiceMiddle - piece.distance - 2 * piece.left + 1) >> 1, 0, 64);
            const uint64_t before = middle == 0 ? 0 : lowBits(middle);
            piece.seen = seen & before;
            uint64_t rightward = seen & ~before;
            while (rightward != 0) {
                const int i = std::countr_zero(rightward);
                const int n = std::countr_one(rightward >> i);
                copyRightward(row, piece.left + i, n, piece.distance);
                rightward = i + n == 64 ? 0 : rightward & (~uint64_t(0) << (i + n));
            }
        }

        // Right to left: the pairs whose colour flows leftward.
        for (int k = 0; k < pieceCount; ++k) {
            uint64_t leftward = pieces[k].seen;
            while (leftward != 0) {
                const int top = 64 - std::countl_zero(leftward); // exclusive
                const int n = std::countl_one(leftward << (64 - top));
                copyLeftward(row, pieces[k].left + top - n, n, pieces[k].distance);
                leftward &= top - n == 0 ? 0 : lowBits(top - n);
            }
        }
    }

} // namespace

void composeQuality(const QImage& strip, const DepthArray& a, QImage& picture, const RowCallback& afterRow)
{
    drawSeed(strip, picture); // the strip, scaled as `compose` scales it, at 600..1239
    RowWork work;
    for (int y = 0; y < kWorkHeight; ++y) {
        const bool last = y + 1 == kWorkHeight;
        composeRowQuality(reinterpret_cast<uint32_t*>(picture.scanLine(y)), a.row(y), work,
            last ? nullptr : reinterpret_cast<const uint32_t*>(picture.constScanLine(y + 1)),
            last ? nullptr : a.row(y + 1));
        if (afterRow) afterRow(y);
    }
}

} // namespace render
