#include "render/Answer.h"

#include <algorithm>
#include <cstring>

namespace render {

NearnessRange nearnessRange(const DepthArray& a, int hk)
{
    const int64_t sign = hk < 0 ? -1 : 1;
    int64_t nearest = sign * a.at(0, 0), farthest = nearest;
    for (int y = 0; y < kWorkHeight; ++y) {
        const auto [low, high] = std::minmax_element(a.row(y), a.row(y) + kWorkWidth);
        nearest = std::max({ nearest, sign * *low, sign * *high });
        farthest = std::min({ farthest, sign * *low, sign * *high });
    }
    return { farthest, nearest };
}

QImage answerPicture(const DepthArray& a, int hk)
{
    const int64_t sign = hk < 0 ? -1 : 1;
    const auto [farthest, nearest] = nearnessRange(a, hk);

    constexpr int kMargin = (kPictureWidth - kWorkWidth) / 2;
    QImage picture(kPictureWidth, kWorkHeight, QImage::Format_Grayscale8);
    const double range = double(nearest - farthest);
    const auto grey = [&](int32_t d) -> uchar {
        if (range <= 0) return kAnswerFlat;
        return uchar(kAnswerFar + (kAnswerNear - kAnswerFar) * (double(sign * d - farthest) / range) + 0.5);
    };
    const uchar margin = range <= 0 ? kAnswerFlat : kAnswerFar;
    for (int y = 0; y < kWorkHeight; ++y) {
        uchar* out = picture.scanLine(y);
        const int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth; ++x)
            out[kMargin + x] = grey(depths[x]);
        std::memset(out, margin, kMargin);
        std::memset(out + kMargin + kWorkWidth, margin, kMargin);
    }
    return picture;
}

} // namespace render
