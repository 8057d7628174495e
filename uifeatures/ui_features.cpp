#include "uifeatures/ui_features.h"

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"
#include "reports/descriptions.h"
#include "uifeatures/ui_feature_loader.h"

namespace k7q {

extern const char* const kUiFeaturesLines[];
extern const std::size_t kUiFeaturesLineCount;

namespace {

bool Matches(const OptText& list, ChipEngine& chip) {
  return list && chip.IsApplicable(list);
}

const UiDefine* DefineFor(const UiItem& item, std::string_view key) {
  for (const UiDefine& d : item.defines) {
    if (d.key && *d.key == key) return &d;
  }
  return nullptr;
}

std::string ValueText(ChipEngine& chip, const std::string& feature) {
  const char* text = chip.GetValueText(feature, true);
  return text ? text : "";
}

}  // namespace

UiFeatures::UiFeatures(ChipEngine& chip) : chip_(chip) {
  std::string text;
  for (size_t i = 0; i < kUiFeaturesLineCount; ++i) text += std::string(kUiFeaturesLines[i]) + "\n";
  InstallFeatureResolver(chip);
  LoadUiFeatureTree(chip, text, topLevel_);
}

UiFeatures::UiFeatures(ChipEngine& chip, std::string_view documentText) : chip_(chip) {
  InstallFeatureResolver(chip);
  LoadUiFeatureTree(chip, documentText, topLevel_);
}

bool UiFeatures::IsHidden(const UiItem& item) {
  if (item.product && !chip_.IsApplicable(item.product)) return true;
  if (!chip_.ShowReserved() && Matches(item.reserved, chip_)) return true;
  if (!item.hideWhen) return item.feature && !chip_.IsFeatureAvailable(*item.feature);
  // An evaluation error is not reported; the value it left decides.
  return Truth(Evaluate(*item.hideWhen).value);
}

std::string UiFeatures::Label(const UiItem& item, uint32_t flags) {
  std::string name;
  bool markedReadOnly = false;  // by the chip definition's label
  if (flags & kLabelName) {
    const OptText& own = (flags & kLabelShort) ? item.shortName : item.fullName;
    if (own) {
      name = *own;
    } else if (item.feature) {
      name = FeatureLabel(chip_, *item.feature, flags).value_or("");
      markedReadOnly = (flags & kLabelMarkers) && chip_.IsFeatureReadOnly(*item.feature);
    }
  }
  const bool readOnly = item.readOnly && !markedReadOnly;
  const bool reserved = Matches(item.reserved, chip_);
  if (!readOnly && !reserved) return name;
  const bool shortForm = flags & kLabelShort;
  std::string text = name + ((flags & kLabelName) ? " [" : "[");
  if (readOnly) text += shortForm ? "RO," : "READONLY,";
  if (reserved) text += shortForm ? "RSVD," : "RESERVED,";
  text.pop_back();
  return text + "] ";
}

std::string UiFeatures::ItemText(UiItem& item) {
  std::string text;
  if (item.type == kUiTemplate) {
    const int match = MatchTemplate(item);
    text = Label(item, kLabelName) + "* =  ";
    text += match >= 0 ? item.templates[match].fullName.value_or("") : "(no match)";
  } else {
    text = (item.inTemplate ? "*" : "") + Label(item, kLabelName | kLabelMarkers);
  }
  if (item.feature && !chip_.IsFeatureWriteOnly(*item.feature)) {
    if (const char* value = chip_.GetValueText(*item.feature, true)) {
      std::string shown = value;
      if (shown.empty()) {
        shown = "(empty)";
      } else if (chip_.GetType(*item.feature) == kTypeText) {
        shown = "\"" + shown + "\"";
      }
      text += "  =  " + shown;
      if (item.overrideFeature) {
        const bool on = chip_.GetFieldValue(*item.overrideFeature) != 0;
        text +=
            StringPrintf(" [%s]", (on ? item.overridePos : item.overrideNeg).value_or("").c_str());
      }
    }
  }
  return text;
}

int UiFeatures::MatchTemplate(UiItem& item) {
  auto matches = [&](const UiTemplate& t) {
    if (t.values.empty()) return false;
    for (const UiTemplateValue& v : t.values) {
      const UiDefine* define = DefineFor(item, v.key);
      if (!define || !define->feature) continue;
      if (ValueText(chip_, *define->feature) != v.value) return false;
    }
    return true;
  };
  const int count = static_cast<int>(item.templates.size());
  if (item.lastMatch > 0 && item.lastMatch < count && matches(item.templates[item.lastMatch])) {
    return item.lastMatch;
  }
  for (int i = 0; i < count; ++i) {
    if (matches(item.templates[i])) {
      item.lastMatch = i;
      return i;
    }
  }
  return -1;
}

std::string UiFeatures::TemplateName(const UiItem& item, int index, uint32_t flags) {
  if (index < 0 || index >= static_cast<int>(item.templates.size())) return {};
  const UiTemplate& t = item.templates[index];
  const OptText& name = (flags & kLabelShort) ? t.shortName : t.fullName;
  return name ? *name : t.key.value_or("");
}

std::string UiFeatures::TemplateValueName(const UiItem& item, int templ, int value,
                                          uint32_t flags) {
  if (templ < 0 || templ >= static_cast<int>(item.templates.size())) return {};
  const auto& values = item.templates[templ].values;
  if (value < 0 || value >= static_cast<int>(values.size())) return {};
  const std::string& key = values[value].key;
  const UiDefine* define = DefineFor(item, key);
  if (!define) return key;
  const OptText& own = (flags & kLabelShort) ? define->shortName : define->fullName;
  if (own) return *own;
  return define->feature ? FeatureLabel(chip_, *define->feature, flags).value_or(key) : key;
}

bool UiFeatures::ApplyTemplate(UiItem& item, int index, std::string* errorText) {
  if (index < 0 || index >= static_cast<int>(item.templates.size())) return false;
  bool failed = false;
  for (const UiTemplateValue& v : item.templates[index].values) {
    const UiDefine* define = DefineFor(item, v.key);
    if (!define || !define->feature) continue;
    const std::string& feature = *define->feature;
    if (chip_.SetValueText(feature, v.value)) continue;
    if (!failed && errorText) *errorText = "ERROR LOADING TEMPLATE:";
    failed = true;
    if (errorText) {
      const std::string label =
          FeatureLabel(chip_, feature, kLabelName | kLabelMarkers | kLabelShort).value_or("");
      *errorText += StringPrintf("\nCould not set %s to '%s' (it remains '%s').", label.c_str(),
                                 v.value.c_str(), ValueText(chip_, feature).c_str());
    }
  }
  item.lastMatch = index;
  return !failed;
}

std::string UiFeatures::Description(const UiItem& item) {
  std::string text;
  if (!item.feature) return text;
  FeatureDetails(chip_, *item.feature, text, "", "\n", "", 90);
  if (item.overrideFeature) {
    text += StringPrintf("\n\n[%s/%s] = ", item.overridePos.value_or("").c_str(),
                         item.overrideNeg.value_or("").c_str());
    FeatureDetails(chip_, *item.overrideFeature, text, "", "\n", "", 90);
  }
  return text;
}

bool UiFeatures::FindTemplate(std::string_view name, UiItem** item, int* index) {
  std::vector<UiNode*> stack;
  for (auto& node : topLevel_) stack.push_back(node.get());
  while (!stack.empty()) {
    UiNode* node = stack.back();
    stack.pop_back();
    for (size_t i = 0; i < node->item.templates.size(); ++i) {
      const UiTemplate& t = node->item.templates[i];
      for (const OptText* n : {&t.key, &t.shortName, &t.fullName}) {
        if (*n && EqualsIgnoreCase(**n, name)) {
          *item = &node->item;
          *index = static_cast<int>(i);
          return true;
        }
      }
    }
    for (auto& child : node->children) stack.push_back(child.get());
  }
  return false;
}

}  // namespace k7q
