// Export kinds, their default names, buffer limits and writing the files.
#include "export/export_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "tests/support/fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
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
  EXPECT_EQ(EntryCount(folder.path()), 6u);  // no temporary files left behind
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
  EXPECT_EQ(EntryCount(folder.path()), 2u);
  // Through a link the linked file is written and the link stays.
  const std::string real = folder.File("real.h"), linkName = folder.File("link.h");
  WriteFile(real, "old");
  ASSERT_EQ(symlink(real.c_str(), linkName.c_str()), 0);
  EXPECT_EQ(WriteExportFile(linkName, "linked\r\n"), "");
  EXPECT_EQ(ReadFile(real), "linked\r\n");
  struct stat st;
  ASSERT_EQ(lstat(linkName.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(EntryCount(folder.path()), 4u);
  // A file with a second name is rewritten itself, so both names see the new text.
  const std::string other = folder.File("other.h");
  ASSERT_EQ(link(real.c_str(), other.c_str()), 0);
  EXPECT_EQ(WriteExportFile(real, "shared\r\n"), "");
  EXPECT_EQ(ReadFile(other), "shared\r\n");
  EXPECT_EQ(EntryCount(folder.path()), 5u);
  // A new file gets the usual permissions.
  EXPECT_EQ(WriteExportFile(folder.File("fresh.csv"), "a,b\r\n"), "");
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(Mode(folder.File("fresh.csv")), 0666u & ~mask);
}

TEST(ExportWriter, TextsOverTheBufferSizeAreRefused) {
  // A chip with so many registers that its register map outgrows the export buffer.
  ChipTables tables = LoadTestChip("many_registers");
  Chip62500 chip(tables);

  const ExportText map = GenerateExport(chip, ExportKind::kChipHeader, 0);
  EXPECT_FALSE(map.ok);
  EXPECT_EQ(map.error, "The generated chip.h does not fit into 32768 bytes.");
  EXPECT_TRUE(map.text.empty());
  TempDir folder;
  EXPECT_EQ(ExportToFile(chip, ExportKind::kChipHeader, 0, folder.File("chip.h")), map.error);
  EXPECT_EQ(EntryCount(folder.path()), 0u);
  // The other kinds list only the block's pairs and still fit; so does the reference.
  for (ExportKind kind : kExportKinds) {
    if (kind == ExportKind::kChipHeader) continue;
    const ExportText t = GenerateExport(chip, kind, 0);
    EXPECT_TRUE(t.ok) << t.error;
    EXPECT_LT(ToCrLf(t.text).size(),
              kind == ExportKind::kQuickReference ? kQuickReferenceBufferSize : kExportBufferSize);
  }
}
