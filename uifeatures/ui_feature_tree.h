// The tree of the UI feature file: groups, feature items and template items, each with
// its disqualifiers, defines and templates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chipmodel/chip_tables.h"

namespace k7q {

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

// Items nested deeper than this (counting across external files) are left out, with
// everything inside them.
constexpr int kMaxUiItemDepth = 64;

// The environment variable naming the folder of external template files.
constexpr char kTemplatePathVariable[] = "ConfigTemplatePath";

}  // namespace k7q
