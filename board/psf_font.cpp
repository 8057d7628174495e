#include "board/psf_font.h"

#include <cstring>

namespace k7q {

// Generated at build time from Debian's console fonts.
extern const unsigned char kRomFont8[];
extern const size_t kRomFont8Size;
extern const unsigned char kRomFont16[];
extern const size_t kRomFont16Size;

namespace {

constexpr uint8_t kPsf1Magic0 = 0x36;
constexpr uint8_t kPsf1Magic1 = 0x04;
constexpr uint8_t kPsf1Mode512 = 0x01;
constexpr uint8_t kPsf1ModeHasTable = 0x02;
constexpr uint32_t kHeaderSize = 4;
constexpr uint16_t kTableSequence = 0xFFFE;
constexpr uint16_t kTableEnd = 0xFFFF;
constexpr uint32_t kCodes = 256;

}  // namespace

std::optional<BitmapFont> ParsePsf1(const uint8_t* data, size_t size) {
  if (size < kHeaderSize || data[0] != kPsf1Magic0 || data[1] != kPsf1Magic1) return std::nullopt;
  const uint32_t glyphs = (data[2] & kPsf1Mode512) ? 512 : 256;
  BitmapFont font;
  font.height = data[3];
  const size_t bitmapBytes = size_t{glyphs} * font.height;
  if (font.height == 0 || size < kHeaderSize + bitmapBytes) return std::nullopt;
  font.rows.assign(kCodes * font.height, 0);
  const uint8_t* bitmaps = data + kHeaderSize;
  auto place = [&](uint32_t code, uint32_t glyph) {
    std::memcpy(&font.rows[code * font.height], bitmaps + size_t{glyph} * font.height, font.height);
  };
  if (!(data[2] & kPsf1ModeHasTable)) {
    for (uint32_t code = 0; code < kCodes; ++code) place(code, code);
    return font;
  }
  // One list of little-endian code points per glyph, ended by FFFFh; the sequences
  // after FFFEh (combined characters) are not single characters.
  size_t at = kHeaderSize + bitmapBytes;
  for (uint32_t glyph = 0; glyph < glyphs && at + 1 < size; ++glyph) {
    bool inSequence = false;
    while (at + 1 < size) {
      const uint16_t point = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
      at += 2;
      if (point == kTableEnd) break;
      if (point == kTableSequence) inSequence = true;
      if (!inSequence && point < kCodes) place(point, glyph);
    }
  }
  return font;
}

const BitmapFont& CharacterRom(uint32_t height) {
  static const BitmapFont rom8 = ParsePsf1(kRomFont8, kRomFont8Size).value_or(BitmapFont{});
  static const BitmapFont rom16 = ParsePsf1(kRomFont16, kRomFont16Size).value_or(BitmapFont{});
  return height > 8 ? rom16 : rom8;
}

}  // namespace k7q
