#include "expr/expression.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "expr/feature_resolver.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

uint32_t Number(const std::string& text) {
  const ExprResult r = Evaluate(text);
  EXPECT_TRUE(r.ok) << text << ": " << r.error;
  EXPECT_FALSE(r.value.isText) << text;
  return r.value.number;
}

std::string Text(const std::string& text) {
  const ExprResult r = Evaluate(text);
  EXPECT_TRUE(r.ok) << text << ": " << r.error;
  EXPECT_TRUE(r.value.isText) << text;
  return r.value.text;
}

std::string Error(const std::string& text) {
  const ExprResult r = Evaluate(text);
  EXPECT_FALSE(r.ok) << text;
  EXPECT_NE(r.errorNumber, 0u) << text;
  return r.error;
}

class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallFeatureResolver(chip_); }
  void TearDown() override { SetIdentifierResolver(nullptr); }
  Chip62500 chip_;
};

}  // namespace

// Each expression of data/expressions.txt with its value or message.
TEST_F(ExpressionTest, ValuesAndMessages) {
  std::string out;
  for (const std::string& line : Lines(ReadFile(TestSourcePath("data/expressions.txt")))) {
    const ExprResult r = Evaluate(line);
    out += line.rfind("# ", 0) == 0 ? line + "\n"
           : !r.ok                  ? line + "  =>  error: " + r.error + "\n"
           : r.value.isText
               ? line + "  =>  \"" + r.value.text + "\"\n"
               : line + StringPrintf("  =>  %u (%Xh)\n", r.value.number, r.value.number);
    EXPECT_TRUE(r.ok || r.errorNumber != 0) << line;
  }
  EXPECT_GOLDEN("expressions.txt", out);
  EXPECT_EQ(Number("  ( 3 )  "), 3u);
  EXPECT_EQ(Error(""), "Missing an expression after the operator.");
  EXPECT_EQ(Error("   "), "Missing an expression after the operator.");
  chip_.SetValueText("cfgdesc", "hi");
  EXPECT_EQ(Text("cfgdesc+\"!\""), "hi!");
}

// Lengths and depths at and over the limits.
TEST_F(ExpressionTest, Limits) {
  EXPECT_EQ(Text("\"x\"*1000t").size(), kMaxExprText);
  EXPECT_EQ(Text("\"" + std::string(300, 'q') + "\"").size(), kMaxExprText);
  // "((1))" opens one group a level too deep.
  std::string deep;
  for (int i = 0; i < 400; ++i) deep += "(1+";
  EXPECT_EQ(Number(deep + "1" + std::string(400, ')')), 401u);
  EXPECT_EQ(Error(std::string(100000, '(') + "1" + std::string(100000, ')')),
            "Expression is too long.");
  EXPECT_EQ(Error(std::string(100000, '(')), "Expression is too long.");
  std::string chain;
  while (chain.size() + 3 <= kMaxExprLength) chain += "1+";
  EXPECT_EQ(Number(chain + "1"), (kMaxExprLength - 1) / 2 + 1);
  EXPECT_EQ(Number(std::string(kMaxExprLength - 1, '~') + "1"), 0xFFFFFFFEu);
  // Padding never exceeds the longest value.
  EXPECT_EQ(Text("\"abc\".s4294967295t"), "abc" + std::string(kMaxExprText - 3, ' '));
  EXPECT_EQ(Text("5.s4000000000"), std::string(kMaxExprText - 1, '0') + "5");
  EXPECT_EQ(Text("5.sh3000000000"), std::string(kMaxExprText - 1, '0') + "5");
  EXPECT_EQ(Text("\"" + std::string(kMaxExprLength - 2, 'q') + "\"").size(), kMaxExprText);
  SetIdentifierResolver(nullptr);
  EXPECT_EQ(Error("fx"), "Unknown token or expression.");
}

TEST(FeatureResolver, WriteOnlyAndTextFeatures) {
  ChipTables tables = LoadTestChip("resolver_chip");
  Chip62500 chip(tables);
  InstallFeatureResolver(chip);
  EXPECT_EQ(Error("w"), "Cannot show value as this feature is write-only.");
  EXPECT_EQ(Error("other"), "Unknown feature or token.");
  SetIdentifierResolver(nullptr);
}

}  // namespace k7q
