// The 16-bytes-a-step search against memmem: every offset, near misses, every tail.
#include "config/signature_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace k7q {

namespace {

size_t Memmem(const std::string& image, const std::string& needle) {
  const void* hit = memmem(image.data(), image.size(), needle.data(), needle.size());
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - image.data()) : image.size();
}

size_t Find(const std::string& image, const std::string& needle) {
  return FindBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(),
                   reinterpret_cast<const uint8_t*>(needle.data()), needle.size());
}

}  // namespace

TEST(SignatureSearch, FindsWhatMemmemFinds) {
  std::mt19937 random(7);
  for (const std::string needle : {"62500 HAL EXE", "6E", "x", "62500 HAL E6E"}) {
    for (size_t length = 0; length < 80; ++length) {
      // Noise of the needle's own first and last bytes, so that most steps hold a
      // candidate that fails only in the middle.
      std::string image(length, ' ');
      for (char& c : image) c = "6E 5"[random() % 4];
      EXPECT_EQ(Find(image, needle), Memmem(image, needle)) << needle << " " << length;
      for (size_t at = 0; at + needle.size() <= length; ++at) {
        std::string with = image;
        with.replace(at, needle.size(), needle);
        EXPECT_EQ(Find(with, needle), Memmem(with, needle)) << needle << " " << length << " " << at;
        EXPECT_LE(Find(with, needle), at);
      }
    }
  }
  EXPECT_EQ(Find("abc", ""), 0u);
}

}  // namespace k7q
