#include "config/hal_struct.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/test_files.h"

TEST(HalStruct, DefaultBlockBytesAndChecksum) {
  const HalStruct& block = DefaultHalStruct();
  const std::string bytes(reinterpret_cast<const char*>(&block), sizeof block);
  EXPECT_EQ(bytes.substr(0, 16), std::string("62500 HAL EXE\0\0\0", 16));
  EXPECT_EQ(bytes.substr(16, 256), std::string(256, '\0'));
  EXPECT_EQ(bytes.substr(272, 8), std::string("62500\0\0\0", 8));
  const std::string fields =
      "\xD0\x01\x61\xE3\x34\x12\x46\x00"
      "\x80\x8D\x5B\x00\x80\x8D\x5B\x00\x80\x8D\x5B\x00"
      "\x80\x02\xC8\x00\x01\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x80\x00\x00\x00\x00\x00\x00\x00\x80\x00\x00\x00\x00\x00\x00";
  EXPECT_EQ(bytes.substr(280, fields.size()), fields);
  EXPECT_EQ(block.registers[0x0E].value, 0x80);
  EXPECT_EQ(block.registers[32].index, 0x20);
  EXPECT_EQ(block.registers[33].index, kEndOfTable);
  EXPECT_EQ(RegisterCount(block), 33u);

  EXPECT_EQ(BlockCrc(block), 0x8555);
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16(digits, sizeof digits), 0x29B1);
}

TEST(HalStruct, SwapAndChecksumCoverage) {
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

  // The padding and the zero pairs after the end marker are covered; the strings not.
  HalStruct shorter = DefaultHalStruct();
  shorter.registers[5] = {kEndOfTable, 0};
  for (size_t i = 6; i < kHalRegisterPairs; ++i) shorter.registers[i] = {0, 0};
  EXPECT_EQ(RegisterCount(shorter), 5u);
  const uint16_t crc = BlockCrc(shorter);
  HalStruct changed = shorter;
  changed.registers[20].value = 1;
  EXPECT_NE(BlockCrc(changed), crc);
  changed = shorter;
  changed.padding = 1;
  EXPECT_NE(BlockCrc(changed), crc);
  changed = shorter;
  changed.configDescription[0] = 'x';
  changed.crc = 1;
  EXPECT_EQ(BlockCrc(changed), crc);
}
