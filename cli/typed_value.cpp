#include "cli/typed_value.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"

namespace {

constexpr size_t kMaxText = 255;

std::string FormatInRadix(uint32_t value, uint32_t radix) {
  if (radix == 16) return FormatNumber(value, 16, 0) + "h";
  if (radix == 2) return FormatNumber(value, 2, 0) + "i";
  return FormatNumber(value, 10, 0);
}

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Digits, an optional fraction and an optional unit (MHz, kHz, Hz; MHz without one),
// nothing else: the frequency in Hz, or nothing.
std::optional<double> FrequencyTextHertz(std::string_view text) {
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && text[i] == ' ') ++i;
  };
  skipBlanks();
  const size_t digitsStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == digitsStart) return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  const double number =
      std::strtod(std::string(text.substr(digitsStart, i - digitsStart)).c_str(), nullptr);
  skipBlanks();
  std::string unit;
  for (; i < text.size() && text[i] != ' '; ++i)
    unit += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  skipBlanks();
  if (i != text.size()) return std::nullopt;
  if (unit.empty() || unit == "mhz" || unit == "mh") return number * 1e6;
  if (unit == "khz" || unit == "kh") return number * 1e3;
  if (unit == "hz") return number;
  return std::nullopt;
}

std::string ListChoices(Chip62500& chip, std::string_view feature) {
  std::string choices;
  const uint32_t count = chip.OfferedListCount(feature);
  for (uint32_t n = 0; n < count; ++n) {
    uint32_t first = 0;
    uint32_t last = 0;
    if (!chip.GetListEntry(feature, n, &first, &last)) break;
    const char* text = chip.FormatRawValue(feature, first, false);
    if (!text) continue;
    choices += choices.empty() ? "expected one of: " : ", ";
    choices += text;
  }
  return choices;
}

}  // namespace

std::optional<uint32_t> ParseNumberText(std::string_view text, unsigned defaultRadix) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    defaultRadix = 16;
  }
  unsigned radix = 0;
  if (text.empty() || !RecogniseNumber(text, defaultRadix, &radix)) return std::nullopt;
  if (radix != 2 && radix != 10 && radix != 16) return std::nullopt;
  return ReadNumber(text, radix);
}

std::optional<TypedValue> ParseTypedValue(Chip62500& chip, std::string_view feature,
                                          std::string_view typed, std::string* error) {
  const uint32_t type = chip.GetType(feature);
  if (type == kTypeNumb || type == kTypeAddr) {
    // A plain number is read in the feature's radix, anything else as an expression.
    const std::optional<uint32_t> number = ParseNumberText(typed, chip.GetRadix(feature));
    if (number) return TypedValue{true, *number, {}};
    InstallFeatureResolver(chip);
    const ExprResult result = Evaluate(typed);
    if (!result.ok) {
      *error = result.error;
      return std::nullopt;
    }
    if (!result.value.isText) return TypedValue{true, result.value.number, {}};
    const std::optional<uint32_t> fromText =
        ParseNumberText(result.value.text, chip.GetRadix(feature));
    if (fromText) return TypedValue{true, *fromText, {}};
    *error = "not a number: '" + result.value.text + "'";
    return std::nullopt;
  }
  if (type == kTypeFreq) {
    const std::optional<double> hertz = FrequencyTextHertz(typed);
    if (!hertz) {
      *error = "not a frequency (such as 12.5, 12.5 MHz, 32.768 kHz or 50 Hz)";
      return std::nullopt;
    }
    // The chip keeps frequencies in 32 bits; a larger one would wrap around.
    if (*hertz > 4294967295.0) {
      *error = "larger than 4294.967 MHz (a number without a unit is in MHz)";
      return std::nullopt;
    }
  }
  if (type == kTypeText && typed.size() > kMaxText) {
    *error = StringPrintf("longer than %zu characters", kMaxText);
    return std::nullopt;
  }
  return TypedValue{false, 0, std::string(typed)};
}

bool SetTypedValue(Chip62500& chip, std::string_view feature, const TypedValue& value,
                   std::string* error) {
  const uint32_t type = chip.GetType(feature);
  if (value.isNumber) {
    const uint32_t radix = chip.GetRadix(feature);
    const uint32_t minimum = chip.GetMinimum(feature);
    const uint32_t maximum = chip.GetMaximum(feature);
    const uint32_t step = std::max(1u, chip.GetStep(feature));
    if (value.number < minimum || value.number > maximum) {
      *error = "must be between " + FormatInRadix(minimum, radix) + " and " +
               FormatInRadix(maximum, radix);
      return false;
    }
    if ((value.number - minimum) % step != 0) {
      *error = StringPrintf("must be aligned by %u", step);
      return false;
    }
    if (chip.SetFieldValue(feature, value.number)) return true;
  } else if (chip.SetValueText(feature, value.text)) {
    return true;
  }
  if (type == kTypeList) {
    *error = ListChoices(chip, feature);
  } else if (type == kTypeBool) {
    *error = "expected True, False, On, Off, Enabled, Disabled, 1 or 0";
  }
  if (error->empty()) *error = "the value is not accepted";
  return false;
}

std::string FrequencyWarning(Chip62500& chip, std::string_view feature) {
  if (chip.GetType(feature) != kTypeFreq) return {};
  const uint32_t hertz = chip.GetFieldValue(feature);
  const uint32_t minimum = chip.GetMinimum(feature);
  const uint32_t maximum = chip.GetMaximum(feature);
  if (hertz >= minimum && hertz <= maximum) return {};
  return StringPrintf("warning: %s is %s, outside %s to %s", std::string(feature).c_str(),
                      FormatFrequency(hertz).c_str(), FormatFrequency(minimum).c_str(),
                      FormatFrequency(maximum).c_str());
}
