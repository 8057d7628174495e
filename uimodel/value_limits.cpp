#include "uimodel/value_limits.h"

#include <algorithm>

#include "chipmodel/chip_engine.h"
#include "chipmodel/text_format.h"

namespace k7q {

NumberLimits FeatureLimits(ChipEngine& chip, std::string_view feature) {
  return {chip.GetMinimum(feature), chip.GetMaximum(feature), std::max(1u, chip.GetStep(feature))};
}

NumberCheck CheckNumber(const NumberLimits& limits, uint32_t value) {
  if (value < limits.minimum || value > limits.maximum) return NumberCheck::kOutOfRange;
  if ((value - limits.minimum) % limits.step != 0) return NumberCheck::kMisaligned;
  return NumberCheck::kWithin;
}

std::string TextLimitRefusal(ChipEngine& chip, std::string_view feature, std::string_view text) {
  if (chip.GetType(feature) != kTypeText || text.size() <= kMaxFeatureText) return {};
  return StringPrintf("longer than %zu characters", kMaxFeatureText);
}

bool TakesEmptyText(ChipEngine& chip, std::string_view feature) {
  const uint32_t type = chip.GetType(feature);
  return type == kTypeText || type == kTypeSequ;
}

std::string FrequencyLimitWarning(ChipEngine& chip, std::string_view feature) {
  if (chip.GetType(feature) != kTypeFreq) return {};
  const uint32_t hertz = chip.GetFieldValue(feature);
  const NumberLimits limits = FeatureLimits(chip, feature);
  if (hertz >= limits.minimum && hertz <= limits.maximum) return {};
  return StringPrintf("%s is %s, outside %s to %s", std::string(feature).c_str(),
                      FormatFrequency(hertz).c_str(), FormatFrequency(limits.minimum).c_str(),
                      FormatFrequency(limits.maximum).c_str());
}

}  // namespace k7q
