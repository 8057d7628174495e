// The command-line tool, run as a subprocess: output, exit status and files it leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/hal_struct.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string Line(const std::string& a, const std::string& b) {
  return a + "\t" + b + "\n";
}

// Runs each command of data/NAME.txt in the folder; the commands with [status], stderr and
// stdout, the folder shown as <dir>.
std::string Session(const std::string& name, const TempDir& dir) {
  std::string out;
  for (const std::string& args : Lines(ReadFile(TestSourcePath("data/" + name + ".txt")))) {
    if (args.rfind("# ", 0) == 0) {
      out += args + "\n";
      continue;
    }
    const CliRun run = RunCliWords(args, dir.path());
    out += "$ " + args + "  [" + std::to_string(run.status) + "]\n" + run.err + run.out;
  }
  return ReplaceAll(out, dir.path(), "<dir>");
}

}  // namespace

// Every command of data/refused-commands.txt fails with the status and message that
// cli-refusals.txt holds, and leaves the files it names unchanged.
TEST(CliTool, UsageErrorsAndRefusedCommands) {
  EXPECT_THAT(RunCli({"--version"}).out, StartsWith("62500cfg "));
  for (const char* command :
       {"show", "get", "set", "setreg", "check", "configure", "export", "eval", "template"}) {
    CliRun help = RunCli({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_THAT(help.out, HasSubstr("Usage:")) << command;
  }
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe"), before = ReadFile(path);
  WriteFile(dir.File("target.s19"), SrecordTargetText());
  EXPECT_GOLDEN("cli-refusals.txt", Session("refused-commands", dir));
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(ReadFile(dir.File("target.s19")), SrecordTargetText());
  EXPECT_EQ(EntryCount(dir.path()), 2u);
  const std::string copy = dir.File("copy.exe");
  ASSERT_EQ(RunCli({"set", path, "fy=12", "--save-as", copy}).status, 0);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(RunCli({"get", copy, "fy"}).out, "12 pixels\n");
}

// A session of commands on one file, in cli-session.txt; the file keeps its size.
TEST(CliTool, SessionOfCommands) {
  EXPECT_EQ(RunCli({"show", "-"}).out, RunCli({}).out);
  TempDir dir;
  const size_t size = ReadFile(WriteImage(dir, "driver.exe")).size();
  WriteFile(dir.File("empty.exe"), "");
  WriteFile(dir.File("plain.elf"), std::string(2000, 'x'));
  WriteFile(dir.File("bad.s19"), "S10500000000FF\r\n");
  EXPECT_GOLDEN("cli-session.txt", Session("cli-session", dir));
  EXPECT_EQ(ReadFile(dir.File("driver.exe")).size(), size);
}

TEST(CliTool, ConfigureWritesEveryTarget) {
  TempDir dir;
  const std::string source = WriteImage(dir, "source.exe");
  ASSERT_EQ(RunCli({"set", source, "fx=6", "baseaddr=20000000"}).status, 0);
  HalStruct targetBlock = DefaultHalStruct();
  targetBlock.baseAddress = 0x30000000;
  const std::string first = WriteImage(dir, "first.exe", targetBlock);
  const std::string second = WriteImage(dir, "second.out", targetBlock);
  const std::string text = dir.File("notes.txt");
  WriteFile(text, "no block here\n");
  CliRun configure = RunCli({"configure", "--from", source, first, text});
  EXPECT_EQ(configure.status, 1);
  EXPECT_EQ(configure.out,
            "Summary of configured files:\n\n" + Line("OK", first) +
                Line("Error", text + ": The file does not contain any configuration data."));
  EXPECT_THAT(configure.err, StartsWith("62500cfg: File \"" + text + "\" could not be saved"));
  EXPECT_EQ(ReadFile(text), "no block here\n");
  EXPECT_EQ(RunCli({"get", first, "fx", "baseaddr"}).out, "6 pixels\n20000000h\n");
  // An .out image keeps its base address here.
  CliRun preserving = RunCli({"configure", "--from", source, "--preserve-addresses", second});
  EXPECT_EQ(preserving.status, 0) << preserving.err;
  const std::string secondCopy = dir.File("second.exe");
  WriteFile(secondCopy, ReadFile(second));
  EXPECT_EQ(RunCli({"get", secondCopy, "fx", "baseaddr"}).out, "6 pixels\n30000000h\n");
  EXPECT_EQ(RunCli({"configure", "--from", "-", first}).status, 0);
  EXPECT_EQ(RunCli({"get", first, "fx", "baseaddr"}).out, "8 pixels\n00000000h\n");
}

TEST(CliTool, ExportWritesGeneratedFiles) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"setreg", path, "0001=85"}).status, 0);
  CliRun csv = RunCli({"export", "csv", "--from", path, "-o", "-"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_THAT(csv.out, HasSubstr("\r\n0001h, 85h, FX Register\r\n"));
  // Without -o the kind's usual name in the current folder; with -o the named file.
  EXPECT_EQ(RunCli({"export", "wince-header", "--mode", "3"}, dir.path()).status, 0);
  EXPECT_EQ(ReadFile(dir.File("mode3.h")),
            RunCli({"export", "wince-header", "--mode", "3", "-o", "-"}).out);
  EXPECT_FALSE(ReadFile(dir.File("mode3.h")).empty());
  const std::string hal = dir.File("out.c");
  EXPECT_EQ(RunCli({"export", "hal-config", "--from", path, "-o", hal}).status, 0);
  EXPECT_EQ(ReadFile(hal), RunCli({"export", "hal-config", "--from", path, "-o", "-"}).out);
  EXPECT_NE(ReadFile(hal), RunCli({"export", "hal-config", "-o", "-"}).out);
}

}  // namespace k7q
