#include "config/decimal_field.h"

#include <gtest/gtest.h>

#include <string>

TEST(DecimalField, WholePartAndThousandths) {
  const struct {
    const char* text;
    uint32_t whole, thousandths;
  } kRows[] = {{" 12.5", 12, 12500},
               {"1.2345", 1, 1234},
               {"1 0.0 5", 10, 10050},
               {".25", 0, 250},
               {"", 0, 0}};
  for (const auto& row : kRows) {
    uint32_t whole = 7, thousandths = 7;
    EXPECT_TRUE(ReadDecimalField(row.text, &whole, &thousandths)) << row.text;
    EXPECT_EQ(whole, row.whole) << row.text;
    EXPECT_EQ(thousandths, row.thousandths) << row.text;
  }
}

TEST(DecimalField, RefusesOtherCharacters) {
  uint32_t whole = 7, thousandths = 7;
  EXPECT_FALSE(ReadDecimalField("12a", &whole, &thousandths));
  EXPECT_FALSE(ReadDecimalField("-3", &whole, &thousandths));
  EXPECT_FALSE(ReadDecimalField("1.2.3", &whole, &thousandths));
  EXPECT_EQ(whole, 7u);
  EXPECT_EQ(thousandths, 7u);
  // Only the first 39 characters are read.
  EXPECT_TRUE(ReadDecimalField(std::string(38, ' ') + "5x", &whole, &thousandths));
  EXPECT_EQ(whole, 5u);
}
