// The chip definition loaded into its tables; labels, descriptions, value summaries and
// details of every feature and register, and the quick reference, for the embedded chip
// and made-up chips of the corner cases it lacks (data/*_chip.xml), in golden files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "reports/descriptions.h"
#include "reports/quick_reference.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

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

// Details with the value summary as their first line, or with the label.
std::string FeatureTexts(ChipEngine& chip, bool summaryFirst, std::string_view indent,
                         size_t width) {
  std::string out;
  for (const FeatureRecord& f : chip.Tables().features) {
    const std::string& key = *f.keyname;
    out += "== " + key + "\nDescription: " + FeatureDescription(chip, key).value_or("<none>") +
           "\nSummary: " + FeatureValueSummary(chip, key) + "\n";
    const std::string summary = summaryFirst ? FeatureValueSummary(chip, key) : "";
    FeatureDetails(chip, key, out, summary, "\n", indent, width);
    out += "\n";
  }
  return out;
}

const uint32_t kFlagSets[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x09,
                              0x12, 0x13, 0x14, 0x19, 0x1B, 0x20, 0x3F};

// "<keyname or index> <flags>  <label>" for every feature and register.
std::string LabelTable(ChipEngine& chip) {
  std::string out;
  auto add = [&](const std::string& what, uint32_t flags, std::optional<std::string> label) {
    out += StringPrintf("%-14s %02X  ", what.c_str(), flags) + label.value_or("<none>") + "\n";
  };
  for (const FeatureRecord& f : chip.Tables().features) {
    for (uint32_t flags : kFlagSets) add(*f.keyname, flags, FeatureLabel(chip, *f.keyname, flags));
  }
  for (const RegisterRecord& r : chip.Tables().registers) {
    for (uint32_t flags : kFlagSets) {
      add(StringPrintf("%04X", r.index), flags, RegisterLabel(chip, r.index, flags));
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

TEST(Descriptions, EveryFeature) {
  Chip62500 chip;
  EXPECT_EQ(FeatureValueSummary(chip, "cfgdesc"), "Configuration Description  =  (empty)");
  ASSERT_TRUE(chip.SetValueText("cfgdesc", "Board A"));
  EXPECT_GOLDEN("descriptions/embedded.txt", FeatureTexts(chip, true, ">>", 90));
  // A long composition is broken before a joint to stay within the width.
  std::string wrapped;
  FeatureDetails(chip, "ap", wrapped, {}, "\n", {}, 50);
  EXPECT_NE(wrapped.find("REG[0006h-b7:0]<<0\n      + REG[0007h-b7:0]<<8"), std::string::npos)
      << wrapped;
  std::string unknown;
  FeatureDetails(chip, "nosuchfeature", unknown, {}, "\n", {}, 90);
  EXPECT_EQ(unknown, "");
  EXPECT_FALSE(FeatureDescription(chip, "nosuchfeature"));
  EXPECT_EQ(FeatureValueSummary(chip, "nosuchfeature"), "");
  ChipTables tables = LoadTestChip("lists_chip");
  Chip62500 lists(tables);
  ASSERT_TRUE(lists.SetRawValue("mode", 2) && lists.SetRawValue("scaled", 3));
  ASSERT_TRUE(lists.SetRawValue("big", 0x345));
  EXPECT_GOLDEN("descriptions/lists_chip.txt", FeatureTexts(lists, false, "    ", 34));
  lists.SetShowReserved(true);
  EXPECT_GOLDEN("descriptions/lists_chip-reserved.txt", FeatureTexts(lists, true, "", 90));
}

TEST(Descriptions, WrapBreaksAfterTheLastBlankThatFits) {
  // The blank that ends a piece counts towards the limit.
  const struct {
    const char* text;
    size_t width;
    std::vector<std::string> pieces;
  } rows[] = {{"aaa bbb ccc", 5, {"aaa ", "bbb ", "ccc"}},
              {"abcdefgh", 3, {"abc", "def", "gh"}},
              {"ab", 5, {"ab"}},
              {"", 5, {}},
              {"abcd efgh", 5, {"abcd ", "efgh"}},
              {"abcde fgh", 5, {"abcde", " fgh"}},
              {"abcde", 5, {"abcde"}}};
  for (const auto& row : rows) EXPECT_EQ(WrapText(row.text, row.width), row.pieces) << row.text;
}

TEST(Labels, EveryFeatureAndRegister) {
  Chip62500 chip;
  EXPECT_GOLDEN("labels/embedded.txt", LabelTable(chip));
  EXPECT_EQ(FeatureLabel(chip, "APlsb", 0x02), "REG[0006h] Bits 7:0");  // any letter case
  EXPECT_FALSE(FeatureLabel(chip, "nosuchfeature", 0x01));
  EXPECT_FALSE(FeatureLabel(chip, "", 0x20));
  EXPECT_FALSE(RegisterLabel(chip, 0x0021, 0x0B));
  ChipTables tables = LoadTestChip("labels_chip");
  Chip62500 odd(tables);
  EXPECT_GOLDEN("labels/labels_chip.txt", LabelTable(odd));
  // Read-only wins over write-only.
  for (FeatureRecord& f : tables.features) {
    if (f.keyname == "sink") f.readOnly = true;
  }
  for (RegisterRecord& r : tables.registers) {
    if (r.index == 0x10) r.readOnly = r.writeOnly = true;
  }
  Chip62500 both(tables);
  EXPECT_EQ(FeatureLabel(both, "sink", 0x09), "Sink [READONLY]");
  EXPECT_EQ(RegisterLabel(both, 0x0010, 0x19), "Wide Register [RO]");
}

TEST(QuickReference, RegisterBlocks) {
  Chip62500 chip;
  std::string missing, plain;
  RegisterBlock(chip, 0x0099, missing, "\n", 74, true);
  EXPECT_EQ(missing, "REG[0099h] does not exist for this chip.");
  RegisterBlock(chip, 0x0001, plain, "\n", 74, false);
  EXPECT_EQ(plain.rfind("REG[0001h] FX Register\nCurrent=87h, Default=00h.\n", 0), 0u) << plain;
  EXPECT_EQ(plain.find("+--------+"), std::string::npos);
}

// Made-up chips: a 16-bit register at two widths, reserved and foreign parts, lists with
// read and write names, operators and spans.
TEST(QuickReference, MadeUpChips) {
  const struct {
    const char* chip;
    bool reserved;
    size_t width;
  } rows[] = {{"wide_chip", false, 74},
              {"wide_chip", true, 74},
              {"wide_chip", false, 150},
              {"lists_chip", false, 74},
              {"lists_chip", true, 74}};
  for (const auto& row : rows) {
    ChipTables tables = LoadTestChip(row.chip);
    Chip62500 chip(tables);
    chip.SetShowReserved(row.reserved);
    chip.SetRawValue("mode", 2);
    chip.SetRawValue("scaled", 3);
    chip.SetRawValue("big", 0x345);
    const std::string name = std::string("quickref/") + row.chip +
                             (row.reserved ? "-reserved" : "") + "-" + std::to_string(row.width) +
                             ".txt";
    EXPECT_GOLDEN(name, QuickReference(chip, "\n", row.width));
  }
}

}  // namespace k7q
