#include <gtest/gtest.h>

#include <utility>

#include "chipmodel/bit_utils.h"
#include "chipmodel/scratch_ring.h"
#include "chipmodel/text_format.h"

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
  EXPECT_EQ(Swap16(0x1234), 0x3412);
  EXPECT_EQ(Swap32(0x12345678u), 0x78563412u);
}

TEST(TextUtils, PadFieldKeepsColumnsApart) {
  EXPECT_EQ(PadField(10, "abc"), "abc       ");
  EXPECT_EQ(PadField(10, "abc", ","), "abc,      ");
  EXPECT_EQ(PadField(10, "abcdefghijkl"), "abcdefghijkl  ");
  EXPECT_EQ(PadField(3, "abc"), "abc");
}

TEST(TextUtils, ScratchRingReusesBuffersOnlyAfterAFullTurn) {
  ScratchRing ring(2, 0);
  EXPECT_EQ(ring.DefaultSize(), 1024u);
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
