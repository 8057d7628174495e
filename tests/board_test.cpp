// The board driver client, the simulated chip and its board, and 62500cfg board run as
// separate processes that share one simulated board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "board/board_choice.h"
#include "board/board_client.h"
#include "board/device_file_driver.h"
#include "board/png_file.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"
#include "tests/support/boards.h"
#include "tests/support/cli_run.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

TEST(BoardClient, FailuresNameTheDeviceAndTheReason) {
  const TempDir folder;
  WriteFile(folder.File("device"), std::string(16, '\0'));  // answers no requests
  const struct {
    std::string path, note;
    const char* error;
  } kRows[] = {{kBoardDevicePath, ": No such file or directory", "Driver not found"},
               {folder.File("device"), ": request 42404h: Inappropriate ioctl for device",
                "Adapter not found"}};
  for (const auto& row : kRows) {
    BoardClient board;
    auto owned = std::make_unique<DeviceFileDriver>(row.path);
    const DeviceFileDriver& driver = *owned;
    board.driver = std::move(owned);
    uint32_t linear = 7, size = 7;
    EXPECT_FALSE(OpenBoard(board, 0, &linear, &size)) << row.path;
    EXPECT_STREQ(BoardErrorText(board.lastError), row.error);
    EXPECT_EQ(driver.Note(), row.path + row.note);
    EXPECT_TRUE(driver.Faulted());
    EXPECT_EQ(board.linearAddress, 0u);
    CloseBoard(board);
    CloseBoard(board);
    EXPECT_FALSE(board.deviceOpen);
  }
  EXPECT_STREQ(BoardErrorText(42), "Unknown error");
}

TEST(BoardClient, MapsTheBoardNamedByK7QBOARD) {
  const Chip62500 chip;
  SimulatedBoardLayout layout = SimulatedLayoutFor(chip.Tables(), chip.Block());
  layout.windowSize = 0x100000;

  BoardClient board;
  auto owned = std::make_unique<SimulatedBoard>(layout, 2);
  SimulatedBoard* model = owned.get();
  board.driver = std::move(owned);
  uint32_t linear = 0, size = 0;
  {
    ScopedEnv unset("K7QBOARD", nullptr);
    EXPECT_FALSE(OpenBoard(board, 0, &linear, &size));
    EXPECT_EQ(model->RequestedBoardNumber(), 0u);
    EXPECT_EQ(board.lastError, kBoardAdapterNotFound);
    EXPECT_STREQ(BoardErrorText(board.lastError), "Adapter not found");
    EXPECT_TRUE(model->IsOpen());  // a failed map leaves the device open
    EXPECT_FALSE(model->IsMapped());
  }
  {
    ScopedEnv two("K7QBOARD", "2");
    ASSERT_TRUE(OpenBoard(board, 0, &linear, &size));
    EXPECT_EQ(model->RequestedBoardNumber(), 2u);
    EXPECT_EQ(board.lastError, kBoardNoError);
    EXPECT_EQ(linear, kSimulatedLinearBase);
    EXPECT_EQ(size, 0x100000u);  // as the driver reports it
    EXPECT_TRUE(model->IsMapped());
  }
  // Mapping at a physical address: the 4-byte reply carries no size.
  ASSERT_TRUE(OpenBoard(board, 0x00C00000, &linear, &size));
  EXPECT_EQ(size, kDefaultWindowSize);
  CloseBoard(board);
  EXPECT_FALSE(model->IsMapped());
  EXPECT_FALSE(model->IsOpen());
  CloseBoard(board);
  EXPECT_FALSE(board.deviceOpen);
}

TEST(BoardChoice, EnvironmentSelectsTheSimulatedBoard) {
  const Chip62500 chip;
  const TempDir folder;
  {
    ScopedEnv on(kSimulatedBoardVariable, folder.File("board").c_str());
    EXPECT_NE(dynamic_cast<SimulatedBoard*>(MakeBoardDriver(chip.Tables(), chip.Block()).get()),
              nullptr);
  }
  for (const char* value : {"0", static_cast<const char*>(nullptr)}) {
    ScopedEnv off(kSimulatedBoardVariable, value);
    EXPECT_NE(dynamic_cast<DeviceFileDriver*>(MakeBoardDriver(chip.Tables(), chip.Block()).get()),
              nullptr);
  }
}

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

namespace {

// Runs "62500cfg board ARGS" with the simulated board in the folder, or with none.
CliRun RunBoard(const TempDir& folder, const std::string& args, bool simulated = true) {
  const std::string board = folder.File("board");
  ScopedEnv env("K7Q_SIMULATED_BOARD", simulated ? board.c_str() : nullptr);
  return RunCliWords("board " + args);
}

}  // namespace

TEST(BoardCommand, ProcessesShareTheSimulatedBoard) {
  const TempDir folder;
  const std::string note =
      "The board is simulated in " + folder.File("board") + "; it is not hardware.\n";
  CliRun run = RunBoard(folder, "init");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Initialized K7Q62500 using HAL build 9.\n" + note);
  EXPECT_EQ(RunBoard(folder, "pattern").status, 0);
  // The picture after init and pattern is the default golden one.
  EXPECT_EQ(RunBoard(folder, "snapshot " + folder.File("panel.png")).status, 0);
  std::string error;
  const auto got = ReadPng(folder.File("panel.png"), 1, &error);
  const auto want = ReadPng(TestSourcePath("golden/panel-default-text.png"), 1, &error);
  ASSERT_TRUE(got && want) << error;
  EXPECT_EQ(got->bytes, want->bytes);

  EXPECT_EQ(RunBoard(folder, "write 0A=15 15=3").status, 0);
  run = RunBoard(folder, "read 0A 15");
  EXPECT_EQ(run.out, note + "000A=15\n0015=03\n");
  run = RunBoard(folder, "read 0A --json");
  EXPECT_THAT(run.out, ::testing::HasSubstr("\"value\": 21"));
  // The block's list writes the read-only cursor registers: check reports it and fails.
  run = RunBoard(folder, "check");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, note + "2 write(s) to read-only registers, first at offset 00801Eh\n");

  for (const char* refused : {"write 1E=3", "write 0A=100", "read 1C", "write 0A"}) {
    run = RunBoard(folder, refused);
    EXPECT_EQ(run.status, 1) << refused;
    EXPECT_NE(run.err, "") << refused;
  }
  run = RunBoard(folder, "init", false);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "Cannot Initialize: ERROR: Unable to find/load the K7Q62xxx driver.\n"
            "/dev/K7Q62xxx: No such file or directory\n");
  EXPECT_THAT(RunBoard(folder, "check", false).err,
              ::testing::HasSubstr("needs the simulated board"));
}
