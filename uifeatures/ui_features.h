// The UI feature file: the tree of groups, feature items and template items shown on
// the Features tab, with the templates that are recognised and applied. No Qt here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "uifeatures/ui_feature_tree.h"

namespace k7q {

class ChipEngine;

class UiFeatures {
 public:
  // The built-in file; installs the feature resolver of the expression evaluator.
  explicit UiFeatures(ChipEngine& chip);
  // Another document (tests, tools).
  UiFeatures(ChipEngine& chip, std::string_view documentText);

  const std::vector<std::unique_ptr<UiNode>>& TopLevel() const { return topLevel_; }

  bool IsHidden(const UiItem& item);
  // Flags: 0x01 name, 0x10 short forms; the others go to FeatureLabel.
  std::string Label(const UiItem& item, uint32_t flags);
  // The text of the item's line in the tree.
  std::string ItemText(UiItem& item);
  // Index of the matching template, -1 when none matches.
  int MatchTemplate(UiItem& item);
  std::string TemplateName(const UiItem& item, int index, uint32_t flags);
  std::string TemplateValueName(const UiItem& item, int templ, int value, uint32_t flags);
  // Sets every value of the template; *errorText lists the values that could not be set.
  bool ApplyTemplate(UiItem& item, int index, std::string* errorText);
  // The details shown for the item under the mouse.
  std::string Description(const UiItem& item);
  // A template of any template item, by its key, short or full name (letter case ignored).
  bool FindTemplate(std::string_view name, UiItem** item, int* index);

 private:
  ChipEngine& chip_;
  std::vector<std::unique_ptr<UiNode>> topLevel_;
};

}  // namespace k7q
