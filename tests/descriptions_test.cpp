// Feature descriptions, value summaries and details blocks of every feature, for the
// embedded chip and a made-up chip of lists, operators and spans, in golden files.
#include "reports/descriptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

// Details with the value summary as their first line, or with the label.
std::string FeatureTexts(ChipEngine& chip, bool summaryFirst, std::string_view indent,
                         size_t width) {
  std::string out;
  for (const FeatureRecord& f : chip.Tables().features) {
    const std::string& key = *f.keyname;
    out += "== " + key + "\nDescription: " + FeatureDescription(chip, key).value_or("<none>") +
           "\nSummary: " + FeatureValueSummary(chip, key) + "\n";
    const std::string summary = summaryFirst ? FeatureValueSummary(chip, key) : "";
    FeatureDetails(chip, key, out, summary, "\n", indent, width);
    out += "\n";
  }
  return out;
}

}  // namespace

TEST(Descriptions, EveryFeature) {
  Chip62500 chip;
  EXPECT_EQ(FeatureValueSummary(chip, "cfgdesc"), "Configuration Description  =  (empty)");
  ASSERT_TRUE(chip.SetValueText("cfgdesc", "Board A"));
  EXPECT_GOLDEN("descriptions/embedded.txt", FeatureTexts(chip, true, ">>", 90));
  // A long composition is broken before a joint to stay within the width.
  std::string wrapped;
  FeatureDetails(chip, "ap", wrapped, {}, "\n", {}, 50);
  EXPECT_NE(wrapped.find("REG[0006h-b7:0]<<0\n      + REG[0007h-b7:0]<<8"), std::string::npos)
      << wrapped;
  std::string unknown;
  FeatureDetails(chip, "nosuchfeature", unknown, {}, "\n", {}, 90);
  EXPECT_EQ(unknown, "");
  EXPECT_FALSE(FeatureDescription(chip, "nosuchfeature"));
  EXPECT_EQ(FeatureValueSummary(chip, "nosuchfeature"), "");

  ChipTables tables = LoadTestChip("lists_chip");
  Chip62500 lists(tables);
  ASSERT_TRUE(lists.SetRawValue("mode", 2) && lists.SetRawValue("scaled", 3));
  ASSERT_TRUE(lists.SetRawValue("big", 0x345));
  EXPECT_GOLDEN("descriptions/lists_chip.txt", FeatureTexts(lists, false, "    ", 34));
  lists.SetShowReserved(true);
  EXPECT_GOLDEN("descriptions/lists_chip-reserved.txt", FeatureTexts(lists, true, "", 90));
}

TEST(Descriptions, WrapBreaksAfterTheLastBlankThatFits) {
  // The blank that ends a piece counts towards the limit.
  const struct {
    const char* text;
    size_t width;
    std::vector<std::string> pieces;
  } rows[] = {{"aaa bbb ccc", 5, {"aaa ", "bbb ", "ccc"}},
              {"abcdefgh", 3, {"abc", "def", "gh"}},
              {"ab", 5, {"ab"}},
              {"", 5, {}},
              {"abcd efgh", 5, {"abcd ", "efgh"}},
              {"abcde fgh", 5, {"abcde", " fgh"}},
              {"abcde", 5, {"abcde"}}};
  for (const auto& row : rows) EXPECT_EQ(WrapText(row.text, row.width), row.pieces) << row.text;
}
