// Console fonts in the PC Screen Font format (version 1), the bitmaps of the chip's
// internal character ROM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace k7q {

// 256 characters, 8 pixels wide, height rows each (one byte a row, leftmost pixel in
// bit 7), indexed by character code.
struct BitmapFont {
  uint32_t height = 0;
  std::vector<uint8_t> rows;  // 256 * height

  const uint8_t* Glyph(uint8_t code) const { return rows.data() + code * height; }
};

// The font in a PSF1 file's bytes, its glyphs placed at the Latin-1 code of the
// character each shows (by the file's Unicode table; in file order without one).
// Codes the font has no glyph for stay blank. Nothing when the bytes are not PSF1.
std::optional<BitmapFont> ParsePsf1(const uint8_t* data, size_t size);

// The character ROM compiled into the program: 8 or 16 rows a character.
const BitmapFont& CharacterRom(uint32_t height);

}  // namespace k7q
