#include "config/program_texts.h"

#include <gtest/gtest.h>

#include "config/chip62500.h"

namespace {

std::vector<std::string> Names(const std::vector<FileFilter>& filters) {
  std::vector<std::string> names;
  for (const FileFilter& f : filters) names.push_back(f.name);
  return names;
}

TEST(ProgramTexts, NamesTitleAndAbout) {
  Chip62500 chip;
  EXPECT_EQ(ProgramName(chip), "62500TWK");
  EXPECT_EQ(ProductTitle(chip), "K7Q62500");
  EXPECT_EQ(WindowTitle(chip, ""), "K7Q62500 Configuration Utility  (Build 8)");
  EXPECT_EQ(WindowTitle(chip, "/x/y/DRIVER.EXE"),
            "DRIVER.EXE - K7Q62500 Configuration Utility  (Build 8)");
  EXPECT_EQ(WindowTitle(chip, "C:\\X\\DRIVER.EXE"),
            "DRIVER.EXE - K7Q62500 Configuration Utility  (Build 8)");
  EXPECT_EQ(AboutText(chip), "62500TWK Version 3.00 - Build 8 [H:9 L:9]");
}

TEST(ProgramTexts, OpenAndSaveAsFilters) {
  ASSERT_EQ(OpenFilters().size(), 9u);
  EXPECT_EQ(OpenFilters()[0].patterns, "*.exe;*.srec;*.s9;*.s19;*.idp;*.elf;*.tkb;*.prc;*.out");
  EXPECT_EQ(OpenFilters()[3].patterns, "*.S9;*.S19");
  EXPECT_EQ(OpenFilters()[8].name, "All Files (*.*)");

  std::string extension;
  EXPECT_EQ(Names(SaveAsFilters("/x/DRIVER.EXE", &extension)),
            (std::vector<std::string>{"EXE Files", "All Files (*.*)"}));
  EXPECT_EQ(extension, "EXE");
  EXPECT_EQ(Names(SaveAsFilters("a.s19", &extension)),
            (std::vector<std::string>{"S9 Files", "All Files (*.*)"}));
  EXPECT_EQ(Names(SaveAsFilters("b.tkb", &extension)),
            (std::vector<std::string>{"TRAK-SH3 Files", "All Files (*.*)"}));
  EXPECT_EQ(extension, "tkb");
  EXPECT_EQ(Names(SaveAsFilters("c.srec", &extension)),
            (std::vector<std::string>{"All Files (*.*)"}));
  EXPECT_EQ(Names(SaveAsFilters("/dir.v2/noext", &extension)),
            (std::vector<std::string>{"All Files (*.*)"}));
  EXPECT_EQ(extension, "");
}

TEST(ProgramTexts, CommandLineSplit) {
  EXPECT_EQ(SplitCommandLine("A.EXE  B.EXE"), (std::vector<std::string>{"A.EXE", "B.EXE"}));
  EXPECT_EQ(SplitCommandLine("  A.EXE "), (std::vector<std::string>{"A.EXE"}));
  EXPECT_EQ(SplitCommandLine("/home/x/a.exe /b-c.exe"),
            (std::vector<std::string>{"/home/x/a.exe", "/b-c.exe"}));
  EXPECT_TRUE(SplitCommandLine("-h").empty());
  EXPECT_EQ(SplitCommandLine("A.EXE -v B.EXE"), (std::vector<std::string>{"A.EXE"}));
  EXPECT_EQ(SplitCommandLine("\"My File.exe\""), (std::vector<std::string>{"\"My", "File.exe\""}));
  EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST(ProgramTexts, TooltipsAndUpdateText) {
  Chip62500 chip;
  EXPECT_EQ(TooltipText(chip, 202), "Browse and change chip via a feature list.");
  const std::string registers = TooltipText(chip, 207);
  EXPECT_EQ(registers.rfind("Configure K7Q62500 registers.\n" + std::string(50, '_') + "\n**", 0),
            0u);
  EXPECT_EQ(TooltipText(chip, 1909),
            "Enables all configuration changes to be written to the physical chip "
            "immediately,\"Hot to Chip\".");
  EXPECT_EQ(TooltipText(chip, 1908), "Draw a test pattern in K7Q62500 video memory.");
  EXPECT_EQ(TooltipText(chip, 1911), "");

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
