// Export kinds, their names, buffer limits and files; whole generated texts against
// tests/golden/ (rewrite them with tests/update-golden.sh); the exported C files compile
// with the system's C compiler, and the programs built from them (data/*_main.c) hold
// exactly the chip's configuration.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "export/export_writer.h"
#include "reports/quick_reference.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Read from a big-endian ELF image: other panel, clocks and description.
HalStruct BigEndianBlock() {
  HalStruct b = WithDescription(DefaultHalStruct(), "Big-endian target");
  b.width = 320;
  b.height = 240;
  b.clki = 12500000;
  b.baseAddress = 0x20000000;
  b.registers[1].value = 0x85;
  return b;
}

// PC card wired through the indirect interface.
HalStruct PcCardBlock() {
  HalStruct b = DefaultHalStruct();
  b.flags = fINDIRECT_INTERFACE | fPCCARD_INTERFACE;
  b.baseAddress = 0x00C00000;
  b.registerOffset = 0x00001000;
  b.memoryOffset = 0x00010000;
  b.pclk = 3000000;
  return b;
}

// Registers in reverse order, an unknown register, both delays, unnamed flag bits and an
// odd description.
HalStruct OddRegisterBlock() {
  HalStruct b = WithDescription(DefaultHalStruct(), kOddDescription);
  std::reverse(b.registers, b.registers + 33);
  b.registers[5] = {0x0050, 0x12};
  b.registers[6] = {0xFFFD, 0x20};
  b.registers[32] = {0xFFFE, 100};
  b.flags = fINDIRECT_INTERFACE | fDEBUG_REG_WRITES | 0x18000002u;
  return b;
}

struct Shape {
  const char* name;
  HalStruct (*block)();
  bool bigEndian;
  unsigned mode;
};

const Shape kShapes[] = {{"default", [] { return DefaultHalStruct(); }, false, 0},
                         {"bigendian", BigEndianBlock, true, 3},
                         {"pccard", PcCardBlock, false, 12},
                         {"oddregs", OddRegisterBlock, false, 999}};

void PrintTo(const Shape& shape, std::ostream* out) {
  *out << shape.name;
}

class GoldenExports : public ::testing::TestWithParam<Shape> {};

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
bool BuildProgram(Chip62500& chip, std::initializer_list<std::pair<const char*, unsigned>> kinds,
                  const std::string& program, const std::string& extraFlags, std::string* output) {
  TempDir folder;
  for (const auto& [name, mode] : kinds) {
    const ExportKind& kind = *FindExportKind(name);
    *output = ExportToFile(chip, kind, mode, folder.File(DefaultExportName(chip, kind, mode)));
    if (!output->empty()) return false;
  }
  WriteFile(folder.File("hal_private.h"),
            ReadFile(TestSourcePath("../examples/driver-build/hal_private.h")));
  WriteFile(folder.File("main.c"), ReadFile(TestSourcePath("data/" + program)));
  return BuildAndRun(folder, extraFlags, output);
}

bool CompileHalConfig(Chip62500& chip, std::string* output) {
  return BuildProgram(chip, {{"hal-config", 0}, {"chip-header", 0}}, "hal_main.c", "", output);
}

}  // namespace

TEST(ExportWriter, LineEnds) {
  EXPECT_EQ(ToCrLf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(ToCrLf("a\r\nb"), "a\r\nb");
  EXPECT_EQ(ToCrLf("a\rb\n\n"), "a\rb\r\n\r\n");
}

TEST(ExportWriter, ExportListAndFilters) {
  Chip62500 chip;
  std::string out;
  for (const ExportKind& kind : kExportKinds) {
    const ExportFilter& filter = kind.filter;
    out += ExportListText(chip, kind, 0) + "\n  " + DefaultExportName(chip, kind, 12) + " | " +
           filter.name + " | " + filter.pattern + " | " + filter.defaultExtension + "\n";
  }
  EXPECT_GOLDEN("export-list.txt", out);
  EXPECT_EQ(ExportListText(chip, *FindExportKind("wince-header"), 3),
            "C Header File for K7Q62500 WinCE Drivers \t\t[mode3.h]");
}

TEST(ExportWriter, EveryKindIsWrittenWithCrLfLineEnds) {
  Chip62500 chip;
  TempDir folder;
  for (const ExportKind& kind : kExportKinds) {
    const std::string name = DefaultExportName(chip, kind, 5);
    const ExportText generated = GenerateExport(chip, kind, 5);
    ASSERT_TRUE(generated.ok) << name << ": " << generated.error;
    EXPECT_EQ(generated.text.find('\r'), std::string::npos) << name;
    EXPECT_EQ(ExportToFile(chip, kind, 5, folder.File(name)), "") << name;
    const std::string written = ReadFile(folder.File(name));
    EXPECT_EQ(written, ToCrLf(generated.text)) << name;
    EXPECT_EQ(written.find("\r\r"), std::string::npos) << name;
    EXPECT_GT(written.size(), generated.text.size() + 10) << name;
  }
  EXPECT_NE(ReadFile(folder.File("mode5.h")).find("#ifndef __MODE5_H__\r\n"), std::string::npos);
  EXPECT_EQ(EntryCount(folder.path()), 6u);  // no temporary files left behind
}

TEST(ExportWriter, ReplacingAndRefusing) {
  TempDir folder;
  const std::string path = folder.File("HAL_config.c");
  // A writable file is replaced and keeps its permissions.
  WriteFile(path, "old text that is longer than the new one");
  chmod(path.c_str(), 0640);
  EXPECT_EQ(WriteExportFile(path, "new\r\n"), "");
  EXPECT_EQ(ReadFile(path), "new\r\n");
  EXPECT_EQ(Mode(path), 0640u);
  // A read-only file is left as it is.
  chmod(path.c_str(), 0444);
  EXPECT_EQ(WriteExportFile(path, "newer\r\n"), "Failed to create file " + path);
  EXPECT_EQ(ReadFile(path), "new\r\n");
  // Missing folders and folders as targets fail without leftovers.
  const std::string missing = folder.File("no/such/folder/chip.h");
  EXPECT_EQ(WriteExportFile(missing, "x"), "Failed to create file " + missing);
  mkdir(folder.File("sub").c_str(), 0755);
  EXPECT_EQ(WriteExportFile(folder.File("sub"), "x"),
            "Failed to create file " + folder.File("sub"));
  EXPECT_EQ(WriteExportFile("", "x"), "Failed to create file ");
  EXPECT_EQ(EntryCount(folder.path()), 2u);
  // Through a link the linked file is written and the link stays.
  const std::string real = folder.File("real.h"), linkName = folder.File("link.h");
  WriteFile(real, "old");
  ASSERT_EQ(symlink(real.c_str(), linkName.c_str()), 0);
  EXPECT_EQ(WriteExportFile(linkName, "linked\r\n"), "");
  EXPECT_EQ(ReadFile(real), "linked\r\n");
  struct stat st;
  ASSERT_EQ(lstat(linkName.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(EntryCount(folder.path()), 4u);
  // A file with a second name is rewritten itself, so both names see the new text.
  const std::string other = folder.File("other.h");
  ASSERT_EQ(link(real.c_str(), other.c_str()), 0);
  EXPECT_EQ(WriteExportFile(real, "shared\r\n"), "");
  EXPECT_EQ(ReadFile(other), "shared\r\n");
  EXPECT_EQ(EntryCount(folder.path()), 5u);
  // A new file gets the usual permissions.
  EXPECT_EQ(WriteExportFile(folder.File("fresh.csv"), "a,b\r\n"), "");
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(Mode(folder.File("fresh.csv")), 0666u & ~mask);
}

TEST(ExportWriter, TextsOverTheBufferSizeAreRefused) {
  // A chip with so many registers that its register map outgrows the export buffer.
  ChipTables tables = LoadTestChip("many_registers");
  Chip62500 chip(tables);
  const ExportKind& chipHeader = *FindExportKind("chip-header");
  const ExportText map = GenerateExport(chip, chipHeader, 0);
  EXPECT_FALSE(map.ok);
  EXPECT_EQ(map.error, "The generated chip.h does not fit into 32768 bytes.");
  EXPECT_TRUE(map.text.empty());
  TempDir folder;
  EXPECT_EQ(ExportToFile(chip, chipHeader, 0, folder.File("chip.h")), map.error);
  EXPECT_EQ(EntryCount(folder.path()), 0u);
  // The other kinds list only the block's pairs and still fit; so does the reference.
  for (const ExportKind& kind : kExportKinds) {
    if (&kind == &chipHeader) continue;
    const ExportText t = GenerateExport(chip, kind, 0);
    EXPECT_TRUE(t.ok) << t.error;
    EXPECT_LT(ToCrLf(t.text).size(), kind.commandName == std::string("quickref")
                                         ? kQuickReferenceBufferSize
                                         : kExportBufferSize);
  }
}

// Each block goes through an image file, so what is compared is what a user exports. The
// generated files are kept as <name>.golden, out of the way of tools that handle sources.
TEST_P(GoldenExports, EveryKind) {
  const Shape& shape = GetParam();
  TempDir dir;
  const std::string path = dir.File(shape.bigEndian ? "driver.elf" : "driver.exe");
  WriteFile(path, ImageWith(StoredBlock(shape.block(), shape.bigEndian)));
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  for (const ExportKind& kind : kExportKinds) {
    const ExportText text = GenerateExport(chip, kind, shape.mode);
    ASSERT_TRUE(text.ok) << text.error;
    const std::string name = DefaultExportName(chip, kind, shape.mode);
    EXPECT_GOLDEN(std::string("exports/") + shape.name + "/" + name + ".golden", text.text);
  }
  const CliRun show = RunCli({"show", path});
  EXPECT_EQ(show.status, 0) << show.err;
  EXPECT_GOLDEN(std::string("exports/") + shape.name + "/show.txt",
                ReplaceAll(show.out, dir.path(), "<dir>"));
}

INSTANTIATE_TEST_SUITE_P(Blocks, GoldenExports, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Golden, CliShowJson) {
  EXPECT_GOLDEN("show.json", RunCli({"show", "--json"}).out);
}

TEST(Golden, ConfigureMultipleSummary) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"little.exe", ImageWith(StoredBlock(DefaultHalStruct(), false))},
      {"notes.txt", "no block here"},
      {"empty.elf", ""},
      {"big.OUT", ImageWith(StoredBlock(BigEndianBlock(), true), 64, 64)},
      {"target.s19", SrecordTargetText(2)},
      {"broken.s19", "S10500000000FF\r\n"}};
  std::vector<std::string> targets;
  for (const auto& [name, bytes] : files) {
    WriteFile(dir.File(name), bytes);
    targets.push_back(dir.File(name));
  }
  targets.push_back(dir.File("missing.exe"));
  Chip62500 chip;
  chip.SetRawValue("vram", 777);
  std::vector<bool> seen;  // each file's outcome, in target order
  const ConfigureOutcome outcome = ConfigureMultiple(
      chip, targets, false, [&](const FileOutcome& file) { seen.push_back(file.ok); });
  ASSERT_EQ(seen.size(), outcome.files.size());
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], outcome.files[i].ok) << i;
  // Each image configured in its own byte order.
  for (const char* name : {"little.exe", "big.OUT"}) {
    Chip62500 reread;
    ASSERT_TRUE(OpenConfigurableFile(reread, dir.File(name)).ok) << name;
    EXPECT_EQ(reread.Block().requiredVram, 777u) << name;
  }
  EXPECT_EQ(ReadFile(dir.File("big.OUT"))[64 + 284], '\x12');
  EXPECT_EQ(ReadFile(dir.File("notes.txt")), "no block here");
  // A pass that changes nothing leaves the file as it is.
  const std::string little = ReadFile(dir.File("little.exe"));
  EXPECT_TRUE(ConfigureMultiple(chip, {dir.File("little.exe")}, false).allOk);
  EXPECT_EQ(ReadFile(dir.File("little.exe")), little);
  std::string text = outcome.summary + "\n";
  for (const FileOutcome& file : outcome.files) {
    for (const std::string& message : file.messages) text += message + "\n---\n";
  }
  EXPECT_GOLDEN("configure-multiple.txt", ReplaceAll(text, dir.path(), "<dir>"));
}

#ifndef K7Q_C_COMPILER
#define K7Q_C_COMPILER "cc"
#endif

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
  ASSERT_TRUE(BuildProgram(chip, {{"generic-header", 0}}, "generic_main.c", "", &output)) << output;
  std::string expected = "1 44 6000000 8000 32768 32768 FFFE\n0008=00\n";
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index == 8 || pair.index >= 0xFFF0) continue;
    expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);
  // The chip header and a WinCE mode initializer.
  ASSERT_TRUE(BuildProgram(chip, {{"chip-header", 0}, {"wince-header", 3}}, "wince_main.c",
                           "-Wno-missing-braces", &output))
      << output;
  expected = "0 1A 20\n100 0 32768 8000 6000000\n0008=00\n";
  for (uint32_t p = 0; p <= chip.BlockRegisterCount(); ++p) {
    const RegisterPair pair = chip.Block().registers[p];
    if (pair.index != 8) expected += StringPrintf("%04X=%02X\n", pair.index, pair.value);
  }
  EXPECT_EQ(output, expected);
}

}  // namespace k7q
