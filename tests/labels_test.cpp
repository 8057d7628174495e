// Feature and register labels under the flag sets in use, for the embedded chip and for
// a made-up chip with the corner cases it lacks (data/labels_chip.xml), in golden files.
#include "chipmodel/labels.h"

#include <gtest/gtest.h>

#include <string>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

const uint32_t kFlagSets[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x09,
                              0x12, 0x13, 0x14, 0x19, 0x1B, 0x20, 0x3F};

// "<keyname or index> <flags>  <label>" for every feature and register.
std::string LabelTable(ChipEngine& chip) {
  std::string out;
  auto add = [&](const std::string& what, uint32_t flags, std::optional<std::string> label) {
    out += StringPrintf("%-14s %02X  ", what.c_str(), flags) + label.value_or("<none>") + "\n";
  };
  for (const FeatureRecord& f : chip.Tables().features) {
    for (uint32_t flags : kFlagSets) add(*f.keyname, flags, FeatureLabel(chip, *f.keyname, flags));
  }
  for (const RegisterRecord& r : chip.Tables().registers) {
    for (uint32_t flags : kFlagSets) {
      add(StringPrintf("%04X", r.index), flags, RegisterLabel(chip, r.index, flags));
    }
  }
  return out;
}

}  // namespace

TEST(Labels, EveryFeatureAndRegister) {
  Chip62500 chip;
  EXPECT_GOLDEN("labels/embedded.txt", LabelTable(chip));
  EXPECT_EQ(FeatureLabel(chip, "APlsb", 0x02), "REG[0006h] Bits 7:0");  // any letter case
  EXPECT_FALSE(FeatureLabel(chip, "nosuchfeature", 0x01));
  EXPECT_FALSE(FeatureLabel(chip, "", 0x20));
  EXPECT_FALSE(RegisterLabel(chip, 0x0021, 0x0B));

  ChipTables tables = LoadTestChip("labels_chip");
  Chip62500 odd(tables);
  EXPECT_GOLDEN("labels/labels_chip.txt", LabelTable(odd));

  // Read-only wins over write-only.
  for (FeatureRecord& f : tables.features) {
    if (f.keyname == "sink") f.readOnly = true;
  }
  for (RegisterRecord& r : tables.registers) {
    if (r.index == 0x10) r.readOnly = r.writeOnly = true;
  }
  Chip62500 both(tables);
  EXPECT_EQ(FeatureLabel(both, "sink", 0x09), "Sink [READONLY]");
  EXPECT_EQ(RegisterLabel(both, 0x0010, 0x19), "Wide Register [RO]");
}
