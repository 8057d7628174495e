#include "settings/settings_diff.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "chipmodel/labels.h"
#include "config/chip62500.h"
#include "settings/settings_text.h"

namespace k7q {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ValueText(Chip62500& chip, const std::string& key) {
  const char* text = chip.GetValueText(key, true);
  return text ? text : "";
}

std::optional<uint32_t> RegisterValue(Chip62500& chip, uint32_t index) {
  uint32_t position = 0;
  if (!chip.FindBlockPosition(index, &position, false)) return std::nullopt;
  return chip.BlockValueAt(position);
}

// The indices of both register lists: a's in order, then those only b has.
std::vector<uint32_t> RegisterIndices(Chip62500& a, Chip62500& b) {
  std::vector<uint32_t> indices;
  for (Chip62500* chip : {&a, &b}) {
    for (uint32_t p = 0; p < chip->BlockRegisterCount(); ++p) {
      uint32_t index = 0;
      if (!chip->BlockIndexAt(p, &index)) break;
      if (std::find(indices.begin(), indices.end(), index) == indices.end())
        indices.push_back(index);
    }
  }
  return indices;
}

}  // namespace

SettingsDiff DiffSettings(Chip62500& a, Chip62500& b) {
  SettingsDiff diff;
  std::set<std::string> seen;
  std::vector<std::string> keys;
  for (const FeatureRecord& f : a.Tables().features) {
    if (f.keyname && a.IsApplicable(f.existsFor) && seen.insert(Lower(*f.keyname)).second)
      keys.push_back(*f.keyname);
  }
  for (const std::string& key : keys) {
    const std::string textA = ValueText(a, key);
    const std::string textB = ValueText(b, key);
    if (textA == textB) continue;
    diff.features.push_back({key, FeatureLabel(a, key, kLabelName).value_or(""), textA, textB});
  }
  for (uint32_t index : RegisterIndices(a, b)) {
    RegisterDifference d{index, RegisterLabel(a, index, kLabelName).value_or(""),
                         std::max(2u, a.RegisterHexDigits(index, false)), RegisterValue(a, index),
                         RegisterValue(b, index)};
    if (d.a != d.b) diff.registers.push_back(std::move(d));
  }
  const std::vector<BlockFieldValue> fieldsA = SettingsBlockFields(a);
  const std::vector<BlockFieldValue> fieldsB = SettingsBlockFields(b);
  for (size_t i = 0; i < fieldsA.size(); ++i) {
    if (fieldsA[i].text != fieldsB[i].text)
      diff.blockFields.push_back({fieldsA[i].name, fieldsA[i].text, fieldsB[i].text});
  }
  return diff;
}

}  // namespace k7q
