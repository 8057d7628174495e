// S-record and Intel HEX files read by address, raw binaries and files known by their
// content: opened with the values they hold, saved with only the block changed, and
// refused, byte for byte unchanged, when their block does not validate.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "formats/address_space.h"
#include "formats/intel_hex.h"
#include "formats/srecord_records.h"
#include "storage/opened_blocks.h"
#include "tests/support/cli_run.h"
#include "tests/support/golden.h"
#include "tests/support/hex_texts.h"
#include "tests/support/test_files.h"
#include "tests/support/toolchain.h"

namespace k7q {

namespace {

constexpr uint32_t kBase = 0x08000000;

HalStruct FileBlock() {
  HalStruct block = DefaultHalStruct();
  std::strcpy(block.configDescription, "read by address");
  block.clki = 7372800;
  block.baseAddress = 0x20000000;
  return block;
}

bool IsHex(const std::string& path) {
  return path.substr(path.size() - 4) == ".hex";
}

// S3 records of 20 bytes, or Intel HEX records of 16, of the bytes at kBase.
std::string RecordText(const std::string& bytes, bool hex) {
  return hex ? IntelHexText(bytes, kBase, 16) : SrecordText(bytes, 3, 20, kBase);
}

// The length bytes at address of a record text, or why they cannot be read.
std::string BytesOf(const std::string& path, uint64_t address, size_t length) {
  const std::string text = ReadFile(path);
  k7q::AddressSpace space("62500 HAL EXE");
  const k7q::RecordTextError error =
      IsHex(path) ? k7q::ReadIntelHexRecords(text, space) : k7q::ReadSrecordRecords(text, space);
  if (error) return error.Text();
  const k7q::RangeRead read = space.Read(text, address, length);
  return read.status == k7q::RangeStatus::kComplete ? read.places.bytes : "unreadable";
}

// The lines of the two texts that differ; both have the same lines.
size_t ChangedLines(const std::string& a, const std::string& b) {
  const std::vector<std::string> x = Lines(a), y = Lines(b);
  EXPECT_EQ(x.size(), y.size());
  size_t changed = 0;
  for (size_t i = 0; i < x.size() && i < y.size(); ++i) changed += x[i] != y[i];
  return changed;
}

}  // namespace

TEST(RecordFiles, OpenByAddressInEitherByteOrderAndSaveOnlyTheBlock) {
  TempDir dir;
  for (bool hex : {false, true}) {
    for (bool bigEndian : {false, true}) {
      const std::string path =
          dir.File(std::string(bigEndian ? "big" : "little") + (hex ? ".hex" : ".s19"));
      const std::string image = ImageWith(StoredBlock(FileBlock(), bigEndian), 333, 500);
      const std::string original = RecordText(image, hex);
      WriteFile(path, original);
      Chip62500 chip;
      ASSERT_TRUE(OpenConfigurableFile(chip, path).ok) << path;
      EXPECT_EQ(chip.Block().clki, 7372800u);  // as the block holds it
      EXPECT_EQ(chip.Block().baseAddress, 0x20000000u);
      EXPECT_STREQ(chip.Block().configDescription, "read by address");
      ASSERT_TRUE(chip.SetValueText("fx", "10"));
      chip.SetRawValue("baseaddr", 0x30000000);
      chip.SetRawValue("clki", 12000000);  // more than the stream layout could hold
      ASSERT_TRUE(SaveConfigurableFile(chip, path, "", true).ok) << path;
      const std::string saved = ReadFile(path);
      EXPECT_EQ(saved.size(), original.size());
      // 464 bytes in records of 16 or 20: at most 31 lines hold them.
      EXPECT_LE(ChangedLines(original, saved), 31u);
      EXPECT_EQ(BytesOf(path, kBase, 333), image.substr(0, 333));
      EXPECT_EQ(BytesOf(path, kBase + 333 + kHalStructSize, 500), image.substr(333 + 464));
      EXPECT_EQ(BytesOf(path, kBase + 333 + 284, 1), bigEndian ? "\x12" : "\x34");
      Chip62500 reread;
      ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
      EXPECT_EQ(reread.GetFieldValue("fx"), 10u);
      EXPECT_EQ(reread.Block().clki, 12000000u);
      EXPECT_EQ(reread.Block().baseAddress, 0x20000000u);  // preserved
      // Save As writes the same text into a new file; the opened one stays.
      chip.SetRawValue("clki", 6000000);
      const std::string copy = dir.File(std::string("copy") + (hex ? ".hex" : ".s19"));
      ASSERT_TRUE(SaveConfigurableFile(chip, path, copy, true).ok);
      EXPECT_EQ(ReadFile(path), saved);
      ASSERT_TRUE(OpenConfigurableFile(reread, copy).ok);
      EXPECT_EQ(reread.Block().clki, 6000000u);
      EXPECT_LE(ChangedLines(saved, ReadFile(copy)), 2u);  // CLKI and its CRC
    }
  }
}

TEST(RecordFiles, LowerCaseRecordsKeepTheirCase) {
  TempDir dir;
  std::string text = IntelHexText(ImageWith(StoredBlock(FileBlock(), false), 40, 40), kBase, 32);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string path = dir.File("lower.ihx");
  WriteFile(path, text);
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  chip.SetRawValue("vram", 0xABCDEF);
  ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  const std::string saved = ReadFile(path);
  EXPECT_NE(saved, text);
  for (char c : saved) EXPECT_FALSE(c >= 'A' && c <= 'F');
}

// Open and save reasons of record files whose block does not validate, in
// record-refusals.txt; no file changes.
TEST(RecordFiles, BlocksThatDoNotValidateAreRefusedAndLeftAlone) {
  TempDir dir;
  const std::string block = StoredBlock(FileBlock(), false);
  HalStruct otherChip = FileBlock();
  std::strcpy(otherChip.chipId, "62501");
  std::string gap = SrecordText(ImageWith(block, 40, 40), 3, 16, kBase);
  gap.erase(gap.find(StringPrintf("S315%08X", kBase + 208)), 4 + 8 + 32 + 2 + 2);
  std::string conflict = RecordText(ImageWith(block, 40, 40), false);
  conflict.insert(conflict.find("S5"), SrecordText("\x01", 3, 1, kBase + 40 + 300).substr(18, 18));
  std::string badChecksum = RecordText(ImageWith(block, 40, 40), true);
  badChecksum[badChecksum.find("\r\n:10") - 1] ^= 1;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"two.s19", RecordText(ImageWith(block, 40, 40) + block, false)},
      {"gap.s19", gap},
      {"conflict.s19", conflict},
      {"other.hex", RecordText(ImageWith(StoredBlock(otherChip, true), 40, 40), true)},
      {"checksum.hex", badChecksum},
      {"noend.hex", IntelHexRecord(0, 0, "abc") + "\n"},
      {"crc.hex", RecordText(ImageWith(block.substr(0, 300) + "x" + block.substr(301)), true)},
      {"notes", "neither an image nor record text"},
      {"noblock.bin", std::string(5000, 'z')}};
  std::string listing;
  for (const auto& [name, bytes] : files) {
    const std::string path = dir.File(name);
    WriteFile(path, bytes);
    Chip62500 chip;
    chip.SetRawValue("vram", 1234);
    const FileOutcome open = OpenConfigurableFile(chip, path);
    const ConfigureOutcome configure = ConfigureMultiple(chip, {path}, false);
    listing += name + "\n  open: " + (open.ok ? "ok" : open.reason) +
               (open.detail.empty() ? "" : " (" + open.detail.substr(dir.path().size() + 1) + ")") +
               "\n  configure: " + (configure.allOk ? "ok" : configure.files[0].reason) + "\n";
    EXPECT_EQ(chip.Block().requiredVram, 1234u) << name;
    if (name != "crc.hex") {
      EXPECT_EQ(ReadFile(path), bytes) << name;
    }
  }
  EXPECT_GOLDEN("record-refusals.txt", listing);
  // A block with a wrong CRC cannot be opened but can be saved over, as in an image.
  Chip62500 reread;
  EXPECT_TRUE(OpenConfigurableFile(reread, dir.File("crc.hex")).ok);
}

TEST(RecordFiles, RawBinariesOtherElfNamesAndFilesKnownByContent) {
  TempDir dir;
  const std::string image = ImageWith(StoredBlock(FileBlock(), true), 100, 100);
  const std::string elf =
      "\x7f"
      "ELF" +
      image;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"little.exe", ImageWith(StoredBlock(FileBlock(), false), 4096, 999)},
      {"flash.bin", image},
      {"prog.axf", elf},
      {"prog.o", elf},
      {"prog.OUT", elf},
      {"firmware", elf},
      {"windows", "MZ" + image},
      {"records", RecordText(image, false)},
      {"intel", RecordText(image, true)}};
  for (const auto& [name, bytes] : files) {
    const std::string path = dir.File(name);
    WriteFile(path, bytes);
    Chip62500 chip;
    ASSERT_TRUE(OpenConfigurableFile(chip, path).ok) << name;
    EXPECT_EQ(chip.Block().clki, 7372800u) << name;
    ASSERT_TRUE(chip.SetValueText("fx", "11"));
    const timespec longAgo[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), longAgo, 0), 0);
    ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok) << name;
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_GT(info.st_mtim.tv_sec, longAgo[1].tv_sec) << name;  // last write and access: now
    EXPECT_GT(info.st_atim.tv_sec, longAgo[0].tv_sec) << name;
    EXPECT_EQ(ReadFile(path).size(), bytes.size());
    if (name.find("records") == std::string::npos && name != "intel") {
      EXPECT_EQ(DifferencesOutsideBlock(bytes, ReadFile(path)), "") << name;
    }
    Chip62500 reread;
    ASSERT_TRUE(OpenConfigurableFile(reread, path).ok) << name;
    EXPECT_EQ(reread.GetFieldValue("fx"), 11u) << name;
  }
}

// A save rereads the records it knows from the open; once another program has written the
// file it reads the whole file again, follows a block that moved and refuses one changed.
TEST(RecordFiles, SavesFollowAnotherProgramsChanges) {
  TempDir dir;
  const std::string path = dir.File("board.hex");
  const std::string block = StoredBlock(FileBlock(), false);
  WriteFile(path, RecordText(ImageWith(block, 64, 64), true));
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  for (uint32_t fx : {10u, 11u}) {
    ASSERT_TRUE(chip.SetValueText("fx", std::to_string(fx)));
    ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  }
  // Moved by 100 bytes, with the values of the last save.
  Chip62500 saved;
  ASSERT_TRUE(OpenConfigurableFile(saved, path).ok);
  const std::string moved = BytesOf(path, kBase + 64, kHalStructSize);
  WriteFile(path, RecordText(ImageWith(moved, 164, 64), true));
  ASSERT_TRUE(chip.SetValueText("fy", "12"));
  ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  ASSERT_TRUE(OpenConfigurableFile(saved, path).ok);
  EXPECT_EQ(saved.GetFieldValue("fx") * 100 + saved.GetFieldValue("fy"), 1112u);
  EXPECT_EQ(BytesOf(path, kBase, 164), ImageWith("", 164, 0));
  // Another program saves the block itself.
  ASSERT_EQ(RunCli({"set", path, "fx=13"}).status, 0);
  const std::string theirs = ReadFile(path);
  const FileOutcome late = SaveConfigurableFile(chip, path, "", false);
  EXPECT_EQ(late.reason, kChangedSinceOpened);
  EXPECT_EQ(ReadFile(path), theirs);
}

}  // namespace k7q
