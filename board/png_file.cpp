#include "board/png_file.h"

#include <png.h>

#include <cstring>

#include "storage/staged_file.h"

namespace k7q {

namespace {

uint32_t FormatOf(uint32_t channels) {
  return channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
}

}  // namespace

bool WritePng(const std::string& path, const PngPixels& pixels, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = pixels.width;
  image.height = pixels.height;
  image.format = FormatOf(pixels.channels);
  // Encoded in memory, then written as every other output: complete or not at all.
  png_alloc_size_t size = 0;
  std::string bytes;
  if (png_image_write_get_memory_size(image, size, 0, pixels.bytes.data(), 0, nullptr)) {
    bytes.resize(size);
  }
  if (bytes.empty() ||
      !png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.bytes.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    return false;
  }
  bytes.resize(size);
  const std::string reason = WriteWholeOutput(path, bytes);
  if (reason.empty()) return true;
  *error = path + ": " + reason;
  return false;
}

std::optional<PngPixels> ReadPng(const std::string& path, uint32_t channels, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *error = path + ": " + image.message;
    return std::nullopt;
  }
  image.format = FormatOf(channels);
  PngPixels pixels;
  pixels.width = image.width;
  pixels.height = image.height;
  pixels.channels = channels;
  pixels.bytes.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.bytes.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    png_image_free(&image);
    return std::nullopt;
  }
  return pixels;
}

}  // namespace k7q
