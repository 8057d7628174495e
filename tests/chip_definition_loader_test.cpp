#include "chipmodel/chip_definition_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace {

ChipTables Load(const std::vector<const char*>& lines) {
  ChipTables tables;
  LoadChipDefinition(tables, lines.data(), lines.size());
  return tables;
}

const FeatureRecord* Find(const ChipTables& t, const std::string& key) {
  for (const auto& f : t.features) {
    if (f.keyname && *f.keyname == key) return &f;
  }
  return nullptr;
}

}  // namespace

// The embedded definition's values show in the golden listings; here only what the
// loader itself adds: normalised keynames, pseudo-registers last, repeated loads.
TEST(ChipDefinitionLoader, EmbeddedDefinition) {
  ChipTables t;
  LoadChipDefinition(t, kChipDefLines, kChipDefLineCount);
  ASSERT_EQ(t.registers.size(), 39u);
  EXPECT_EQ(t.registers[32].index, 0x20u);
  EXPECT_TRUE(t.registers[33].pseudo);
  EXPECT_EQ(*t.registers[38].keyname, "endoftable");
  EXPECT_TRUE(Find(t, "apLSB"));
  EXPECT_EQ(Find(t, "regoffset")->offsetBase, static_cast<uint32_t>(kOffsetBase));
  EXPECT_EQ(Find(t, "chipid")->registerIndex, kNoRegister);
  const size_t features = t.features.size();
  LoadChipDefinition(t, kChipDefLines, kChipDefLineCount);
  EXPECT_EQ(t.features.size(), features);
}

TEST(ChipDefinitionLoader, AttributeRulesOfSmallDocuments) {
  const ChipTables t = LoadTestChip("attribute_rules");
  ASSERT_EQ(t.registers.size(), 1u);
  const RegisterRecord& r = t.registers[0];
  EXPECT_EQ(r.lastIndex, 0x1Eu);
  EXPECT_EQ(r.indexStep, 2u);
  EXPECT_EQ(r.defaultValue, 0x1Fu);
  EXPECT_EQ(*r.name, "b");
  EXPECT_FALSE(r.readOnly || r.writeOnly);

  const FeatureRecord* abc = Find(t, "ab-c");
  ASSERT_TRUE(abc);
  ASSERT_EQ(abc->values.size(), 2u);
  EXPECT_EQ(abc->values[0].first, 3u);
  EXPECT_EQ(abc->values[0].last, 3u);
  EXPECT_EQ(abc->values[1].last, 2u);
  EXPECT_EQ(*abc->values[1].readText, "r");

  const FeatureRecord* n = Find(t, "n");
  EXPECT_TRUE(n->values.empty());
  EXPECT_EQ(n->minimum, 1u);                   // (0*2)+1
  EXPECT_EQ(n->maximum, 31u);                  // (15*2)+1
  EXPECT_EQ(Find(t, "emptyop")->maximum, 0u);  // an operator text without an operator
  EXPECT_TRUE(Find(t, "emptylist")->values.empty());

  const FeatureRecord* b1 = Find(t, "b1");
  ASSERT_EQ(b1->values.size(), 2u);
  EXPECT_EQ(*b1->values[0].text, "True");
  EXPECT_EQ(*b1->values[1].text, "False");

  EXPECT_EQ(Find(t, "h1")->radix, 16u);
  EXPECT_EQ(Find(t, "h2")->radix, 16u);
  const FeatureRecord* x = Find(t, "x");
  EXPECT_EQ(x->type, static_cast<uint32_t>(kTypeUnset));
  EXPECT_EQ(x->radix, 10u);
  EXPECT_EQ(x->offsetBase, static_cast<uint32_t>(kOffsetSys));
  EXPECT_EQ(x->registerIndex, 0x12u);

  const FeatureRecord* r1 = Find(t, "r1Ab7to4");
  ASSERT_TRUE(r1);
  EXPECT_EQ(r1->type, static_cast<uint32_t>(kTypeNumb));
  EXPECT_EQ(*r1->reservedFor, "all");
  EXPECT_TRUE(Find(t, "r1Ab3"));
}

TEST(ChipDefinitionLoader, MalformedDocumentsKeepWhatCameBefore) {
  const ChipTables empty = Load({});
  EXPECT_TRUE(empty.products.empty() && empty.features.empty());

  const ChipTables broken = Load({
      "<CHIPDEF><PRODUCT KEYNAME=\"p\"/>",
      "<FEATURE KEYNAME=\"one\" TYPE=\"numb\"/>",
      "<FEATURE KEYNAME=\"two\" TYPE=\"list\"><FEATUREVALUE INDEX=\"1\" VALUE=\"v\"/></FEATUR>",
      "<FEATURE KEYNAME=\"three\"/></CHIPDEF>",
  });
  EXPECT_EQ(broken.products.size(), 1u);
  EXPECT_TRUE(Find(broken, "one"));
  EXPECT_TRUE(Find(broken, "two"));
  EXPECT_FALSE(Find(broken, "three"));

  const ChipTables garbage = Load({"not xml at all <<<", "<CHIPDEF>"});
  EXPECT_TRUE(garbage.features.empty());

  // Only the exact element names count; attribute names are case-sensitive.
  const ChipTables cased = Load({
      "<CHIPDEF><feature KEYNAME=\"lower\"/><FEATURE keyname=\"k\" TYPE=\"numb\"/></CHIPDEF>",
  });
  ASSERT_EQ(cased.features.size(), 1u);
  EXPECT_FALSE(cased.features[0].keyname);
}
