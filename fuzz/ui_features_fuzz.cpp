// Arbitrary UI feature documents: load, then show, match and apply every template.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/chip62500.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

void Walk(UiFeatures& ui, const std::vector<std::unique_ptr<UiNode>>& nodes) {
  for (const auto& node : nodes) {
    UiItem& item = node->item;
    ui.ItemText(item);
    ui.IsHidden(item);
    for (size_t t = 0; t < item.templates.size(); ++t) {
      std::string error;
      ui.ApplyTemplate(item, static_cast<int>(t), &error);
    }
    ui.MatchTemplate(item);
    Walk(ui, node->children);
  }
}

}  // namespace

}  // namespace k7q

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  Chip62500 chip;
  UiFeatures ui(chip, std::string(reinterpret_cast<const char*>(data), size));
  Walk(ui, ui.TopLevel());
  return 0;
}
