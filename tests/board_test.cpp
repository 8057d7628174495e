// The board driver client, the simulated chip and its board, 62500cfg board run as
// separate processes that share one simulated board; initializing, reading and writing the
// chip and drawing the test pattern; the rendered panel against golden PNGs, pixel for
// pixel (a failure writes the differences as panel-NAME.diff.png into the working folder,
// red: differing pixels; K7Q_UPDATE_GOLDEN=1 writes the goldens instead).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/board_choice.h"
#include "board/board_client.h"
#include "board/chip_runtime.h"
#include "board/device_file_driver.h"
#include "board/panel_renderer.h"
#include "board/png_file.h"
#include "board/simulated_board.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "storage/locked_file.h"
#include "tests/support/boards.h"
#include "tests/support/cli_run.h"
#include "tests/support/golden.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

namespace k7q {

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

using Raws = std::vector<std::pair<const char*, uint32_t>>;
using Draw = std::function<void(Chip62500&, SimulatedBoard&)>;

void Poke(SimulatedBoard& board, uint32_t address, uint8_t value) {
  board.Write8(kSimulatedLinearBase + board.MemoryOffset(address), value);
}

void Pattern(Chip62500& chip, SimulatedBoard&) {
  ASSERT_EQ(chip.DrawTestPattern(), 0);
}

// The pattern with the cursor at the address.
Draw Cursor(uint32_t address) {
  return [=](Chip62500& chip, SimulatedBoard& board) {
    Pattern(chip, board);
    board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1C), address & 0xFF);
    board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1D), address >> 8);
  };
}

// Three overlapping graphics layers at 2 bits per pixel, each of its own gray level:
// checks at 0000h, a box at 0400h, bars at 0800h.
void Layers(Chip62500&, SimulatedBoard& board) {
  for (uint32_t y = 0; y < 64; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      Poke(board, y * 16 + x, (x + y / 4) % 2 ? 0x55 : 0);
      Poke(board, 0x400 + y * 16 + x, (y >= 16 && y < 48 && x >= 4 && x < 12) ? 0xFF : 0);
      Poke(board, 0x800 + y * 16 + x, (y / 8) % 2 ? 0x77 : 0);
    }
  }
}

struct GoldenCase {
  std::string name;
  bool small;  // a 128 by 64 panel at 1 bit per pixel, block 1 the whole screen
  Raws raws;
  Draw draw;
};

std::vector<GoldenCase> Cases() {
  std::vector<GoldenCase> cases = {
      {"default-text", false, {}, Pattern},
      {"bands-1bpp", false, {{"dm1", 1}}, Pattern},
      {"bands-2bpp", false, {{"dm1", 1}, {"rawbpp", 1}}, Pattern},
      {"bands-4bpp", false, {{"dm1", 1}, {"rawbpp", 2}, {"stride", 39}, {"ap", 40}}, Pattern},
      {"text-rom8-scrolled", true, {{"hdotscr", 3}}, Pattern},
      {"text-rom16", true, {{"m2", 1}, {"fy", 15}, {"fx", 9}}, Pattern},
      {"text-cgram",
       true,
       {{"m0", 1}, {"cgramsaddr", 0x7000}},
       [](Chip62500& c, SimulatedBoard& b) {
         Pattern(c, b);
         for (uint32_t i = 0; i < 0x100 * 8; ++i) Poke(b, 0x7000 + i, static_cast<uint8_t>(i / 8));
       }},
      {"cursor-underscore",
       true,
       {{"cm", 0}, {"csrwidth", 5}, {"csrheight", 6}, {"hdotscr", 0}},
       Cursor(16 * 2 + 3)},
      {"cursor-block",
       true,
       {{"cm", 1}, {"csrwidth", 5}, {"csrheight", 6}, {"hdotscr", 0}},
       Cursor(16 * 4 + 9)},
      {"display-off", true, {{"displayenable", 0}}, Pattern},
      {"block1-blank", true, {{"fp10", 0}}, Pattern}};
  const char* methods[] = {"or", "xor", "and", "priority"};
  for (uint32_t three = 0; three < 2; ++three) {
    for (uint32_t mix = 0; mix < 4; ++mix) {
      cases.push_back({std::string(three ? "three" : "two") + "-layer-" + methods[mix],
                       true,
                       {{"rawbpp", 1},
                        {"dm1", 1},
                        {"dm2", 1},
                        {"ov", three},
                        {"mx", mix},
                        {"sb2saddr", 0x400},
                        {"sb3saddr", 0x800},
                        {"fp32", 1},
                        {"fp54", 1}},
                       Layers});
    }
  }
  return cases;
}

PngPixels DiffImage(const PngPixels& want, const PanelImage& got) {
  PngPixels diff{got.width, got.height, 3, {}};
  for (size_t i = 0; i < got.pixels.size(); ++i) {
    const bool same = i < want.bytes.size() && want.bytes[i] == got.pixels[i];
    const uint8_t dim = got.pixels[i] / 3;
    diff.bytes.insert(diff.bytes.end(), {same ? dim : uint8_t{255}, dim, dim});
  }
  return diff;
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
  // Under a file-size limit below the picture the PNG stays whole; with a second name both
  // names get the new one; a FIFO is refused at once.
  const std::string png = folder.File("panel.png"), other = folder.File("other.png");
  const std::string fifo = folder.File("fifo.png"), before = ReadFile(png);
  ASSERT_EQ(link(png.c_str(), other.c_str()), 0);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small = {4096, saved.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  run = RunBoard(folder, "snapshot " + other);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, ::testing::HasSubstr(other + ": File too large"));
  EXPECT_EQ(ReadFile(png), before);
  ASSERT_EQ(unlink(png.c_str()), 0);
  WriteFile(png, "old");
  ASSERT_EQ(unlink(other.c_str()), 0);
  ASSERT_EQ(link(png.c_str(), other.c_str()), 0);
  EXPECT_EQ(RunBoard(folder, "snapshot " + other).status, 0);
  EXPECT_EQ(ReadFile(png), before);
  EXPECT_EQ(ReadFile(other), before);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  alarm(20);
  run = RunBoard(folder, "snapshot " + fifo);
  alarm(0);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, ::testing::HasSubstr(fifo + ": " + kNotRegularFile));
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
  // Without the simulated board, or with it switched off, the device file is used.
  for (const char* simulated : {static_cast<const char*>(nullptr), "0"}) {
    ScopedEnv real(kSimulatedBoardVariable, simulated);
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

// The pattern itself is pinned by the panel pictures below.
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

TEST(PanelRenderer, MatchesTheGoldenPictures) {
  const bool update = std::getenv("K7Q_UPDATE_GOLDEN") != nullptr;
  for (const GoldenCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Chip62500 chip;
    Raws raws = c.raws;
    if (c.small) {
      raws.insert(raws.begin(),
                  {{"stride", 15}, {"tcr", 19}, {"lf", 63}, {"ap", 16}, {"sl1", 63}, {"sl2", 63}});
    }
    for (const auto& [name, raw] : raws) ASSERT_TRUE(chip.SetRawValue(name, raw)) << name;
    SimulatedBoard& board = *AttachBoard(chip);
    ASSERT_TRUE(chip.InitializeChip(0, nullptr));
    c.draw(chip, board);
    const PanelImage image =
        RenderPanel(board.Chip().registers, board.Chip().memory, kSimulatedMemorySize);
    const std::string golden =
        std::string(K7Q_TEST_SOURCE_DIR) + "/golden/panel-" + c.name + ".png";
    std::string error;
    if (update) {
      ASSERT_TRUE(WritePng(golden, {image.width, image.height, 1, image.pixels}, &error)) << error;
      continue;
    }
    const std::optional<PngPixels> want = ReadPng(golden, 1, &error);
    ASSERT_TRUE(want) << error;
    if (want->width == image.width && want->height == image.height && want->bytes == image.pixels) {
      continue;
    }
    const std::string diff = std::string("panel-") + c.name + ".diff.png";
    WritePng(diff, DiffImage(*want, image), &error);
    ADD_FAILURE() << "differs from " << golden << "; see " << diff << " (" << image.width << "x"
                  << image.height << " against " << want->width << "x" << want->height << ")";
  }
}

}  // namespace k7q
