#include "formats/hex_digits.h"

namespace k7q {

namespace {

struct DigitTable {
  uint8_t value[256];
  constexpr DigitTable() : value() {
    for (int c = 0; c < 256; ++c) {
      if (c >= '0' && c <= '9') {
        value[c] = static_cast<uint8_t>(c - '0');
      } else if (c >= 'A' && c <= 'F') {
        value[c] = static_cast<uint8_t>(c - 'A' + 10);
      } else if (c >= 'a' && c <= 'f') {
        value[c] = static_cast<uint8_t>(c - 'a' + 10);
      } else {
        value[c] = kNotADigit;
      }
    }
  }
};

constexpr DigitTable kDigits;

}  // namespace

uint8_t DigitValue(char c) {
  return kDigits.value[static_cast<uint8_t>(c)];
}

int64_t DecodeBytes(const char* in, size_t count, uint8_t* out) {
  const auto* digits = reinterpret_cast<const uint8_t*>(in);
  uint32_t sum = 0, bad = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t high = kDigits.value[digits[2 * i]];
    const uint32_t low = kDigits.value[digits[2 * i + 1]];
    bad |= high | low;
    const uint32_t byte = (high << 4 | low) & 0xFF;
    if (out) out[i] = static_cast<uint8_t>(byte);
    sum += byte;
  }
  return (bad & kNotADigit) ? int64_t{-1} : int64_t{sum};
}

void EncodeByte(uint8_t byte, bool lowerCase, char* out) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  out[0] = digits[byte >> 4];
  out[1] = digits[byte & 15];
}

bool HasLowerCaseDigit(const char* in, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (in[i] >= 'a' && in[i] <= 'f') return true;
  }
  return false;
}

}  // namespace k7q
