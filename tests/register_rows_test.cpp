#include "config/register_rows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "board/board_choice.h"
#include "config/chip62500.h"
#include "tests/test_env.h"
#include "tests/test_files.h"

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

TEST(RegisterRows, CellsOfRegistersDelaysAndFlags) {
  Chip62500 chip;
  ChipWithExtraRows(chip);
  ManualChanges changes;
  const std::vector<uint32_t> rows = RegisterRows(chip);
  ASSERT_EQ(rows.size(), 33u);
  EXPECT_EQ(rows[1], 0x0001u);
  EXPECT_EQ(rows[31], 0xFFFEu);

  const RowCells fx = MakeRowCells(chip, changes, 1, rows[1], RowValue(chip, 1, rows[1]));
  EXPECT_EQ(fx.reg, "0001h   ");
  EXPECT_EQ(fx.name, "FX Register");
  EXPECT_EQ(fx.hex, "87");
  EXPECT_EQ(fx.bin, "10000111");
  EXPECT_EQ(fx.dec, "       135");
  EXPECT_EQ(changes.shown[1], 0x87u);

  const RowCells delay = MakeRowCells(chip, changes, 31, rows[31], RowValue(chip, 31, rows[31]));
  EXPECT_EQ(delay.reg, "DELAY   ");
  EXPECT_EQ(delay.hex, "0064");
  EXPECT_EQ(delay.bin, "0000000001100100");
  EXPECT_EQ(MakeRowCells(chip, changes, 32, rows[32], 0).reg, "FLAG   ");

  // The first of two rows for one register warns that it is transient; the last does not.
  const std::string first = RowDescription(chip, changes, rows, 1);
  EXPECT_THAT(first, HasSubstr("\n\n[ ALERT ]  This register also exists further down this "
                               "list.\n           Any changes to this register will be "
                               "transient and\n"));
  EXPECT_EQ(RowDescription(chip, changes, rows, 30).find("[ ALERT ]"), std::string::npos);
  // Each row describes its own pair's value.
  EXPECT_THAT(first, HasSubstr("Current=87h"));
  EXPECT_THAT(RowDescription(chip, changes, rows, 30), HasSubstr("Current=85h"));
  EXPECT_EQ(RowDescription(chip, changes, rows, 2).find("\n[ "), std::string::npos);
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
