// Opening and saving configurable files, and configuring several at once.
#include "config/configurable_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "config/configure_multiple.h"
#include "formats/file_kinds.h"
#include "formats/intel_hex.h"
#include "formats/srecord_file.h"
#include "formats/srecord_records.h"
#include "tests/support/fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

std::string OpenMessage(const std::string& path, const std::string& reason) {
  return "File \"" + path + "\" could not be opened because:\n\n" + reason;
}

std::string SaveMessage(const std::string& path, const std::string& reason) {
  return "File \"" + path + "\" could not be saved because:\n\n" + reason;
}

// The block of an image that the main window could not open under its own name.
HalStruct BlockOf(const TempDir& dir, const std::string& path) {
  const std::string exe = dir.File("reread.exe");
  WriteFile(exe, ReadFile(path));
  Chip62500 chip;
  EXPECT_TRUE(OpenConfigurableFile(chip, exe).ok) << path;
  return chip.Block();
}

}  // namespace

TEST(ConfigurableFile, KindsByNameAndByContent) {
  const auto reader = [](const char* name) {
    const FileKind* kind = KindOfName(name);
    return kind ? kind->readRecords : nullptr;
  };
  for (const char* name : {"a.S19", "dir.x/a.tkb", "a.srec", "b.idp"}) {
    EXPECT_EQ(reader(name), ReadSrecordRecords) << name;
    EXPECT_TRUE(KindOfName(name)->streamLayout) << name;
  }
  for (const char* name : {"a.hex", "b.IHEX", "c.ihx"}) {
    EXPECT_EQ(reader(name), ReadIntelHexRecords) << name;
    EXPECT_FALSE(KindOfName(name)->streamLayout) << name;
  }
  for (const char* name : {"A.EXE", "b.elf", "c.bin", "d.AXF", "e.out", "f.o", "g.prc"}) {
    ASSERT_TRUE(KindOfName(name)) << name;
    EXPECT_FALSE(reader(name)) << name;
    EXPECT_EQ(KindOfName(name)->opensInMainWindow, name[0] != 'g') << name;
  }
  for (const char* name : {"a.s1", "b.obin", "a.hexdump", "x.txt", "noext"}) {
    EXPECT_FALSE(IsConfigurationFileName(name)) << name;
  }
  for (const char* name : {"x.Out", "x.hex", "x.o", "x.prc"}) {
    EXPECT_TRUE(IsConfigurationFileName(name)) << name;
  }
  using Head = std::pair<std::string_view, const char*>;
  for (const auto& [head, filter] : {Head{"MZ\x90", "EXE Files"},
                                     Head{std::string_view("\x7f"
                                                           "ELF",
                                                           4),
                                          "ELF Files"},
                                     Head{"S00F", "S9 Files"}, Head{":10", "Intel HEX Files"}}) {
    ASSERT_TRUE(KindOfContent(head)) << filter;
    EXPECT_STREQ(KindOfContent(head)->filterName, filter);
  }
  for (std::string_view head : {"", "S", "SX", ":G",
                                "\x7f"
                                "EL",
                                "hello"}) {
    EXPECT_FALSE(KindOfContent(head)) << head;
  }
}

TEST(ConfigurableFile, MappedImagesRoundTripInBothByteOrders) {
  TempDir dir;
  for (const char* name : {"little.exe", "big.ELF"}) {
    const bool big = name[0] == 'b';
    const std::string path = dir.File(name);
    const std::string original = ImageWith(StoredBlock(DefaultHalStruct(), big), 4096, 999);
    WriteFile(path, original);
    Chip62500 chip;
    ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
    ASSERT_TRUE(chip.SetValueText("fx", "12"));
    ASSERT_TRUE(chip.SetValueText("cfgdesc", "configured"));
    const timespec longAgo[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), longAgo, 0), 0);
    ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_GT(info.st_mtim.tv_sec, longAgo[1].tv_sec);  // last write and last access: now
    EXPECT_GT(info.st_atim.tv_sec, longAgo[0].tv_sec);
    const std::string saved = ReadFile(path);
    ASSERT_EQ(saved.size(), original.size());
    EXPECT_EQ(saved.substr(0, 4096), original.substr(0, 4096));
    EXPECT_EQ(saved.substr(4096 + 464), original.substr(4096 + 464));
    EXPECT_EQ(static_cast<uint8_t>(saved[4096 + 284]), big ? 0x12 : 0x34);
    Chip62500 reread;
    ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
    EXPECT_EQ(reread.GetFieldValue("fx"), 12u);
    EXPECT_STREQ(reread.Block().configDescription, "configured");
  }
}

// Files that cannot be opened or saved, with the reasons, in open-refusals.txt; the chip
// keeps its block. Pipes are refused at once, without waiting for a writer.
TEST(ConfigurableFile, OpenAndSaveRefusalsKeepTheCurrentBlock) {
  TempDir dir;
  Chip62500 chip;
  chip.SetRawValue("vram", 4321);
  WriteFile(dir.File("empty.exe"), "");
  WriteImage(dir, "image.prc");  // cannot be opened, but can be configured
  WriteFile(dir.File("plain.exe"), std::string(2000, 'z'));
  ASSERT_EQ(mkdir(dir.File("folder.exe").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir.File("pipe.s19").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.File("pipe.elf").c_str(), 0644), 0);
  std::string out;
  for (const char* name : {"empty.exe", "image.prc", "plain.exe", "folder.exe", "pipe.s19",
                           "pipe.elf", "missing.exe", "no/such.exe"}) {
    const FileOutcome open = OpenConfigurableFile(chip, dir.File(name));
    const FileOutcome save = SaveConfigurableFile(chip, dir.File(name), "", false);
    out += std::string(name) + "\n  open: " + (open.ok ? "ok" : open.reason) +
           "\n  save: " + (save.ok ? "ok" : save.reason) + "\n";
    EXPECT_TRUE(open.ok || open.messages.back() == OpenMessage(dir.File(name), open.reason));
  }
  EXPECT_GOLDEN("open-refusals.txt", out);
  EXPECT_EQ(chip.Block().requiredVram, 4321u);
}

TEST(ConfigurableFile, SaveAsCopiesAndFailedSavesLeaveNothingBehind) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe"), original = ReadFile(path);
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  chip.SetRawValue("baseaddr", 0x30000000);
  const std::string copy = dir.File("copy.exe");
  ASSERT_TRUE(SaveConfigurableFile(chip, path, copy, false).ok);
  EXPECT_EQ(ReadFile(path), original);
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, copy).ok);
  EXPECT_EQ(reread.Block().baseAddress, 0x30000000u);
  // Same name in another letter case: another file. The same name: in place.
  ASSERT_TRUE(SaveConfigurableFile(chip, path, dir.File("DRIVER.EXE"), false).ok);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(unlink(dir.File("DRIVER.EXE").c_str()), 0);
  ASSERT_TRUE(SaveConfigurableFile(chip, path, path, false).ok);
  EXPECT_NE(ReadFile(path), original);
  // A file for another chip: no new file, the message names the new name.
  HalStruct other = DefaultHalStruct();
  std::strcpy(other.chipId, "62501");
  const std::string foreign = WriteImage(dir, "foreign.exe", other);
  const std::string target = dir.File("target.exe");
  FileOutcome failed = SaveConfigurableFile(chip, foreign, target, false);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.messages.back(),
            SaveMessage(target, "The file contains configuration data for another chip."));
  EXPECT_NE(access(target.c_str(), F_OK), 0);
  // An existing file of the new name survives a failed Save As, and is replaced by a good one.
  WriteFile(target, "precious");
  EXPECT_FALSE(SaveConfigurableFile(chip, foreign, target, false).ok);
  EXPECT_EQ(ReadFile(target), "precious");
  ASSERT_TRUE(SaveConfigurableFile(chip, path, target, false).ok);
  EXPECT_EQ(ReadFile(target), ReadFile(path));
  // A new name that is a hard link of the opened file saves in place.
  const std::string alias = dir.File("alias.exe");
  ASSERT_EQ(link(path.c_str(), alias.c_str()), 0);
  chip.SetRawValue("vram", 0x4000);
  ASSERT_TRUE(SaveConfigurableFile(chip, path, alias, false).ok);
  ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
  EXPECT_EQ(reread.Block().requiredVram, 0x4000u);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_nlink, 2u);
  EXPECT_EQ(EntryCount(dir.path()), 5u);  // driver, copy, foreign, target, alias
}

TEST(ConfigurableFile, SaveIntoAChangedFileNeverCorruptsIt) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.elf");
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  // Shrunk below the block: refused, file unchanged and not extended.
  const std::string shrunk = std::string(1200, 'q');
  WriteFile(path, shrunk);
  FileOutcome outcome = SaveConfigurableFile(chip, path, "", false);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.reason, "The file does not contain any configuration data.");
  EXPECT_EQ(ReadFile(path), shrunk);
  // Another block saved since the file was opened: refused, the file keeps it.
  const std::string moved = ImageWith(StoredBlock(DefaultHalStruct(), true), 17, 3);
  WriteFile(path, moved);
  EXPECT_FALSE(SaveConfigurableFile(chip, path, "", false).ok);
  EXPECT_EQ(ReadFile(path), moved);
  // Opened again: written where the block is now, rest untouched.
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  const std::string saved = ReadFile(path);
  EXPECT_EQ(saved.size(), moved.size());
  EXPECT_EQ(saved.substr(0, 17), moved.substr(0, 17));
  // A read-only file cannot be saved in place (permissions do not bind root).
  if (geteuid() != 0) {
    chmod(path.c_str(), 0444);
    const std::string before = ReadFile(path);
    outcome = SaveConfigurableFile(chip, path, "", false);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, "Permission denied");
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_TRUE(OpenConfigurableFile(chip, path).ok);
  }
}

TEST(ConfigurableFile, BrokenSrecordFilesAreLeftUntouched) {
  TempDir dir;
  std::string text = SrecordTargetText();
  const std::string good = dir.File("good.s19");
  WriteFile(good, text);
  const size_t line = text.find("\r\nS1", 600) + 2;
  text[text.find("\r\n", line) - 1] ^= 1;
  const std::string path = dir.File("bad.s19");
  WriteFile(path, text);
  Chip62500 chip;
  // The reader's error is shown as an error with the detail, then the open sentence.
  FileOutcome open = OpenConfigurableFile(chip, path);
  Failures shown = FileFailures(open);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].reason, "ERROR: Invalid checksum!");
  EXPECT_EQ(shown[0].severity, Severity::kError);
  EXPECT_EQ(shown[0].detail.rfind(path + ": ", 0), 0u) << shown[0].detail;
  EXPECT_EQ(shown[1].reason, OpenMessage(path, "The file does not contain configuration data."));
  EXPECT_EQ(shown[1].severity, Severity::kWarning);
  EXPECT_EQ(shown[1].detail, "");
  FileOutcome save = SaveConfigurableFile(chip, path, "", false);
  EXPECT_FALSE(save.ok);
  EXPECT_EQ(save.messages, std::vector<std::string>{"ERROR: Invalid checksum!"});
  EXPECT_EQ(save.readerErrors, 1u);
  EXPECT_EQ(ReadFile(path), text);
  const std::string copy = dir.File("copy.s19");
  EXPECT_FALSE(SaveConfigurableFile(chip, path, copy, false).ok);
  EXPECT_NE(access(copy.c_str(), F_OK), 0);  // no copy of a broken file
  // A file that ends before its block does.
  const std::string truncated = dir.File("short.srec");
  const std::string goodText = SrecordTargetText();
  WriteFile(truncated, goodText.substr(0, 700));
  // Without a reader's error the detail goes with the sentence.
  shown = FileFailures(OpenConfigurableFile(chip, truncated));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].reason,
            OpenMessage(truncated, "The file does not contain configuration data."));
  EXPECT_EQ(shown[0].severity, Severity::kWarning);
  EXPECT_EQ(shown[0].detail.rfind(truncated + ": ", 0), 0u) << shown[0].detail;
  EXPECT_EQ(SaveConfigurableFile(chip, truncated, "", false).messages, std::vector<std::string>{});
  EXPECT_EQ(ReadFile(truncated), goodText.substr(0, 700));
  // Targets that cannot be written (with a CLKI the files can hold).
  chip.SetRawValue("clki", 6000);
  const std::string nowhere = dir.File("no/such/copy.s19");
  save = SaveConfigurableFile(chip, good, nowhere, false);
  EXPECT_EQ(save.messages,
            std::vector<std::string>{"ERROR: could not create file " + nowhere + "!"});
  EXPECT_EQ(save.reason, save.messages.back());
  save = SaveConfigurableFile(chip, dir.File("missing.s19"), "", false);
  EXPECT_EQ(save.messages, std::vector<std::string>{"ERROR: open failed on input file " +
                                                    dir.File("missing.s19")});
  if (geteuid() != 0) {
    chmod(good.c_str(), 0444);
    save = SaveConfigurableFile(chip, good, "", false);
    EXPECT_EQ(save.messages, std::vector<std::string>{"ERROR: open failed on input file " + good});
    chmod(good.c_str(), 0644);
  }
  EXPECT_EQ(ReadFile(good), goodText);
}

// Saved in place through a symbolic link, which stays one; no temporary file stays behind.
TEST(ConfigurableFile, SrecordSaveFollowsLinks) {
  TempDir dir;
  const std::string real = dir.File("real.s19"), link = dir.File("link.s19");
  WriteFile(real, SrecordTargetText());
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, link).ok);
  chip.SetValueText("fx", "11");
  ASSERT_TRUE(SaveConfigurableFile(chip, link, "", false).ok);
  struct stat info;
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, real).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 11u);
  // Saved again from the same open, under the file's own name.
  chip.SetValueText("fx", "9");
  ASSERT_TRUE(SaveConfigurableFile(chip, real, "", false).ok);
  ASSERT_TRUE(OpenConfigurableFile(reread, link).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 9u);
  EXPECT_EQ(EntryCount(dir.path()), 2u);
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

// A pass stopped at once leaves every target as it was, each failing with the reason.
TEST(ConfigureMultiple, StopLeavesTheRestAsTheyWere) {
  TempDir dir;
  std::vector<std::string> targets;
  for (const char* name : {"a.exe", "b.exe", "c.s19", "d.exe"}) {
    targets.push_back(dir.File(name));
    WriteFile(targets.back(), ImageWith(StoredBlock(DefaultHalStruct(), false)));
  }
  const std::string before = ReadFile(targets[1]);
  Chip62500 chip;
  chip.SetRawValue("vram", 777);
  for (const bool stop : {true, false}) {
    const ConfigureOutcome outcome =
        ConfigureMultiple(chip, targets, false, nullptr, nullptr, [&] { return stop; });
    ASSERT_EQ(outcome.files.size(), targets.size());
    for (size_t i = 0; i < targets.size(); ++i) {
      const bool image = i != 2;  // c.s19 holds no S-record text
      EXPECT_EQ(outcome.files[i].ok, !stop && image) << targets[i];
      if (stop) {
        EXPECT_EQ(outcome.files[i].reason, "not configured: the pass was stopped");
      }
    }
    if (stop) {
      EXPECT_EQ(ReadFile(targets[1]), before);
    }
  }
  EXPECT_EQ(BlockOf(dir, targets[1]).requiredVram, 777u);
}

// Files added to the list are tried in the dialogs test. Folders first, then files, in
// natural order whatever order the folder gives.
TEST(ConfigureMultiple, BrowserEntries) {
  TempDir dir;
  for (const char* name : {"copy_10.exe", "B.s19", "copy_05.exe", "c.prc", "d.OUT", "notes.txt",
                           "e.elf.bak", "copy_9.exe", "a.EXE"})
    WriteFile(dir.File(name), "x");
  for (const char* name : {"sub10", "sub2", "tools.exe"})  // a folder, whatever its name
    ASSERT_EQ(mkdir(dir.File(name).c_str(), 0755), 0);
  EXPECT_EQ(
      BrowserEntries(dir.path(), false),
      (std::vector<std::string>{"[..]", "[sub2]", "[sub10]", "[tools.exe]", "a.EXE", "B.s19",
                                "c.prc", "copy_05.exe", "copy_9.exe", "copy_10.exe", "d.OUT"}));
  EXPECT_EQ(BrowserEntries(dir.path(), true),
            (std::vector<std::string>{"[..]", "[sub2]", "[sub10]", "[tools.exe]", "a.EXE", "B.s19",
                                      "c.prc", "copy_05.exe", "copy_9.exe", "copy_10.exe", "d.OUT",
                                      "e.elf.bak", "notes.txt"}));
  EXPECT_TRUE(NaturalLess("x2", "x010"));
  EXPECT_FALSE(NaturalLess("x010", "x2"));
  EXPECT_TRUE(NaturalLess("x", "x1"));
  EXPECT_NE(NaturalLess("x01", "x1"), NaturalLess("x1", "x01"));  // a strict order
  EXPECT_TRUE(BrowserEntries(dir.File("missing"), true).empty());
}

}  // namespace k7q
