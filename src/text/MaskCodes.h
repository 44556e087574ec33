// The code colours of the text mask (0xRRGGBB): a mask pixel belongs to a line exactly
// when its colour equals that line's code. The text layer draws them; the depth step
// reads them.
#pragma once

#include <cstdint>

namespace text {

constexpr uint32_t kLine1Code = 0x050A0F;
constexpr uint32_t kLine2Code = 0x0F050A;
constexpr uint32_t kLine3Code = 0x0A0F05;

} // namespace text
