#include "config/editor_rules.h"

#include <gtest/gtest.h>

#include "config/chip62500.h"
#include "uifeatures/ui_features.h"

namespace {

// The resolver of typed expressions comes with the UI feature object.
struct EditorRulesChip {
  EditorRulesChip() { chip.LoadBlock(DefaultHalStruct()); }
  Chip62500 chip;
  UiFeatures features{chip};
};

}  // namespace

TEST(EditorRules, CurrentlyLineByType) {
  EditorRulesChip fixture;
  Chip62500& chip = fixture.chip;
  chip.SetFieldValue("fx", 10);
  EXPECT_EQ(CurrentlyLine(chip, "fx", 10), "Currently  =  10 pixels");
  EXPECT_EQ(CurrentlyLine(chip, "fx", 16), "Currently  =  A pixels");
  EXPECT_EQ(CurrentlyLine(chip, "fx", 2), "Currently  =  1010 pixels");
  EXPECT_EQ(CurrentlyLine(chip, "ii", 10), "Currently  =  False");
  EXPECT_EQ(CurrentlyLine(chip, "iosc", 10),
            std::string("Currently  =  ") + chip.GetValueText("iosc", true));
}

TEST(EditorRules, ReadTypedNumberInRadixOrAsExpression) {
  EditorRulesChip fixture;
  fixture.chip.SetFieldValue("fy", 6);
  // A whole number in the radix, a radix letter or prefix, or an expression.
  const struct {
    const char* text;
    uint32_t radix, value;
  } rows[] = {{"", 16, 0},      {" 12 ", 10, 12}, {"12", 16, 0x12}, {"101", 2, 5}, {"10h", 10, 16},
              {"0X1F", 16, 31}, {"0x1F", 10, 31}, {"FY*2", 10, 12}, {"fx", 10, 8}};
  uint32_t value = 99;
  std::string error;
  for (const auto& row : rows) {
    EXPECT_TRUE(ReadTypedNumber(row.text, row.radix, &value, &error)) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
  EXPECT_FALSE(ReadTypedNumber("12A", 10, &value, &error));
  EXPECT_EQ(error, "not a decimal number");
  EXPECT_FALSE(ReadTypedNumber("102", 2, &value, &error));
  EXPECT_FALSE(ReadTypedNumber("nosuch", 10, &value, &error));
  EXPECT_EQ(error, "Unknown feature or token.");
  EXPECT_FALSE(ReadTypedNumber("\"text\"", 10, &value, &error));
  EXPECT_EQ(error, "Expected a numerical value here.");
}

TEST(EditorRules, ValidateRangeInRadixAndStepInDecimal) {
  EditorRulesChip fixture;
  Chip62500& chip = fixture.chip;
  EXPECT_EQ(ValidateNumber(chip, "fx", 16, 10), "");
  EXPECT_EQ(ValidateNumber(chip, "fx", 17, 10), "Must be between 1 and 16!");
  EXPECT_EQ(ValidateNumber(chip, "fx", 0, 16), "Must be between 1 and 10!");
  EXPECT_EQ(ValidateNumber(chip, "fx", 0, 2), "Must be between 1 and 10000!");
}

TEST(EditorRules, MemoryMapAndSequenceLines) {
  EXPECT_EQ(MemoryMapLine(0x1000, 0x1FFF, "Registers"), "00001000h-00001FFFh Registers");
  EXPECT_EQ(MemoryMapLine(0x200000, 0, "Chip Base Address"),
            "00200000h           Chip Base Address");
  EXPECT_EQ(MemoryMapLineStart("  00200000h           Chip"), 0x200000u);
  EXPECT_EQ(MemoryMapLineStart("00001000h-00001FFFh Registers"), 0x1000u);

  EXPECT_EQ(SequenceLine({kSequenceCommand, 0x2A, ""}), "COMMAND 2A");
  EXPECT_EQ(SequenceLine({kSequenceParameter, 5, ""}), "PARAM 05");
  EXPECT_EQ(SequenceLine({kSequenceParameter, 0x123, ""}), "PARAM 123");
  EXPECT_EQ(SequenceLine({kSequenceDelay, 100, "wait"}), "DELAY 100  ( wait )");
  EXPECT_EQ(SequenceRadix(kSequenceDelay), 10u);
  EXPECT_EQ(SequenceRadix(kSequenceCommand), 16u);
}
