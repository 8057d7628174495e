// Feeds arbitrary documents, split into lines, to the chip definition loader and
// exercises a chip built on whatever tables come out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "config/chip62500.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.emplace_back();
    } else if (data[i] != '\0') {
      lines.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> table;
  for (const auto& line : lines) table.push_back(line.c_str());
  ChipTables tables;
  LoadChipDefinition(tables, table.data(), table.size());
  Chip62500 chip(tables);
  for (const FeatureRecord& f : tables.features) {
    if (!f.keyname) continue;
    const char* text = chip.GetValueText(*f.keyname, true);
    if (text) chip.SetValueText(*f.keyname, text);
    chip.SetFieldValue(*f.keyname, chip.GetFieldValue(*f.keyname) + 1);
  }
  return 0;
}
