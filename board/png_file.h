// PNG files of gray or RGB pixels, through libpng.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace k7q {

struct PngPixels {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 1;       // 1 gray, 3 red, green, blue
  std::vector<uint8_t> bytes;  // row by row
};

// Writes the pixels as a whole output (complete, or the file as it was); false with
// *error naming the file and the reason.
bool WritePng(const std::string& path, const PngPixels& pixels, std::string* error);

// Reads a PNG file as pixels of the channels asked for (1 or 3).
std::optional<PngPixels> ReadPng(const std::string& path, uint32_t channels, std::string* error);

}  // namespace k7q
