#include "chipmodel/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "chipmodel/bit_utils.h"
#include "chipmodel/scratch_ring.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "config/decimal_field.h"

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

TEST(DecimalField, WholePartAndThousandthsOrRefused) {
  const struct {
    std::string text;
    bool ok;
    uint32_t whole, thousandths;
  } kRows[] = {{" 12.5", true, 12, 12500},
               {"1.2345", true, 1, 1234},
               {"1 0.0 5", true, 10, 10050},
               {".25", true, 0, 250},
               {"", true, 0, 0},
               {"12a", false, 7, 7},
               {"-3", false, 7, 7},
               {"1.2.3", false, 7, 7},
               // Only the first 39 characters are read.
               {std::string(38, ' ') + "5x", true, 5, 5000}};
  for (const auto& row : kRows) {
    uint32_t whole = 7, thousandths = 7;
    EXPECT_EQ(ReadDecimalField(row.text, &whole, &thousandths), row.ok) << row.text;
    EXPECT_EQ(std::make_pair(whole, thousandths), std::make_pair(row.whole, row.thousandths))
        << row.text;
  }
}

TEST(TextUtils, FrequencyTextsAndReader) {
  const std::pair<uint32_t, const char*> texts[] = {{1000, "1000 Hz"},
                                                    {1001, "1.001 KHz"},
                                                    {100000, "100.000 KHz"},
                                                    {100001, "0.100 MHz"},
                                                    {6000000, "6.000 MHz"},
                                                    {32768, "32.768 KHz"},
                                                    {0, "0 Hz"}};
  for (const auto& [hertz, text] : texts) EXPECT_EQ(FormatFrequency(hertz), text);
  // Units and fractions; a number without a unit is in the given unit (MHz here).
  const std::pair<const char*, uint32_t> read[] = {
      {"12.5", 12500000},      {"32.768 kHz", 32768}, {"32.768KH", 32768},
      {"50 Hz", 50},           {"50.9 hz", 50},       {"0.0005", 0},
      {"1.2345 MHz", 1234000}, {"  6 mhz", 6000000},  {"abc", 0}};
  for (const auto& [text, hertz] : read) EXPECT_EQ(ReadFrequency(text, 1000000), hertz) << text;
  EXPECT_EQ(ReadFrequency("6", 1000), 6000u);
}

TEST(TextUtils, FieldRunAndMax) {
  // Top and lowest bit of the run that ends at the lowest set bit (-1, -1: no bits).
  const struct {
    uint32_t mask;
    int top, lowest;
  } kRuns[] = {{0x00F0, 7, 4}, {0, -1, -1}, {0xFFFFFFFFu, 31, 0}, {0x0000000Bu, 1, 0}};
  for (const auto& run : kRuns) {
    int top = 0, lowest = 0;
    FieldRun(run.mask, &top, &lowest);
    EXPECT_EQ(std::make_pair(top, lowest), std::make_pair(run.top, run.lowest)) << run.mask;
  }
  EXPECT_EQ(FieldMax(0x000C), 3u);
  EXPECT_EQ(FieldMax(0), 0u);
  EXPECT_EQ(FieldMax(0x80000000u), 1u);
}

TEST(TextUtils, PadFieldKeepsColumnsApart) {
  EXPECT_EQ(PadField(10, "abc"), "abc       ");
  EXPECT_EQ(PadField(10, "abc", ","), "abc,      ");
  EXPECT_EQ(PadField(10, "abcdefghijkl"), "abcdefghijkl  ");
  EXPECT_EQ(PadField(3, "abc"), "abc");
}

TEST(TextUtils, ScratchRingReusesBuffersOnlyAfterAFullTurn) {
  ScratchRing ring(2, 0);
  char* first = ring.NextText();
  char* second = ring.NextText();
  EXPECT_NE(first, second);
  EXPECT_EQ(ring.NextText(), first);
  EXPECT_EQ(ring.NextText(), second);

  ScratchRing sized(3, 16);
  char* big = sized.NextTextSized(4096);
  big[4095] = 'x';  // room for the requested size
  sized.NextText();
  sized.NextText();
  char* again = sized.NextTextSized(16);
  again[15] = 'y';
  EXPECT_EQ(again[0], '\0');
}
