// Inputs that once took minutes, looped or crashed finish at once. Without the bounds
// these cases run for tens of seconds or forever (the test's TIMEOUT ends them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "chipmodel/ui_features.h"
#include "config/chip62500.h"
#include "expr/expression.h"
#include "tests/test_files.h"

namespace {

int Depth(const std::vector<std::unique_ptr<UiNode>>& nodes) {
  int deepest = 0;
  for (const auto& node : nodes) deepest = std::max(deepest, 1 + Depth(node->children));
  return deepest;
}

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace

TEST(BoundedWork, ExpressionRepeatsStopAtOnce) {
  const ExprResult empty = Evaluate("\"\"*FFFFFFFF");
  ASSERT_TRUE(empty.ok);
  EXPECT_EQ(empty.value.text, "");
  EXPECT_EQ(Evaluate("\"ab\"*FFFFFFFF").value.text.size(), kMaxExprText);
}

TEST(BoundedWork, UiFeatureLoaderLimitsFilesDepthAndTime) {
  Chip62500 chip;
  TempDir dir;
  const std::string item = R"(<UIITEM TYPE="group" FULLNAME="G">)";
  // 100,000 nested items are cut at the depth limit instead of overflowing the stack.
  UiFeatures deep(chip, "<UIFEATURES>" + Repeated(item, 100000) + Repeated("</UIITEM>", 100000) +
                            "</UIFEATURES>");
  EXPECT_EQ(Depth(deep.TopLevel()), kMaxUiItemDepth);
  // 200,000 siblings load in linear time.
  UiFeatures wide(chip,
                  "<UIFEATURES>" + Repeated(R"(<UIITEM TYPE="item"/>)", 200000) + "</UIFEATURES>");
  EXPECT_EQ(wide.TopLevel().size(), 200000u);

  // A file naming itself, a cycle of two files, and a device are read no further.
  const auto itemNaming = [](const std::string& file) {
    return R"(<UIITEM TYPE="template" FULLNAME=")" + file + R"(" FILE=")" + file + R"("/>)";
  };
  WriteFile(dir.File("self.xml"), "<TEMPLATES>" + itemNaming("self.xml") + "</TEMPLATES>");
  WriteFile(dir.File("a.xml"), "<TEMPLATES>" + itemNaming("b.xml") + "</TEMPLATES>");
  WriteFile(dir.File("b.xml"), "<TEMPLATES>" + itemNaming("a.xml") + "</TEMPLATES>");
  setenv(kTemplatePathVariable, dir.path().c_str(), 1);
  UiFeatures files(chip, "<UIFEATURES>" + itemNaming("self.xml") + itemNaming("a.xml") +
                             itemNaming("/dev/zero") + "</UIFEATURES>");
  unsetenv(kTemplatePathVariable);
  std::string shown;
  for (const auto& node : files.TopLevel()) {
    shown += *node->item.fullName + (node->item.enabled ? " " : "(off) ");
  }
  EXPECT_EQ(shown, "self.xml self.xml(off) a.xml b.xml a.xml(off) /dev/zero(off) ");
}
