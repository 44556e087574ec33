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

    // Everything one row needs, allocated once per picture.
    struct RowWork {
        std::vector<int32_t> left = std::vector<int32_t>(kWorkWidth); // image columns of each point
        std::vector<int32_t> right = std::vector<int32_t>(kWorkWidth);
        std::vector<uint8_t> seen = std::vector<uint8_t>(kWorkWidth); // seen by both eyes
        // Per column (offset by kPad): the number of the last row whose points have an
        // image there for that eye.
        std::vector<uint16_t> leftTaken = std::vector<uint16_t>(kPictureWidth + 2 * kPad);
        std::vector<uint16_t> rightTaken = std::vector<uint16_t>(kPictureWidth + 2 * kPad);
        std::vector<uint32_t> out = std::vector<uint32_t>(kPictureWidth); // the row being made
    };

    // One row. A linked pair's colour flows from its image nearer the middle of the seed
    // to the farther one, so that every set of linked columns takes the colour of its
    // member nearest the middle. Each column is the left image of at most one point that
    // both eyes see and the right image of at most one, so the sets are chains running
    // left to right: pairs whose colour flows rightward are done from left to right and
    // the others from right to left, each reading a column already final, as the two
    // passes of `compose` do.
    void composeRowQuality(uint32_t* picture, const int32_t* depth, uint16_t stamp, RowWork& w)
    {
        int32_t* left = w.left.data();
        int32_t* right = w.right.data();
        uint8_t* seen = w.seen.data();
        uint16_t* leftTaken = w.leftTaken.data() + kPad;
        uint16_t* rightTaken = w.rightTaken.data() + kPad;
        uint32_t* out = w.out.data();

        for (int x = 0; x < kWorkWidth; ++x) {
            const int d = std::min<int32_t>(std::max<int32_t>(depth[x], kDeepest), kStrip);
            const int distance = kStrip - d; // 0 when the point has no images
            const int l = x + kMargin - (distance >> 1);
            left[x] = distance > 0 ? l : kNowhere;
            right[x] = distance > 0 ? l + distance : kNowhere;
        }

        // A nearer point with the same right image lies to the right of a farther one,
        // and with the same left image to its left: the right eye sees the rightmost point
        // imaged on a column, the left eye the leftmost.
        for (int x = kWorkWidth - 1; x >= 0; --x) {
            uint16_t& taken = rightTaken[right[x]];
            seen[x] = taken != stamp;
            taken = stamp;
        }

        // The strip repeated across the row, as a flat plane shows it.
        const uint32_t* strip = picture + kSeedLeft;
        for (int c = 0, p = (kStrip - kSeedLeft % kStrip) % kStrip; c < kPictureWidth; p = 0) {
            const int n = std::min(kStrip - p, kPictureWidth - c);
            std::memcpy(out + c, strip + p, n * sizeof(uint32_t));
            c += n;
        }

        // A pair centred right of the middle (left + right >= 1839) is nearer the middle
        // at its left image: its colour flows rightward.
        constexpr int kTwiceMiddle = 2 * kMiddleLeft + 1;
        for (int x = 0; x < kWorkWidth; ++x) {
            const int l = left[x];
            const int r = right[x];
            uint16_t& taken = leftTaken[l];
            const bool both = seen[x] & (taken != stamp) & (static_cast<unsigned>(l) < kPictureWidth)
                & (static_cast<unsigned>(r) < kPictureWidth);
            taken = stamp;
            seen[x] = both;
            if (both && l + r >= kTwiceMiddle) out[r] = out[l];
        }
        for (int x = kWorkWidth - 1; x >= 0; --x) {
            const int l = left[x];
            const int r = right[x];
            if (seen[x] && l + r < kTwiceMiddle) out[l] = out[r];
        }
        std::memcpy(picture, out, kPictureWidth * sizeof(uint32_t));
    }

} // namespace

void composeQuality(const QImage& strip, const DepthArray& a, QImage& picture, const RowCallback& afterRow)
{
    drawSeed(strip, picture); // the strip, scaled as `compose` scales it, at 600..1239
    RowWork work;
    for (int y = 0; y < kWorkHeight; ++y) {
        composeRowQuality(reinterpret_cast<uint32_t*>(picture.scanLine(y)), a.row(y), uint16_t(y + 1), work);
        if (afterRow) afterRow(y);
    }
}

} // namespace render
