#include "render/QualityCompose.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace render {

namespace {

    constexpr int kSeedLeft = 600; // the strip lies at 600..919 and repeats every 320 columns
    constexpr int kMiddleLeft = 919; // the seed's middle lies between 919 and 920
    constexpr int kMargin = kStrip / 2; // depth entry x is centred on picture column x + 160

    // Below this depth both images of every point lie outside the picture (the repeat
    // distance exceeds 3520), so deeper points are taken as this deep: the result is
    // the same and the image columns stay small.
    constexpr int kDeepest = -3300;
    // Images of the deepest points reach from -1650 to 3569; the per-eye tables cover
    // columns -kPad .. kPictureWidth + kPad - 1, and -kPad stands for "no image".
    constexpr int kPad = 2048;
    constexpr int kNowhere = -kPad;

    // Where column c stands in the order of colouring: 919, 920, 918, 921, ...
    constexpr int rankOf(int c)
    {
        return c <= kMiddleLeft ? 2 * (kMiddleLeft - c) : 2 * (c - kMiddleLeft - 1) + 1;
    }

    // Everything one row needs, allocated once per picture.
    struct RowWork {
        std::vector<int32_t> left = std::vector<int32_t>(kWorkWidth); // image columns of each point
        std::vector<int32_t> right = std::vector<int32_t>(kWorkWidth);
        // Per column (offset by kPad): the point each eye sees there. Columns a row asks
        // about are always written in that row first, so the tables need no clearing.
        std::vector<int32_t> leftOwner = std::vector<int32_t>(kPictureWidth + 2 * kPad);
        std::vector<int32_t> rightOwner = std::vector<int32_t>(kPictureWidth + 2 * kPad);
        // same[c]: a column linked with c that lies nearer the middle, or c itself when
        // none is; following it ends at the member of c's set nearest the middle.
        std::vector<int32_t> same = std::vector<int32_t>(kPictureWidth);
        std::vector<int32_t> identity = std::vector<int32_t>(kPictureWidth);
        std::vector<int32_t> rank = std::vector<int32_t>(kPictureWidth);
        std::vector<uint32_t> pattern = std::vector<uint32_t>(kStrip);

        RowWork()
        {
            for (int c = 0; c < kPictureWidth; ++c) {
                identity[c] = c;
                rank[c] = rankOf(c);
            }
        }
    };

    // Links columns a and b, keeping every pointer toward the middle: the two chains are
    // merged in the order of rank, so each set stays one tree whose root is its member
    // nearest the middle.
    inline void link(int32_t* same, const int32_t* rank, int a, int b)
    {
        if (rank[a] < rank[b]) std::swap(a, b);
        for (;;) { // rank[a] > rank[b]
            const int k = same[a];
            if (k == a) {
                same[a] = b;
                return;
            }
            if (k == b) return;
            if (rank[k] > rank[b]) {
                a = k;
            } else {
                a = b;
                b = k;
            }
        }
    }

    void composeRowQuality(uint32_t* out, const int32_t* depth, RowWork& w)
    {
        int32_t* left = w.left.data();
        int32_t* right = w.right.data();
        int32_t* leftOwner = w.leftOwner.data() + kPad;
        int32_t* rightOwner = w.rightOwner.data() + kPad;
        int32_t* same = w.same.data();
        const int32_t* rank = w.rank.data();

        // The images of every point.
        for (int x = 0; x < kWorkWidth; ++x) {
            const int d = std::max<int32_t>(depth[x], kDeepest);
            const int distance = kStrip - d; // > 0 unless the point has no images
            const int l = x + kMargin - distance / 2;
            const bool images = d < kStrip;
            left[x] = images ? l : kNowhere;
            right[x] = images ? l + distance : kNowhere;
        }

        // A nearer point with the same left image lies to the left of a farther one, and
        // with the same right image to its right: the left eye sees the leftmost point
        // imaged on a column, the right eye the rightmost.
        for (int x = kWorkWidth - 1; x >= 0; --x)
            leftOwner[left[x]] = x;
        for (int x = 0; x < kWorkWidth; ++x)
            rightOwner[right[x]] = x;

        std::memcpy(same, w.identity.data(), kPictureWidth * sizeof(int32_t));
        for (int x = 0; x < kWorkWidth; ++x) {
            const int l = left[x];
            const int r = right[x];
            if (static_cast<unsigned>(l) >= kPictureWidth || static_cast<unsigned>(r) >= kPictureWidth) continue;
            if (leftOwner[l] != x || rightOwner[r] != x) continue;
            link(same, rank, l, r);
        }

        // The strip repeated across the row, as a flat plane shows it; then, from the
        // middle outward, each linked column takes the colour of its link nearer the middle.
        std::memcpy(w.pattern.data(), out + kSeedLeft, kStrip * sizeof(uint32_t));
        for (int c = 0, p = (kStrip - kSeedLeft % kStrip) % kStrip; c < kPictureWidth; p = 0) {
            const int n = std::min(kStrip - p, kPictureWidth - c);
            std::memcpy(out + c, w.pattern.data() + p, n * sizeof(uint32_t));
            c += n;
        }
        for (int i = 0; i <= kMiddleLeft; ++i) {
            const int c1 = kMiddleLeft - i;
            out[c1] = out[same[c1]];
            const int c2 = kMiddleLeft + 1 + i;
            out[c2] = out[same[c2]];
        }
        for (int c = 2 * kMiddleLeft + 2; c < kPictureWidth; ++c)
            out[c] = out[same[c]];
    }

} // namespace

void composeQuality(const QImage& strip, const DepthArray& a, QImage& picture, const RowCallback& afterRow)
{
    drawSeed(strip, picture); // the strip, scaled as `compose` scales it, at 600..1239
    RowWork work;
    for (int y = 0; y < kWorkHeight; ++y) {
        composeRowQuality(reinterpret_cast<uint32_t*>(picture.scanLine(y)), a.row(y), work);
        if (afterRow) afterRow(y);
    }
}

} // namespace render
