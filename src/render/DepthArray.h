// The depth array: one Int32 per working-area position, x 0..1600 and y 0..1280
// (one column and one row more than the 1600 x 1280 working area). An entry is a
// horizontal shift in pixels of the composed picture; 0 is the background plane.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

constexpr int kWorkWidth = 1600; // ww: text mask, map crop and depth array
constexpr int kWorkHeight = 1280; // sh: rows of the working area and of the picture
constexpr int kStrip = 320; // bw: the pattern strip, repeat distance of the flat plane
constexpr int kPictureWidth = 1920; // sw = ww + bw

class DepthArray {
public:
    static constexpr int kColumns = kWorkWidth + 1; // 1601
    static constexpr int kRows = kWorkHeight + 1; // 1281

    DepthArray()
        : values(static_cast<size_t>(kColumns) * kRows, 0)
    {
    }

    int32_t& at(int x, int y) { return values[static_cast<size_t>(y) * kColumns + x]; }
    int32_t at(int x, int y) const { return values[static_cast<size_t>(y) * kColumns + x]; }
    // Row y, entries x = 0 .. 1600.
    int32_t* row(int y) { return values.data() + static_cast<size_t>(y) * kColumns; }
    const int32_t* row(int y) const { return values.data() + static_cast<size_t>(y) * kColumns; }

    void fill(int32_t v) { std::fill(values.begin(), values.end(), v); }
    bool operator==(const DepthArray&) const = default;

private:
    std::vector<int32_t> values; // row-major: the composition walks rows
};

} // namespace render
