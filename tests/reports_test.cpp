// Labels, descriptions, value summaries and details of every feature and register, and
// the quick reference, for the embedded chip and made-up chips of the corner cases it lacks
// (data/*_chip.xml), in golden files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "reports/descriptions.h"
#include "reports/quick_reference.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

// Details with the value summary as their first line, or with the label.
std::string FeatureTexts(ChipEngine& chip, bool summaryFirst, std::string_view indent,
                         size_t width) {
  std::string out;
  for (const FeatureRecord& f : chip.Tables().features) {
    const std::string& key = *f.keyname;
    out += "== " + key + "\nDescription: " + FeatureDescription(chip, key).value_or("<none>") +
           "\nSummary: " + FeatureValueSummary(chip, key) + "\n";
    const std::string summary = summaryFirst ? FeatureValueSummary(chip, key) : "";
    FeatureDetails(chip, key, out, summary, "\n", indent, width);
    out += "\n";
  }
  return out;
}

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

TEST(Descriptions, EveryFeature) {
  Chip62500 chip;
  EXPECT_EQ(FeatureValueSummary(chip, "cfgdesc"), "Configuration Description  =  (empty)");
  ASSERT_TRUE(chip.SetValueText("cfgdesc", "Board A"));
  EXPECT_GOLDEN("descriptions/embedded.txt", FeatureTexts(chip, true, ">>", 90));
  // A long composition is broken before a joint to stay within the width.
  std::string wrapped;
  FeatureDetails(chip, "ap", wrapped, {}, "\n", {}, 50);
  EXPECT_NE(wrapped.find("REG[0006h-b7:0]<<0\n      + REG[0007h-b7:0]<<8"), std::string::npos)
      << wrapped;
  std::string unknown;
  FeatureDetails(chip, "nosuchfeature", unknown, {}, "\n", {}, 90);
  EXPECT_EQ(unknown, "");
  EXPECT_FALSE(FeatureDescription(chip, "nosuchfeature"));
  EXPECT_EQ(FeatureValueSummary(chip, "nosuchfeature"), "");

  ChipTables tables = LoadTestChip("lists_chip");
  Chip62500 lists(tables);
  ASSERT_TRUE(lists.SetRawValue("mode", 2) && lists.SetRawValue("scaled", 3));
  ASSERT_TRUE(lists.SetRawValue("big", 0x345));
  EXPECT_GOLDEN("descriptions/lists_chip.txt", FeatureTexts(lists, false, "    ", 34));
  lists.SetShowReserved(true);
  EXPECT_GOLDEN("descriptions/lists_chip-reserved.txt", FeatureTexts(lists, true, "", 90));
}

TEST(Descriptions, WrapBreaksAfterTheLastBlankThatFits) {
  // The blank that ends a piece counts towards the limit.
  const struct {
    const char* text;
    size_t width;
    std::vector<std::string> pieces;
  } rows[] = {{"aaa bbb ccc", 5, {"aaa ", "bbb ", "ccc"}},
              {"abcdefgh", 3, {"abc", "def", "gh"}},
              {"ab", 5, {"ab"}},
              {"", 5, {}},
              {"abcd efgh", 5, {"abcd ", "efgh"}},
              {"abcde fgh", 5, {"abcde", " fgh"}},
              {"abcde", 5, {"abcde"}}};
  for (const auto& row : rows) EXPECT_EQ(WrapText(row.text, row.width), row.pieces) << row.text;
}

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

TEST(QuickReference, RegisterBlocks) {
  Chip62500 chip;
  std::string missing, plain;
  RegisterBlock(chip, 0x0099, missing, "\n", 74, true);
  EXPECT_EQ(missing, "REG[0099h] does not exist for this chip.");
  RegisterBlock(chip, 0x0001, plain, "\n", 74, false);
  EXPECT_EQ(plain.rfind("REG[0001h] FX Register\nCurrent=87h, Default=00h.\n", 0), 0u) << plain;
  EXPECT_EQ(plain.find("+--------+"), std::string::npos);
}

// Made-up chips: a 16-bit register at two widths, reserved and foreign parts, lists with
// read and write names, operators and spans.
TEST(QuickReference, MadeUpChips) {
  const struct {
    const char* chip;
    bool reserved;
    size_t width;
  } rows[] = {{"wide_chip", false, 74},
              {"wide_chip", true, 74},
              {"wide_chip", false, 150},
              {"lists_chip", false, 74},
              {"lists_chip", true, 74}};
  for (const auto& row : rows) {
    ChipTables tables = LoadTestChip(row.chip);
    Chip62500 chip(tables);
    chip.SetShowReserved(row.reserved);
    chip.SetRawValue("mode", 2);
    chip.SetRawValue("scaled", 3);
    chip.SetRawValue("big", 0x345);
    const std::string name = std::string("quickref/") + row.chip +
                             (row.reserved ? "-reserved" : "") + "-" + std::to_string(row.width) +
                             ".txt";
    EXPECT_GOLDEN(name, QuickReference(chip, "\n", row.width));
  }
}
