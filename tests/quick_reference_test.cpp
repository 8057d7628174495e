// Register blocks of the quick reference; whole reports are in the golden files.
#include "reports/quick_reference.h"

#include <gtest/gtest.h>

#include <string>

#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

std::string Block(ChipEngine& chip, uint32_t index, size_t width = 74, bool diagram = true) {
  std::string out;
  RegisterBlock(chip, index, out, "\n", width, diagram);
  return out;
}

}  // namespace

TEST(QuickReference, RegisterBlocks) {
  Chip62500 chip;
  EXPECT_EQ(Block(chip, 0x0099), "REG[0099h] does not exist for this chip.");
  const std::string plain = Block(chip, 0x0001, 74, false);
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
