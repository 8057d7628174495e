// The configuration block: its checksum and byte order, locating it in an image, and
// S-record files that hold it.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "chipmodel/hal_struct.h"
#include "config/block_locator.h"
#include "config/chip62500.h"
#include "formats/srecord_codec.h"
#include "tests/support/test_files.h"

namespace k7q {

// The block's layout is checked by compiling the generated C (exports_test); the default
// block's CRC is in the HAL_config golden files.
TEST(HalStruct, ChecksumCoverageAndSwap) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16(digits, sizeof digits), 0x29B1);
  HalStruct block = DefaultHalStruct();
  std::strcpy(block.configDescription, "text stays");
  block.padding = 0xABCD;
  HalStruct swapped = block;
  SwapBlock(swapped);
  EXPECT_EQ(swapped.endian, 0x3412);
  EXPECT_EQ(swapped.padding, 0xABCD);
  EXPECT_STREQ(swapped.configDescription, "text stays");
  EXPECT_STREQ(swapped.idString, "62500 HAL EXE");
  EXPECT_EQ(swapped.clki, 0x808D5B00u);
  EXPECT_EQ(swapped.registers[33].index, kEndOfTable);
  EXPECT_EQ(swapped.registers[1].value, 0x8700);
  SwapBlock(swapped);
  EXPECT_EQ(std::memcmp(&swapped, &block, sizeof block), 0);
  // The padding and the zero pairs after the end marker are covered; the strings and the
  // CRC field not.
  HalStruct shorter = DefaultHalStruct();
  shorter.registers[5] = {kEndOfTable, 0};
  for (size_t i = 6; i < kHalRegisterPairs; ++i) shorter.registers[i] = {0, 0};
  EXPECT_EQ(RegisterCount(shorter), 5u);
  auto crcAfter = [&](void (*change)(HalStruct&)) {
    HalStruct changed = shorter;
    change(changed);
    return BlockCrc(changed) == BlockCrc(shorter);
  };
  EXPECT_FALSE(crcAfter([](HalStruct& b) { b.registers[20].value = 1; }));
  EXPECT_FALSE(crcAfter([](HalStruct& b) { b.padding = 1; }));
  EXPECT_TRUE(crcAfter([](HalStruct& b) { b.configDescription[0] = 'x'; }));
  EXPECT_TRUE(crcAfter([](HalStruct& b) { b.crc = 1; }));
}

namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

std::string FindMessage(const Chip62500& chip, const std::string& image, bool checkCrc = true) {
  return FindBlock(chip, Bytes(image), image.size(), checkCrc).message;
}

// Block at a data offset that puts its size field at the start of a record.
std::string TargetImage(const HalStruct& block, size_t lead) {
  return std::string(lead, '\x11') + SrecordBlockBytes(block) + std::string(40, '\x22');
}

HalStruct Read(const std::string& text, bool* ok, std::string* message = nullptr) {
  HalStruct staging = DefaultHalStruct();
  std::string ignored;
  *ok = ReadSrecordBlock(text, &staging, message ? message : &ignored);
  return staging;
}

}  // namespace

TEST(BlockLocator, FindsOneValidBlockOrGivesTheFixedReason) {
  Chip62500 chip;
  const std::string good = StoredBlock(DefaultHalStruct(), false);
  const BlockFind at0 = FindBlock(chip, Bytes(good), good.size(), true);
  EXPECT_EQ(at0.result, FindResult::kFound);
  EXPECT_EQ(at0.position, 0u);
  const std::string atEnd = ImageWith(good, 123, 0);
  const BlockFind end = FindBlock(chip, Bytes(atEnd), atEnd.size(), true);
  EXPECT_EQ(end.result, FindResult::kFound);
  EXPECT_EQ(end.position, 123u);
  EXPECT_EQ(end.message, "");
  std::string badEndian = good, unconfigured = good, corrupt = good, wrongSize = good;
  badEndian[284] = badEndian[285] = 0;
  unconfigured[282] = unconfigured[283] = 0;
  corrupt[400] ^= 1;
  wrongSize[280] = 0x10;
  HalStruct other = DefaultHalStruct();
  std::strcpy(other.chipId, "62501");
  const std::string none = "The file does not contain any configuration data.";
  const std::string multiple = "The file contains multiple configuration data structures.";
  const std::pair<std::string, std::string> rows[] = {
      {good.substr(0, 463), none},
      {std::string(5000, 'x'), none},
      {ImageWith(badEndian), none},
      {ImageWith(unconfigured), "The file has not yet been configured by this application."},
      {ImageWith(corrupt), "The file contains corrupted configuration data."},
      {ImageWith(wrongSize), "The configuration data structure size is incorrect."},
      {ImageWith(StoredBlock(other, false)),
       "The file contains configuration data for another chip."},
      {ImageWith(good + good), multiple},
      {ImageWith(corrupt + good), multiple}};
  for (const auto& [image, message] : rows) EXPECT_EQ(FindMessage(chip, image), message);
  EXPECT_EQ(FindBlock(chip, Bytes(unconfigured), 464, false).result, FindResult::kFound);
  // A wrong-size candidate before a good block does not hide it; after it, it is ignored.
  EXPECT_EQ(FindBlock(chip, Bytes(wrongSize + good), 928, true).result, FindResult::kFound);
  EXPECT_EQ(FindBlock(chip, Bytes(good + wrongSize), 928, true).result, FindResult::kFound);
}

TEST(BlockLocator, SavesOverUnconfiguredAndCorruptBlocks) {
  Chip62500 chip;
  chip.SetRawValue("clki", 12000000);
  for (bool big : {false, true}) {
    for (uint8_t crcByte : {0x00, 0x5A}) {
      std::string image = ImageWith(StoredBlock(DefaultHalStruct(), big), 31, 5);
      image[31 + 282] = image[31 + 283] = static_cast<char>(crcByte);
      std::string message;
      Chip62500 fresh;
      ASSERT_FALSE(LoadBlockFromImage(fresh, Bytes(image), image.size(), &message));
      ASSERT_TRUE(StoreBlockIntoImage(chip, reinterpret_cast<uint8_t*>(image.data()), image.size(),
                                      false, &message));
      ASSERT_TRUE(LoadBlockFromImage(fresh, Bytes(image), image.size(), &message)) << message;
      EXPECT_EQ(fresh.Block().clki, 12000000u);
      // The stored CRC is the one of the bytes as they stand, in the block's order.
      HalStruct stored;
      std::memcpy(&stored, image.data() + 31, sizeof stored);
      const uint16_t crc = BlockCrc(stored);
      EXPECT_EQ(static_cast<uint8_t>(image[31 + 282]), big ? crc >> 8 : crc & 0xFF);
      EXPECT_EQ(static_cast<uint8_t>(image[31 + 283]), big ? crc & 0xFF : crc >> 8);
      EXPECT_EQ(static_cast<uint8_t>(image[31 + 293]), big ? 0xB7 : 0x1B);  // CLKI 00B71B00h
      EXPECT_EQ(static_cast<uint8_t>(image[31 + 294]), big ? 0x1B : 0xB7);
    }
  }
}

TEST(Srecord, ReadsTheBlockOfEachRecordTypeAcrossRecordsInEitherCase) {
  const HalStruct block = SrecordTargetBlock();
  bool ok = false;
  for (int type : {1, 2, 3}) {
    // 28-byte records: the size field starts record 10 of the block.
    const HalStruct staging = Read(SrecordText(TargetImage(block, 28), type, 28), &ok);
    ASSERT_TRUE(ok) << "S" << type;
    EXPECT_STREQ(staging.idString, "62500 HAL EXE");
    // From the size field on (the description is read as the records hold it).
    const size_t at = offsetof(HalStruct, size);
    EXPECT_EQ(std::memcmp(&staging.size, &block.size, sizeof block - at), 0) << "S" << type;
  }
  const std::string text = SrecordText(TargetImage(block, 8 + 32), 3, 32);
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  EXPECT_EQ(Read(lower, &ok).baseAddress, 0x00C00000u);
  EXPECT_TRUE(ok);
  // 10-byte records: the signature and the description span several records.
  const std::string split = SrecordText(std::string(10, 'x') + SrecordBlockBytes(block), 1, 10);
  Read(split, &ok);
  EXPECT_TRUE(ok);
  // A false start is not backed up over: "6" right before the signature hides it.
  Read(SrecordText(std::string(9, 'x') + "6" + SrecordBlockBytes(block), 1, 10), &ok);
  EXPECT_FALSE(ok);
  Read(SrecordText(std::string(9, 'x') + "7" + SrecordBlockBytes(block), 1, 10), &ok);
  EXPECT_TRUE(ok);
}

TEST(Srecord, ClkiIsHeldAThousandTimesLarger) {
  HalStruct block = SrecordTargetBlock();
  block.internalOsc = 20000000;
  block.pclk = 7000000;
  std::string bytes = SrecordBlockBytes(block);
  // CLKI 6000999 in the file.
  const uint32_t fileClki = 6000999;
  for (int i = 0; i < 4; ++i) bytes[292 + i] = static_cast<char>(fileClki >> (24 - 8 * i));
  const std::string text = SrecordText(std::string(28, '\0') + bytes, 1, 28);
  bool ok = false;
  HalStruct staging = Read(text, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(staging.clki, 6000u);
  std::string rewritten = text;
  std::string message;
  ASSERT_TRUE(RewriteSrecordBlock(rewritten, &staging, &message));
  EXPECT_EQ(text.find("005B8D80"), std::string::npos);
  EXPECT_NE(rewritten.find("005B8D80"), std::string::npos);  // written back as 6000000
}

TEST(Srecord, ErrorsAbandonTheOperation) {
  const HalStruct block = SrecordTargetBlock();
  const std::string text = SrecordText(TargetImage(block, 28), 1, 28);
  std::string message;
  bool ok = true;
  std::string badChecksum = text;
  const size_t line = badChecksum.find("\r\nS1", 200) + 2;
  const size_t lineEnd = badChecksum.find("\r\n", line);
  badChecksum[lineEnd - 1] = badChecksum[lineEnd - 1] == '0' ? '1' : '0';
  Read(badChecksum, &ok, &message);
  EXPECT_FALSE(ok);
  EXPECT_EQ(message, "ERROR: Invalid checksum!");
  HalStruct staging = DefaultHalStruct();
  std::string copy = badChecksum;
  EXPECT_FALSE(RewriteSrecordBlock(copy, &staging, &message));
  EXPECT_EQ(copy, badChecksum);
  Read(text.substr(0, text.size() / 2), &ok, &message);  // ends before the block does
  EXPECT_FALSE(ok);
  EXPECT_EQ(message, "");
  // A record type that holds no data, a line that is no record.
  for (const size_t at : {3u, 2u}) {
    std::string bad = text;
    bad[bad.find("\r\nS1", 300) + at] = at == 3 ? '4' : 'X';
    Read(bad, &ok, &message);
    EXPECT_FALSE(ok) << at;
  }
  Read("S00600004844521B\r\nS9030000FC\r\n", &ok, &message);
  EXPECT_FALSE(ok);
}

}  // namespace k7q
