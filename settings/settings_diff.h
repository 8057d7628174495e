// What differs between two configurations: features by their value texts, registers
// of the block's register list, and block fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace k7q {

class Chip62500;

struct FeatureDifference {
  std::string keyname;
  std::string label;
  std::string a;
  std::string b;
};

// A register missing from one block's list has no value there.
struct RegisterDifference {
  uint32_t index = 0;
  std::string label;
  uint32_t hexDigits = 2;
  std::optional<uint32_t> a;
  std::optional<uint32_t> b;
};

struct BlockFieldDifference {
  std::string name;
  std::string a;
  std::string b;
};

struct SettingsDiff {
  std::vector<FeatureDifference> features;
  std::vector<RegisterDifference> registers;
  std::vector<BlockFieldDifference> blockFields;
  bool Equal() const { return features.empty() && registers.empty() && blockFields.empty(); }
};

SettingsDiff DiffSettings(Chip62500& a, Chip62500& b);

}  // namespace k7q
