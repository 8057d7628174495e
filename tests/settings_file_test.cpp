// Settings files: dump, apply and diff, in the core and through the command-line tool.
#include <gtest/gtest.h>

#include <cstring>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "settings/settings_diff.h"
#include "settings/settings_text.h"
#include "tests/support/cli_run.h"
#include "tests/support/golden.h"
#include "tests/support/hex_texts.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

// A block that value texts cannot carry alone: odd frequencies and block fields, a
// quoted description, register bits no feature shows, a shorter register list.
HalStruct OddBlock() {
  HalStruct b = DefaultHalStruct();
  std::strcpy(b.configDescription, " Lab \"A\" \xB5s\\");
  b.clki = 6000123;
  b.internalOsc = 25000000;
  b.frameRate = 61;
  b.width = 321;
  b.flags = fPCCARD_INTERFACE | kFlagShadowReads | kFlagShiftDivLow;
  b.baseAddress = 0x00C00000;
  b.registers[0].value = 0x3F;
  b.registers[1].value = 0x8B;
  b.registers[5].value = 0xEF;
  b.registers[32] = {kEndOfTable, 0};  // the list cut short
  return b;
}

struct Fixture {
  const char* name;
  HalStruct block;
};

// Every kind of configurable file, holding the block.
std::string FixtureBytes(const std::string& name, const HalStruct& block) {
  if (name.find(".exe") != std::string::npos) return ImageWith(StoredBlock(block, false));
  if (name.find(".ELF") != std::string::npos) return ImageWith(StoredBlock(block, true), 64, 9);
  if (name.find(".hex") != std::string::npos) {
    return IntelHexText(ImageWith(StoredBlock(block, false), 40, 9), 0x0800FFF0, 16);
  }
  // S-record targets hold CLKI in kHz; saving them rewrites the numeric fields only.
  HalStruct stored = block;
  stored.clki /= 1000;
  std::memset(stored.configDescription, 0, sizeof stored.configDescription);
  stored.crc = BlockCrc(stored);
  const std::string bytes = std::string(28, '\0') + SrecordBlockBytes(stored) + "tail";
  return SrecordText(bytes, name.find(".idp") != std::string::npos ? 3 : 1, 28);
}

const Fixture kFixtures[] = {{"default.exe", DefaultHalStruct()},
                             {"odd.exe", OddBlock()},
                             {"odd.ELF", OddBlock()},
                             {"target.s19", SrecordTargetBlock()},
                             {"odd.idp", OddBlock()},
                             {"odd.TKB", OddBlock()},
                             {"odd.hex", OddBlock()}};

HalStruct WithoutCrc(HalStruct block) {
  block.crc = 0;
  return block;
}

}  // namespace

TEST(SettingsFile, DumpsApplyToTheBuiltInBlockExactly) {
  TempDir dir;
  for (const Fixture& fixture : kFixtures) {
    const std::string path = dir.File(fixture.name);
    WriteFile(path, FixtureBytes(fixture.name, fixture.block));
    Chip62500 original;
    ASSERT_TRUE(OpenConfigurableFile(original, path).ok) << fixture.name;
    for (bool changedOnly : {false, true}) {
      Chip62500 applied;
      const SettingsReport report = ApplySettings(applied, WriteSettings(original, changedOnly));
      EXPECT_TRUE(report.ok()) << fixture.name << ": " << report.errors.front().message;
      const HalStruct a = WithoutCrc(original.Block()), b = WithoutCrc(applied.Block());
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << fixture.name << " " << changedOnly;
      EXPECT_TRUE(DiffSettings(original, applied).Equal()) << fixture.name;
    }
    // Through the tool: the dump applied to a copy holding the built-in block gives
    // the same file, byte for byte, CRC included.
    const std::string copy = dir.File(std::string("copy.") + fixture.name);
    WriteFile(copy, FixtureBytes(fixture.name, DefaultHalStruct()));
    EXPECT_EQ(RunCliWords("dump " + path + " -o " + dir.File("s.txt"), dir.path()).status, 0);
    EXPECT_EQ(RunCliWords("apply " + copy + " " + dir.File("s.txt"), dir.path()).status, 0)
        << fixture.name;
    EXPECT_TRUE(ReadFile(copy) == ReadFile(path)) << fixture.name;
    EXPECT_EQ(RunCliWords("diff " + path + " " + dir.File("s.txt"), dir.path()).status, 0)
        << fixture.name;
    EXPECT_EQ(RunCliWords("diff " + copy + " " + path, dir.path()).status, 0) << fixture.name;
  }
}

TEST(SettingsFile, OutputMatchesGoldenFiles) {
  TempDir dir;
  const std::string odd = "odd.exe";  // in the folder, so that outputs name it alike
  WriteFile(dir.File(odd), FixtureBytes(odd, OddBlock()));
  EXPECT_GOLDEN("dump_default.txt", RunCliWords("dump -", dir.path()).out);
  EXPECT_EQ(RunCliWords("dump - --changed", dir.path()).out, "");
  EXPECT_GOLDEN("dump_changed.txt", RunCliWords("dump " + odd + " --changed", dir.path()).out);
  const CliRun diff = RunCliWords("diff - " + odd, dir.path());
  EXPECT_EQ(diff.status, 1);
  EXPECT_GOLDEN("diff.txt", diff.out);
  EXPECT_GOLDEN("diff.json", RunCliWords("diff - " + odd + " --json", dir.path()).out);
  EXPECT_EQ(RunCliWords("diff - " + dir.File("missing.exe"), dir.path()).status, 2);
}

// Each settings text of data/bad-settings.txt (apart at "----" lines), and two that are no
// text, is refused with the message of its line, and nothing is saved.
TEST(SettingsFile, BadLinesAreReportedAndNothingIsSaved) {
  using namespace std::string_literals;
  std::vector<std::string> texts;
  const std::string all = ReadFile(TestSourcePath("data/bad-settings.txt"));
  for (size_t at = 0, end = 0; at < all.size(); at = end + 5) {
    end = std::min(all.find("----\n", at), all.size());
    texts.push_back(all.substr(at, end - at));
  }
  texts.insert(texts.end(), {"fx = 8\ncfgdesc = a\0b\n"s, "fx = 8\ncfgdesc = \xB5\n"});
  TempDir dir;
  const std::string original = FixtureBytes("t.exe", DefaultHalStruct());
  WriteFile(dir.File("t.exe"), original);
  std::string report;
  for (size_t i = 0; i < texts.size(); ++i) {
    WriteFile(dir.File("s.txt"), texts[i]);
    const CliRun run = RunCliWords("apply t.exe s.txt", dir.path());
    report += StringPrintf("#%zu => %d ", i + 1, run.status) + run.err + run.out;
    EXPECT_EQ(ReadFile(dir.File("t.exe")), original) << texts[i];
  }
  EXPECT_GOLDEN("settings-errors.txt", report);
}

}  // namespace k7q
