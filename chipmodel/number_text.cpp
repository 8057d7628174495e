#include "chipmodel/number_text.h"

namespace k7q {

namespace {

bool IsDigitOf(char c, unsigned radix) {
  switch (radix) {
    case 2:
      return c == '0' || c == '1';
    case 8:
      return c >= '0' && c <= '7';
    case 10:
      return c >= '0' && c <= '9';
    case 16:
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    default:
      return false;
  }
}

bool AllValidIn(std::string_view token, unsigned radix) {
  for (size_t i = 0; i < token.size(); ++i) {
    const char c = token[i];
    const bool isLast = i + 1 == token.size();
    if (!IsDigitOf(c, radix) && !(isLast && RadixOfSuffix(c) == radix)) return false;
  }
  return true;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

}  // namespace

unsigned RadixOfSuffix(char c) {
  switch (c) {
    case 'h':
    case 'H':
      return 16;
    case 'i':
    case 'I':
      return 2;
    case 'o':
    case 'O':
      return 8;
    case 't':
    case 'T':
      return 10;
    default:
      return 0;
  }
}

bool RecogniseNumber(std::string_view token, unsigned defaultRadix, unsigned* radix) {
  if (AllValidIn(token, defaultRadix)) {
    if (radix) *radix = defaultRadix;
    return true;
  }
  if (token.size() >= 2) {
    const unsigned suffixRadix = RadixOfSuffix(token.back());
    if (suffixRadix != 0 && AllValidIn(token, suffixRadix)) {
      if (radix) *radix = suffixRadix;
      return true;
    }
  }
  return false;
}

uint32_t ReadNumber(std::string_view text, unsigned radix) {
  if (radix != 2 && radix != 10 && radix != 16) return 0;
  uint32_t value = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') break;
    if (radix == 16 && i == 1 && (c == 'x' || c == 'X') && text[0] == '0') continue;
    const int digit = DigitValue(c);
    if (digit >= static_cast<int>(radix)) break;
    value = value * radix + static_cast<uint32_t>(digit);
  }
  return value;
}

std::string FormatNumber(uint32_t value, unsigned radix, unsigned width) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  if (radix == 2) {
    int top = 0;
    for (int bit = 31; bit >= 0; --bit) {
      if (value & (1u << bit)) {
        top = bit;
        break;
      }
    }
    if (width > 0 && static_cast<int>(width) - 1 > top) top = width > 32 ? 31 : width - 1;
    for (int bit = top; bit >= 0; --bit) out += (value & (1u << bit)) ? '1' : '0';
    return out;
  }
  if (radix != 10 && radix != 16) return out;
  do {
    out.insert(out.begin(), kDigits[value % radix]);
    value /= radix;
  } while (value != 0);
  if (out.size() < width) out.insert(0, width - out.size(), '0');
  return out;
}

}  // namespace k7q
