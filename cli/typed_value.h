// Reading the values a user types on the command line and setting them as the
// feature editors do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/chip62500.h"

namespace k7q {

// A number by the number text rules: digits of the default radix, or digits followed
// by a radix letter (h, i, t); "0x" marks hexadecimal. Nothing for any other text.
std::optional<uint32_t> ParseNumberText(std::string_view text, unsigned defaultRadix);

// A typed value: a number for number and address features (a plain number in the
// feature's radix, or an expression over numbers and features), a text for the others.
struct TypedValue {
  bool isNumber = false;
  uint32_t number = 0;
  std::string text;
};

// Reads what the user typed for the feature. Nothing when it cannot be a value of the
// feature; *error then says why.
std::optional<TypedValue> ParseTypedValue(Chip62500& chip, std::string_view feature,
                                          std::string_view typed, std::string* error);

// Sets the feature: numbers must lie within its minimum and maximum and be aligned by
// its step; texts go to the feature's own text reading. *error says why it was refused.
bool SetTypedValue(Chip62500& chip, std::string_view feature, const TypedValue& value,
                   std::string* error);

// A warning for a frequency outside the feature's limits, or empty.
std::string FrequencyWarning(Chip62500& chip, std::string_view feature);

// A note when a list feature set from typed now shows a text other than typed (a list
// whose texts are numbers takes a typed number as the entry's number), or empty.
std::string StoredTextNote(Chip62500& chip, std::string_view feature, std::string_view typed);

}  // namespace k7q
