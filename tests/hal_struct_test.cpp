#include "chipmodel/hal_struct.h"

#include <gtest/gtest.h>

#include <cstring>

// The block's layout is checked by compiling the generated C (generated_c_compile_test); the
// default block's CRC is in the HAL_config golden files.
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
