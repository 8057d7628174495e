#include "board/test_pattern.h"

#include <algorithm>
#include <vector>

namespace k7q {

namespace {

constexpr uint32_t kStartAddressLow = 0x0B;
constexpr uint32_t kBlock1Lines = 0x0D;
constexpr uint32_t kOverlay = 0x18;
constexpr uint32_t kCharacterHeight = 0x02;
constexpr uint32_t kBytesPerRow = 0x03;
constexpr uint32_t kLinesPerFrame = 0x05;
constexpr uint32_t kCursorWriteLow = 0x1C;

constexpr uint8_t kFirstCharacter = 0x20;
constexpr uint8_t kLastCharacter = 0x7E;

std::vector<uint8_t> GrayLevels(uint32_t bpp) {
  if (bpp == 4) {
    std::vector<uint8_t> levels;
    for (int level = 0xFF; level >= 0; level -= 0x11) levels.push_back(static_cast<uint8_t>(level));
    return levels;
  }
  if (bpp == 2) return {0xFF, 0xAA, 0x55, 0x00};
  return {0xFF, 0x00};
}

// Bytes from offset up to the end of display memory, at most count.
uint32_t Clip(uint32_t offset, uint32_t count) {
  return offset >= kDisplayMemorySize ? 0 : std::min(count, kDisplayMemorySize - offset);
}

void DrawText(ChipRuntime& rt, uint32_t start, uint32_t columns, uint32_t rows) {
  uint8_t code = kFirstCharacter;
  const uint32_t cells = Clip(start, columns * rows);
  for (uint32_t i = 0; i < cells; ++i) {
    RuntimeFillMemory(rt, start + i, code, 1);
    code = code == kLastCharacter ? kFirstCharacter : code + 1;
  }
  RuntimeWriteRegister16(rt, kCursorWriteLow, start + 1);
}

void DrawBands(ChipRuntime& rt, uint32_t start, uint32_t pitch, uint32_t lines, uint32_t bpp) {
  const std::vector<uint8_t> levels = GrayLevels(bpp);
  const uint32_t bandLines = std::max<uint32_t>(1, lines / levels.size());
  for (uint32_t line = 0; line < lines; line += bandLines) {
    const size_t band = std::min<size_t>(line / bandLines, levels.size() - 1);
    const uint32_t count = std::min(bandLines, lines - line) * pitch;
    const uint32_t offset = start + line * pitch;
    RuntimeFillMemory(rt, offset, levels[band], Clip(offset, count));
  }
}

}  // namespace

int ShowTestPattern(ChipRuntime& rt, uint32_t width, uint32_t height, uint32_t bpp) {
  if (width * bpp / 8 * height > kDisplayMemorySize) return 3;
  const uint32_t start = RuntimeReadRegister16(rt, kStartAddressLow);
  const uint32_t lines =
      std::min(RuntimeReadRegister8(rt, kBlock1Lines), RuntimeReadRegister8(rt, kLinesPerFrame)) +
      1;
  const uint32_t overlay = RuntimeReadRegister8(rt, kOverlay);
  const uint32_t pitch = RuntimeReadRegister8(rt, kBytesPerRow) + 1;
  if ((overlay >> 2) == 0) {
    const uint32_t characterHeight = (RuntimeReadRegister8(rt, kCharacterHeight) & 0x0F) + 1;
    DrawText(rt, start, pitch, lines / characterHeight);
  } else {
    DrawBands(rt, start, pitch, lines, bpp);
  }
  return 0;
}

}  // namespace k7q
