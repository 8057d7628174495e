#include "config/decimal_field.h"

#include <gtest/gtest.h>

#include <string>

TEST(DecimalField, WholePartAndThousandths) {
  uint32_t whole = 7, thousandths = 7;
  EXPECT_TRUE(ReadDecimalField(" 12.5", &whole, &thousandths));
  EXPECT_EQ(whole, 12u);
  EXPECT_EQ(thousandths, 12500u);
  EXPECT_TRUE(ReadDecimalField("1.2345", &whole, &thousandths));
  EXPECT_EQ(whole, 1u);
  EXPECT_EQ(thousandths, 1234u);
  EXPECT_TRUE(ReadDecimalField("1 0.0 5", &whole, &thousandths));
  EXPECT_EQ(whole, 10u);
  EXPECT_EQ(thousandths, 10050u);
  EXPECT_TRUE(ReadDecimalField(".25", &whole, &thousandths));
  EXPECT_EQ(whole, 0u);
  EXPECT_EQ(thousandths, 250u);
  EXPECT_TRUE(ReadDecimalField("", &whole, &thousandths));
  EXPECT_EQ(whole, 0u);
  EXPECT_EQ(thousandths, 0u);
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
