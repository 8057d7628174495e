// Export kinds, their default names, buffer limits and writing the files.
#include "export/export_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

// The names in a folder, without . and ..
std::vector<std::string> Entries(const TempDir& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.path().c_str());
  while (dirent* e = readdir(dir)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(dir);
  return names;
}

mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A chip with so many registers that its register map outgrows the export buffer.
std::vector<std::string> ManyRegisters(int count) {
  std::vector<std::string> lines = {
      "<CHIPDEF><PRODUCTS><PRODUCT KEYNAME=\"62500\" PREFIX=\"K7Q\" NAME=\"62500\"/></PRODUCTS>",
      "<REGISTERS>"};
  for (int i = 0; i < count; ++i) {
    lines.push_back(
        StringPrintf("<REGISTER KEYNAME=\"r%d\" NAME=\"General Purpose Register %d\" REG=\"%04X\" "
                     "BITWIDTH=\"8\"/>",
                     i, i, i));
  }
  lines.push_back("</REGISTERS><FEATURES/></CHIPDEF>");
  return lines;
}

}  // namespace

TEST(ExportWriter, LineEnds) {
  EXPECT_EQ(ToCrLf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(ToCrLf("a\r\nb"), "a\r\nb");
  EXPECT_EQ(ToCrLf("a\rb\n\n"), "a\rb\r\n\r\n");
}

TEST(ExportWriter, ExportListAndFilters) {
  Chip62500 chip;
  std::string out;
  for (ExportKind kind : kExportKinds) {
    const ExportFilter filter = ExportFileFilter(kind);
    out += ExportListText(chip, kind, 0) + "\n  " + DefaultExportName(chip, kind, 12) + " | " +
           filter.name + " | " + filter.pattern + " | " + filter.defaultExtension + "\n";
  }
  EXPECT_GOLDEN("export-list.txt", out);
  EXPECT_EQ(ExportListText(chip, ExportKind::kWinCeHeader, 3),
            "C Header File for K7Q62500 WinCE Drivers \t\t[mode3.h]");
}

TEST(ExportWriter, EveryKindIsWrittenWithCrLfLineEnds) {
  Chip62500 chip;
  TempDir folder;
  for (ExportKind kind : kExportKinds) {
    const std::string name = DefaultExportName(chip, kind, 5);
    const ExportText generated = GenerateExport(chip, kind, 5);
    ASSERT_TRUE(generated.ok) << name << ": " << generated.error;
    EXPECT_EQ(generated.text.find('\r'), std::string::npos) << name;
    EXPECT_EQ(ExportToFile(chip, kind, 5, folder.File(name)), "") << name;
    const std::string written = ReadFile(folder.File(name));
    EXPECT_EQ(written, ToCrLf(generated.text)) << name;
    EXPECT_EQ(written.find("\r\r"), std::string::npos) << name;
    EXPECT_GT(written.size(), generated.text.size() + 10) << name;
  }
  EXPECT_NE(ReadFile(folder.File("mode5.h")).find("#ifndef __MODE5_H__\r\n"), std::string::npos);
  EXPECT_EQ(Entries(folder).size(), 6u);  // no temporary files left behind
}

TEST(ExportWriter, ReplacingAndRefusing) {
  TempDir folder;
  const std::string path = folder.File("HAL_config.c");
  // A writable file is replaced and keeps its permissions.
  WriteFile(path, "old text that is longer than the new one");
  chmod(path.c_str(), 0640);
  EXPECT_EQ(WriteExportFile(path, "new\r\n"), "");
  EXPECT_EQ(ReadFile(path), "new\r\n");
  EXPECT_EQ(Mode(path), 0640u);

  // A read-only file is left as it is.
  chmod(path.c_str(), 0444);
  EXPECT_EQ(WriteExportFile(path, "newer\r\n"), "Failed to create file " + path);
  EXPECT_EQ(ReadFile(path), "new\r\n");

  // Missing folders and folders as targets fail without leftovers.
  const std::string missing = folder.File("no/such/folder/chip.h");
  EXPECT_EQ(WriteExportFile(missing, "x"), "Failed to create file " + missing);
  mkdir(folder.File("sub").c_str(), 0755);
  EXPECT_EQ(WriteExportFile(folder.File("sub"), "x"),
            "Failed to create file " + folder.File("sub"));
  EXPECT_EQ(WriteExportFile("", "x"), "Failed to create file ");
  EXPECT_EQ(Entries(folder).size(), 2u);

  // Through a link the linked file is written and the link stays.
  const std::string real = folder.File("real.h"), linkName = folder.File("link.h");
  WriteFile(real, "old");
  ASSERT_EQ(symlink(real.c_str(), linkName.c_str()), 0);
  EXPECT_EQ(WriteExportFile(linkName, "linked\r\n"), "");
  EXPECT_EQ(ReadFile(real), "linked\r\n");
  struct stat st;
  ASSERT_EQ(lstat(linkName.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Entries(folder).size(), 4u);

  // A file with a second name is rewritten itself, so both names see the new text.
  const std::string other = folder.File("other.h");
  ASSERT_EQ(link(real.c_str(), other.c_str()), 0);
  EXPECT_EQ(WriteExportFile(real, "shared\r\n"), "");
  EXPECT_EQ(ReadFile(other), "shared\r\n");
  EXPECT_EQ(Entries(folder).size(), 5u);

  // A new file gets the usual permissions.
  EXPECT_EQ(WriteExportFile(folder.File("fresh.csv"), "a,b\r\n"), "");
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(Mode(folder.File("fresh.csv")), 0666u & ~mask);
}

TEST(ExportWriter, TextsOverTheBufferSizeAreRefused) {
  const std::vector<std::string> text = ManyRegisters(600);
  std::vector<const char*> lines;
  for (const std::string& line : text) lines.push_back(line.c_str());
  ChipTables tables;
  LoadChipDefinition(tables, lines.data(), lines.size());
  Chip62500 chip(tables);

  const ExportText map = GenerateExport(chip, ExportKind::kChipHeader, 0);
  EXPECT_FALSE(map.ok);
  EXPECT_EQ(map.error, "The generated chip.h does not fit into 32768 bytes.");
  EXPECT_TRUE(map.text.empty());
  TempDir folder;
  EXPECT_EQ(ExportToFile(chip, ExportKind::kChipHeader, 0, folder.File("chip.h")), map.error);
  EXPECT_TRUE(Entries(folder).empty());

  // The other kinds list only the block's pairs and still fit; so does the reference.
  for (ExportKind kind : kExportKinds) {
    if (kind == ExportKind::kChipHeader) continue;
    const ExportText t = GenerateExport(chip, kind, 0);
    EXPECT_TRUE(t.ok) << t.error;
    EXPECT_LT(ToCrLf(t.text).size(),
              kind == ExportKind::kQuickReference ? kQuickReferenceBufferSize : kExportBufferSize);
  }
}
