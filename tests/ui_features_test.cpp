#include "uifeatures/ui_features.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "expr/expression.h"
#include "reports/descriptions.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

extern const char* const kUiFeaturesLines[];
extern const std::size_t kUiFeaturesLineCount;

namespace {

// The tree as indented item texts, one line per node.
void Dump(UiFeatures& ui, const UiNode* parent, const std::vector<std::unique_ptr<UiNode>>& nodes,
          size_t depth, std::string& out) {
  for (const auto& node : nodes) {
    EXPECT_EQ(node->parent, parent);
    out += std::string(2 * depth, ' ') + ui.ItemText(node->item) + "\n";
    Dump(ui, node.get(), node->children, depth + 1, out);
  }
}

UiNode* Child(const std::vector<std::unique_ptr<UiNode>>& nodes, const char* fullName) {
  for (const auto& node : nodes) {
    if (node->item.fullName && *node->item.fullName == fullName) return node.get();
  }
  return nullptr;
}

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

class UiFeaturesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetIdentifierResolver(nullptr); }
  Chip62500 chip_;
};

}  // namespace

TEST_F(UiFeaturesTest, BuiltInTreeAndItemTexts) {
  UiFeatures ui(chip_);
  std::string tree;
  Dump(ui, nullptr, ui.TopLevel(), 0, tree);
  EXPECT_GOLDEN("uifeatures-tree.txt", tree);
  UiNode* map = Child(Child(ui.TopLevel(), "Platforms")->children, "Memory Map");
  ASSERT_TRUE(map);
  EXPECT_EQ(ui.Label(map->children[0]->item, 0x01), "Memory Map Templates");
  // No item of the built-in file is left out.
  size_t elements = 0;
  for (size_t i = 0; i < kUiFeaturesLineCount; ++i) {
    for (const char* p = kUiFeaturesLines[i]; (p = std::strstr(p, "<UIITEM")); ++p) ++elements;
  }
  EXPECT_EQ(static_cast<size_t>(std::count(tree.begin(), tree.end(), '\n')), elements);
}

TEST_F(UiFeaturesTest, TemplatesMatchAndApply) {
  UiFeatures ui(chip_);
  UiItem* item = nullptr;
  int index = -1;
  ASSERT_TRUE(ui.FindTemplate("Orvix Evaluation Board", &item, &index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ui.MatchTemplate(*item), -1);
  EXPECT_EQ(ui.TemplateName(*item, 0, 0x01), "(no match)");
  EXPECT_EQ(ui.TemplateName(*item, 1, 0x11), "Orvix Board");
  EXPECT_EQ(ui.TemplateValueName(*item, 1, 1, 0x11), "Reg Addr Offset");
  ASSERT_TRUE(ui.ApplyTemplate(*item, 1, nullptr));
  EXPECT_EQ(chip_.Block().registerOffset, 0u);
  EXPECT_EQ(ui.MatchTemplate(*item), 1);
  EXPECT_EQ(ui.ItemText(*item), "Memory Map Templates* =  Orvix Evaluation Board");
  chip_.SetRawValue("memoffset", 0x100);
  EXPECT_EQ(ui.MatchTemplate(*item), -1);
  EXPECT_TRUE(ui.FindTemplate("EVAL", &item, &index));
  EXPECT_FALSE(ui.FindTemplate("nothing", &item, &index));
}

TEST_F(UiFeaturesTest, LoaderRulesVisibilityAndRejectedValues) {
  const std::string document = ReadFile(TestSourcePath("data/ui_loader_rules.xml"));
  UiFeatures ui(chip_, document);
  ASSERT_EQ(ui.TopLevel().size(), 3u);
  const auto& items = ui.TopLevel()[0]->children;
  ASSERT_EQ(items.size(), 5u);  // the missing feature and what it holds, and lf, are left out
  EXPECT_TRUE(ui.TopLevel()[1]->children.empty());
  EXPECT_TRUE(ui.IsHidden(items[0]->item));   // fx == 8
  EXPECT_FALSE(ui.IsHidden(items[1]->item));  // the empty text is false
  chip_.SetValueText("fx", "9");
  EXPECT_FALSE(ui.IsHidden(items[0]->item));
  EXPECT_EQ(ui.ItemText(items[2]->item), "Configuration Description [READONLY]   =  (empty) [off]");
  chip_.SetValueText("cfgdesc", "hi");
  chip_.SetValueText("ii", "1");
  EXPECT_EQ(ui.ItemText(items[2]->item), "Configuration Description [READONLY]   =  \"hi\" [on]");
  EXPECT_FALSE(ui.IsHidden(items[4]->item));  // a failed condition leaves 0
  EXPECT_TRUE(ui.IsHidden(items[3]->item));
  EXPECT_EQ(ui.Label(items[3]->item, 0x11), "CG [RSVD] ");
  chip_.SetShowReserved(true);
  EXPECT_FALSE(ui.IsHidden(items[3]->item));
  chip_.SetShowReserved(false);
  std::string cfgdesc, ii;
  FeatureDetails(chip_, "cfgdesc", cfgdesc, "", "\n", "", 90);
  FeatureDetails(chip_, "ii", ii, "", "\n", "", 90);
  ASSERT_FALSE(cfgdesc.empty());
  EXPECT_EQ(ui.Description(items[2]->item), cfgdesc + "\n\n[on/off] = " + ii);
  EXPECT_EQ(ui.Description(ui.TopLevel()[0]->item), "");
  UiItem& templ = ui.TopLevel()[2]->item;
  std::string error;
  EXPECT_FALSE(ui.ApplyTemplate(templ, 0, &error));
  EXPECT_EQ(chip_.GetFieldValue("fx"), 12u);  // the other value stays set
  EXPECT_EQ(error,
            "ERROR LOADING TEMPLATE:\nCould not set Character Generator Selection to 'bogus' "
            "(it remains 'Internal CG ROM').");
  EXPECT_EQ(templ.lastMatch, 0);
}

// Template files of data/templates/, named by top.xml there.
TEST_F(UiFeaturesTest, ExternalTemplateFiles) {
  const std::string folder = TestSourcePath("data/templates");
  setenv(kTemplatePathVariable, folder.c_str(), 1);
  UiFeatures ui(chip_, ReadFile(folder + "/top.xml"));
  unsetenv(kTemplatePathVariable);
  ASSERT_EQ(ui.TopLevel().size(), 5u);
  // An item of an external file follows the item that named the file, and its own
  // file is read as well.
  const UiItem& inner = ui.TopLevel()[4]->item;
  EXPECT_EQ(inner.fullName, "Inner");
  EXPECT_EQ(inner.templates.size(), 1u);
  UiItem& good = ui.TopLevel()[0]->item;
  ASSERT_EQ(good.templates.size(), 1u);
  EXPECT_EQ(ui.MatchTemplate(good), -1);
  ASSERT_TRUE(ui.ApplyTemplate(good, 0, nullptr));
  EXPECT_EQ(ui.MatchTemplate(good), 0);
  EXPECT_TRUE(ui.TopLevel()[1]->item.templates.empty());  // older version
  EXPECT_FALSE(ui.TopLevel()[1]->item.enabled || ui.TopLevel()[2]->item.enabled);
  // The folder may end in a slash; without the variable no file is found.
  const char* document = R"(<UIFEATURES><UIITEM TYPE="template" FILE="good.xml" FILEVER="2"/>
    </UIFEATURES>)";
  setenv(kTemplatePathVariable, (folder + "/").c_str(), 1);
  UiFeatures slash(chip_, document);
  unsetenv(kTemplatePathVariable);
  EXPECT_TRUE(slash.TopLevel()[0]->item.enabled);
  UiFeatures unset(chip_, document);
  EXPECT_FALSE(unset.TopLevel()[0]->item.enabled);
}

// Inputs that once took minutes, looped or crashed finish at once (without the bounds
// these run for tens of seconds or forever, until the test's TIMEOUT).
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

}  // namespace k7q
