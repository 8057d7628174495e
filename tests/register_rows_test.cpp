#include "uimodel/register_rows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "board/board_choice.h"
#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

namespace k7q {

using ::testing::HasSubstr;

namespace {

// The default block with a power-on delay and a clock flag at the end, and the FX
// register once more.
Chip62500& ChipWithExtraRows(Chip62500& chip) {
  HalStruct block = DefaultHalStruct();
  block.registers[30] = {0x0001, 0x85};
  block.registers[31] = {0xFFFE, 100};
  block.registers[32] = {0xFFFA, 0};
  chip.LoadBlock(block);
  return chip;
}

}  // namespace

// Every row's cells and description: the first of two rows for one register warns that
// it is transient, each row describes its own pair's value.
TEST(RegisterRows, CellsAndDescriptionsOfRegistersDelaysAndFlags) {
  Chip62500 chip;
  ChipWithExtraRows(chip);
  ManualChanges changes;
  const std::vector<uint32_t> rows = RegisterRows(chip);
  std::string table;
  for (size_t p = 0; p < rows.size(); ++p) {
    const RowCells c = MakeRowCells(chip, changes, p, rows[p], RowValue(chip, p, rows[p]));
    table += c.reg + "|" + c.name + "|" + c.hex + "|" + c.bin + "|" + c.dec + "\n";
    EXPECT_EQ(changes.shown[p], RowValue(chip, p, rows[p]));
  }
  for (size_t p = 0; p < rows.size(); ++p) table += "\n" + RowDescription(chip, changes, rows, p);
  EXPECT_GOLDEN("register-rows.txt", table);
}

TEST(RegisterRows, HandChangesAndTheirOverwriting) {
  Chip62500 chip;
  chip.LoadBlock(DefaultHalStruct());
  ManualChanges changes;
  std::vector<uint32_t> rows = RegisterRows(chip);
  ReconcileChanges(chip, changes, rows);
  for (size_t p = 0; p < rows.size(); ++p)
    NoteUnderlyingValue(changes, p, RowValue(chip, p, rows[p]));
  // The value it has already is no change.
  SetRowByHand(chip, changes, 1, rows[1], 0x87);
  EXPECT_EQ(changes.state[1], kRowNotModified);
  EXPECT_EQ(MakeRowCells(chip, changes, 1, rows[1], 0x87).reg, "0001h   ");
  SetRowByHand(chip, changes, 1, rows[1], 0x85);
  SetRowByHand(chip, changes, 2, rows[2], 0x03);
  EXPECT_EQ(chip.GetFieldValue("fx"), 6u);
  EXPECT_EQ(MakeRowCells(chip, changes, 1, rows[1], 0x85).reg, "0001h *");
  EXPECT_THAT(RowDescription(chip, changes, rows, 1),
              HasSubstr("\n\n[   *   ]  You modified this register manually.  This register's\n"
                        "           value would be 00000087h if it was not modified."));
  EXPECT_EQ(ChangesReport(chip, changes, rows), "");
  // Another tab rewrites the FX register: the row counts as overwritten when the page opens.
  ASSERT_TRUE(chip.SetFieldValue("fx", 12));
  ReconcileChanges(chip, changes, rows);
  EXPECT_EQ(changes.state[1], kRowOverwritten);
  EXPECT_EQ(changes.state[2], kRowModified);
  EXPECT_EQ(MakeRowCells(chip, changes, 1, rows[1], RowValue(chip, 1, rows[1])).reg, "0001h !");
  EXPECT_THAT(RowDescription(chip, changes, rows, 1),
              HasSubstr("\n\n[   !   ]  You had previously modified this register manually to\n"
                        "           00000085h, however, when you switched tabs, your\n"
                        "           modification was overwritten."));
  EXPECT_EQ(ChangesReport(chip, changes, rows),
            "1 (out of 2) manually modified registers have been overwritten by other tabs.\n");
  ASSERT_TRUE(chip.SetFieldValue("fy", 8));
  ReconcileChanges(chip, changes, rows);
  EXPECT_EQ(ChangesReport(chip, changes, rows),
            "2 manually modified registers have been overwritten by other tabs.\n");
  // The periodic check sees values change under the shown ones.
  for (size_t p = 0; p < rows.size(); ++p)
    MakeRowCells(chip, changes, p, rows[p], RowValue(chip, p, rows[p]));
  EXPECT_TRUE(ChangedRows(chip, changes, rows).empty());
  ASSERT_TRUE(chip.SetFieldValue("fx", 6));  // back to the typed 85h
  EXPECT_EQ(ChangedRows(chip, changes, rows), std::vector<size_t>{1});
  EXPECT_EQ(changes.state[1], kRowModified);
  EXPECT_EQ(changes.underlying[1], 0x85u);
  // A change of mode clears every mark and reports it once.
  changes.hotToChip = true;
  ReconcileChanges(chip, changes, rows);
  EXPECT_EQ(changes.state[1], kRowNotModified);
  EXPECT_EQ(changes.state[2], kRowNotModified);
  EXPECT_EQ(ChangesReport(chip, changes, rows),
            "Manually modified register information reset due to \"Hot to Chip\" mode "
            "transisition.\n");
  EXPECT_EQ(ChangesReport(chip, changes, rows), "");
  changes.hotToChip = true;
  ReconcileChanges(chip, changes, rows);
  EXPECT_EQ(ChangesReport(chip, changes, rows), "");
}

TEST(RegisterRows, LiveRowsAreTheChipsReadableRegisters) {
  const TempDir folder;
  ScopedEnv simulated(kSimulatedBoardVariable, folder.File("board").c_str());
  Chip62500 chip;
  chip.LoadBlock(DefaultHalStruct());
  std::string message;
  ASSERT_TRUE(chip.InitializeChip(0, &message)) << message;
  chip.SetLiveMode(true);
  const std::vector<uint32_t> rows = RegisterRows(chip);
  ASSERT_FALSE(rows.empty());
  for (uint32_t index : rows) EXPECT_FALSE(chip.IsRegisterWriteOnly(index, false)) << index;
  EXPECT_EQ(std::count(rows.begin(), rows.end(), 0x001Cu), 0);  // CSRW Low is write-only
  EXPECT_EQ(rows[1], 0x0001u);
  EXPECT_EQ(RowValue(chip, 1, rows[1]), 0x87u);  // read from the board
  ManualChanges changes;
  changes.hotToChip = true;
  NoteUnderlyingValue(changes, 1, 0x87);
  SetRowByHand(chip, changes, 1, rows[1], 0x85);
  EXPECT_EQ(chip.ReadChipRegister(0x0001), 0x85u);
  EXPECT_EQ(changes.state[1], kRowModified);
  chip.SetLiveMode(false);
}

}  // namespace k7q
