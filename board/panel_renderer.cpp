#include "board/panel_renderer.h"

#include <algorithm>

#include "board/psf_font.h"
#include "chipmodel/sleep_register.h"

namespace k7q {

// Where the chip definition leaves the picture open, the plain reading is taken:
// - A set pixel is light on a dark panel; a gray level is its share of full light.
//   Display off and sleep show a dark panel.
// - The panel is (C/R + 1) * 8 / bpp pixels wide, in text mode too, and L/F + 1 lines
//   high; a virtual width of 0 means the bytes per line.
// - Two layers: layer 1 is block 1 for SL1 lines and block 3 below them, layer 2 is
//   block 2 for SL2 lines and block 4 below them. Three layers: layer 1 is block 1 for
//   SL1 lines (nothing below), layer 2 as with two, layer 3 is block 3 for every line.
// - Only blocks 1 and 3 can be text; text pixels are fully on. Character cells are FX
//   by FY pixels, of which the bitmap fills at most 8 columns and 8 or 16 rows (M2).
//   CG RAM (M0) holds every character, 8 or 16 bytes each from its start address.
// - A flashing block or cursor is drawn steadily on; "Off (Blank)" hides it. AND
//   combines the layers that are shown, priority-OR takes the first lit one.
// - The cursor lies on layer 1 at the CSRW address; it inverts a CRX by CRY box from
//   the top left of its character cell (graphics: of its byte), an underscore only
//   the box's last line.
// - The horizontal pixel scroll moves every layer left by that many pixels.

namespace {

enum Register : uint32_t {
  kMemoryConfig = 0x00,
  kCharWidth = 0x01,
  kCharHeight = 0x02,
  kBytesPerLine = 0x03,
  kLinesPerFrame = 0x05,
  kVirtualWidth = 0x06,
  kDisplayOn = 0x09,
  kAttributes = 0x0A,
  kBlock1 = 0x0B,
  kLines1 = 0x0D,
  kBlock2 = 0x0E,
  kLines2 = 0x10,
  kBlock3 = 0x11,
  kBlock4 = 0x13,
  kCursorWidth = 0x15,
  kCursorHeight = 0x16,
  kOverlay = 0x18,
  kCgRamStart = 0x19,
  kPixelScroll = 0x1B,
  kCursorAddress = 0x1C,
  kBitsPerPixel = 0x20,
};

enum Attribute : uint32_t { kBlank = 0 };
enum Method : uint32_t { kOr, kExclusiveOr, kAnd, kPriorityOr };

// One screen block as a layer shows it.
struct Block {
  uint32_t start = 0;
  bool text = false;
  bool shown = false;
};

struct Chip {
  const uint8_t* r = nullptr;
  const uint8_t* memory = nullptr;
  uint32_t memorySize = 0;
  uint32_t bpp = 1, maxLevel = 1, width = 0, height = 0, virtualWidth = 1;
  uint32_t charWidth = 8, charHeight = 8, bitmapRows = 8, cgRamStart = 0, scroll = 0;
  bool cgRam = false;
  uint32_t lines1 = 0, lines2 = 0;
  bool threeLayers = false;
  Block blocks[4];

  uint32_t Word(uint32_t index) const { return r[index] | r[index + 1] << 8; }
  uint8_t Byte(uint32_t address) const {
    address &= 0xFFFF;
    return address < memorySize ? memory[address] : 0;
  }
};

Chip ReadChip(const uint8_t* r, const uint8_t* memory, uint32_t memorySize) {
  Chip c;
  c.r = r;
  c.memory = memory;
  c.memorySize = memorySize;
  static constexpr uint32_t kBits[] = {1, 2, 4, 1};
  c.bpp = kBits[r[kBitsPerPixel] & 3];
  c.maxLevel = (1u << c.bpp) - 1;
  const uint32_t pitch = r[kBytesPerLine] + 1u;
  c.width = pitch * 8 / c.bpp;
  c.height = r[kLinesPerFrame] + 1u;
  c.virtualWidth = c.Word(kVirtualWidth) ? c.Word(kVirtualWidth) : pitch;
  c.charWidth = (r[kCharWidth] & 0x0F) + 1u;
  c.charHeight = (r[kCharHeight] & 0x0F) + 1u;
  c.bitmapRows = (r[kMemoryConfig] & 0x04) ? 16 : 8;
  c.cgRam = (r[kMemoryConfig] & 0x01) != 0;
  c.cgRamStart = c.Word(kCgRamStart);
  c.scroll = r[kPixelScroll] & 7;
  c.lines1 = r[kLines1] + 1u;
  c.lines2 = r[kLines2] + 1u;
  const uint32_t overlay = r[kOverlay];
  c.threeLayers = (overlay & 0x10) != 0;
  const uint32_t attributes = r[kAttributes];
  const uint32_t starts[] = {kBlock1, kBlock2, kBlock3, kBlock4};
  // Flash attributes: blocks 1, 2 and 3; block 4 shares block 2's layer and attribute.
  const uint32_t shifts[] = {2, 4, 6, 4};
  for (int b = 0; b < 4; ++b) {
    c.blocks[b].start = c.Word(starts[b]);
    c.blocks[b].shown = ((attributes >> shifts[b]) & 3) != kBlank;
  }
  c.blocks[0].text = (overlay & 0x04) == 0;
  c.blocks[2].text = (overlay & 0x08) == 0;
  return c;
}

uint32_t GlyphRow(const Chip& c, uint8_t code, uint32_t row) {
  if (row >= c.bitmapRows) return 0;
  if (c.cgRam) return c.Byte(c.cgRamStart + code * c.bitmapRows + row);
  const BitmapFont& rom = CharacterRom(c.bitmapRows);
  return rom.height > row ? rom.Glyph(code)[row] : 0;
}

// The level of pixel x on line y of a block.
uint32_t BlockPixel(const Chip& c, const Block& b, uint32_t x, uint32_t y) {
  if (!b.shown) return 0;
  x += c.scroll;
  if (b.text) {
    const uint8_t code = c.Byte(b.start + (y / c.charHeight) * c.virtualWidth + x / c.charWidth);
    const uint32_t column = x % c.charWidth;
    const uint32_t bits = GlyphRow(c, code, y % c.charHeight);
    return column < 8 && ((bits >> (7 - column)) & 1) ? c.maxLevel : 0;
  }
  const uint32_t bit = x * c.bpp;
  const uint8_t byte = c.Byte(b.start + y * c.virtualWidth + bit / 8);
  return (byte >> (8 - c.bpp - bit % 8)) & c.maxLevel;
}

// The block a layer shows on line y, and the block's own line; nullptr for none.
const Block* LayerBlock(const Chip& c, int layer, uint32_t y, uint32_t* line) {
  *line = y;
  if (layer == 0) {
    if (y < c.lines1) return &c.blocks[0];
    *line = y - c.lines1;
    return c.threeLayers ? nullptr : &c.blocks[2];
  }
  if (layer == 1) {
    if (y < c.lines2) return &c.blocks[1];
    *line = y - c.lines2;
    return &c.blocks[3];
  }
  return c.threeLayers ? &c.blocks[2] : nullptr;
}

uint32_t Compose(const Chip& c, uint32_t x, uint32_t y) {
  const uint32_t method = c.r[kOverlay] & 3;
  uint32_t result = method == kAnd ? c.maxLevel : 0;
  bool any = false;
  for (int layer = 0; layer < 3; ++layer) {
    uint32_t line = 0;
    const Block* b = LayerBlock(c, layer, y, &line);
    if (!b || !b->shown) continue;
    const uint32_t v = BlockPixel(c, *b, x, line);
    any = true;
    switch (method) {
      case kOr:
        result |= v;
        break;
      case kExclusiveOr:
        result ^= v;
        break;
      case kAnd:
        result &= v;
        break;
      case kPriorityOr:
        if (result == 0) result = v;
        break;
    }
  }
  return any ? result : 0;
}

// The cursor's box, inverted, where the cursor address lies on layer 1.
void DrawCursor(const Chip& c, std::vector<uint32_t>& levels) {
  if ((c.r[kAttributes] & 3) == kBlank) return;
  const uint32_t address = c.Word(kCursorAddress);
  const uint32_t boxWidth = (c.r[kCursorWidth] & 0x0F) + 1u;
  const uint32_t boxHeight = (c.r[kCursorHeight] & 0x0F) + 1u;
  const bool underscore = (c.r[kCursorHeight] & 0x80) == 0;
  for (int part = 0; part < 2; ++part) {
    const Block& b = c.blocks[part == 0 ? 0 : 2];
    const uint32_t top = part == 0 ? 0 : c.lines1;
    const uint32_t bottom = part == 0 ? c.lines1 : (c.threeLayers ? 0 : c.height);
    const uint32_t offset = (address - b.start) & 0xFFFF;
    const uint32_t row = offset / c.virtualWidth, column = offset % c.virtualWidth;
    const uint32_t cellX = b.text ? column * c.charWidth : column * 8 / c.bpp;
    const uint32_t cellY = top + (b.text ? row * c.charHeight : row);
    if (cellY >= bottom || cellX < c.scroll) continue;
    for (uint32_t dy = underscore ? boxHeight - 1 : 0; dy < boxHeight; ++dy) {
      for (uint32_t dx = 0; dx < boxWidth; ++dx) {
        const uint32_t x = cellX - c.scroll + dx, y = cellY + dy;
        if (x < c.width && y < std::min(bottom, c.height)) {
          uint32_t& level = levels[y * c.width + x];
          level = c.maxLevel - level;
        }
      }
    }
    return;
  }
}

}  // namespace

PanelImage RenderPanel(const uint8_t* registers, const uint8_t* memory, uint32_t memorySize) {
  const Chip c = ReadChip(registers, memory, memorySize);
  PanelImage image;
  image.width = c.width;
  image.height = c.height;
  image.pixels.assign(size_t{c.width} * c.height, 0);
  if ((registers[kSleepRegister] & 1) || !(registers[kDisplayOn] & 1)) return image;
  std::vector<uint32_t> levels(image.pixels.size());
  for (uint32_t y = 0; y < c.height; ++y) {
    for (uint32_t x = 0; x < c.width; ++x) levels[y * c.width + x] = Compose(c, x, y);
  }
  DrawCursor(c, levels);
  for (size_t i = 0; i < levels.size(); ++i) {
    image.pixels[i] = static_cast<uint8_t>(levels[i] * 255 / c.maxLevel);
  }
  return image;
}

}  // namespace k7q
