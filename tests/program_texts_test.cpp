// Texts of the program and the rules of its editors.
#include "uimodel/program_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "uifeatures/ui_features.h"
#include "uimodel/editor_rules.h"

namespace k7q {

namespace {

// The resolver of typed expressions comes with the UI feature object.
struct EditorRulesChip {
  EditorRulesChip() { chip.LoadBlock(DefaultHalStruct()); }
  Chip62500 chip;
  UiFeatures features{chip};
};

// Names, window titles, the About line, the Open and Save As filters, the tooltips, the
// toolkit update texts and the words of command lines.
TEST(ProgramTexts, NamesFiltersTooltipsAndCommandLines) {
  Chip62500 chip;
  std::string out = ProgramName(chip) + "\n" + ProductTitle(chip) + "\n" + AboutText(chip) + "\n";
  for (const char* path : {"", "/x/y/DRIVER.EXE", "C:\\X\\DRIVER.EXE"})
    out += WindowTitle(chip, path) + "\n";
  for (const FileFilter& f : OpenFilters()) out += "open: " + f.name + " | " + f.patterns + "\n";
  for (const char* path : {"/x/DRIVER.EXE", "a.s19", "b.tkb", "c.srec", "/dir.v2/noext"}) {
    std::string extension = "?";
    for (const FileFilter& f : SaveAsFilters(path, &extension)) {
      out += std::string("save as ") + path + ": " + f.name + " | " + f.patterns + "\n";
    }
    out += "default extension: " + extension + "\n";
  }
  // 1911: an identifier without a tip.
  for (ControlId id : {ControlId::kFeaturesPage, ControlId::kRegistersPage, ControlId::kDirectPage,
                       ControlId::kDrawTestPattern, ControlId::kHotToChip, ControlId{1911}}) {
    out += "tooltip " + std::to_string(static_cast<int>(id)) + ": " + TooltipText(chip, id) + "\n";
  }
  for (const auto& [needed, used] : {std::pair{604, 603}, {604, 700}, {604, 604}})
    out += UpdateToolkitText(needed / 100, needed % 100, used / 100, used % 100) + "\n";
  for (const char* line : {"A.EXE  B.EXE", "  A.EXE ", "/home/x/a.exe /b-c.exe", "-h",
                           "A.EXE -v B.EXE", "\"My File.exe\"", ""}) {
    out += std::string("split [") + line + "]:";
    for (const std::string& word : SplitCommandLine(line)) out += " [" + word + "]";
    out += "\n";
  }
  EXPECT_GOLDEN("program-texts.txt", out);
}

// A chip that reports one consistency error.
class ErringChip : public Chip62500 {
 public:
  uint32_t ConfigurationErrors(std::string& out, uint32_t room) override {
    if (!erring) return 0;
    const std::string text = std::string("ERROR: x cannot =0 when y >16.\n").substr(0, room);
    out += text;
    return static_cast<uint32_t>(text.size());
  }
  bool erring = false;
};

TEST(ProgramTexts, DiagnosticsAppendChipErrors) {
  ErringChip chip;
  chip.LoadBlock(DefaultHalStruct());
  Diagnostics d = ComposeDiagnostics(chip, "Note.\n", false);
  EXPECT_EQ(d.text, "Note.");
  EXPECT_FALSE(d.alert);
  EXPECT_TRUE(ComposeDiagnostics(chip, "", true).alert);
  // The chip itself never reports one: bpp cannot exceed 4.
  ASSERT_FALSE(chip.SetValueText("bpp", "24"));
  EXPECT_FALSE(ComposeDiagnostics(chip, "Note.", false).alert);
  chip.erring = true;
  d = ComposeDiagnostics(chip, "Note.\n", false);
  EXPECT_TRUE(d.alert);
  EXPECT_EQ(d.text.rfind("Note.\nERROR: ", 0), 0u);
  EXPECT_NE(d.text.back(), '\n');
  d = ComposeDiagnostics(chip, std::string(5000, 'x'), false);
  EXPECT_EQ(d.text.size(), 4095u);
}

}  // namespace

TEST(EditorRules, ReadTypedNumberInRadixOrAsExpression) {
  EditorRulesChip fixture;
  fixture.chip.SetFieldValue("fy", 6);
  // A whole number in the radix, a radix letter or prefix, or an expression.
  const struct {
    const char* text;
    uint32_t radix, value;
  } rows[] = {{"", 16, 0},      {" 12 ", 10, 12}, {"12", 16, 0x12}, {"101", 2, 5}, {"10h", 10, 16},
              {"0X1F", 16, 31}, {"0x1F", 10, 31}, {"FY*2", 10, 12}, {"fx", 10, 8}};
  uint32_t value = 99;
  std::string error;
  for (const auto& row : rows) {
    EXPECT_TRUE(ReadTypedNumber(row.text, row.radix, &value, &error)) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
  EXPECT_FALSE(ReadTypedNumber("12A", 10, &value, &error));
  EXPECT_EQ(error, "not a decimal number");
  EXPECT_FALSE(ReadTypedNumber("102", 2, &value, &error));
  EXPECT_FALSE(ReadTypedNumber("nosuch", 10, &value, &error));
  EXPECT_EQ(error, "Unknown feature or token.");
  EXPECT_FALSE(ReadTypedNumber("\"text\"", 10, &value, &error));
  EXPECT_EQ(error, "Expected a numerical value here.");
}

// The Currently line and the range error in the editor's radix.
TEST(EditorRules, CurrentlyLineAndRangeInRadix) {
  EditorRulesChip fixture;
  Chip62500& chip = fixture.chip;
  chip.SetFieldValue("fx", 10);
  EXPECT_EQ(CurrentlyLine(chip, "fx", 10), "Currently  =  10 pixels");
  EXPECT_EQ(CurrentlyLine(chip, "fx", 16), "Currently  =  A pixels");
  EXPECT_EQ(CurrentlyLine(chip, "fx", 2), "Currently  =  1010 pixels");
  EXPECT_EQ(ValidateNumber(chip, "fx", 16, 10), "");
  EXPECT_EQ(ValidateNumber(chip, "fx", 17, 10), "Must be between 1 and 16!");
  EXPECT_EQ(ValidateNumber(chip, "fx", 0, 16), "Must be between 1 and 10!");
  EXPECT_EQ(ValidateNumber(chip, "fx", 0, 2), "Must be between 1 and 10000!");
}

TEST(EditorRules, MemoryMapAndSequenceLines) {
  EXPECT_EQ(MemoryMapLine(0x1000, 0x1FFF, "Registers"), "00001000h-00001FFFh Registers");
  EXPECT_EQ(MemoryMapLine(0x200000, 0, "Chip Base Address"),
            "00200000h           Chip Base Address");
  EXPECT_EQ(MemoryMapLineStart("  00200000h           Chip"), 0x200000u);
  EXPECT_EQ(MemoryMapLineStart("00001000h-00001FFFh Registers"), 0x1000u);
  // The other sequence lines are tried in the editors' test.
  EXPECT_EQ(SequenceLine({kSequenceParameter, 0x123, ""}), "PARAM 123");
  EXPECT_EQ(SequenceLine({kSequenceDelay, 100, "wait"}), "DELAY 100  ( wait )");
}

}  // namespace k7q
