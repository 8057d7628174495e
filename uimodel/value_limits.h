// One rule for a value against its feature's limits, for the feature editors and the
// command line alike: what is refused, and what is taken with a warning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace k7q {

class ChipEngine;

// The most characters a text feature holds.
constexpr size_t kMaxFeatureText = 255;

// A number feature's minimum, maximum and step (at least 1), compared unsigned.
struct NumberLimits {
  uint32_t minimum = 0;
  uint32_t maximum = 0;
  uint32_t step = 1;
};
NumberLimits FeatureLimits(ChipEngine& chip, std::string_view feature);

// Refused: outside the minimum and maximum, or not a whole number of steps above the
// minimum.
enum class NumberCheck { kWithin, kOutOfRange, kMisaligned };
NumberCheck CheckNumber(const NumberLimits& limits, uint32_t value);

// "longer than 255 characters" for a text feature's text that it cannot hold; else empty.
std::string TextLimitRefusal(ChipEngine& chip, std::string_view feature, std::string_view text);

// Whether an empty text is a value of the feature: only for texts and sequences; a list
// or true/false feature has no empty value.
bool TakesEmptyText(ChipEngine& chip, std::string_view feature);

// Taken with a warning: a frequency feature whose value the chip took outside the
// feature's limits, "clki is 500.000 MHz, outside 390.000 KHz to 120.000 MHz". Empty for
// a value within them and for other features.
std::string FrequencyLimitWarning(ChipEngine& chip, std::string_view feature);

}  // namespace k7q
