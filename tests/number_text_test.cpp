#include "chipmodel/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "chipmodel/value_text.h"

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

TEST(ValueText, ReadWholeOrRefused) {
  const char* noFrequency = "not a frequency (such as 12.5, 12.5 MHz, 32.768 kHz or 50 Hz)";
  const char* tooLarge = "larger than 4294.967 MHz (a number without a unit is in MHz)";
  const struct {
    bool frequency;
    const char* text;
    std::optional<uint32_t> value;
    const char* error;
  } kRows[] = {{false, " 0x1f ", 0x1F, ""},
               {false, "101i", 5, ""},
               {false, "FFFFFFFF", 0xFFFFFFFF, ""},
               {false, "100000000", {}, "larger than 32 bits"},
               {false, "12G", {}, "not a hexadecimal number"},
               {true, "32.768  kHz", 32768, ""},
               {true, " 50 HZ ", 50, ""},
               {true, "0.0005", 500, ""},
               {true, "4294.967295 MHz", 0xFFFFFFFF, ""},
               {true, "25000000", {}, tooLarge},
               {true, "banana", {}, noFrequency},
               {true, "12 GHz", {}, noFrequency},
               {true, "50.5 Hz", {}, "finer than 1 Hz"}};
  for (const auto& row : kRows) {
    std::string error;
    EXPECT_EQ(
        row.frequency ? ReadFrequencyText(row.text, &error) : ReadWholeNumber(row.text, 16, &error),
        row.value)
        << row.text;
    EXPECT_EQ(error, row.error) << row.text;
  }
}
