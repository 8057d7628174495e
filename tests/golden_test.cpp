// Whole generated texts against tests/golden/ (rewrite them with tests/update-golden.sh).
#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "export/export_writer.h"
#include "reports/quick_reference.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace {

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

}  // namespace

// Each block goes through an image file, so what is compared is what a user exports. The
// generated files are kept as <name>.golden, out of the way of tools that handle sources.
TEST_P(GoldenExports, EveryKind) {
  const Shape& shape = GetParam();
  TempDir dir;
  const std::string path = dir.File(shape.bigEndian ? "driver.elf" : "driver.exe");
  WriteFile(path, ImageWith(StoredBlock(shape.block(), shape.bigEndian)));
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  for (ExportKind kind : kExportKinds) {
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
  const ConfigureOutcome outcome = ConfigureMultiple(chip, targets, false);
  std::string text = outcome.summary + "\n";
  for (const FileOutcome& file : outcome.files) {
    for (const std::string& message : file.messages) text += message + "\n---\n";
  }
  EXPECT_GOLDEN("configure-multiple.txt", ReplaceAll(text, dir.path(), "<dir>"));
}
