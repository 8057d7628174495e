#include "chipmodel/hal_struct.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/test_files.h"

// The block's layout is checked by compiling the generated C (generated_c_compile_test).
TEST(HalStruct, Checksum) {
  const HalStruct& block = DefaultHalStruct();
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
