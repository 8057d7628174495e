#include "expr/expression.h"

#include <gtest/gtest.h>

#include <string>

#include "chipmodel/chip_definition_loader.h"
#include "config/chip62500.h"
#include "expr/feature_resolver.h"

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
  EXPECT_EQ(Number("1+2*3"), 7u);
  EXPECT_EQ(Number("8-2-1"), 7u);
  EXPECT_EQ(Number("8/4/2"), 4u);
  EXPECT_EQ(Number("2**3*2"), 64u);
  EXPECT_EQ(Number("2*3**2"), 18u);
  EXPECT_EQ(Number("(8-2)-1"), 5u);
  EXPECT_EQ(Number("a-b+c"), 0xAu - (0xBu + 0xCu));
  EXPECT_EQ(Number("  ( 3 )  "), 3u);
  EXPECT_EQ(Number("1?2:3"), 2u);
  EXPECT_EQ(Number("0?2:3"), 3u);
  EXPECT_EQ(Number("1 xor 0"), 1u);
  EXPECT_EQ(Number("1 XOR 1"), 0u);
  EXPECT_EQ(Number("NOT 0"), 1u);
  EXPECT_EQ(Number("!5"), 0u);
  EXPECT_EQ(Number("~0"), 0xFFFFFFFFu);
  EXPECT_EQ(Number("6^3"), 5u);
  EXPECT_EQ(Number("6|3"), 7u);
  EXPECT_EQ(Number("6&3"), 2u);
  EXPECT_EQ(Number("3>2"), 1u);
  EXPECT_EQ(Number("3>=3"), 1u);
  EXPECT_EQ(Number("2<=1"), 0u);
  EXPECT_EQ(Number("2<3"), 1u);
  EXPECT_EQ(Number("1<<20h"), 0u);
  EXPECT_EQ(Number("8>>21h"), 4u);
  EXPECT_EQ(Number("1>>>1"), 0x80000000u);
  EXPECT_EQ(Number("80000000h<<<1"), 1u);
  EXPECT_EQ(Number("0-1"), 0xFFFFFFFFu);
  EXPECT_EQ(Number("17t%5"), 2u);
  EXPECT_EQ(Number("2**20h"), 0u);
  EXPECT_EQ(Number("3 == 3 && 2 != 3"), 1u);
  EXPECT_EQ(Number("0 || 0"), 0u);
}

TEST_F(ExpressionTest, NumberTokensAndFormats) {
  EXPECT_EQ(Number("10"), 16u);
  EXPECT_EQ(Number("10t"), 10u);
  EXPECT_EQ(Number("11i"), 3u);
  EXPECT_EQ(Number("FFh"), 255u);
  EXPECT_EQ(Number("add"), 2781u);
  EXPECT_EQ(Text("\"abc\".s5"), "abc  ");
  EXPECT_EQ(Text("\"abcdef\".s3"), "abc");
  EXPECT_EQ(Text("255t.s"), "FF");
  EXPECT_EQ(Text("255t.st"), "255");
  EXPECT_EQ(Text("5t.si8"), "00000101");
  EXPECT_EQ(Number("\"1F\".n"), 31u);
  EXPECT_EQ(Number("\"11\".nt"), 11u);
  EXPECT_EQ(Number("\"12345\".nt2"), 12u);
  EXPECT_EQ(Error("5.n"), "Cannot convert a numerical value to a numerical value.");
  EXPECT_EQ(Error("5.x"), "Unknown format specifier.");
  EXPECT_EQ(Text("\"a.b\""), "a.b");
}

TEST_F(ExpressionTest, TextOperations) {
  EXPECT_EQ(Number("\"ABC\"==\"abc\""), 1u);
  EXPECT_EQ(Number("\"ABC\"!=\"abd\""), 1u);
  EXPECT_EQ(Text("\"abcabc\"-\"bc\""), "aabc");
  EXPECT_EQ(Text("\"abc\"-\"x\""), "abc");
  EXPECT_EQ(Text("\"abcdef\"-2t"), "abcd");
  EXPECT_EQ(Text("\"ab\"*3"), "ababab");
  EXPECT_EQ(Text("\"ab\"*0"), "");
  EXPECT_EQ(Text("\"abcd\"<<<1"), "bcda");
  EXPECT_EQ(Text("\"abcd\">>>1"), "dabc");
  EXPECT_EQ(Text("\"abcd\">>1"), "abc");
  EXPECT_EQ(Text("\"abcd\"<<9"), "");
  EXPECT_EQ(Text("\"ab\"+\"cd\""), "abcd");
  EXPECT_EQ(Number("\"(\"==\"(\""), 1u);
  EXPECT_EQ(Number("\"\" or 0"), 0u);
  EXPECT_EQ(Text("1?\"yes\":\"no\""), "yes");
  EXPECT_EQ(Text("\"x\"*1000t").size(), kMaxExprText);
  EXPECT_EQ(Text("\"" + std::string(300, 'q') + "\"").size(), kMaxExprText);
}

TEST_F(ExpressionTest, FailuresGiveTheirMessages) {
  EXPECT_EQ(Error("-1"), "Expected an expression here.");
  EXPECT_EQ(Error("1+*2"), "Expected an expression here.");
  EXPECT_EQ(Error("1+"), "Missing an expression after the operator.");
  EXPECT_EQ(Error("1?2:"), "Missing an expression after the operator.");
  EXPECT_EQ(Error(""), "Missing an expression after the operator.");
  EXPECT_EQ(Error("   "), "Missing an expression after the operator.");
  EXPECT_EQ(Error("1?2"), "Unknown feature or token.");
  EXPECT_EQ(Error("(1"), "Parenthesis mismatch.");
  EXPECT_EQ(Error("1)"), "Parenthesis mismatch.");
  EXPECT_EQ(Error("5%0"), "Cannot divide by zero.");
  EXPECT_EQ(Error("5/0"), "Cannot divide by zero.");
  EXPECT_EQ(Error("\"a\"%2"), "Modulus not supported for strings.");
  EXPECT_EQ(Error("\"a\"/2"), "Division not supported for strings.");
  EXPECT_EQ(Error("2*\"a\""), "Expected a numerical value here.");
  EXPECT_EQ(Error("1+\"a\""), "Cannot mix numerical and string values here.");
  EXPECT_EQ(Error("1==\"a\""), "Cannot mix numerical and string values here.");
  EXPECT_EQ(Error("\"a\"&1"), "Unexpected string value.");
  EXPECT_EQ(Error("~\"a\""), "Unexpected string value.");
  EXPECT_EQ(Error("1-\"a\""), "Unexpected string value.");
  EXPECT_EQ(Error("\"abc"), "Invalid string value.");
  EXPECT_EQ(Error("$pc"), "Unknown token or expression.");
  EXPECT_EQ(Error("nosuchfeature"), "Unknown feature or token.");
  EXPECT_EQ(Error("((1))"), "Unknown feature or token.");  // one group is opened a level
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
  EXPECT_EQ(Number("fx"), 8u);
  EXPECT_EQ(Number("FX*2"), 16u);
  EXPECT_EQ(Number("width"), 640u);
  EXPECT_EQ(Text("width.s"), "640 pixels");
  EXPECT_EQ(Text("chipname"), "K7Q62500");
  EXPECT_EQ(Number("m0 == 0"), 1u);
  EXPECT_EQ(Text("m0.s"), "Internal CG ROM");
  EXPECT_EQ(Number("cfgdesc == \"\""), 1u);
  chip_.SetValueText("cfgdesc", "hi");
  EXPECT_EQ(Text("cfgdesc+\"!\""), "hi!");
  EXPECT_EQ(Number("framerate > 40t"), 1u);
}

TEST(FeatureResolver, WriteOnlyAndTextFeatures) {
  ChipTables tables;
  const char* lines[] = {"<CHIPDEF><PRODUCT KEYNAME=\"62500\"/>",
                         "<REGISTER KEYNAME=\"r\" REG=\"1C\" BITWIDTH=\"8\"/>",
                         "<FEATURE KEYNAME=\"w\" TYPE=\"numb\" REG=\"1C\" ACCESS=\"wo\"/>",
                         "<FEATURE KEYNAME=\"other\" TYPE=\"numb\" PRODUCT=\"999\"/>",
                         "</CHIPDEF>"};
  LoadChipDefinition(tables, lines, 5);
  Chip62500 chip(tables);
  InstallFeatureResolver(chip);
  EXPECT_EQ(Error("w"), "Cannot show value as this feature is write-only.");
  EXPECT_EQ(Error("other"), "Unknown feature or token.");
  SetIdentifierResolver(nullptr);
}
