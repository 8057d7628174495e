#include "expr/expression.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/chip62500.h"
#include "expr/feature_resolver.h"
#include "tests/support/test_files.h"

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

TEST_F(ExpressionTest, PrecedenceAndRightGrouping) {
  const std::pair<const char*, uint32_t> arithmetic[] = {
      {"1+2*3", 7},   {"8-2-1", 7},   {"8/4/2", 4},          {"2**3*2", 64},
      {"2*3**2", 18}, {"(8-2)-1", 5}, {"a-b+c", 0xFFFFFFF3}, {"  ( 3 )  ", 3},
      {"1?2:3", 2},   {"0?2:3", 3},   {"1 xor 0", 1},        {"1 XOR 1", 0},
      {"NOT 0", 1},   {"!5", 0},      {"~0", 0xFFFFFFFF},    {"6^3", 5}};
  for (const auto& [text, value] : arithmetic) EXPECT_EQ(Number(text), value) << text;
  const std::pair<const char*, uint32_t> comparisons[] = {
      {"6|3", 7},   {"6&3", 2},    {"3>2", 1},    {"3>=3", 1},           {"2<=1", 0},
      {"2<3", 1},   {"1<<20h", 0}, {"8>>21h", 4}, {"1>>>1", 0x80000000}, {"0-1", 0xFFFFFFFF},
      {"17t%5", 2}, {"2**20h", 0}, {"0 || 0", 0}, {"80000000h<<<1", 1},  {"3 == 3 && 2 != 3", 1}};
  for (const auto& [text, value] : comparisons) EXPECT_EQ(Number(text), value) << text;
}

TEST_F(ExpressionTest, NumberTokensAndFormats) {
  const std::pair<const char*, uint32_t> numbers[] = {
      {"10", 16u},    {"10t", 10u},      {"11i", 3u},        {"FFh", 255u},
      {"add", 2781u}, {"\"1F\".n", 31u}, {"\"11\".nt", 11u}, {"\"12345\".nt2", 12u}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(Number(text), value) << text;
  const std::pair<const char*, const char*> texts[] = {
      {"\"abc\".s5", "abc  "}, {"\"abcdef\".s3", "abc"}, {"255t.s", "FF"},
      {"255t.st", "255"},      {"5t.si8", "00000101"},   {"\"a.b\"", "a.b"}};
  for (const auto& [text, value] : texts) EXPECT_EQ(Text(text), value) << text;
  EXPECT_EQ(Error("5.n"), "Cannot convert a numerical value to a numerical value.");
  EXPECT_EQ(Error("5.x"), "Unknown format specifier.");
}

TEST_F(ExpressionTest, TextOperations) {
  const std::pair<const char*, uint32_t> numbers[] = {
      {"\"ABC\"==\"abc\"", 1u}, {"\"ABC\"!=\"abd\"", 1u}, {"\"(\"==\"(\"", 1u}, {"\"\" or 0", 0u}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(Number(text), value) << text;
  const std::pair<const char*, const char*> texts[] = {
      {"\"abcabc\"-\"bc\"", "aabc"}, {"\"abc\"-\"x\"", "abc"},   {"\"abcdef\"-2t", "abcd"},
      {"\"ab\"*3", "ababab"},        {"\"ab\"*0", ""},           {"\"abcd\"<<<1", "bcda"},
      {"\"abcd\">>>1", "dabc"},      {"\"abcd\">>1", "abc"},     {"\"abcd\"<<9", ""},
      {"\"ab\"+\"cd\"", "abcd"},     {"1?\"yes\":\"no\"", "yes"}};
  for (const auto& [text, value] : texts) EXPECT_EQ(Text(text), value) << text;
  EXPECT_EQ(Text("\"x\"*1000t").size(), kMaxExprText);
  EXPECT_EQ(Text("\"" + std::string(300, 'q') + "\"").size(), kMaxExprText);
}

TEST_F(ExpressionTest, FailuresGiveTheirMessages) {
  const std::pair<const char*, std::vector<std::string>> failures[] = {
      {"Expected an expression here.", {"-1", "1+*2"}},
      {"Missing an expression after the operator.", {"1+", "1?2:", "", "   "}},
      {"Unknown feature or token.", {"1?2", "nosuchfeature", "((1))"}},
      {"Parenthesis mismatch.", {"(1", "1)"}},
      {"Cannot divide by zero.", {"5%0", "5/0"}},
      {"Modulus not supported for strings.", {"\"a\"%2"}},
      {"Division not supported for strings.", {"\"a\"/2"}},
      {"Expected a numerical value here.", {"2*\"a\""}},
      {"Cannot mix numerical and string values here.", {"1+\"a\"", "1==\"a\""}},
      {"Unexpected string value.", {"\"a\"&1", "~\"a\"", "1-\"a\""}},
      {"Invalid string value.", {"\"abc"}},
      {"Unknown token or expression.", {"$pc"}}};
  for (const auto& [message, texts] : failures) {
    for (const std::string& text : texts) EXPECT_EQ(Error(text), message) << text;
  }
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
  EXPECT_EQ(Number("0 and (1+)"), 0u);
  EXPECT_EQ(Number("1 or x"), 1u);
  EXPECT_EQ(Error("a xor(b)"), "Unknown feature or token.");

  SetIdentifierResolver(nullptr);
  EXPECT_EQ(Error("fx"), "Unknown token or expression.");
}

TEST_F(ExpressionTest, FeaturesResolveToTheirValues) {
  for (const auto& [text, value] : {std::pair<const char*, uint32_t>{"fx", 8u},
                                    {"FX*2", 16u},
                                    {"width", 640u},
                                    {"m0 == 0", 1u},
                                    {"cfgdesc == \"\"", 1u}}) {
    EXPECT_EQ(Number(text), value) << text;
  }
  EXPECT_EQ(Text("width.s"), "640 pixels");
  EXPECT_EQ(Text("chipname"), "K7Q62500");
  EXPECT_EQ(Text("m0.s"), "Internal CG ROM");
  chip_.SetValueText("cfgdesc", "hi");
  EXPECT_EQ(Text("cfgdesc+\"!\""), "hi!");
  EXPECT_EQ(Number("framerate > 40t"), 1u);
}

TEST(FeatureResolver, WriteOnlyAndTextFeatures) {
  ChipTables tables = LoadTestChip("resolver_chip");
  Chip62500 chip(tables);
  InstallFeatureResolver(chip);
  EXPECT_EQ(Error("w"), "Cannot show value as this feature is write-only.");
  EXPECT_EQ(Error("other"), "Unknown feature or token.");
  SetIdentifierResolver(nullptr);
}
