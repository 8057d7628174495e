// Records of the chip definition: products, categories, registers, features and
// their list values, in document order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace k7q {

using OptText = std::optional<std::string>;

enum FeatureType : uint32_t {
  kTypeUnset = 0,
  kTypeNumb = 1,
  kTypeAddr = 2,
  kTypeFreq = 4,
  kTypeText = 8,
  kTypeList = 16,
  kTypeBool = 32,
  kTypeSequ = 64,
};

enum OffsetBase : uint32_t { kOffsetSys = 1, kOffsetBase = 2, kOffsetDisp = 4 };

constexpr uint32_t kNoRegister = 0xFFFFFFFFu;
constexpr uint32_t kAllBits = 0xFFFFFFFFu;

struct ProductRecord {
  OptText keyname, prefix, name, suffix, description, variantOf;
};

struct CategoryRecord {
  OptText keyname, name;
};

struct RegisterRecord {
  OptText keyname, name, description;
  uint32_t index = 0;
  uint32_t lastIndex = 0;
  uint32_t indexStep = 0;
  uint32_t bitWidth = 0;
  uint32_t defaultValue = 0;
  bool pseudo = false;
  bool readOnly = false;
  bool writeOnly = false;
  OptText category, reservedFor, existsFor;
};

struct ListValueRecord {
  uint32_t first = 0;
  uint32_t last = 0;
  OptText text, readText, writeText, reservedFor, existsFor;
};

struct FeatureRecord {
  OptText keyname, name, description, unit;
  uint32_t type = kTypeUnset;
  uint32_t minimum = 0;
  uint32_t maximum = 0;
  OptText op1, op2;
  uint32_t step = 1;
  uint32_t radix = 10;
  bool inverted = false;
  uint32_t offsetBase = kOffsetSys;
  uint32_t registerIndex = kNoRegister;
  uint32_t mask = kAllBits;
  bool span = false;
  bool needsCode = false;
  bool readOnly = false;
  bool writeOnly = false;
  bool overlap = false;
  bool redrawPattern = false;
  OptText reservedFor, existsFor;
  std::vector<ListValueRecord> values;
};

// The chip definition tables. The process keeps one set (ProcessChipTables), built
// once at start-up and never changed afterwards.
struct ChipTables {
  std::vector<ProductRecord> products;
  std::vector<CategoryRecord> categories;
  std::vector<RegisterRecord> registers;
  std::vector<FeatureRecord> features;
  size_t productCapacity = 0;
  size_t categoryCapacity = 0;
  size_t registerCapacity = 0;
  size_t featureCapacity = 0;
};

ChipTables& ProcessChipTables();

// Applies an operator text ("+1", "*2", ...) to v; inverse undoes it. Absent text: v.
uint32_t ApplyOperator(const OptText& op, uint32_t v, bool inverse);

// The embedded chip definition as a table of lines.
extern const char* const kChipDefLines[];
extern const std::size_t kChipDefLineCount;

}  // namespace k7q
