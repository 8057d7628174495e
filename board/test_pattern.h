// The test pattern drawn into display memory from the chip's layout registers.
#pragma once

#include <cstdint>

#include "board/chip_runtime.h"

namespace k7q {

// 0 drawn, 3 when a panel of width by height at bpp bits does not fit display memory.
int ShowTestPattern(ChipRuntime& rt, uint32_t width, uint32_t height, uint32_t bpp);

}  // namespace k7q
