// The generic register and feature operations, and the features the 62500 keeps in its
// configuration block or computes, on the 62500 with its default block.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "config/chip62500.h"
#include "tests/support/test_files.h"

namespace {

std::string Text(ChipEngine& chip, const char* name, bool readSide = true) {
  const char* text = chip.GetValueText(name, readSide);
  return text ? text : "<none>";
}

uint32_t Reg(ChipEngine& chip, uint32_t index) {
  return chip.ReadRegister(index, false);
}

}  // namespace

TEST(ChipEngine, RegistersReadThroughTheBlockList) {
  Chip62500 chip;
  EXPECT_EQ(Reg(chip, 0x00), 0x30u);
  EXPECT_EQ(chip.ReadRegister(3, true), 0x4Fu);
  EXPECT_EQ(Reg(chip, 0xFFFC), 0u);  // pseudo-register not in the block: its default
  EXPECT_EQ(Reg(chip, 0x1234), 0u);  // in neither
  EXPECT_TRUE(chip.WriteRegister(0x05, false, 0xAB));
  EXPECT_EQ(Reg(chip, 0x05), 0xABu);
  EXPECT_FALSE(chip.WriteRegister(0x1234, false, 1));

  uint32_t index = 0;
  EXPECT_TRUE(chip.RegisterIndexAt(false, 32, &index));
  EXPECT_EQ(index, 0x20u);
  EXPECT_FALSE(chip.RegisterIndexAt(false, 33, &index));
  EXPECT_TRUE(chip.BlockIndexAt(33, &index));
  EXPECT_EQ(index, 0xFFFFu);
  EXPECT_FALSE(chip.BlockIndexAt(34, &index));

  EXPECT_EQ(chip.RegisterHexDigits(0xFFFA, false), 4u);
  EXPECT_EQ(chip.RegisterHexDigits(0x9999, false), 2u);
}

TEST(ChipEngine, FindRegisterHonoursRangesAndCache) {
  ChipTables tables = LoadTestChip("engine_ranges");
  Chip62500 chip(tables);
  // Register index and the record found (-1: none; 20h belongs to another product).
  for (const auto& [index, record] :
       {std::pair<uint32_t, int>{0x10, 1}, {0x1E, 1}, {0x11, -1}, {0x20, -1}, {0x02, 0}}) {
    uint32_t position = 99;
    EXPECT_EQ(chip.FindRegister(index, false, &position) ? static_cast<int>(position) : -1, record)
        << index;
  }
}

TEST(ChipEngine, BitFieldFeaturesRoundTrip) {
  Chip62500 chip;
  // fx: register 0001 mask 000F, OP1 +1, MAX 10.
  chip.WriteRegister(1, false, 0xA7);
  EXPECT_EQ(chip.GetRawValue("fx"), 7u);
  EXPECT_EQ(chip.GetFieldValue("fx"), 8u);
  EXPECT_EQ(Text(chip, "fx"), "8 pixels");
  EXPECT_TRUE(chip.SetFieldValue("fx", 16));
  EXPECT_EQ(Reg(chip, 1), 0xAFu);
  EXPECT_FALSE(chip.SetFieldValue("fx", 20));
  EXPECT_EQ(Reg(chip, 1), 0xAFu);
  EXPECT_FALSE(chip.SetFieldValue("fx", 0));
  EXPECT_EQ(Reg(chip, 1), 0xA0u);
  EXPECT_FALSE(chip.SetRawValue("fx", 16));  // wider than the field
  EXPECT_EQ(Reg(chip, 1), 0xA0u);
  EXPECT_TRUE(chip.SetValueText("FX", "12"));
  EXPECT_EQ(chip.GetFieldValue("fx"), 12u);
  EXPECT_EQ(chip.GetMaximum("fx"), 16u);
  EXPECT_EQ(chip.GetUnit("nosuch"), nullptr);
  EXPECT_EQ(chip.GetValueText("nosuch", true), nullptr);
  EXPECT_STREQ(chip.FormatRawValue("fx", 3, true), "4 pixels");
}

TEST(ChipEngine, SpanFeaturesCombineTheirParts) {
  Chip62500 chip;
  chip.WriteRegister(6, false, 0x34);
  chip.WriteRegister(7, false, 0x12);
  EXPECT_EQ(chip.GetRawValue("ap"), 0x1234u);
  EXPECT_TRUE(chip.SetRawValue("ap", 0x5678));
  EXPECT_EQ(Reg(chip, 6), 0x78u);
  EXPECT_EQ(Reg(chip, 7), 0x56u);
  EXPECT_EQ(chip.GetMaximum("sb1saddr"), 0xFFFFu);
  chip.WriteRegister(0x0B, false, 0x34);
  chip.WriteRegister(0x0C, false, 0x12);
  EXPECT_EQ(Text(chip, "sb1saddr"), "1234h");
  EXPECT_TRUE(chip.SetValueText("sb1saddr", "ABCD"));
  EXPECT_EQ(Reg(chip, 0x0B), 0xCDu);
  EXPECT_EQ(Reg(chip, 0x0C), 0xABu);
  std::string base;
  size_t at = 0;
  EXPECT_TRUE(chip.SpanPartBase("sb1saddrMSB", &base, &at));
  EXPECT_EQ(base, "sb1saddr");
  EXPECT_EQ(at, 8u);
  EXPECT_FALSE(chip.SpanPartBase("sb1saddr", &base, &at));
}

TEST(ChipEngine, ListAndBoolFeatures) {
  Chip62500 chip;
  EXPECT_EQ(Text(chip, "m0"), "Internal CG ROM");
  EXPECT_TRUE(chip.SetValueText("m0", "internal cg ram"));
  EXPECT_EQ(chip.GetRawValue("m0"), 1u);
  EXPECT_TRUE(chip.SetValueText("m0", "0") && chip.SetValueText("m0", "1"));
  EXPECT_FALSE(chip.SetValueText("m0", "2"));
  EXPECT_FALSE(chip.SetValueText("m0", "external"));
  EXPECT_EQ(chip.GetRawValue("m0"), 1u);
  EXPECT_TRUE(chip.SetFieldValue("csrdir", 3));
  EXPECT_EQ(Text(chip, "csrdir"), "Down");

  // rawbpp 3 is a named "Reserved" value; a raw value outside every range is not.
  chip.WriteRegister(0x20, false, 3);
  EXPECT_EQ(Text(chip, "rawbpp"), "Reserved");

  EXPECT_EQ(Text(chip, "sleepin"), "False");
  EXPECT_FALSE(chip.SetValueText("sleepin", "yes"));
  EXPECT_EQ(Reg(chip, 8), 0u);
  EXPECT_TRUE(chip.SetValueText("sleepin", "on"));
  EXPECT_EQ(Text(chip, "sleepin"), "True");
  EXPECT_TRUE(chip.SetValueText("sleepin", "Disabled"));
  EXPECT_EQ(Reg(chip, 8), 0u);

  uint32_t n = 9, first = 9, last = 9;
  EXPECT_TRUE(chip.GetListPosition("csrdir", &n));
  EXPECT_EQ(n, 3u);
  EXPECT_TRUE(chip.SetListPosition("csrdir", 1));
  EXPECT_EQ(Text(chip, "csrdir"), "Left");
  EXPECT_TRUE(chip.GetListEntry("csrdir", 2, &first, &last));
  EXPECT_EQ(first, 2u);
  EXPECT_FALSE(chip.GetListEntry("csrdir", 4, &first, &last));
  EXPECT_FALSE(chip.GetListEntry("fx", 0, &first, &last));
  EXPECT_EQ(chip.OfferedListCount("fp10"), 4u);
  EXPECT_FALSE(chip.SetListPosition("nosuch", 0));
}

TEST(ChipEngine, ReservedListSettingAndRedrawCountdown) {
  ChipTables tables = LoadTestChip("engine_reserved_list");
  Chip62500 chip(tables);
  EXPECT_EQ(Text(chip, "lst", true), "zero");
  EXPECT_EQ(Text(chip, "lst", false), "w0");
  EXPECT_TRUE(chip.IsListEntryWriteOnly("lst", 0));
  EXPECT_EQ(chip.OfferedListCount("lst"), 1u);
  chip.SetShowReserved(true);
  EXPECT_EQ(chip.OfferedListCount("lst"), 2u);
  chip.SetShowReserved(false);
  EXPECT_TRUE(chip.WriteRegister(0, false, 3));
  EXPECT_EQ(Text(chip, "lst"), "[RESERVED SETTING OF 3h]");
  uint32_t n = 7;
  EXPECT_FALSE(chip.GetListPosition("lst", &n));
  EXPECT_EQ(n, 0u);

  chip.SetPatternShown(true);
  EXPECT_EQ(chip.RedrawCountdown(), 1u);
  chip.RedrawTick();
  EXPECT_EQ(chip.RedrawCountdown(), 0u);
  chip.SetRawValue("lst", 0);  // not live: no redraw requested
  EXPECT_EQ(chip.RedrawCountdown(), 0u);
}

TEST(ChipEngine, FeatureLookupIgnoresCaseAndProduct) {
  ChipTables tables = LoadTestChip("engine_products");
  Chip62500 chip(tables);
  EXPECT_STREQ(chip.CurrentProductKeyname(), "62500");
  EXPECT_FALSE(chip.IsFeatureAvailable("onlyother"));
  EXPECT_FALSE(chip.SelectProduct("nope"));
  EXPECT_TRUE(chip.IsFeatureAvailable("substr"));
  EXPECT_TRUE(chip.IsFeatureAvailable("variant"));  // 777 is a variant of 62500
  EXPECT_TRUE(chip.IsFeatureAvailable("mIXED"));
  EXPECT_TRUE(chip.IsFeatureReserved("mixed"));
  EXPECT_FALSE(chip.FindFeature(std::string(128, 'a'), nullptr));
}

TEST(ChipEngine, GenericReservedSettingsReport) {
  ChipTables tables = LoadTestChip("engine_reserved_bits");
  Chip62500 chip(tables);
  std::string report;
  EXPECT_EQ(chip.ReservedSettingsReport(report, 4096), 0u);  // the 62500 reports nothing
  EXPECT_EQ(report, "");

  ASSERT_TRUE(chip.WriteRegister(0x0A, false, 0xFF));
  const uint32_t written = chip.ChipEngine::ReservedSettingsReport(report, 4096);
  EXPECT_EQ(report,
            "WARNING: Low bits (REG[000Ah-b1:0]) is set to RESERVED setting of 3.\n"
            "WARNING: REG[000Ah] bits 3, 7:6 is set to a RESERVED setting (should be zero).\n");
  EXPECT_EQ(written, report.size());

  std::string cut;
  EXPECT_EQ(chip.ChipEngine::ReservedSettingsReport(cut, 10), 10u);
  EXPECT_EQ(cut, "WARNING: L");

  ASSERT_TRUE(chip.WriteRegister(0x0A, false, 0x08));
  std::string single;
  chip.ChipEngine::ReservedSettingsReport(single, 4096);
  EXPECT_EQ(single, "WARNING: REG[000Ah] bit 3 is set to a RESERVED setting (should be zero).\n");
}

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
}
