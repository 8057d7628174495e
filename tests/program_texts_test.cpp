#include "config/program_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/chip62500.h"
#include "tests/support/golden.h"

namespace {

// Names, window titles, the About line, the Open and Save As filters and the tooltips.
TEST(ProgramTexts, NamesFiltersAndTooltips) {
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
  for (int id : {202, 207, 208, 1908, 1909, 1911}) {
    out += "tooltip " + std::to_string(id) + ": " + TooltipText(chip, id) + "\n";
  }
  EXPECT_GOLDEN("program-texts.txt", out);
}

TEST(ProgramTexts, CommandLineSplit) {
  using Words = std::vector<std::string>;
  const std::pair<const char*, Words> kRows[] = {
      {"A.EXE  B.EXE", {"A.EXE", "B.EXE"}},
      {"  A.EXE ", {"A.EXE"}},
      {"/home/x/a.exe /b-c.exe", {"/home/x/a.exe", "/b-c.exe"}},
      {"-h", {}},
      {"A.EXE -v B.EXE", {"A.EXE"}},
      {"\"My File.exe\"", {"\"My", "File.exe\""}},
      {"", {}}};
  for (const auto& [line, words] : kRows) EXPECT_EQ(SplitCommandLine(line), words) << line;
}

TEST(ProgramTexts, UpdateText) {
  EXPECT_EQ(UpdateToolkitText(6, 4, 6, 3),
            "This program requires version 6.04 (or greater) Qt libraries.\n"
            "Your system is using version 6.03 Qt libraries.\n"
            "Your system REQUIRES updating!");
  EXPECT_NE(UpdateToolkitText(6, 4, 7, 0).find("does NOT require updating!"), std::string::npos);
  EXPECT_NE(UpdateToolkitText(6, 4, 6, 4).find("does NOT require"), std::string::npos);
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
