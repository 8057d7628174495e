#include "config/block_locator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "config/chip62500.h"
#include "tests/support/test_files.h"

namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

std::string FindMessage(const Chip62500& chip, const std::string& image, bool checkCrc = true) {
  return FindBlock(chip, Bytes(image), image.size(), checkCrc).message;
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
