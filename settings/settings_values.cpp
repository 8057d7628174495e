#include "settings/settings_values.h"

#include <algorithm>
#include <cctype>

#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "config/chip62500.h"
#include "uimodel/value_limits.h"

namespace k7q {

namespace {

constexpr size_t kMaxText = 255;

bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.back() == ' ' || text.front() == '"') return true;
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u >= 0x7F;
  });
}

std::string LimitText(Chip62500& chip, std::string_view key, uint32_t value) {
  if (chip.GetType(key) == kTypeFreq) return FormatFrequency(value);
  const uint32_t radix = chip.GetRadix(key);
  if (radix == 16) return FormatNumber(value, 16, 0) + "h";
  if (radix == 2) return FormatNumber(value, 2, 0) + "i";
  return FormatNumber(value, 10, 0);
}

// A number within the feature's limits and aligned by its step.
bool SetNumber(Chip62500& chip, std::string_view key, uint32_t value, std::string* error) {
  const uint32_t minimum = chip.GetMinimum(key);
  const uint32_t maximum = chip.GetMaximum(key);
  const uint32_t step = std::max(1u, chip.GetStep(key));
  if (value < minimum || value > maximum) {
    *error = "out of range: must be between " + LimitText(chip, key, minimum) + " and " +
             LimitText(chip, key, maximum);
    return false;
  }
  if ((value - minimum) % step != 0) {
    *error = StringPrintf("must be aligned by %u", step);
    return false;
  }
  if (chip.SetFieldValue(key, value)) return true;
  *error = "the value is not accepted";
  return false;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::string QuoteValue(std::string_view text) {
  if (!NeedsQuotes(text)) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7F) {
      out += StringPrintf("\\x%02X", u);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The value of a line: the text as it stands, or a quoted text with \", \\ and \xHH.
std::optional<std::string> UnquoteValue(std::string_view text) {
  if (text.empty() || text.front() != '"') return std::string(text);
  if (text.size() < 2 || text.back() != '"') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') return std::nullopt;
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    if (text[i] == '"' || text[i] == '\\') {
      out += text[i];
    } else if (text[i] == 'x' && i + 2 < text.size() && std::isxdigit(text[i + 1]) &&
               std::isxdigit(text[i + 2])) {
      out += static_cast<char>(ReadNumber(text.substr(i + 1, 2), 16));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

// Digits of the radix with an optional radix letter ("0x" for hexadecimal), within 32 bits.
// Sets the feature from a value text as the program shows it.
bool SetFeatureText(Chip62500& chip, std::string_view key, std::string_view text,
                    std::string* error) {
  const uint32_t type = chip.GetType(key);
  if (type == kTypeNumb || type == kTypeAddr) {
    std::string_view digits = TrimBlanks(text);
    const char* unit = chip.GetUnit(key);
    const std::string_view unitText = TrimBlanks(unit ? unit : "");
    if (!unitText.empty() && digits.size() > unitText.size() &&
        EqualsIgnoreCase(digits.substr(digits.size() - unitText.size()), unitText))
      digits = TrimBlanks(digits.substr(0, digits.size() - unitText.size()));
    const std::optional<uint32_t> value = ReadWholeNumber(digits, chip.GetRadix(key));
    if (!value) {
      *error = "not a number";
      return false;
    }
    return SetNumber(chip, key, *value, error);
  }
  if (type == kTypeFreq) {
    const std::optional<uint32_t> hertz = ReadFrequencyText(TrimBlanks(text));
    if (!hertz) {
      *error = "not a frequency (such as 12.500 MHz, 32.768 KHz or 50 Hz)";
      return false;
    }
    return SetNumber(chip, key, *hertz, error);
  }
  if (type == kTypeText && text.size() > kMaxText) {
    *error = StringPrintf("longer than %zu characters", kMaxText);
    return false;
  }
  if (type == kTypeText && text.find('\0') != std::string_view::npos) {
    *error = "a text ends at its first \\x00; the bytes after it are block configDescription";
    return false;
  }
  if ((!text.empty() || TakesEmptyText(chip, key)) && chip.SetValueText(key, text)) return true;
  if (type == kTypeList) *error = ListChoices(chip, key, true);
  if (type == kTypeBool) *error = "expected True or False";
  if (error->empty()) *error = "the value is not accepted";
  return false;
}

std::string ListChoices(Chip62500& chip, std::string_view key, bool readSide) {
  std::string choices;
  const uint32_t count = chip.OfferedListCount(key);
  for (uint32_t n = 0; n < count; ++n) {
    uint32_t first = 0;
    uint32_t last = 0;
    if (!chip.GetListEntry(key, n, &first, &last)) break;
    const char* text = chip.FormatRawValue(key, first, readSide);
    if (!text) continue;
    choices += choices.empty() ? "expected one of: " : ", ";
    choices += text;
  }
  return choices;
}

}  // namespace k7q
