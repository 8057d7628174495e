// The UI feature file: the tree of groups, feature items and template items shown on
// the Features tab, with the templates that are recognised and applied. No Qt here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chipmodel/chip_tables.h"

namespace k7q {

class ChipEngine;

enum UiItemType : uint32_t { kUiGroup = 0, kUiItem = 1, kUiTemplate = 2 };

struct UiDisqualifier {
  OptText key, op, value, reason;
};

struct UiDefine {
  OptText key, feature, shortName, fullName;
};

struct UiTemplateValue {
  std::string key, value;
};

struct UiTemplate {
  OptText key, shortName, fullName;
  bool isPublic = false;
  std::vector<UiTemplateValue> values;
};

struct UiItem {
  uint32_t type = kUiGroup;
  OptText feature, hideWhen, shortName, fullName;
  bool readOnly = false;
  OptText reserved, product, overrideFeature, overridePos, overrideNeg, file;
  uint32_t fileVersion = 0;
  bool enabled = true;
  bool inTemplate = false;
  std::vector<UiDisqualifier> disqualifiers;
  std::vector<UiDefine> defines;
  std::vector<UiTemplate> templates;
  int lastMatch = 0;
  bool expanded = false;
};

struct UiNode {
  UiItem item;
  UiNode* parent = nullptr;
  std::vector<std::unique_ptr<UiNode>> children;
};

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
  void Load(std::string_view documentText);

  ChipEngine& chip_;
  std::vector<std::unique_ptr<UiNode>> topLevel_;
};

// Items nested deeper than this (counting across external files) are left out, with
// everything inside them.
constexpr int kMaxUiItemDepth = 64;

// The environment variable naming the folder of external template files.
constexpr char kTemplatePathVariable[] = "ConfigTemplatePath";

}  // namespace k7q
