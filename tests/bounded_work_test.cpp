// Inputs that once took minutes, looped or crashed finish at once (without the bounds
// these run for tens of seconds or forever, until the test's TIMEOUT).
#include <gtest/gtest.h>

#include <cstdlib>

#include "config/chip62500.h"
#include "expr/expression.h"
#include "tests/support/test_files.h"
#include "uifeatures/ui_features.h"

namespace {

int Depth(const std::vector<std::unique_ptr<UiNode>>& nodes) {
  int deepest = 0;
  for (const auto& node : nodes) deepest = std::max(deepest, 1 + Depth(node->children));
  return deepest;
}

std::string Times(const std::string& text, int n) {
  std::string out;
  while (n-- > 0) out += text;
  return out;
}

std::string Naming(const std::string& file) {
  return R"(<UIITEM TYPE="template" FULLNAME=")" + file + R"(" FILE=")" + file + R"("/>)";
}

}  // namespace

TEST(BoundedWork, ExpressionsAndUiFeatureFiles) {
  EXPECT_EQ(Evaluate("\"\"*FFFFFFFF").value.text, "");
  EXPECT_EQ(Evaluate("\"ab\"*FFFFFFFF").value.text.size(), kMaxExprText);

  Chip62500 chip;
  UiFeatures deep(chip, "<UIFEATURES>" + Times("<UIITEM>", 100000) + Times("</UIITEM>", 100000) +
                            "</UIFEATURES>");
  EXPECT_EQ(Depth(deep.TopLevel()), kMaxUiItemDepth);
  UiFeatures wide(chip, "<UIFEATURES>" + Times("<UIITEM/>", 200000) + "</UIFEATURES>");
  EXPECT_EQ(wide.TopLevel().size(), 200000u);

  // A file naming itself, a cycle of two files, and a device are read no further.
  TempDir dir;
  WriteFile(dir.File("self.xml"), "<T>" + Naming("self.xml") + "</T>");
  WriteFile(dir.File("a.xml"), "<T>" + Naming("b.xml") + "</T>");
  WriteFile(dir.File("b.xml"), "<T>" + Naming("a.xml") + "</T>");
  setenv(kTemplatePathVariable, dir.path().c_str(), 1);
  UiFeatures files(chip,
                   "<U>" + Naming("self.xml") + Naming("a.xml") + Naming("/dev/zero") + "</U>");
  unsetenv(kTemplatePathVariable);
  std::string shown;
  for (const auto& node : files.TopLevel()) {
    shown += *node->item.fullName + (node->item.enabled ? " " : "(off) ");
  }
  EXPECT_EQ(shown, "self.xml self.xml(off) a.xml b.xml a.xml(off) /dev/zero(off) ");
}
