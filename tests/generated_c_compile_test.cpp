// The exported C files compile with the system's C compiler, and the programs built
// from them (data/*_main.c) hold exactly the chip's configuration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "export/export_writer.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

#ifndef K7Q_C_COMPILER
#define K7Q_C_COMPILER "cc"
#endif

namespace {

// Compiles main.c in the folder and runs it; its standard output, or the compiler's
// messages when it fails.
bool BuildAndRun(const TempDir& folder, const std::string& extraFlags, std::string* output) {
  const std::string compile = StringPrintf(
      "cd '%s' && '%s' -std=gnu11 -Wall -Wextra -Werror %s -o program main.c > cc.log 2>&1",
      folder.File("").c_str(), K7Q_C_COMPILER, extraFlags.c_str());
  if (std::system(compile.c_str()) != 0) {
    *output = ReadFile(folder.File("cc.log"));
    return false;
  }
  const std::string run = "'" + folder.File("program") + "' > '" + folder.File("out.bin") + "'";
  if (std::system(run.c_str()) != 0) {
    *output = "the program failed";
    return false;
  }
  *output = ReadFile(folder.File("out.bin"));
  return true;
}

std::string BlockBytes(const HalStruct& block) {
  return std::string(reinterpret_cast<const char*>(&block), sizeof block);
}

// The block with its checksum, as the compiled program writes it.
std::string CheckedBlockBytes(const Chip62500& chip) {
  HalStruct block = chip.Block();
  block.crc = BlockCrc(block);
  return BlockBytes(block);
}

// Exports the kinds, copies the test program of data/ in as main.c, builds and runs it.
bool BuildProgram(Chip62500& chip, std::initializer_list<std::pair<ExportKind, unsigned>> kinds,
                  const std::string& program, const std::string& extraFlags, std::string* output) {
  TempDir folder;
  for (const auto& [kind, mode] : kinds) {
    *output = ExportToFile(chip, kind, mode, folder.File(DefaultExportName(chip, kind, mode)));
    if (!output->empty()) return false;
  }
  WriteFile(folder.File("hal_private.h"), ReadFile(TestSourcePath("data/hal_private.h")));
  WriteFile(folder.File("main.c"), ReadFile(TestSourcePath("data/" + program)));
  return BuildAndRun(folder, extraFlags, output);
}

bool CompileHalConfig(Chip62500& chip, std::string* output) {
  return BuildProgram(chip, {{ExportKind::kHalConfig, 0}, {ExportKind::kChipHeader, 0}},
                      "hal_main.c", "", output);
}

}  // namespace

// HAL_config.c creates exactly the block it describes: escaped descriptions, every flag
// bit, registers the chip does not know, a description filling its field.
TEST(GeneratedC, HalConfigReadsBackByteForByte) {
  Chip62500 chip;
  std::string output;
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));

  HalStruct b = WithDescription(chip.Block(), kOddDescription);
  b.registers[31] = {0xFFFE, 100};
  b.registers[32] = {0xFFFD, 0x20};
  b.registers[2] = {0x00FF, 0x5A};  // no such register
  b.baseAddress = 0x12345678;
  b.padding = 7;
  for (const uint32_t flags : {0x80000500u, 0xFFFFFFFFu, 0xE8000502u, 0x68000002u}) {
    b.flags = flags;
    chip.LoadBlock(b);
    ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
    b.crc = BlockCrc(b);
    EXPECT_EQ(output, BlockBytes(b)) << std::hex << flags;
  }

  ASSERT_TRUE(chip.SetValueText("cfgdesc", std::string(300, 'D')));
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));
  EXPECT_EQ(output.substr(16, 256), std::string(255, 'D') + '\0');
  // A block from a file may fill the field without a NUL; the literal still fits.
  b = chip.Block();
  std::memset(b.configDescription, 'E', sizeof b.configDescription);
  chip.LoadBlock(b);
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));
}

TEST(GeneratedC, HeadersInstantiateTheirRegisterTables) {
  Chip62500 chip;
  HalStruct b = chip.Block();
  b.registers[32] = {0xFFFE, 100};
  chip.LoadBlock(b);
  std::string output;
  ASSERT_TRUE(BuildProgram(chip, {{ExportKind::kGenericHeader, 0}}, "generic_main.c", "", &output))
      << output;
  std::string expected = "1 44 6000000 8000 32768 32768 FFFE\n0008=00\n";
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index == 8 || pair.index >= 0xFFF0) continue;
    expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);

  // The chip header and a WinCE mode initializer.
  ASSERT_TRUE(BuildProgram(chip, {{ExportKind::kChipHeader, 0}, {ExportKind::kWinCeHeader, 3}},
                           "wince_main.c", "-Wno-missing-braces", &output))
      << output;
  expected = "0 1A 20\n100 0 32768 8000 6000000\n0008=00\n";
  for (uint32_t p = 0; p <= chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index != 8) expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);
}
