// The exported C files compile with the system's C compiler, and the programs built
// from them hold exactly the chip's configuration.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "export/export_writer.h"
#include "tests/support/test_files.h"

#ifndef K7Q_C_COMPILER
#define K7Q_C_COMPILER "cc"
#endif

namespace {

// Exports a kind into the folder under its default name.
void Export(Chip62500& chip, ExportKind kind, unsigned mode, const TempDir& folder) {
  const std::string name = DefaultExportName(chip, kind, mode);
  ASSERT_EQ(ExportToFile(chip, kind, mode, folder.File(name)), "") << name;
}

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

bool CompileHalConfig(Chip62500& chip, std::string* output) {
  TempDir folder;
  Export(chip, ExportKind::kHalConfig, 0, folder);
  Export(chip, ExportKind::kChipHeader, 0, folder);
  WriteFile(folder.File("hal_private.h"), ReadFile(TestSourcePath("data/hal_private.h")));
  WriteFile(folder.File("main.c"),
            "#include <stdio.h>\n"
            "#include \"HAL_config.c\"\n"
            "int main(void) {\n"
            "  fwrite(&HAL_STRUCT_NAME, sizeof HAL_STRUCT_NAME, 1, stdout);\n"
            "  return 0;\n"
            "}\n");
  return BuildAndRun(folder, "", output);
}

}  // namespace

TEST(GeneratedC, HalConfigReadsBackByteForByte) {
  Chip62500 chip;
  std::string output;
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));

  HalStruct b = chip.Block();
  // Tabs, quotes, a backslash, control and high bytes, and an escape before hex digits.
  const char description[] =
      "Panel\t\"A\"\\B\x01"
      "F\x7f\xff\x1b"
      "9 end\r\n\a\b\v\f";
  std::memset(b.configDescription, 0, sizeof b.configDescription);
  std::memcpy(b.configDescription, description, sizeof description - 1);
  b.flags = 0x80000500u;
  b.registers[31] = {0xFFFE, 100};
  b.registers[32] = {0xFFFD, 0x20};
  b.baseAddress = 0x12345678;
  chip.LoadBlock(b);
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));
}

TEST(GeneratedC, LongestDescriptionFillsItsField) {
  Chip62500 chip;
  ASSERT_TRUE(chip.SetValueText("cfgdesc", std::string(300, 'D')));
  std::string output;
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));
  EXPECT_EQ(output.substr(16, 256), std::string(255, 'D') + '\0');

  // A block from a file may fill the field without a NUL; the literal still fits.
  HalStruct b = chip.Block();
  std::memset(b.configDescription, 'E', sizeof b.configDescription);
  chip.LoadBlock(b);
  ASSERT_TRUE(CompileHalConfig(chip, &output)) << output;
  EXPECT_EQ(output, CheckedBlockBytes(chip));
}

TEST(GeneratedC, GenericHeaderInstantiatesItsRegisterTable) {
  Chip62500 chip;
  HalStruct b = chip.Block();
  b.registers[32] = {0xFFFE, 100};
  chip.LoadBlock(b);
  TempDir folder;
  Export(chip, ExportKind::kGenericHeader, 0, folder);
  WriteFile(folder.File("main.c"),
            "#include <stdio.h>\n"
            "#include \"K7Q62500.h\"\n"
            "K7Q_INSTANTIATE_REGISTERS(static const, regs);\n"
            "int main(void) {\n"
            "  size_t i;\n"
            "  printf(\"%d %d %ld %lX %ld %ld %X\\n\", K7Q_DISPLAY_BPP, K7Q_DISPLAY_FRAME_RATE,\n"
            "         K7Q_DISPLAY_PCLK, K7Q_PHYSICAL_REG_ADDR, K7Q_PHYSICAL_VMEM_SIZE,\n"
            "         K7Q_PHYSICAL_VMEM_REQUIRED, K7Q_REGDELAYON);\n"
            "  for (i = 0; i < sizeof regs / sizeof regs[0]; ++i)\n"
            "    printf(\"%04X=%02X\\n\", regs[i].Index, regs[i].Value);\n"
            "  return 0;\n"
            "}\n");
  std::string output;
  ASSERT_TRUE(BuildAndRun(folder, "", &output)) << output;
  std::string expected = "1 44 6000000 8000 32768 32768 FFFE\n0008=00\n";
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index == 8 || pair.index >= 0xFFF0) continue;
    expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);
}

TEST(GeneratedC, ChipHeaderAndWinCeModeInitializer) {
  Chip62500 chip;
  HalStruct b = chip.Block();
  b.registers[32] = {0xFFFE, 100};
  chip.LoadBlock(b);
  TempDir folder;
  Export(chip, ExportKind::kChipHeader, 0, folder);
  Export(chip, ExportKind::kWinCeHeader, 3, folder);
  WriteFile(
      folder.File("main.c"),
      "#include <stdio.h>\n"
      "#include \"chip.h\"\n"
      "typedef struct { unsigned long Version, MemAddr, MemSize, RegAddr, SysClk; } HEADER;\n"
      "typedef struct { unsigned short Index, Value; } PAIR;\n"
      "typedef struct { HEADER Header; PAIR Regs[40]; } MODE;\n"
      "static const MODE modes[] = {\n"
      "#include \"mode3.h\"\n"
      "};\n"
      "int main(void) {\n"
      "  const MODE* m = &modes[0];\n"
      "  int i;\n"
      "  printf(\"%X %X %X\\n\", (unsigned)REG0000_SYSTEMSET_P1, (unsigned)REG001A_CGRAMADDR_P2,\n"
      "         (unsigned)REG0020_GRAYSCALE_P1);\n"
      "  printf(\"%lX %lX %lu %lX %lu\\n\", m->Header.Version, m->Header.MemAddr,\n"
      "         m->Header.MemSize, m->Header.RegAddr, m->Header.SysClk);\n"
      "  for (i = 0; i < 40; ++i) {\n"
      "    printf(\"%04X=%02X\\n\", m->Regs[i].Index, m->Regs[i].Value);\n"
      "    if (m->Regs[i].Index == riREGEND) break;\n"
      "  }\n"
      "  return 0;\n"
      "}\n");
  std::string output;
  ASSERT_TRUE(BuildAndRun(folder, "-Wno-missing-braces", &output)) << output;
  std::string expected = "0 1A 20\n100 0 32768 8000 6000000\n0008=00\n";
  for (uint32_t p = 0; p <= chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index != 8) expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);
}
