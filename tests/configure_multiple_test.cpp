#include "config/configure_multiple.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "tests/support/test_files.h"

namespace {

// The block of an image that the main window could not open under its own name.
HalStruct BlockOf(const TempDir& dir, const std::string& path) {
  const std::string exe = dir.File("reread.exe");
  WriteFile(exe, ReadFile(path));
  Chip62500 chip;
  EXPECT_TRUE(OpenConfigurableFile(chip, exe).ok) << path;
  return chip.Block();
}

}  // namespace

TEST(ConfigureMultiple, SummaryAndIndependentTargets) {
  TempDir dir;
  HalStruct fileBlock = DefaultHalStruct();
  fileBlock.baseAddress = 0x10000000;
  const std::string first = dir.File("one.prc");
  const std::string text = dir.File("notes.txt");
  const std::string last = dir.File("two.OUT");
  WriteFile(first, ImageWith(StoredBlock(fileBlock, false)));
  WriteFile(text, "no block here");
  WriteFile(last, ImageWith(StoredBlock(fileBlock, true), 64, 64));
  const std::string lastBefore = ReadFile(last);

  Chip62500 chip;
  chip.SetRawValue("vram", 777);
  chip.SetRawValue("baseaddr", 0x20000000);
  std::vector<bool> seen;  // each file's outcome, in target order
  ConfigureOutcome outcome = ConfigureMultiple(
      chip, {first, text, last}, false, [&](const FileOutcome& file) { seen.push_back(file.ok); });
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  EXPECT_FALSE(outcome.allOk);  // the summary and messages are in configure-multiple.txt
  EXPECT_EQ(ReadFile(text), "no block here");
  EXPECT_EQ(BlockOf(dir, first).requiredVram, 777u);
  EXPECT_EQ(BlockOf(dir, first).baseAddress, 0x20000000u);
  const std::string lastAfter = ReadFile(last);
  EXPECT_EQ(lastAfter.size(), lastBefore.size());
  EXPECT_EQ(static_cast<uint8_t>(lastAfter[64 + 284]), 0x12);  // still big-endian
  EXPECT_EQ(BlockOf(dir, last).requiredVram, 777u);
  // Preserving addresses keeps each image's own base address.
  ASSERT_TRUE(ConfigureMultiple(chip, {first}, true).allOk);
  ASSERT_TRUE(ConfigureMultiple(chip, {last}, false).allOk);
  fileBlock.baseAddress = 0x30000000;
  WriteFile(first, ImageWith(StoredBlock(fileBlock, false)));
  ASSERT_TRUE(ConfigureMultiple(chip, {first}, true).allOk);
  EXPECT_EQ(BlockOf(dir, first).baseAddress, 0x30000000u);
  EXPECT_EQ(BlockOf(dir, first).requiredVram, 777u);
}

TEST(ConfigureMultiple, SrecordTargetsPreserveTheLastReadBaseAddress) {
  TempDir dir;
  HalStruct opened = SrecordTargetBlock();  // base address C00000h
  HalStruct other = SrecordTargetBlock();
  other.baseAddress = 0x00E00000;
  other.crc = BlockCrc(other);
  const std::string a = dir.File("a.s19"), b = dir.File("b.S28");
  const std::string c = dir.File("c.srec");
  WriteFile(a, SrecordText(std::string(28, '\0') + SrecordBlockBytes(opened), 1, 28));
  WriteFile(c, SrecordText(std::string(40, '\0') + SrecordBlockBytes(other), 3, 40));
  WriteFile(b, "S1 is not here");

  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, a).ok);
  chip.SetRawValue("baseaddr", 0x00D00000);
  chip.SetValueText("fx", "12");
  // b is no S-record name: saved as a mapped image, which has no block.
  ConfigureOutcome outcome = ConfigureMultiple(chip, {c, b}, true);
  EXPECT_EQ(outcome.summary, "Summary of configured files:\n\nOK\t" + c + "\nError\t" + b + "\n");
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, c).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 12u);
  EXPECT_EQ(reread.Block().baseAddress, 0x00C00000u);  // from a, the last file read before
  // After reading a file with base address E00000h, that one is kept.
  const std::string d = dir.File("d.idp");
  WriteFile(d, SrecordText(std::string(40, '\0') + SrecordBlockBytes(other), 2, 40));
  ASSERT_TRUE(OpenConfigurableFile(reread, d).ok);
  ASSERT_TRUE(ConfigureMultiple(chip, {a}, true).allOk);
  ASSERT_TRUE(OpenConfigurableFile(reread, a).ok);
  EXPECT_EQ(reread.Block().baseAddress, 0x00E00000u);
  EXPECT_EQ(reread.GetFieldValue("fx"), 12u);
  ASSERT_TRUE(ConfigureMultiple(chip, {a}, false).allOk);
  ASSERT_TRUE(OpenConfigurableFile(reread, a).ok);
  EXPECT_EQ(reread.Block().baseAddress, 0x00D00000u);

  outcome = ConfigureMultiple(chip, {}, false);
  EXPECT_TRUE(outcome.allOk);
  EXPECT_EQ(outcome.summary, "Summary of configured files:\n\n");
}

// Files added to the list are tried in the dialogs test.
TEST(ConfigureMultiple, BrowserEntries) {
  TempDir dir;
  for (const char* name : {"a.EXE", "b.s19", "c.prc", "d.OUT", "notes.txt", "e.elf.bak"})
    WriteFile(dir.File(name), "x");
  ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.File("tools.exe").c_str(), 0755), 0);  // a folder, whatever its name
  auto sorted = [](std::vector<std::string> entries) {
    std::sort(entries.begin(), entries.end());
    return entries;
  };
  EXPECT_EQ(sorted(BrowserEntries(dir.path(), false)),
            (std::vector<std::string>{"[..]", "[sub]", "[tools.exe]", "a.EXE", "b.s19", "c.prc",
                                      "d.OUT"}));
  EXPECT_EQ(sorted(BrowserEntries(dir.path(), true)),
            (std::vector<std::string>{"[..]", "[sub]", "[tools.exe]", "a.EXE", "b.s19", "c.prc",
                                      "d.OUT", "e.elf.bak", "notes.txt"}));
  EXPECT_TRUE(BrowserEntries(dir.File("missing"), true).empty());
}
