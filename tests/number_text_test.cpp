#include "chipmodel/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "chipmodel/bit_utils.h"
#include "chipmodel/scratch_ring.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

// Each call of data/number_texts.txt with its result.
TEST(NumberText, CallsAndResults) {
  std::string out;
  for (const std::string& line : Lines(ReadFile(TestSourcePath("data/number_texts.txt")))) {
    const size_t bar = line.find('|');
    const std::string text =
        bar == std::string::npos ? "" : line.substr(bar + 1, line.rfind('|') - bar - 1);
    std::istringstream in(line.substr(0, bar));
    std::string op, error, result;
    uint32_t n[3] = {};
    unsigned radix = 0;
    in >> op >> n[0] >> n[1] >> n[2];
    if (op.empty() || op[0] == '#') {
      out += line + "\n";
      continue;
    } else if (op == "recognise") {
      result = std::to_string(RecogniseNumber(text, n[0], &radix) ? radix : 0);
    } else if (op == "read") {
      result = std::to_string(ReadNumber(text, n[0]));
    } else if (op == "format") {
      result = "|" + FormatNumber(n[0], n[1], n[2]) + "|";
    } else if (op == "whole" || op == "frequency") {
      const std::optional<uint32_t> value =
          op == "whole" ? ReadWholeNumber(text, 16, &error) : ReadFrequencyText(text, &error);
      result = (value ? std::to_string(*value) : "none") + (error.empty() ? "" : " " + error);
    } else if (op == "hertz") {
      result = "|" + FormatFrequency(n[0]) + "|";
    } else if (op == "hertz-of") {
      result = std::to_string(ReadFrequency(text, n[0]));
    } else {
      ADD_FAILURE() << line;
    }
    out += line + "  =>  " + result + "\n";
  }
  EXPECT_GOLDEN("number-texts.txt", out);
  EXPECT_EQ(ReadNumber(std::string_view("123", 2), 10), 12u);  // the view's end counts
}

TEST(TextUtils, FieldRunMaxAndPadding) {
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
  // Padding keeps columns apart.
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

}  // namespace k7q
