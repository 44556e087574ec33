#include "render/Answer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace render {

QImage answerPicture(const DepthArray& a)
{
    int lowest = a.at(0, 0), highest = lowest;
    for (int y = 0; y < kWorkHeight; ++y) {
        const auto [low, high] = std::minmax_element(a.row(y), a.row(y) + kWorkWidth);
        lowest = std::min(lowest, *low);
        highest = std::max(highest, *high);
    }

    constexpr int kMargin = (kPictureWidth - kWorkWidth) / 2;
    QImage picture(kPictureWidth, kWorkHeight, QImage::Format_Grayscale8);
    const double range = double(highest) - lowest;
    const auto grey = [&](int32_t d) -> uchar {
        if (range <= 0) return kAnswerFlat;
        return uchar(kAnswerFar + (kAnswerNear - kAnswerFar) * ((double(d) - lowest) / range) + 0.5);
    };
    for (int y = 0; y < kWorkHeight; ++y) {
        uchar* out = picture.scanLine(y);
        const int32_t* depths = a.row(y);
        for (int x = 0; x < kWorkWidth; ++x)
            out[kMargin + x] = grey(depths[x]);
        std::memset(out, out[kMargin], kMargin);
        std::memset(out + kMargin + kWorkWidth, out[kMargin + kWorkWidth - 1], kMargin);
    }
    return picture;
}

} // namespace render
