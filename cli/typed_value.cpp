#include "cli/typed_value.h"

#include <string>

#include "chipmodel/latin1_text.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"
#include "settings/settings_values.h"
#include "uimodel/editor_rules.h"
#include "uimodel/value_limits.h"

namespace k7q {

namespace {

std::string FormatInRadix(uint32_t value, uint32_t radix) {
  if (radix == 16) return FormatNumber(value, 16, 0) + "h";
  if (radix == 2) return FormatNumber(value, 2, 0) + "i";
  return FormatNumber(value, 10, 0);
}

}  // namespace

std::optional<uint32_t> ParseNumberText(std::string_view text, unsigned defaultRadix) {
  return ReadWholeNumber(text, defaultRadix);
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
    // Set as the Hz read here, not through the chip's looser frequency reading.
    const std::optional<uint32_t> hertz = ReadFrequencyText(typed, error);
    if (!hertz) return std::nullopt;
    return TypedValue{true, *hertz, {}};
  }
  if (type != kTypeText) return TypedValue{false, 0, std::string(typed)};
  // The command line is UTF-8; the block holds 8-bit characters.
  const std::optional<std::string> bytes = Utf8ToLatin1(typed, error);
  if (!bytes) return std::nullopt;
  if (const std::string refusal = TextLimitRefusal(chip, feature, *bytes); !refusal.empty()) {
    *error = refusal;
    return std::nullopt;
  }
  return TypedValue{false, 0, *bytes};
}

bool SetTypedValue(Chip62500& chip, std::string_view feature, const TypedValue& value,
                   std::string* error) {
  const uint32_t type = chip.GetType(feature);
  if (value.isNumber && type == kTypeFreq) {
    // Outside the feature's limits only warns (FrequencyWarning), as long as the chip takes it.
    return SetFrequencyHertz(chip, feature, value.number, error);
  }
  if (value.isNumber) {
    const uint32_t radix = chip.GetRadix(feature);
    const NumberLimits limits = FeatureLimits(chip, feature);
    switch (CheckNumber(limits, value.number)) {
      case NumberCheck::kOutOfRange:
        *error = "must be between " + FormatInRadix(limits.minimum, radix) + " and " +
                 FormatInRadix(limits.maximum, radix);
        return false;
      case NumberCheck::kMisaligned:
        *error = StringPrintf("must be aligned by %u", limits.step);
        return false;
      case NumberCheck::kWithin:
        break;
    }
    if (chip.SetFieldValue(feature, value.number)) return true;
  } else if ((!value.text.empty() || TakesEmptyText(chip, feature)) &&
             chip.SetValueText(feature, value.text)) {
    return true;
  }
  if (type == kTypeList) {
    *error = ListChoices(chip, feature, false);
  } else if (type == kTypeBool) {
    *error = "expected True, False, On, Off, Enabled, Disabled, 1 or 0";
  }
  if (error->empty()) *error = "the value is not accepted";
  return false;
}

std::string FrequencyWarning(Chip62500& chip, std::string_view feature) {
  const std::string warning = FrequencyLimitWarning(chip, feature);
  return warning.empty() ? warning : "warning: " + warning;
}

std::string StoredTextNote(Chip62500& chip, std::string_view feature, std::string_view typed) {
  if (chip.GetType(feature) != kTypeList) return {};
  const uint32_t raw = chip.GetRawValue(feature);
  const char* unit = chip.GetUnit(feature);
  const std::string withUnit = std::string(typed) + (unit ? unit : "");
  std::string shown;
  for (bool readSide : {true, false}) {
    const char* text = chip.FormatRawValue(feature, raw, readSide);
    if (!text) continue;
    if (EqualsIgnoreCase(text, typed) || EqualsIgnoreCase(text, withUnit)) return {};
    if (shown.empty()) shown = text;
  }
  return StringPrintf("note: %s is now '%s', not '%s'", std::string(feature).c_str(), shown.c_str(),
                      std::string(typed).c_str());
}

}  // namespace k7q
