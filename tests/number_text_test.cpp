#include "chipmodel/number_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(NumberText, RecogniserFindsRadixFromSuffixOrDefault) {
  // Default radix 16; 0: not a number. A lone suffix letter of the default radix counts.
  const std::pair<const char*, unsigned> radixes[] = {
      {"10", 16},   {"10t", 10}, {"11i", 2},  {"101i", 2}, {"FFh", 16},
      {"0FFh", 16}, {"17o", 8},  {"add", 16}, {"bed", 16}, {"", 16},
      {"12x", 0},   {"0x1F", 0}, {"h", 16},   {"19i", 0},  {"1h2", 0}};
  for (const auto& [token, expected] : radixes) {
    unsigned radix = 0;
    EXPECT_EQ(RecogniseNumber(token, 16, &radix) ? radix : 0, expected) << token;
  }
  unsigned radix = 0;
  EXPECT_TRUE(RecogniseNumber("99", 10, &radix));
  EXPECT_EQ(radix, 10u);
  EXPECT_TRUE(RecogniseNumber("1Ah", 10, &radix));
  EXPECT_EQ(radix, 16u);
  EXPECT_FALSE(RecogniseNumber("1A", 10, &radix));
}

TEST(NumberText, ReaderStopsAtFirstNonDigitAndWraps) {
  const struct {
    const char* text;
    unsigned radix;
    uint32_t value;
  } rows[] = {{"0x1F", 16, 31},  {"0X1f", 16, 31},      {"1F", 10, 1},
              {"", 10, 0},       {"4294967296", 10, 0}, {"4294967295", 10, ~0u},
              {"0FFh", 16, 255}, {"add", 16, 2781},     {"101i", 2, 5},
              {"12", 8, 0},      {"1x2", 16, 1}};
  for (const auto& row : rows) EXPECT_EQ(ReadNumber(row.text, row.radix), row.value) << row.text;
  EXPECT_EQ(ReadNumber(std::string_view("123", 2), 10), 12u);
}

TEST(NumberText, FormatterPadsAndWritesBinaryFromTopBit) {
  const struct {
    uint32_t value;
    unsigned radix, digits;
    std::string text;
  } rows[] = {{255, 16, 4, "00FF"},  {0xABCDEF12u, 16, 0, "ABCDEF12"},
              {5, 2, 8, "00000101"}, {0, 2, 0, "0"},
              {255, 10, 0, "255"},   {0x80000000u, 2, 0, "1" + std::string(31, '0')},
              {7, 10, 3, "007"},     {0, 16, 0, "0"},
              {8, 8, 0, ""}};
  for (const auto& row : rows) EXPECT_EQ(FormatNumber(row.value, row.radix, row.digits), row.text);
}
