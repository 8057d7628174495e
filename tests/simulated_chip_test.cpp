// The simulated chip: indirect interface decoding, check flags and the shared file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "board/board_client.h"
#include "board/device_file_driver.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"
#include "tests/support/boards.h"
#include "tests/support/test_files.h"

TEST(SimulatedChip, IndirectCommandsLandWhereDirectWritesDo) {
  Chip62500 direct, indirect;
  ASSERT_TRUE(indirect.SetRawValue("ii", 1));
  SimulatedBoard* d = AttachBoard(direct);
  SimulatedBoard* i = AttachBoard(indirect);
  for (Chip62500* chip : {&direct, &indirect}) {
    ASSERT_TRUE(chip->InitializeChip(0, nullptr));
    ASSERT_EQ(chip->DrawTestPattern(), 0);
  }
  for (uint32_t r = 0; r < 0x1C; ++r) EXPECT_EQ(i->Register(r), d->Register(r)) << r;
  for (uint32_t at = 0; at < kSimulatedMemorySize; ++at) {
    ASSERT_EQ(i->Memory(at), d->Memory(at)) << at;
  }
  EXPECT_NE(i->Memory(1), 0);  // the pattern, not the command bytes, at 0 and 1

  // Cursor reads give the address after the last byte written.
  indirect.SetLiveMode(true);
  const uint32_t cursor = indirect.ReadRegister(0x1E, false) | indirect.ReadRegister(0x1F, false)
                                                                   << 8;
  EXPECT_EQ(cursor, i->Chip().cursor);
  // The block's list holds the read-only cursor registers 1Eh and 1Fh: only the direct
  // interface writes them.
  for (uint32_t f = 0; f < kCheckFlagCount; ++f) {
    EXPECT_EQ(i->Chip().checks[f].count, 0u) << f;
    EXPECT_EQ(d->Chip().checks[f].count, f == kCheckReadOnlyWrite ? 2u : 0u) << f;
  }

  std::string message;
  EXPECT_FALSE(indirect.ShutdownChip(&message));
  EXPECT_EQ(message,
            "The panel was not put to sleep: the indirect interface of K7Q62500 has no sleep "
            "command.\n");
  EXPECT_TRUE(direct.ShutdownChip(&message));
  EXPECT_EQ(d->Register(0x08), 1);
}

TEST(SimulatedChip, FlagsWhatARealChipWouldNotTake) {
  Chip62500 chip;
  SimulatedBoard* board = AttachBoard(chip);
  // Display memory before the registers: the wrong order.
  chip.InitializeChip(kSkipRegisterProgramming, nullptr);
  const CheckRecord* checks = board->Chip().checks;
  EXPECT_EQ(checks[kCheckMemoryBeforeSetup].count, kDisplayMemorySize);
  EXPECT_EQ(checks[kCheckMemoryBeforeSetup].firstOffset, board->MemoryOffset(0));
  EXPECT_EQ(CheckFlagText(kCheckMemoryBeforeSetup, checks[kCheckMemoryBeforeSetup]),
            "32768 display memory write(s) before the system set registers were programmed, "
            "first at offset 200000h");
  ASSERT_TRUE(chip.InitializeChip(0, nullptr));
  EXPECT_EQ(checks[kCheckMemoryBeforeSetup].count, kDisplayMemorySize);

  board->Write8(kSimulatedLinearBase + 0x3F0000, 1);
  board->Write8(kSimulatedLinearBase + board->RegisterOffset(0x1F), 1);
  EXPECT_EQ(checks[kCheckOutsideWindow].count, 1u);
  EXPECT_EQ(checks[kCheckOutsideWindow].firstOffset, 0x3F0000u);
  EXPECT_EQ(checks[kCheckReadOnlyWrite].count, 3u);  // 1Eh and 1Fh by the block, then 1Fh
  EXPECT_TRUE(chip.ShutdownChip(nullptr));
  board->Write8(kSimulatedLinearBase + board->MemoryOffset(5), 1);
  EXPECT_EQ(checks[kCheckMemoryWhileAsleep].count, 1u);
  EXPECT_EQ(board->Log().back().offset, board->MemoryOffset(5));
}

TEST(SimulatedChip, FileIsOneChipForEveryBoardThatMapsIt) {
  const TempDir folder;
  const std::string path = folder.File("board");
  std::string error;
  const Chip62500 chip;
  const SimulatedBoardLayout layout = SimulatedLayoutFor(chip.Tables(), chip.Block());
  SimulatedBoard first(layout, SimulatedChipStore::OpenFile(path, &error));
  ASSERT_TRUE(error.empty()) << error;
  first.Preset(0x0A, 0x15);
  SimulatedBoard second(layout, SimulatedChipStore::OpenFile(path, &error));
  EXPECT_EQ(second.Register(0x0A), 0x15);
  EXPECT_EQ(second.Note(), "The board is simulated in " + path + "; it is not hardware.");

  WriteFile(folder.File("other"), "not a board");
  EXPECT_EQ(SimulatedChipStore::OpenFile(folder.File("other"), &error), nullptr);
  EXPECT_EQ(error, "simulated board file " + folder.File("other") +
                       ": not a simulated board of this program (wrong size)");
  EXPECT_EQ(SimulatedChipStore::OpenFile(folder.File("none/board"), &error), nullptr);
  EXPECT_EQ(error,
            "simulated board file " + folder.File("none/board") + ": No such file or directory");
}

TEST(DeviceFileDriver, FailuresNameTheDeviceAndTheReason) {
  const TempDir folder;
  WriteFile(folder.File("device"), std::string(16, '\0'));  // answers no requests
  for (const auto& [path, note] :
       {std::pair{folder.File("device"), ": request 42404h: Inappropriate ioctl for device"},
        std::pair{folder.File("none"), ": No such file or directory"}}) {
    BoardClient board;
    auto owned = std::make_unique<DeviceFileDriver>(path);
    const DeviceFileDriver& driver = *owned;
    board.driver = std::move(owned);
    EXPECT_FALSE(OpenBoard(board, 0, nullptr, nullptr));
    EXPECT_EQ(driver.Note(), path + note);
    EXPECT_TRUE(driver.Faulted());
  }
}
