#include "chipmodel/chip_definition_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/text_format.h"
#include "tests/support/golden.h"
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

std::string Text(const OptText& text) {
  return text ? "\"" + *text + "\"" : "-";
}

// Every record with every field, one line each; list values indented below their feature.
std::string Dump(const ChipTables& t) {
  std::string out;
  for (const ProductRecord& p : t.products) {
    out += "product " + Text(p.keyname) + " prefix " + Text(p.prefix) + " name " + Text(p.name) +
           " suffix " + Text(p.suffix) + " desc " + Text(p.description) + " variantof " +
           Text(p.variantOf) + "\n";
  }
  for (const CategoryRecord& c : t.categories) {
    out += "category " + Text(c.keyname) + " " + Text(c.name) + "\n";
  }
  for (const RegisterRecord& r : t.registers) {
    out +=
        StringPrintf("register %04X-%04X step %u width %u default %X%s%s%s ", r.index, r.lastIndex,
                     r.indexStep, r.bitWidth, r.defaultValue, r.pseudo ? " pseudo" : "",
                     r.readOnly ? " ro" : "", r.writeOnly ? " wo" : "");
    out += Text(r.keyname) + " " + Text(r.name) + " category " + Text(r.category) + " reserved " +
           Text(r.reservedFor) + " exists " + Text(r.existsFor) + " desc " + Text(r.description) +
           "\n";
  }
  for (const FeatureRecord& f : t.features) {
    out += "feature " + Text(f.keyname) + " " + Text(f.name) + " unit " + Text(f.unit) + " ops " +
           Text(f.op1) + " " + Text(f.op2) + " reserved " + Text(f.reservedFor) + " exists " +
           Text(f.existsFor) + "\n  ";
    out += StringPrintf(
        "type %u min %u max %u step %u radix %u offset %u reg %X mask %X%s%s%s%s%s%s%s\n", f.type,
        f.minimum, f.maximum, f.step, f.radix, f.offsetBase, f.registerIndex, f.mask,
        f.inverted ? " inverted" : "", f.span ? " span" : "", f.needsCode ? " needscode" : "",
        f.readOnly ? " ro" : "", f.writeOnly ? " wo" : "", f.overlap ? " overlap" : "",
        f.redrawPattern ? " redraw" : "");
    out += "  desc " + Text(f.description) + "\n";
    for (const ListValueRecord& v : f.values) {
      out += StringPrintf("  value %u-%u ", v.first, v.last) + Text(v.text) + " read " +
             Text(v.readText) + " write " + Text(v.writeText) + " reserved " + Text(v.reservedFor) +
             " exists " + Text(v.existsFor) + "\n";
    }
  }
  return out;
}

}  // namespace

// Normalised keynames, operators applied to the limits, value ranges, radixes, generated
// features for reserved bits, pseudo-registers last; a second load changes nothing.
TEST(ChipDefinitionLoader, EmbeddedAndSmallDocuments) {
  ChipTables t;
  LoadChipDefinition(t, kChipDefLines, kChipDefLineCount);
  const std::string embedded = Dump(t);
  EXPECT_GOLDEN("loader/embedded.txt", embedded);
  LoadChipDefinition(t, kChipDefLines, kChipDefLineCount);
  EXPECT_EQ(Dump(t), embedded);
  EXPECT_GOLDEN("loader/attribute_rules.txt", Dump(LoadTestChip("attribute_rules")));
}

TEST(ChipDefinitionLoader, MalformedDocumentsKeepWhatCameBefore) {
  const ChipTables empty = Load({});
  EXPECT_TRUE(empty.products.empty() && empty.features.empty());

  const ChipTables broken = Load(
      {"<CHIPDEF><PRODUCT KEYNAME=\"p\"/>", "<FEATURE KEYNAME=\"one\" TYPE=\"numb\"/>",
       "<FEATURE KEYNAME=\"two\" TYPE=\"list\"><FEATUREVALUE INDEX=\"1\" VALUE=\"v\"/></FEATUR>",
       "<FEATURE KEYNAME=\"three\"/></CHIPDEF>"});
  EXPECT_EQ(broken.products.size(), 1u);
  EXPECT_TRUE(Find(broken, "one"));
  EXPECT_TRUE(Find(broken, "two"));
  EXPECT_FALSE(Find(broken, "three"));

  const ChipTables garbage = Load({"not xml at all <<<", "<CHIPDEF>"});
  EXPECT_TRUE(garbage.features.empty());
  // Only the exact element names count; attribute names are case-sensitive.
  const ChipTables cased = Load(
      {"<CHIPDEF><feature KEYNAME=\"lower\"/><FEATURE keyname=\"k\" TYPE=\"numb\"/></CHIPDEF>"});
  ASSERT_EQ(cased.features.size(), 1u);
  EXPECT_FALSE(cased.features[0].keyname);
}
