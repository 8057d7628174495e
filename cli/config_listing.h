// Everything `show` lists about the chip's current configuration, as plain records.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/chip62500.h"

namespace k7q {

struct BlockFieldLine {
  std::string caption;  // for the terminal
  std::string key;      // for JSON
  std::string text;
  nlohmann::json value;
};

struct FeatureLine {
  std::string keyname;
  std::string label;
  std::string value;
};

struct RegisterLine {
  uint32_t index = 0;
  uint32_t value = 0;
  uint32_t hexDigits = 2;
  std::string label;
};

// A template item and the template that the settings match ("(no match)" when none).
struct TemplateLine {
  std::string item;
  std::string key;
  std::string name;
};

struct ConfigListing {
  std::vector<BlockFieldLine> block;
  std::vector<TemplateLine> templates;
  std::vector<FeatureLine> features;
  std::vector<RegisterLine> registers;
};

ConfigListing ListConfiguration(Chip62500& chip);

// Aligned columns for a terminal.
std::string ListingText(const ConfigListing& listing);
nlohmann::json ListingJson(const ConfigListing& listing);

}  // namespace k7q
