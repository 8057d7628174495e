// The picture the panel shows, from the chip's registers and display memory.
#pragma once

#include <cstdint>
#include <vector>

namespace k7q {

struct PanelImage {
  uint32_t width = 0;
  uint32_t height = 0;
  // One gray byte a pixel, row by row: 0 for a pixel that is off, 255 fully on.
  std::vector<uint8_t> pixels;
};

// registers: the chip's registers from index 0 (at least 21h of them); memory: its
// display memory. Addresses past the memory read as 0.
PanelImage RenderPanel(const uint8_t* registers, const uint8_t* memory, uint32_t memorySize);

}  // namespace k7q
