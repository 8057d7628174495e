#include "chipmodel/number_text.h"

#include <gtest/gtest.h>

namespace {

unsigned RadixOf(const char* token) {
  unsigned radix = 0;
  return RecogniseNumber(token, 16, &radix) ? radix : 0;
}

}  // namespace

TEST(NumberText, RecogniserFindsRadixFromSuffixOrDefault) {
  EXPECT_EQ(RadixOf("10"), 16u);
  EXPECT_EQ(RadixOf("10t"), 10u);
  EXPECT_EQ(RadixOf("11i"), 2u);
  EXPECT_EQ(RadixOf("101i"), 2u);
  EXPECT_EQ(RadixOf("FFh"), 16u);
  EXPECT_EQ(RadixOf("0FFh"), 16u);
  EXPECT_EQ(RadixOf("17o"), 8u);
  EXPECT_EQ(RadixOf("add"), 16u);
  EXPECT_EQ(RadixOf("bed"), 16u);
  EXPECT_EQ(RadixOf(""), 16u);
  EXPECT_EQ(RadixOf("12x"), 0u);
  EXPECT_EQ(RadixOf("0x1F"), 0u);
  EXPECT_EQ(RadixOf("h"), 16u);  // a lone suffix letter of the default radix
  EXPECT_EQ(RadixOf("19i"), 0u);
  EXPECT_EQ(RadixOf("1h2"), 0u);
  unsigned radix = 0;
  EXPECT_TRUE(RecogniseNumber("99", 10, &radix));
  EXPECT_EQ(radix, 10u);
  EXPECT_TRUE(RecogniseNumber("1Ah", 10, &radix));
  EXPECT_EQ(radix, 16u);
  EXPECT_FALSE(RecogniseNumber("1A", 10, &radix));
}

TEST(NumberText, ReaderStopsAtFirstNonDigitAndWraps) {
  EXPECT_EQ(ReadNumber("0x1F", 16), 31u);
  EXPECT_EQ(ReadNumber("0X1f", 16), 31u);
  EXPECT_EQ(ReadNumber("1F", 10), 1u);
  EXPECT_EQ(ReadNumber("", 10), 0u);
  EXPECT_EQ(ReadNumber("4294967296", 10), 0u);
  EXPECT_EQ(ReadNumber("4294967295", 10), 4294967295u);
  EXPECT_EQ(ReadNumber("0FFh", 16), 255u);
  EXPECT_EQ(ReadNumber("add", 16), 2781u);
  EXPECT_EQ(ReadNumber("101i", 2), 5u);
  EXPECT_EQ(ReadNumber("12", 8), 0u);
  EXPECT_EQ(ReadNumber("1x2", 16), 1u);
  EXPECT_EQ(ReadNumber(std::string_view("123", 2), 10), 12u);
}

TEST(NumberText, FormatterPadsAndWritesBinaryFromTopBit) {
  EXPECT_EQ(FormatNumber(255, 16, 4), "00FF");
  EXPECT_EQ(FormatNumber(0xABCDEF12u, 16, 0), "ABCDEF12");
  EXPECT_EQ(FormatNumber(5, 2, 8), "00000101");
  EXPECT_EQ(FormatNumber(0, 2, 0), "0");
  EXPECT_EQ(FormatNumber(0x80000000u, 2, 0), "1" + std::string(31, '0'));
  EXPECT_EQ(FormatNumber(255, 10, 0), "255");
  EXPECT_EQ(FormatNumber(7, 10, 3), "007");
  EXPECT_EQ(FormatNumber(0, 16, 0), "0");
  EXPECT_EQ(FormatNumber(8, 8, 0), "");
}
