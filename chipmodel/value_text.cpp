#include "chipmodel/value_text.h"

#include <cctype>

#include "chipmodel/number_text.h"

namespace k7q {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

const char* RadixName(unsigned radix) {
  switch (radix) {
    case 2:
      return "binary";
    case 16:
      return "hexadecimal";
    default:
      return "decimal";
  }
}

bool Refuse(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The unit's size in Hz, or 0 when the text is no unit.
uint64_t UnitHertz(std::string_view unit) {
  std::string lower;
  for (char c : unit) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.empty() || lower == "mhz" || lower == "mh") return 1000000;
  if (lower == "khz" || lower == "kh") return 1000;
  if (lower == "hz") return 1;
  return 0;
}

}  // namespace

std::optional<uint32_t> ReadWholeNumber(std::string_view text, unsigned radix, std::string* error) {
  text = TrimBlanks(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    radix = 16;
  }
  unsigned written = 0;
  if (text.empty() || !RecogniseNumber(text, radix, &written) ||
      (written != 2 && written != 10 && written != 16)) {
    Refuse(error, std::string("not a ") + RadixName(radix) + " number");
    return std::nullopt;
  }
  uint64_t value = 0;
  for (char c : text) {
    const int digit = IsDigit(c) ? c - '0' : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    if (digit < 0 || digit >= static_cast<int>(written)) break;  // the radix letter
    value = value * written + static_cast<uint64_t>(digit);
    if (value > kMax32) {
      Refuse(error, "larger than 32 bits");
      return std::nullopt;
    }
  }
  return static_cast<uint32_t>(value);
}

std::optional<uint32_t> ReadFrequencyText(std::string_view text, std::string* error) {
  const std::string_view whole = TrimBlanks(text);
  size_t i = 0;
  while (i < whole.size() && IsDigit(whole[i])) ++i;
  const std::string_view integer = whole.substr(0, i);
  std::string_view fraction;
  if (i < whole.size() && whole[i] == '.') {
    const size_t start = ++i;
    while (i < whole.size() && IsDigit(whole[i])) ++i;
    fraction = whole.substr(start, i - start);
  }
  const uint64_t unit = UnitHertz(TrimBlanks(whole.substr(i)));
  if (integer.empty() || unit == 0) {
    Refuse(error, "not a frequency (such as 12.5, 12.5 MHz, 32.768 kHz or 50 Hz)");
    return std::nullopt;
  }
  const auto tooLarge = [&] {
    Refuse(error, "larger than 4294.967 MHz (a number without a unit is in MHz)");
    return std::nullopt;
  };
  uint64_t hertz = 0;
  for (char c : integer) {
    hertz = hertz * 10 + static_cast<uint64_t>(c - '0');
    if (hertz * unit > kMax32) return tooLarge();
  }
  hertz *= unit;
  // Each fractional digit is worth a tenth of the one before; none may fall below 1 Hz.
  uint64_t worth = unit;
  for (char c : fraction) {
    worth /= 10;
    if (c == '0') continue;
    if (worth == 0) {
      Refuse(error, "finer than 1 Hz");
      return std::nullopt;
    }
    hertz += static_cast<uint64_t>(c - '0') * worth;
    if (hertz > kMax32) return tooLarge();
  }
  return static_cast<uint32_t>(hertz);
}

}  // namespace k7q
