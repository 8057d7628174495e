#include <cstdio>

#include "chipmodel/labels.h"
#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

void ListTemplates(UiFeatures& ui, const std::vector<std::unique_ptr<UiNode>>& nodes) {
  for (const auto& node : nodes) {
    UiItem& item = node->item;
    if (item.type == kUiTemplate && !item.templates.empty()) {
      std::printf("%s\n", ui.Label(item, kLabelName).c_str());
      const int match = ui.MatchTemplate(item);
      for (size_t i = 0; i < item.templates.size(); ++i) {
        const int index = static_cast<int>(i);
        std::printf("  %c %-12s %s\n", index == match ? '*' : ' ',
                    item.templates[i].key.value_or("").c_str(),
                    ui.TemplateName(item, index, kLabelName).c_str());
      }
    }
    ListTemplates(ui, node->children);
  }
}

}  // namespace

int RunTemplate(const TemplateOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.file)) return kExitFailed;
  UiFeatures ui(chip);
  if (options.name.empty()) {
    ListTemplates(ui, ui.TopLevel());
    return kExitOk;
  }
  if (options.file == kDefaultBlockName) {
    PrintError("the built-in block cannot be saved; name a file");
    return kExitUsage;
  }
  UiItem* item = nullptr;
  int index = 0;
  if (!ui.FindTemplate(options.name, &item, &index)) {
    PrintError("unknown template '" + options.name + "'");
    return kExitFailed;
  }
  std::string errorText;
  if (!ui.ApplyTemplate(*item, index, &errorText)) {
    PrintError(errorText);
    return kExitFailed;
  }
  return SaveSource(chip, options.file, options.saveAs, options.preserveAddresses) ? kExitOk
                                                                                   : kExitFailed;
}

}  // namespace k7q
