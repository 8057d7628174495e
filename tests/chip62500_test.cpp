// Features the 62500 keeps in its configuration block or computes.
#include "config/chip62500.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(Chip62500& chip, const char* name) {
  const char* text = chip.GetValueText(name, true);
  return text ? text : "<none>";
}

}  // namespace

// The default block's value texts are in the golden listing of "62500cfg show".
TEST(Chip62500, BlockFeaturesWriteTheirFields) {
  Chip62500 chip;
  EXPECT_TRUE(chip.SetValueText("baseaddr", "10000000"));
  EXPECT_EQ(chip.Block().baseAddress, 0x10000000u);
  EXPECT_EQ(chip.GetRawValue("regaddr"), 0x10008000u);
  EXPECT_EQ(chip.GetRawValue("memaddr"), 0x10000000u);
  EXPECT_TRUE(chip.SetValueText("clki", "12.5"));
  EXPECT_EQ(chip.Block().clki, 12500000u);
  EXPECT_TRUE(chip.SetValueText("cnf4", "1-bit indirect"));
  EXPECT_EQ(chip.GetRawValue("ii"), 1u);
  EXPECT_EQ(chip.Block().flags, fINDIRECT_INTERFACE);
  EXPECT_TRUE(chip.SetRawValue("cnf32", 3));
  EXPECT_EQ(chip.Block().flags & 0x60000000u, 0x60000000u);
  EXPECT_EQ(Text(chip, "cnf32"), "80 family");  // read back as a register field, not the flags
  EXPECT_TRUE(chip.SetRawValue("fpshiftdiv", 3));
  EXPECT_EQ(chip.Block().flags & 0x18000000u, 0x18000000u);
  EXPECT_EQ(chip.GetRawValue("fpshiftclk"), 187500u);
  EXPECT_TRUE(chip.SetRawValue("fpshiftdiv", 2));
  EXPECT_EQ(chip.GetRawValue("pclkdiv"), 4u);
  EXPECT_EQ(chip.GetRawValue("pclk"), 1500000u);
  EXPECT_TRUE(chip.SetValueText("pccard", "True"));
  EXPECT_EQ(chip.Block().flags & fPCCARD_INTERFACE, fPCCARD_INTERFACE);
  EXPECT_TRUE(chip.SetValueText("sysclksrc", "CLKI"));
  EXPECT_EQ(chip.GetRawValue("sysclk"), 12500000u);
  EXPECT_TRUE(chip.SetRawValue("pclk", 5));  // computed: ignored
  EXPECT_EQ(chip.GetMinimum("clki"), 390000u);
  EXPECT_EQ(chip.GetMaximum("iosc"), 30000000u);
  EXPECT_EQ(chip.GetMaximum("vram"), 0xFFFFFFFFu);

  EXPECT_TRUE(chip.SetRawValue("bpp", 3));
  EXPECT_EQ(chip.GetRawValue("rawbpp"), 0u);
  EXPECT_EQ(chip.GetRawValue("bpp"), 1u);
  EXPECT_TRUE(chip.SetValueText("bpp", "4"));
  EXPECT_EQ(chip.GetRawValue("rawbpp"), 2u);
  EXPECT_EQ(chip.GetRawValue("width"), 160u);

  EXPECT_TRUE(chip.SetValueText("cfgdesc", "Board A"));
  EXPECT_STREQ(chip.Block().configDescription, "Board A");
  EXPECT_TRUE(chip.SetValueText("cfgdesc", std::string(300, 'x')));
  EXPECT_EQ(std::string(chip.Block().configDescription).size(), 255u);
}

TEST(Chip62500, BlockRegisterListOperations) {
  Chip62500 chip;
  HalStruct block = DefaultHalStruct();
  block.registers[0] = {0xFFFA, 0};
  block.registers[1] = {0x05, 0x11};
  block.registers[2] = {0xFFFE, 20};
  block.registers[3] = {0x05, 0x22};
  block.registers[4] = {kEndOfTable, 0};
  chip.LoadBlock(block);
  EXPECT_EQ(chip.BlockRegisterCount(), 4u);
  uint32_t position = 99;
  EXPECT_TRUE(chip.FindBlockPosition(0x05, &position, false));
  EXPECT_EQ(position, 3u);
  EXPECT_TRUE(chip.FindBlockPosition(0x05, &position, true));
  EXPECT_EQ(position, 1u);
  position = 99;
  EXPECT_FALSE(chip.FindBlockPosition(0x06, &position, false));
  EXPECT_EQ(position, 99u);
  EXPECT_EQ(chip.ReadRegister(0x05, false), 0x22u);  // the last pair counts
  EXPECT_EQ(chip.ReadRegister(0x06, false), 0u);     // no pair: the default
  EXPECT_FALSE(chip.IsLiveMode());

  std::string name;
  uint32_t first = 0, second = 0;
  ASSERT_TRUE(chip.MemoryMapEntry(1, 0, &name, &first, &second));
  EXPECT_EQ(name, "Registers");
  EXPECT_EQ(first, 0x8000u);
  EXPECT_EQ(second, 0x3FFFFFu);
  ASSERT_TRUE(chip.MemoryMapEntry(1, 1, &name, &first, &second));
  EXPECT_EQ(name, "\tDisplay Memory");
  ASSERT_TRUE(chip.MemoryMapEntry(1, 2, &name, &first, &second));
  EXPECT_EQ(name, "Chip Base Address");
  EXPECT_FALSE(chip.MemoryMapEntry(1, 3, &name, &first, &second));
  EXPECT_FALSE(chip.MemoryMapEntry(2, 2, &name, &first, &second));
}
