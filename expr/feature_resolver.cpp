#include "expr/feature_resolver.h"

#include <string>

#include "chipmodel/chip_engine.h"
#include "expr/expression.h"

namespace k7q {

void InstallFeatureResolver(ChipEngine& chip) {
  SetIdentifierResolver([&chip](std::string_view token, ExprValue* value, std::string* message) {
    std::string name(token);
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (!chip.IsFeatureAvailable(name)) {
      *message = "Unknown feature or token.";
      return 1u;
    }
    if (chip.IsFeatureWriteOnly(name)) {
      *message = "Cannot show value as this feature is write-only.";
      return 1u;
    }
    const uint32_t type = chip.GetType(name);
    if (!value->isText && type != kTypeText && type != kTypeSequ) {
      value->number = chip.GetFieldValue(name);
      return 0u;
    }
    const char* text = chip.GetValueText(name, true);
    value->isText = true;
    value->text = text ? text : "";
    return 0u;
  });
}

}  // namespace k7q
