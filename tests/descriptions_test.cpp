// Feature descriptions, value summaries and details blocks.
#include "reports/descriptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "config/chip62500.h"

namespace {

std::string Details(ChipEngine& chip, const char* keyname, std::string_view summary = {},
                    std::string_view indent = {}, size_t width = 90) {
  std::string out = "[start]";
  FeatureDetails(chip, keyname, out, summary, "\n", indent, width);
  return out;
}

const std::vector<const char*> kListChip = {
    "<CHIPDEF><PRODUCTS><PRODUCT KEYNAME=\"62500\" PREFIX=\"K7Q\" NAME=\"62500\"/></PRODUCTS>",
    "<REGISTERS>",
    "<REGISTER KEYNAME=\"ctl\" NAME=\"Control\" REG=\"0011\" BITWIDTH=\"8\"/>",
    "<REGISTER KEYNAME=\"lo\" NAME=\"Low\" REG=\"0012\" BITWIDTH=\"8\"/>",
    "<REGISTER KEYNAME=\"mid\" NAME=\"Middle\" REG=\"0013\" BITWIDTH=\"8\"/>",
    "</REGISTERS><FEATURES>",
    "<FEATURE KEYNAME=\"mode\" NAME=\"Mode\" TYPE=\"list\" REG=\"0011\" MASK=\"0007\" "
    "DESC=\"The mode of the engine, chosen from a short list of settings.\">",
    "<FEATUREVALUE INDEX=\"0\" VALUE=\"Off\"/>",
    "<FEATUREVALUE INDEX=\"1\" TOINDEX=\"3\" VALUE=\"Slow\"/>",
    "<FEATUREVALUE INDEX=\"4\" READVALUE=\"Busy\" WRITEVALUE=\"Start\"/>",
    "<FEATUREVALUE INDEX=\"5\" READVALUE=\"Done\"/>",
    "<FEATUREVALUE INDEX=\"6\" VALUE=\"Test\" RESERVED=\"62500\"/>",
    "<FEATUREVALUE INDEX=\"7\" VALUE=\"Same\" READVALUE=\"Same\"/>",
    "<FEATUREVALUE INDEX=\"8\" VALUE=\"Other\" PRODUCT=\"99999\"/>",
    "</FEATURE>",
    "<FEATURE KEYNAME=\"scaled\" NAME=\"Scaled\" TYPE=\"numb\" REG=\"0011\" MASK=\"00F0\" "
    "OP1=\"+1\" OP2=\"*2\"/>",
    "<FEATURE KEYNAME=\"sink\" NAME=\"Sink\" TYPE=\"list\" REG=\"0011\" MASK=\"0008\" "
    "ACCESS=\"wo\"/>",
    "<FEATURE KEYNAME=\"big\" NAME=\"Big\" TYPE=\"numb\" REG=\"span\"/>",
    "<FEATURE KEYNAME=\"big-LSB\" TYPE=\"numb\" REG=\"0012\" MASK=\"00FF\"/>",
    "<FEATURE KEYNAME=\"big-ISB\" TYPE=\"numb\" REG=\"0013\" MASK=\"000F\"/>",
    "</FEATURES></CHIPDEF>",
};

}  // namespace

TEST(Descriptions, DescriptionTexts) {
  Chip62500 chip;
  EXPECT_EQ(FeatureDescription(chip, "tcr"), "TC/R must be greater than or equal to C/R + 4.");
  EXPECT_EQ(FeatureDescription(chip, "apMSB"),
            "The Most Significant Bits (MSB) of the Virtual screen width.");
  EXPECT_EQ(FeatureDescription(chip, "sb1saddrLSB"),
            "The Least Significant Bits (LSB) of the Screen Block 1 Start Address.");
  EXPECT_EQ(FeatureDescription(chip, "iv"), "");
  EXPECT_EQ(FeatureDescription(chip, "pclksrc"), "");  // DESC present but empty
  EXPECT_FALSE(FeatureDescription(chip, "nosuchfeature"));

  ChipTables tables;
  LoadChipDefinition(tables, kListChip.data(), kListChip.size());
  Chip62500 odd(tables);
  EXPECT_EQ(FeatureDescription(odd, "bigISB"),
            "The Intermediate Significant Bits (ISB) of the Big.");
}

TEST(Descriptions, WrapBreaksAfterTheLastBlankThatFits) {
  EXPECT_EQ(WrapText("aaa bbb ccc", 5), (std::vector<std::string>{"aaa ", "bbb ", "ccc"}));
  EXPECT_EQ(WrapText("abcdefgh", 3), (std::vector<std::string>{"abc", "def", "gh"}));
  EXPECT_EQ(WrapText("ab", 5), (std::vector<std::string>{"ab"}));
  EXPECT_TRUE(WrapText("", 5).empty());
  // The blank that ends a piece counts towards the limit.
  EXPECT_EQ(WrapText("abcd efgh", 5), (std::vector<std::string>{"abcd ", "efgh"}));
  EXPECT_EQ(WrapText("abcde fgh", 5), (std::vector<std::string>{"abcde", " fgh"}));
  EXPECT_EQ(WrapText("abcde", 5), (std::vector<std::string>{"abcde"}));
}

TEST(Descriptions, ValueSummaries) {
  Chip62500 chip;
  EXPECT_EQ(FeatureValueSummary(chip, "iv"),
            "Screen Origin Compensation  =  No screen top-line correction");
  EXPECT_EQ(FeatureValueSummary(chip, "chipid"), "Chip ID [READONLY]  =  \"62500\"");
  EXPECT_EQ(FeatureValueSummary(chip, "cfgdesc"), "Configuration Description  =  (empty)");
  ASSERT_TRUE(chip.SetValueText("cfgdesc", "hi"));
  EXPECT_EQ(FeatureValueSummary(chip, "cfgdesc"), "Configuration Description  =  \"hi\"");
  EXPECT_EQ(FeatureValueSummary(chip, "fx"), "Character width  =  8 pixels");
  EXPECT_EQ(FeatureValueSummary(chip, "nosuchfeature"), "");

  ChipTables tables;
  LoadChipDefinition(tables, kListChip.data(), kListChip.size());
  Chip62500 odd(tables);
  EXPECT_EQ(FeatureValueSummary(odd, "sink"), "Sink [WRITEONLY]");
}

TEST(Descriptions, DetailsOfEmbeddedFeatures) {
  Chip62500 chip;
  EXPECT_EQ(Details(chip, "iv", {}, ">>"),
            "[start]Screen Origin Compensation\n"
            ">>  Screen Origin Compensation = REG[0000h-b5]\n"
            ">>  Screen Origin Compensation = 1h (No screen top-line correction)\n"
            ">>Possible Values:\n"
            ">>  0h = Screen top-line correction\n"
            ">>  1h = No screen top-line correction");
  EXPECT_EQ(Details(chip, "fx", "Character width  =  8 pixels"),
            "[start]Character width  =  8 pixels\n"
            "Character width\n"
            "  Character width = REG[0001h-b3:0] + 1\n"
            "  Character width = 7h + 1 = 8 pixels");
  EXPECT_EQ(Details(chip, "ap"),
            "[start]Virtual screen width\n"
            "  Virtual screen width = REG[0006h-b7:0]<<0 + REG[0007h-b7:0]<<8\n"
            "  Virtual screen width = 50h<<0 + 0h<<8 = 80");
  // A feature held in the block: no register, so no raw value.
  EXPECT_EQ(Details(chip, "baseaddr"),
            "[start]Chip Base Address\n"
            "Starting address of the memory-mapped area for this chip.\n"
            "  Chip Base Address = CODE");
  ASSERT_TRUE(chip.SetValueText("cfgdesc", "Board A"));
  EXPECT_EQ(Details(chip, "cfgdesc"),
            "[start]Configuration Description\n"
            "User-Supplied configuration information text.\n"
            "  Configuration Description = CODE\n"
            "  Configuration Description = \"Board A\"");
  // A long composition is broken before a joint to stay within the width.
  const std::string wrapped = Details(chip, "ap", {}, {}, 50);
  EXPECT_NE(wrapped.find("REG[0006h-b7:0]<<0\n      + REG[0007h-b7:0]<<8"), std::string::npos)
      << wrapped;
  // Unknown features append nothing.
  EXPECT_EQ(Details(chip, "nosuchfeature"), "[start]");
}

TEST(Descriptions, DetailsOfListsOperatorsAndSpans) {
  ChipTables tables;
  LoadChipDefinition(tables, kListChip.data(), kListChip.size());
  Chip62500 chip(tables);
  ASSERT_TRUE(chip.SetRawValue("mode", 2));
  const std::string mode = Details(chip, "mode", {}, "    ", 34);
  EXPECT_EQ(mode,
            "[start]Mode\n"
            "    The mode of the engine, \n"
            "    chosen from a short list of \n"
            "    settings.\n"
            "      Mode = REG[0011h-b2:0]\n"
            "      Mode = 2h (Slow)\n"
            "    Possible Values:\n"
            "      0h = Off\n"
            "      1h-3h = Slow\n"
            "      4h [ON READ]  = Busy\n"
            "      4h [ON WRITE] = Start\n"
            "      5h [ON READ]  = Done\n"
            "      7h = Same");
  chip.SetShowReserved(true);
  EXPECT_NE(Details(chip, "mode").find("\n  6h = Test"), std::string::npos);
  EXPECT_EQ(Details(chip, "mode").find("Other"), std::string::npos);

  ASSERT_TRUE(chip.SetRawValue("scaled", 3));
  EXPECT_EQ(Details(chip, "scaled"),
            "[start]Scaled\n"
            "  Scaled = (REG[0011h-b7:4] + 1) * 2\n"
            "  Scaled = (3h + 1) * 2 = 8");
  // Write-only list: no current value line.
  EXPECT_EQ(Details(chip, "sink"),
            "[start]Sink [WRITEONLY]\n"
            "  Sink = REG[0011h-b3]\n"
            "Possible Values:\n"
            "  0h = [RESERVED SETTING OF 0h]");
  ASSERT_TRUE(chip.SetRawValue("big", 0x345));
  EXPECT_EQ(Details(chip, "big"),
            "[start]Big\n"
            "  Big = REG[0012h-b7:0]<<0 + REG[0013h-b3:0]<<8\n"
            "  Big = 45h<<0 + 3h<<8 = 837");
}
