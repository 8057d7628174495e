// Arbitrary typed numbers and frequencies: what reads must read the same when written
// back in the same radix or in Hz.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chipmodel/number_text.h"
#include "chipmodel/value_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  if (size == 0) return 0;
  static const unsigned kRadices[] = {2, 10, 16};
  const unsigned radix = kRadices[data[0] % 3];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  if (const auto number = ReadWholeNumber(text, radix, &error)) {
    if (ReadWholeNumber(FormatNumber(*number, radix, 0), radix) != number) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  error.clear();
  if (const auto hertz = ReadFrequencyText(text, &error)) {
    if (ReadFrequencyText(std::to_string(*hertz) + " Hz") != hertz) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
