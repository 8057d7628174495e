// Initializing, reading and writing the chip and drawing the test pattern on the
// simulated evaluation board.
#include "board/chip_runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/board_choice.h"
#include "board/simulated_board.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "tests/support/boards.h"
#include "tests/support/golden.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

namespace {

std::vector<BoardAccess> Accesses(const SimulatedBoard& board, AccessKind kind) {
  std::vector<BoardAccess> out;
  for (const BoardAccess& a : board.Log()) {
    if (a.kind == kind) out.push_back(a);
  }
  return out;
}

// One line per access ("W <offset> <value>", "R ...", "wait <microseconds>"); accesses
// to display memory past its first two bytes are only counted.
std::string Trace(const SimulatedBoard& board) {
  const uint32_t from = board.MemoryOffset(2), to = board.MemoryOffset(kDisplayMemorySize - 1);
  std::string out;
  size_t memory = 0;
  for (const BoardAccess& a : board.Log()) {
    if (a.kind == AccessKind::kWait) {
      out += StringPrintf("wait %u\n", a.offset);
    } else if (a.offset >= from && a.offset <= to) {
      ++memory;
    } else {
      out += StringPrintf("%s %05X %02X\n", a.kind == AccessKind::kRead ? "R" : "W", a.offset,
                          a.value);
    }
  }
  return out + StringPrintf("%zu more memory accesses\n", memory);
}

std::string Initialize(Chip62500& chip, uint32_t mode = 0) {
  std::string message;
  chip.InitializeChip(mode, &message);
  return message;
}

}  // namespace

TEST(ChipRuntime, InitializeProgramsTheBlockInOrderAndClearsMemory) {
  Chip62500 chip;
  SimulatedBoard* board = AttachBoard(chip);
  board->Preset(0x1E, 0x12);  // read-only cursor registers
  board->Preset(0x1F, 0x34);

  EXPECT_EQ(Initialize(chip), "Initialized K7Q62500 using HAL build 9.\n");
  EXPECT_TRUE(chip.IsChipInitialised());
  EXPECT_TRUE(chip.IsBoardOpen());
  // Sleep off first, then each pair written and read back once, in list order; then
  // display memory cleared.
  EXPECT_GOLDEN("runtime/initialize.txt", Trace(*board));
  for (uint32_t i = 0; i < chip.BlockRegisterCount(); ++i) {
    const RegisterPair pair = chip.Block().registers[i];
    if (pair.index != 0x1E && pair.index != 0x1F) {
      EXPECT_EQ(board->Register(pair.index), pair.value) << i;
    }
  }
  EXPECT_EQ(board->Register(0x1E), 0x12);
  EXPECT_EQ(board->Register(0x1F), 0x34);

  // Drawn memory is cleared by the next initialization; mode flags skip the steps.
  ASSERT_EQ(chip.DrawTestPattern(), 0);
  ASSERT_NE(board->Memory(0), 0);
  board->ClearLog();
  EXPECT_EQ(Initialize(chip, kSkipRegisterProgramming | kSkipMemoryClear),
            "Initialized K7Q62500 using HAL build 9.\n");
  EXPECT_TRUE(board->Log().empty());
  EXPECT_FALSE(chip.IsChipInitialised());
  EXPECT_NE(board->Memory(0), 0);
  Initialize(chip, kSkipRegisterProgramming);
  EXPECT_EQ(Accesses(*board, AccessKind::kWrite).size(), kDisplayMemorySize);
  for (uint32_t i = 0; i < kDisplayMemorySize; ++i) ASSERT_EQ(board->Memory(i), 0) << i;
}

TEST(ChipRuntime, PseudoRegisterStepsWaitOrAreSkipped) {
  Chip62500 chip;
  HalStruct block = chip.Block();
  const RegisterPair list[] = {{0x00, 0x30}, {0xFFFE, 50}, {0x01, 0x87},     {0xFFFC, 7},
                               {0xFFFA, 1},  {0xFFFD, 2},  {kEndOfTable, 0}, {0x02, 0x99}};
  std::copy(std::begin(list), std::end(list), block.registers);
  chip.LoadBlock(block);
  SimulatedBoard* board = AttachBoard(chip);
  EXPECT_EQ(Initialize(chip), "Initialized K7Q62500 using HAL build 9.\n");

  EXPECT_GOLDEN("runtime/pseudo-registers.txt", Trace(*board));
  EXPECT_EQ(board->Register(0x02), 0);  // after the end marker
}

TEST(ChipRuntime, FailureMessages) {
  {
    ScopedEnv real(kSimulatedBoardVariable, nullptr);
    Chip62500 chip;
    chip.SetLiveMode(true);
    EXPECT_EQ(Initialize(chip),
              "Cannot Initialize: ERROR: Unable to find/load the K7Q62xxx driver.\n");
    EXPECT_FALSE(chip.IsChipInitialised());
    EXPECT_FALSE(chip.IsLiveMode());
    EXPECT_EQ(chip.DrawTestPattern(), 2);
    EXPECT_FALSE(chip.WriteChipRegister(0x0A, 1));
  }
  {
    ScopedEnv other("K7QBOARD", "3");
    Chip62500 chip;
    AttachBoard(chip, 0);
    EXPECT_EQ(Initialize(chip),
              "Cannot Initialize: ERROR: Unable to locate an K7Q62xxx controller.\n");
  }
  {
    // A block whose checksum comes out as 0 counts as never configured.
    Chip62500 chip;
    HalStruct block = chip.Block();
    for (block.pclk = 0; BlockCrc(block) != 0 && block.pclk < 0x20000; ++block.pclk) {
    }
    ASSERT_EQ(BlockCrc(block), 0);
    chip.LoadBlock(block);
    SimulatedBoard* board = AttachBoard(chip);
    EXPECT_EQ(Initialize(chip),
              "Cannot Initialize: ERROR: This program has not been configured.\n");
    EXPECT_TRUE(Accesses(*board, AccessKind::kWrite).empty());
  }
  ChipRuntime rt;
  rt.block.crc = BlockCrc(rt.block);
  EXPECT_EQ(RuntimeErrorText(rt, 1024), "There was no error detected");
  EXPECT_FALSE(InitializeRuntime(rt, 0));
  EXPECT_EQ(RuntimeErrorText(rt, 1024), "ERROR: The controller has not been acquired");
  EXPECT_EQ(RuntimeErrorText(rt, 5), "ERROR");
}

TEST(ChipRuntime, LiveModeReadsAndWritesTheBoard) {
  const TempDir folder;
  ScopedEnv simulated(kSimulatedBoardVariable, folder.File("board").c_str());
  Chip62500 chip;
  std::string message;
  ASSERT_TRUE(chip.InitializeChip(0, &message)) << message;
  const SimulatedBoard* board =
      dynamic_cast<const SimulatedBoard*>(chip.Runtime().board.driver.get());
  ASSERT_NE(board, nullptr);

  EXPECT_EQ(chip.GetRawValue("baseaddr"), 0u);
  chip.SetLiveMode(true);
  EXPECT_EQ(chip.GetRawValue("baseaddr"), kSimulatedLinearBase);
  EXPECT_EQ(chip.GetRawValue("memaddr"), kSimulatedLinearBase + 0x200000);

  EXPECT_TRUE(chip.WriteRegister(0x0A, false, 0x15));
  EXPECT_EQ(board->Register(0x0A), 0x15);
  EXPECT_EQ(chip.Block().registers[0x0A].value, 0x15);
  EXPECT_TRUE(chip.SetRawValue("stride", 39));
  EXPECT_EQ(board->Register(0x03), 39);
  EXPECT_EQ(chip.ReadRegister(0x03, false), 39u);
  // A register the block does not hold is refused, also on the board; so is a register
  // the chip does not have.
  EXPECT_FALSE(chip.WriteRegister(0x40, false, 1));
  EXPECT_FALSE(chip.WriteChipRegister(0x40, 1));
  EXPECT_EQ(chip.ReadChipRegister(0x40), 0u);
  // Changing the bits per pixel while the pattern is shown redraws it on the next tick.
  chip.SetPatternShown(true);
  chip.RedrawTick();
  ASSERT_EQ(chip.RedrawCountdown(), 0u);
  EXPECT_TRUE(chip.SetFieldValue("bpp", 2));
  EXPECT_EQ(chip.RedrawCountdown(), 1u);
  chip.RedrawTick();
  EXPECT_TRUE(chip.WriteRegister(0x0A, false, 0x05));  // no pattern feature lives there
  EXPECT_EQ(chip.RedrawCountdown(), 0u);
  chip.SetPatternShown(false);
  // Leaving live mode: reads come from the block again; a non-zero mode drops it.
  ASSERT_TRUE(chip.InitializeChip(0, nullptr));
  chip.SetLiveMode(true);
  EXPECT_FALSE(chip.InitializeChip(kSkipMemoryClear, nullptr));
  EXPECT_FALSE(chip.IsLiveMode());
  EXPECT_EQ(chip.GetRawValue("baseaddr"), 0u);
}

// The pattern itself is pinned by the panel pictures of panel_renderer_test.
TEST(ChipRuntime, TestPatternNeedsAnInitializedChipAndRoom) {
  Chip62500 chip;
  SimulatedBoard* board = AttachBoard(chip);
  EXPECT_EQ(chip.DrawTestPattern(), 2);
  EXPECT_TRUE(board->Log().empty());
  // Shown in text mode: drawn on the next tick, the cursor after the first character.
  ASSERT_TRUE(chip.InitializeChip(0, nullptr));
  chip.SetPatternShown(true);
  chip.RedrawTick();
  EXPECT_EQ(board->Memory(0), 0x20);
  EXPECT_EQ(board->Register(0x1C), 1);
  // 240 bytes a line for 200 lines at 4 bits per pixel does not fit.
  EXPECT_TRUE(chip.WriteRegister(0x18, false, 0x04));
  EXPECT_TRUE(chip.SetRawValue("bpp", 4));
  EXPECT_TRUE(chip.SetRawValue("stride", 0xEF));
  EXPECT_EQ(chip.DrawTestPattern(), 3);
}

TEST(ChipRuntime, PcCardBusSpacesRegistersAndMemoryTwoBytesApart) {
  Chip62500 chip;
  EXPECT_TRUE(chip.SetRawValue("pccard", 1));
  SimulatedBoard* board = AttachBoard(chip);
  ASSERT_TRUE(chip.InitializeChip(0, nullptr));
  EXPECT_EQ(chip.Runtime().registerBase, kSimulatedLinearBase + 0x10000);
  EXPECT_GOLDEN("runtime/pccard.txt", Trace(*board));
  EXPECT_EQ(board->Register(0x01), chip.Block().registers[1].value);
  ASSERT_EQ(chip.DrawTestPattern(), 0);
  EXPECT_EQ(board->Memory(1), 0x21);
}

TEST(ChipRuntime, IndirectInterfaceSendsTheCommandTable) {
  Chip62500 chip;
  EXPECT_TRUE(chip.SetRawValue("ii", 1));
  SimulatedBoard* board = AttachBoard(chip);
  ASSERT_EQ(Initialize(chip, kSkipMemoryClear), "Initialized K7Q62500 using HAL build 9.\n");
  // Commands to the first byte, their parameters to the second.
  EXPECT_GOLDEN("runtime/indirect.txt", Trace(*board));
  // Reading the cursor sends the read command and takes two bytes from the data port.
  board->ClearLog();
  chip.SetLiveMode(true);
  chip.ReadRegister(0x1E, false);
  ASSERT_EQ(board->Log().size(), 3u);
  EXPECT_EQ(board->Log()[0].value, 0x47u);
  EXPECT_EQ(board->Log()[1].kind, AccessKind::kRead);
  EXPECT_EQ(board->Log()[2].offset, board->MemoryOffset(1));
}
