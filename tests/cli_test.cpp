// The command-line tool, run as a subprocess: output, exit status and files it leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "chipmodel/hal_struct.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string Line(const std::string& a, const std::string& b) {
  return a + "\t" + b + "\n";
}

}  // namespace

// Every command of data/refused-commands.txt fails with its status and message, prints
// nothing, and leaves the files it names unchanged.
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
  std::string report;
  for (const std::string& args : Lines(ReadFile(TestSourcePath("data/refused-commands.txt")))) {
    const CliRun run = RunCliWords(args, dir.path());
    report += "$ " + args + "\n" + std::to_string(run.status) + " " + run.err + run.out;
  }
  EXPECT_GOLDEN("cli-refusals.txt", ReplaceAll(report, dir.path(), "<dir>"));
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(ReadFile(dir.File("target.s19")), SrecordTargetText());
  EXPECT_EQ(EntryCount(dir.path()), 2u);

  const std::string copy = dir.File("copy.exe");
  ASSERT_EQ(RunCli({"set", path, "fy=12", "--save-as", copy}).status, 0);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(RunCli({"get", copy, "fy"}).out, "12 pixels\n");
}

// The listings of show and show --json are golden files.
TEST(CliTool, ShowAndGetTheDefaultConfiguration) {
  EXPECT_EQ(RunCli({"show", "-"}).out, RunCli({}).out);
  CliRun get = RunCli({"get", "-", "fx", "WIDTH", "sysclksrc", "sb1saddr", "regoffset"});
  EXPECT_EQ(get.status, 0);
  EXPECT_EQ(get.out, "8 pixels\n640 pixels\nInternal OSC\n0000h\n00008000h\n");
}

TEST(CliTool, SetSavesInPlaceAndRoundTrips) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  const std::string before = ReadFile(path);

  CliRun set = RunCli({"set", path, "fx=5", "clki=12.5", "sysclksrc=CLKI", "cfgdesc=Panel A",
                       "stride=50t", "baseaddr=0x10000000", "ii=On"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.err, "");
  EXPECT_EQ(ReadFile(path).size(), before.size());
  EXPECT_EQ(
      RunCli({"get", path, "fx", "clki", "sysclksrc", "cfgdesc", "stride", "baseaddr", "ii"}).out,
      "5 pixels\n12.500 MHz\nCLKI\nPanel A\n50 bytes\n10000000h\nTrue\n");
  EXPECT_EQ(RunCli({"check", path}).out, Line("OK", path));

  ASSERT_EQ(RunCli({"setreg", path, "0001=85", "000Ah=1Ch", "3=63t"}).status, 0);
  EXPECT_EQ(RunCli({"get", path, "fx", "stride"}).out, "6 pixels\n64 bytes\n");
  const nlohmann::json doc = nlohmann::json::parse(RunCli({"show", path, "--json"}).out);
  EXPECT_EQ(doc["registers"][10]["value"], 0x1C);
  EXPECT_EQ(doc["block"]["clki"], 12500000);
  // Number features take expressions over features; their numbers are hexadecimal.
  EXPECT_EQ(RunCli({"set", path, "vram=stride*lf", "tcr=stride+4t"}).status, 0);
  EXPECT_EQ(RunCli({"get", path, "vram", "tcr"}).out, "12800\n68 bytes\n");
  // A frequency beyond the chip's limits is set, with a warning.
  CliRun fast = RunCli({"set", path, "clki=150"});
  EXPECT_EQ(fast.status, 0);
  EXPECT_EQ(fast.err, "62500cfg: warning: clki is 150.000 MHz, outside 0.390 MHz to 120.000 MHz\n");
  EXPECT_EQ(RunCli({"get", path, "clki"}).out, "150.000 MHz\n");
}

TEST(CliTool, CheckReportsEachFile) {
  TempDir dir;
  const std::string good = WriteImage(dir, "good.exe");
  const std::string empty = dir.File("empty.exe");
  WriteFile(empty, "");
  const std::string plain = dir.File("plain.elf");
  WriteFile(plain, std::string(2000, 'x'));
  CliRun check = RunCli({"check", good, empty, plain});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out,
            Line("OK", good) + Line("Error", empty + ": The specified file has a length of zero.") +
                Line("Error", plain + ": The file does not contain any configuration data."));
  // The full message boxes go to stderr, the S-record reader's own errors first.
  EXPECT_THAT(check.err, HasSubstr("62500cfg: File \"" + empty + "\" could not be opened"));
  const std::string badSum = dir.File("bad.s19");
  WriteFile(badSum, "S10500000000FF\r\n");
  CliRun checkSum = RunCli({"check", badSum});
  EXPECT_EQ(checkSum.status, 1);
  EXPECT_THAT(checkSum.err, StartsWith("62500cfg: ERROR: Invalid checksum!\n"));
  EXPECT_EQ(RunCli({"check", good, good}).status, 0);
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
  // An .out image cannot be opened but can be configured; it keeps its base address here.
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

TEST(CliTool, EvalComputesOverFeatures) {
  EXPECT_EQ(RunCli({"eval", "1+2*3"}).out, "7 (7h)\n");
  EXPECT_EQ(RunCli({"eval", "chipname"}).out, "K7Q62500\n");
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"set", path, "fx=6"}).status, 0);
  EXPECT_EQ(RunCli({"eval", "fx == 6", "--from", path}).out, "1 (1h)\n");
  EXPECT_EQ(RunCli({"eval", "fx == 6"}).out, "0 (0h)\n");
}

TEST(CliTool, TemplatesAreListedAndApplied) {
  EXPECT_EQ(RunCli({"template", "-"}).out,
            "Memory Map Templates\n"
            "    none         (no match)\n"
            "    eval         Orvix Evaluation Board\n");

  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"set", path, "baseaddr=1000", "memoffset=40"}).status, 0);
  const std::string copy = dir.File("copy.exe");
  CliRun applied = RunCli({"template", path, "orvix board", "--save-as", copy});
  EXPECT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(RunCli({"get", copy, "baseaddr", "regoffset", "memoffset"}).out,
            "00000000h\n00000000h\n00000000h\n");
  EXPECT_THAT(RunCli({"template", copy}).out,
              HasSubstr("\n  * eval         Orvix Evaluation Board\n"));
  // show names the matching template of each template item.
  EXPECT_THAT(RunCli({"show", path}).out,
              HasSubstr("\nTemplates\n  Memory Map Templates  (no match)\n\nFeatures\n"));
  EXPECT_THAT(RunCli({"show", copy}).out,
              HasSubstr("\nTemplates\n  Memory Map Templates  Orvix Evaluation Board\n"));
  EXPECT_EQ(nlohmann::json::parse(RunCli({"show", copy, "--json"}).out)["templates"][0]["key"],
            "eval");
}

// Typed values are stored as meant, with a note when the chip changes them.
TEST(CliTool, ValuesAreStoredAsMeant) {
  TempDir dir;
  const std::string exe = WriteImage(dir, "driver.exe");
  CliRun run = RunCli({"set", exe, "clki=3276.8  kHz", "rawbpp=1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "62500cfg: note: rawbpp is now '2', not '1'\n");
  EXPECT_EQ(RunCli({"get", exe, "clki"}).out, "3.276 MHz\n");
}
