// The one rule of the editors and the command line: numbers within range and step, texts
// the feature can hold, and a warning for a frequency the chip takes beyond its limits.
#include "uimodel/value_limits.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/chip62500.h"
#include "uimodel/editor_rules.h"

namespace k7q {

TEST(ValueLimits, NumbersTextsAndFrequencies) {
  const NumberLimits limits{16, 1023, 8};
  EXPECT_EQ(CheckNumber(limits, 16), NumberCheck::kWithin);
  EXPECT_EQ(CheckNumber(limits, 1016), NumberCheck::kWithin);
  EXPECT_EQ(CheckNumber(limits, 20), NumberCheck::kMisaligned);
  EXPECT_EQ(CheckNumber(limits, 8), NumberCheck::kOutOfRange);
  EXPECT_EQ(CheckNumber(limits, 1024), NumberCheck::kOutOfRange);
  EXPECT_EQ(FeatureLimits(TheChip(), "stride").step, std::max(1u, TheChip().GetStep("stride")));

  Chip62500 chip;
  EXPECT_EQ(TextLimitRefusal(chip, "cfgdesc", std::string(255, 'd')), "");
  EXPECT_EQ(TextLimitRefusal(chip, "cfgdesc", std::string(256, 'd')), "longer than 255 characters");
  EXPECT_EQ(TextLimitRefusal(chip, "clki", std::string(300, '1')), "");  // not a text feature

  std::string error;
  ASSERT_TRUE(SetFrequencyText(chip, "clki", "500 MHz", &error)) << error;
  EXPECT_EQ(FrequencyLimitWarning(chip, "clki"),
            "clki is 500.000 MHz, outside 0.390 MHz to 120.000 MHz");
  ASSERT_TRUE(SetFrequencyText(chip, "iosc", "33.333 MHz", &error)) << error;
  EXPECT_EQ(FrequencyLimitWarning(chip, "iosc"),
            "iosc is 33.333 MHz, outside 20.000 MHz to 30.000 MHz");
  ASSERT_TRUE(SetFrequencyText(chip, "clki", "12 MHz", &error)) << error;
  EXPECT_EQ(FrequencyLimitWarning(chip, "clki"), "");
  EXPECT_EQ(FrequencyLimitWarning(chip, "stride"), "");  // not a frequency
}

}  // namespace k7q
