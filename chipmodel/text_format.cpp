#include "chipmodel/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace k7q {

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<size_t>(length));
  }
  va_end(args);
  return out;
}

std::string FormatFrequency(uint32_t hertz) {
  if (hertz > 100000) return StringPrintf("%u.%03u MHz", hertz / 1000000, (hertz / 1000) % 1000);
  if (hertz < 1001) return StringPrintf("%u Hz", hertz);
  return StringPrintf("%u.%03u KHz", hertz / 1000, hertz % 1000);
}

std::string PadField(int width, std::string_view text, std::string_view suffix) {
  std::string out(text);
  out += suffix;
  if (out.size() > static_cast<size_t>(width)) return out + "  ";
  out.append(static_cast<size_t>(width) - out.size(), ' ');
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Unit in Hz named at text[i..], 0 when none.
uint32_t UnitAt(std::string_view text, size_t i) {
  if (i + 1 >= text.size()) return 0;
  const char a = Upper(text[i]), b = Upper(text[i + 1]);
  if (a == 'M' && b == 'H') return 1000000;
  if (a == 'K' && b == 'H') return 1000;
  if (a == 'H' && b == 'Z') return 1;
  return 0;
}

}  // namespace

uint32_t ReadFrequency(std::string_view text, uint32_t defaultUnitHz) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  uint64_t whole = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    whole = whole * 10 + (text[i++] - '0');
  uint64_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    int digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (digits < 3) fraction = fraction * 10 + (text[i] - '0'), ++digits;
      ++i;
    }
    for (; digits < 3; ++digits) fraction *= 10;
  }
  uint32_t unit = UnitAt(text, i);
  if (unit == 0 && i < text.size() && text[i] == ' ') unit = UnitAt(text, i + 1);
  if (unit == 0) unit = defaultUnitHz;
  uint64_t hertz = whole * unit;
  if (unit != 1) hertz += fraction * unit / 1000;
  return static_cast<uint32_t>(hertz);
}

}  // namespace k7q
