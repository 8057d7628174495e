// The names under which features and registers are shown and generated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k7q {

class ChipEngine;

enum LabelFlags : uint32_t {
  kLabelName = 0x01,
  kLabelLocation = 0x02,
  kLabelBits = 0x04,
  kLabelMarkers = 0x08,
  kLabelShort = 0x10,
  kLabelMacro = 0x20,
};
// How consistency warnings and errors name a feature.
constexpr uint32_t kLabelInMessage = kLabelName | kLabelLocation | kLabelShort;

// Nothing when no feature has that keyname.
std::optional<std::string> FeatureLabel(ChipEngine& chip, std::string_view keyname, uint32_t flags);
// Nothing when no register has that index.
std::optional<std::string> RegisterLabel(ChipEngine& chip, uint32_t index, uint32_t flags);

}  // namespace k7q
