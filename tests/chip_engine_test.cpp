// The generic register and feature operations, and the features the 62500 keeps in its
// configuration block or computes, on the 62500 with its default block.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chipmodel/number_text.h"
#include "chipmodel/sequence_text.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

std::string Text(ChipEngine& chip, const char* name, bool readSide = true) {
  const char* text = chip.GetValueText(name, readSide);
  return text ? text : "<none>";
}

// Each line of the script (data/engine_script.txt) with what it gave.
std::string RunScript(const std::string& script) {
  Chip62500 chip;
  std::string out;
  for (const std::string& line : Lines(script)) {
    std::istringstream in(line);
    std::string op, name, arg;
    in >> op >> name;
    std::getline(in >> std::ws, arg);
    const bool set = !arg.empty();
    const uint32_t number = set ? ReadNumber(arg, 16) : 0, index = ReadNumber(name, 16);
    uint32_t first = 0, last = 0;
    auto hex = [](uint32_t v) { return StringPrintf("%X", v); };
    auto done = [](bool ok) { return std::string(ok ? "ok" : "refused"); };
    std::string result;
    if (op.empty() || op[0] == '#') {
      out += line + "\n";
      continue;
    } else if (op == "reg") {
      result = hex(chip.ReadRegister(index, false));
    } else if (op == "write") {
      result = done(chip.WriteRegister(index, false, number));
    } else if (op == "raw") {
      result = set ? done(chip.SetRawValue(name, number)) : hex(chip.GetRawValue(name));
    } else if (op == "field") {
      result = set ? done(chip.SetFieldValue(name, number)) : hex(chip.GetFieldValue(name));
    } else if (op == "text") {
      result = set ? done(chip.SetValueText(name, arg)) : Text(chip, name.c_str());
    } else if (op == "max") {
      result = hex(chip.GetMaximum(name));
    } else if (op == "list") {
      result = set                                  ? done(chip.SetListPosition(name, number))
               : chip.GetListPosition(name, &first) ? hex(first)
                                                    : "none";
    } else if (op == "entry") {
      result =
          chip.GetListEntry(name, number, &first, &last) ? hex(first) + "-" + hex(last) : "none";
    } else if (op == "offered") {
      result = hex(chip.OfferedListCount(name));
    } else if (op == "flags") {
      result = hex(chip.Block().flags);
    } else if (op == "desc") {
      result = chip.Block().configDescription;
    }
    out += line + "  =>  " + result + "\n";
  }
  return out;
}

}  // namespace

TEST(ChipEngine, ScriptOfRegistersAndFeatures) {
  EXPECT_GOLDEN("engine-script.txt", RunScript(ReadFile(TestSourcePath("data/engine_script.txt"))));
  Chip62500 chip;
  EXPECT_EQ(chip.ReadRegister(3, true), 0x4Fu);
  uint32_t index = 0;
  EXPECT_TRUE(chip.RegisterIndexAt(false, 32, &index));
  EXPECT_EQ(index, 0x20u);
  EXPECT_FALSE(chip.RegisterIndexAt(false, 33, &index));
  EXPECT_TRUE(chip.BlockIndexAt(33, &index));
  EXPECT_EQ(index, 0xFFFFu);
  EXPECT_FALSE(chip.BlockIndexAt(34, &index));
  EXPECT_EQ(chip.RegisterHexDigits(0xFFFA, false), 4u);
  EXPECT_EQ(chip.RegisterHexDigits(0x9999, false), 2u);
  EXPECT_EQ(chip.GetUnit("nosuch"), nullptr);
  EXPECT_STREQ(chip.FormatRawValue("fx", 3, true), "4 pixels");
  std::string base;
  size_t at = 0;
  EXPECT_TRUE(chip.SpanPartBase("sb1saddrMSB", &base, &at));
  EXPECT_EQ(base, "sb1saddr");
  EXPECT_EQ(at, 8u);
  EXPECT_FALSE(chip.SpanPartBase("sb1saddr", &base, &at));
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

TEST(SequenceText, ReadAndWritten) {
  const std::vector<SequenceItem> items =
      ReadSequenceText("c2A(start)  p5;x 1;d100(" + std::string(300, 'w') + ") (x);c3(oops");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].kind, kSequenceCommand);
  EXPECT_EQ(items[0].value, 0x2Au);
  EXPECT_EQ(items[0].label, "start");
  EXPECT_EQ(items[1].kind, kSequenceParameter);
  EXPECT_EQ(items[1].value, 5u);
  EXPECT_EQ(items[2].kind, kSequenceDelay);  // "x 1" and "(x)" passed over
  EXPECT_EQ(items[2].value, 100u);
  EXPECT_EQ(items[2].label, std::string(255, 'w'));
  EXPECT_EQ(items[3].label, "oops");  // the ";" would end it
  EXPECT_EQ(SequenceText({items[0], items[1], {kSequenceDelay, 100, ""}}), "c2A(start)  p5  d100");
  EXPECT_EQ(SequenceText({}), "");
}

TEST(Chip62500, LimitsOfTheBlockFields) {
  Chip62500 chip;
  const std::tuple<const char*, uint32_t, uint32_t> kRows[] = {
      {"baseaddr", 0, 0xFFFFFFFFu}, {"vram", 0, 0xFFFFFFFFu}, {"clki", 390000, 120000000},
      {"iosc", 20000000, 30000000}, {"nosuchfeature", 0, 0},
  };
  for (const auto& [name, minimum, maximum] : kRows) {
    EXPECT_EQ(chip.GetMinimum(name), minimum) << name;
    EXPECT_EQ(chip.GetMaximum(name), maximum) << name;
  }
  for (const char* clock : {"pclk", "fpshiftclk"}) {
    EXPECT_EQ(chip.GetMinimum(clock), chip.GetMinimum("sysclk")) << clock;
    EXPECT_EQ(chip.GetMaximum(clock), chip.GetMaximum("sysclk")) << clock;
  }
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

}  // namespace k7q
