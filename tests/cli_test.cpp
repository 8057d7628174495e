// The command-line tool, run as a subprocess: output, exit status and files it leaves.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/hal_struct.h"
#include "tests/test_files.h"

extern char** environ;

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with the arguments, in the folder when one is given.
CliRun RunCli(const std::vector<std::string>& args, const std::string& folder = {}) {
  TempDir streams;
  const std::string outPath = streams.File("out");
  const std::string errPath = streams.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> argv{K7Q_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  CliRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, K7Q_CLI_PATH, &actions, nullptr, pointers.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

// An executable image holding the default block with a correct CRC.
std::string WriteImage(const TempDir& dir, const std::string& name,
                       const HalStruct& block = DefaultHalStruct()) {
  const std::string path = dir.File(name);
  WriteFile(path, ImageWith(StoredBlock(block, false)));
  return path;
}

std::string Line(const std::string& a, const std::string& b) {
  return a + "\t" + b + "\n";
}

}  // namespace

TEST(CliTool, ExitStatusAndUsage) {
  CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, StartsWith("62500cfg "));

  for (const char* command :
       {"show", "get", "set", "setreg", "check", "configure", "export", "eval", "template"}) {
    CliRun help = RunCli({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_THAT(help.out, HasSubstr("Usage:")) << command;
  }

  CliRun unknownCommand = RunCli({"frobnicate"});
  EXPECT_EQ(unknownCommand.status, 2);
  EXPECT_THAT(unknownCommand.err, StartsWith("62500cfg: "));
  EXPECT_EQ(unknownCommand.out, "");

  EXPECT_EQ(RunCli({"get", "-"}).status, 2);
  EXPECT_EQ(RunCli({"configure", "x.exe"}).status, 2);
  CliRun noEquals = RunCli({"set", "x.exe", "fx"});
  EXPECT_EQ(noEquals.status, 2);
  EXPECT_EQ(noEquals.err, "62500cfg: expected FEATURE=VALUE, got 'fx'\n");

  CliRun unknownFeature = RunCli({"get", "-", "fx", "nosuch"});
  EXPECT_EQ(unknownFeature.status, 1);
  EXPECT_EQ(unknownFeature.err, "62500cfg: unknown feature 'nosuch'\n");
  EXPECT_EQ(unknownFeature.out, "");

  CliRun missingFile = RunCli({"show", "/nonexistent/driver.exe"});
  EXPECT_EQ(missingFile.status, 1);
  EXPECT_THAT(missingFile.err, StartsWith("62500cfg: File \"/nonexistent/driver.exe\" could not"));
}

TEST(CliTool, ShowsTheDefaultConfiguration) {
  CliRun plain = RunCli({});
  ASSERT_EQ(plain.status, 0);
  EXPECT_EQ(RunCli({"show"}).out, plain.out);
  EXPECT_EQ(RunCli({"show", "-"}).out, plain.out);
  EXPECT_THAT(plain.out, HasSubstr("  ID string                  62500 HAL EXE\n"));
  EXPECT_THAT(plain.out, HasSubstr("  CRC                        0xE361\n"));
  EXPECT_THAT(plain.out, HasSubstr("  Register offset            0x00008000\n"));
  EXPECT_THAT(plain.out, ::testing::ContainsRegex("\n  fx +Character width +8 pixels\n"));
  EXPECT_THAT(plain.out, ::testing::ContainsRegex("\n  width +Width +640 pixels\n"));
  EXPECT_THAT(plain.out, ::testing::ContainsRegex("\n  clki +CLKI +6.000 MHz\n"));
  EXPECT_THAT(plain.out, HasSubstr("\n  0001  87  FX Register\n"));
  EXPECT_THAT(plain.out, HasSubstr("\n  001E  00  CSRR Low Register [READONLY]\n"));
  // Features listed twice in the definition are shown once.
  EXPECT_EQ(plain.out.find("  baseaddr "), plain.out.rfind("  baseaddr "));

  CliRun json = RunCli({"show", "--json"});
  ASSERT_EQ(json.status, 0);
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["block"]["width"], 640);
  EXPECT_EQ(doc["block"]["idString"], "62500 HAL EXE");
  EXPECT_EQ(doc["block"]["crc"], 0xE361);
  std::map<std::string, std::string> values;
  for (const auto& feature : doc["features"]) values[feature["keyname"]] = feature["value"];
  EXPECT_EQ(values["fx"], "8 pixels");
  EXPECT_EQ(values["width"], "640 pixels");
  EXPECT_EQ(values["sysclksrc"], "Internal OSC");
  ASSERT_EQ(doc["registers"].size(), 33u);
  EXPECT_EQ(doc["registers"][1]["index"], 1);
  EXPECT_EQ(doc["registers"][1]["value"], 0x87);
  EXPECT_EQ(doc["registers"][1]["label"], "FX Register");
}

TEST(CliTool, GetPrintsOneValueALine) {
  CliRun get = RunCli({"get", "-", "fx", "WIDTH", "sysclksrc", "sb1saddr", "regoffset"});
  EXPECT_EQ(get.status, 0);
  EXPECT_EQ(get.out, "8 pixels\n640 pixels\nInternal OSC\n0000h\n00008000h\n");
  EXPECT_EQ(get.err, "");
}

TEST(CliTool, SetSavesInPlaceAndRoundTrips) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  const std::string before = ReadFile(path);

  CliRun set = RunCli({"set", path, "fx=5", "clki=12.5", "sysclksrc=CLKI", "cfgdesc=Panel A",
                       "stride=50t", "baseaddr=0x10000000", "ii=On"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.err, "");

  const std::string after = ReadFile(path);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 1000), before.substr(0, 1000));
  EXPECT_EQ(after.substr(1464), before.substr(1464));

  CliRun get =
      RunCli({"get", path, "fx", "clki", "sysclksrc", "cfgdesc", "stride", "baseaddr", "ii"});
  EXPECT_EQ(get.status, 0) << get.err;
  EXPECT_EQ(get.out, "5 pixels\n12.500 MHz\nCLKI\nPanel A\n50 bytes\n10000000h\nTrue\n");
  EXPECT_EQ(RunCli({"check", path}).out, Line("OK", path));

  CliRun setreg = RunCli({"setreg", path, "0001=85", "000Ah=1Ch", "3=63t"});
  ASSERT_EQ(setreg.status, 0) << setreg.err;
  EXPECT_EQ(RunCli({"get", path, "fx", "stride"}).out, "6 pixels\n64 bytes\n");
  CliRun json = RunCli({"show", path, "--json"});
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["registers"][10]["value"], 0x1C);
  EXPECT_EQ(doc["block"]["clki"], 12500000);
  EXPECT_EQ(doc["block"]["configDescription"], "Panel A");

  // Number features take expressions over features; their numbers are hexadecimal.
  CliRun computed = RunCli({"set", path, "vram=stride*lf", "tcr=stride+4t"});
  EXPECT_EQ(computed.status, 0) << computed.err;
  EXPECT_EQ(RunCli({"get", path, "vram", "tcr"}).out, "12800\n68 bytes\n");

  // A frequency beyond the chip's limits is set, with a warning.
  CliRun fast = RunCli({"set", path, "clki=150"});
  EXPECT_EQ(fast.status, 0);
  EXPECT_EQ(fast.err, "62500cfg: warning: clki is 150.000 MHz, outside 0.390 MHz to 120.000 MHz\n");
  EXPECT_EQ(RunCli({"get", path, "clki"}).out, "150.000 MHz\n");
}

TEST(CliTool, RefusedSetsLeaveTheFileUnchanged) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  const std::string before = ReadFile(path);

  CliRun tooBig = RunCli({"set", path, "fx=5", "fx=20"});
  EXPECT_EQ(tooBig.status, 1);
  EXPECT_EQ(tooBig.err, "62500cfg: cannot set fx to '20': must be between 1 and 16\n");
  CliRun badHex = RunCli({"set", path, "sb1saddr=12345"});
  EXPECT_EQ(badHex.status, 1);
  EXPECT_EQ(badHex.err, "62500cfg: cannot set sb1saddr to '12345': must be between 0h and FFFFh\n");
  CliRun badFrequency = RunCli({"set", path, "clki=fast"});
  EXPECT_EQ(badFrequency.status, 1);
  EXPECT_THAT(badFrequency.err, StartsWith("62500cfg: cannot set clki to 'fast': not a frequency"));
  CliRun hugeFrequency = RunCli({"set", path, "clki=7000000"});
  EXPECT_EQ(hugeFrequency.status, 1);
  EXPECT_EQ(hugeFrequency.err,
            "62500cfg: cannot set clki to '7000000': larger than 4294.967 MHz (a number without "
            "a unit is in MHz)\n");
  CliRun longText = RunCli({"set", path, "cfgdesc=" + std::string(256, 'd')});
  EXPECT_EQ(longText.status, 1);
  EXPECT_THAT(longText.err, HasSubstr("longer than 255 characters"));
  CliRun readOnly = RunCli({"set", path, "width=800"});
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_EQ(readOnly.err, "62500cfg: cannot set width to '800': the feature is read-only\n");
  CliRun notANumber = RunCli({"set", path, "stride=12x"});
  EXPECT_EQ(notANumber.status, 1);
  EXPECT_EQ(notANumber.err, "62500cfg: cannot set stride to '12x': Unknown feature or token.\n");
  CliRun expressionTooBig = RunCli({"set", path, "fx=stride+1"});
  EXPECT_EQ(expressionTooBig.status, 1);
  EXPECT_EQ(expressionTooBig.err,
            "62500cfg: cannot set fx to 'stride+1': must be between 1 and 16\n");
  CliRun badList = RunCli({"set", path, "sysclksrc=PLL"});
  EXPECT_EQ(badList.status, 1);
  EXPECT_EQ(badList.err,
            "62500cfg: cannot set sysclksrc to 'PLL': expected one of: Internal OSC, CLKI\n");
  CliRun badBool = RunCli({"set", path, "ii=yes"});
  EXPECT_EQ(badBool.status, 1);
  EXPECT_THAT(badBool.err, HasSubstr("'yes'"));
  CliRun unknown = RunCli({"set", path, "fx=5", "nosuch=1"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err, "62500cfg: unknown feature 'nosuch'\n");

  CliRun outsideList = RunCli({"setreg", path, "0021=1"});
  EXPECT_EQ(outsideList.status, 1);
  EXPECT_THAT(outsideList.err, HasSubstr("not in the block's register list"));
  CliRun tooWide = RunCli({"setreg", path, "0001=1FF"});
  EXPECT_EQ(tooWide.status, 1);
  EXPECT_THAT(tooWide.err, HasSubstr("does not fit 8 bits"));
  EXPECT_EQ(RunCli({"setreg", path, "0G=1"}).status, 1);

  EXPECT_EQ(ReadFile(path), before);
}

TEST(CliTool, SaveAsLeavesTheOriginalUnchanged) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  const std::string copy = dir.File("copy.exe");
  const std::string before = ReadFile(path);

  CliRun set = RunCli({"set", path, "fy=12", "--save-as", copy});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(RunCli({"get", copy, "fy"}).out, "12 pixels\n");
  EXPECT_EQ(RunCli({"get", path, "fy"}).out, "8 pixels\n");

  // A copy that cannot be made fails the command and leaves the original as it was.
  CliRun noFolder = RunCli({"set", path, "fy=12", "--save-as", dir.File("missing/copy.exe")});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_THAT(noFolder.err, StartsWith("62500cfg: File \""));
  EXPECT_EQ(ReadFile(path), before);
}

TEST(CliTool, CheckReportsEachFile) {
  TempDir dir;
  const std::string good = WriteImage(dir, "good.exe");
  const std::string empty = dir.File("empty.exe");
  WriteFile(empty, "");
  const std::string plain = dir.File("plain.elf");
  WriteFile(plain, std::string(2000, 'x'));
  HalStruct unconfigured = DefaultHalStruct();
  std::string block = StoredBlock(unconfigured, false);
  block[282] = block[283] = 0;
  const std::string fresh = dir.File("fresh.exe");
  WriteFile(fresh, ImageWith(block));

  CliRun check = RunCli({"check", good, empty, plain, fresh});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out,
            Line("OK", good) + Line("Error", empty + ": The specified file has a length of zero.") +
                Line("Error", plain + ": The file does not contain any configuration data.") +
                Line("Error", fresh + ": The file has not yet been configured by this "
                                      "application."));
  // The full message boxes go to stderr, the S-record reader's own errors first.
  EXPECT_THAT(check.err, HasSubstr("62500cfg: File \"" + empty + "\" could not be opened"));
  const std::string badSum = dir.File("bad.s19");
  WriteFile(badSum, "S10500000000FF\r\n");
  CliRun checkSum = RunCli({"check", badSum});
  EXPECT_EQ(checkSum.status, 1);
  EXPECT_THAT(checkSum.err, StartsWith("62500cfg: ERROR: Invalid checksum!\n"));
  CliRun allGood = RunCli({"check", good, good});
  EXPECT_EQ(allGood.status, 0);
  EXPECT_EQ(allGood.out, Line("OK", good) + Line("OK", good));
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
            "Summary of configured files:\n\n" + Line("OK", first) + Line("Error", text));
  EXPECT_THAT(configure.err, StartsWith("62500cfg: File \"" + text + "\" could not be saved"));
  EXPECT_EQ(ReadFile(text), "no block here\n");
  EXPECT_EQ(RunCli({"get", first, "fx", "baseaddr"}).out, "6 pixels\n20000000h\n");

  // An .out image cannot be opened but can be configured; it keeps its base address here.
  CliRun preserving = RunCli({"configure", "--from", source, "--preserve-addresses", second});
  EXPECT_EQ(preserving.status, 0) << preserving.err;
  EXPECT_EQ(preserving.out, "Summary of configured files:\n\n" + Line("OK", second));
  const std::string secondCopy = dir.File("second.exe");
  WriteFile(secondCopy, ReadFile(second));
  EXPECT_EQ(RunCli({"get", secondCopy, "fx", "baseaddr"}).out, "6 pixels\n30000000h\n");

  CliRun defaults = RunCli({"configure", "--from", "-", first});
  EXPECT_EQ(defaults.status, 0);
  EXPECT_EQ(RunCli({"get", first, "fx", "baseaddr"}).out, "8 pixels\n00000000h\n");
}

TEST(CliTool, ExportWritesGeneratedFiles) {
  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"setreg", path, "0001=85"}).status, 0);

  CliRun csv = RunCli({"export", "csv", "--from", path, "-o", "-"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_THAT(csv.out, HasSubstr("\r\n0001h, 85h, FX Register\r\n"));
  EXPECT_EQ(csv.out.find("\r\r"), std::string::npos);
  for (size_t at = csv.out.find('\n'); at != std::string::npos; at = csv.out.find('\n', at + 1))
    EXPECT_EQ(csv.out[at - 1], '\r');

  // Without -o the kind's usual name in the current folder; with -o the named file.
  CliRun wince = RunCli({"export", "wince-header", "--mode", "3"}, dir.path());
  EXPECT_EQ(wince.status, 0) << wince.err;
  EXPECT_EQ(ReadFile(dir.File("mode3.h")),
            RunCli({"export", "wince-header", "--mode", "3", "-o", "-"}).out);
  EXPECT_FALSE(ReadFile(dir.File("mode3.h")).empty());
  EXPECT_EQ(RunCli({"export", "generic-header"}, dir.path()).status, 0);
  EXPECT_FALSE(ReadFile(dir.File("K7Q62500.h")).empty());
  const std::string hal = dir.File("out.c");
  EXPECT_EQ(RunCli({"export", "hal-config", "--from", path, "-o", hal}).status, 0);
  EXPECT_EQ(ReadFile(hal), RunCli({"export", "hal-config", "--from", path, "-o", "-"}).out);
  EXPECT_NE(ReadFile(hal), RunCli({"export", "hal-config", "-o", "-"}).out);

  CliRun unwritable = RunCli({"export", "chip-header", "-o", dir.File("missing/chip.h")});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.err, "62500cfg: Failed to create file " + dir.File("missing/chip.h") + "\n");
  EXPECT_EQ(RunCli({"export", "pdf"}).status, 2);
  EXPECT_EQ(RunCli({"export", "wince-header", "--mode", "1001"}).status, 2);
}

TEST(CliTool, EvalComputesOverFeatures) {
  CliRun arithmetic = RunCli({"eval", "1+2*3"});
  EXPECT_EQ(arithmetic.status, 0);
  EXPECT_EQ(arithmetic.out, "7 (7h)\n");
  EXPECT_EQ(RunCli({"eval", "10"}).out, "16 (10h)\n");
  EXPECT_EQ(RunCli({"eval", "stride*lf"}).out, "16000 (3E80h)\n");
  EXPECT_EQ(RunCli({"eval", "chipname"}).out, "K7Q62500\n");
  EXPECT_EQ(RunCli({"eval", "\"ab\"*3"}).out, "ababab\n");

  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"set", path, "fx=6"}).status, 0);
  EXPECT_EQ(RunCli({"eval", "fx == 6", "--from", path}).out, "1 (1h)\n");
  EXPECT_EQ(RunCli({"eval", "fx == 6"}).out, "0 (0h)\n");

  CliRun unknown = RunCli({"eval", "nosuch+1"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err, "62500cfg: Unknown feature or token.\n");
  CliRun unbalanced = RunCli({"eval", "(1"});
  EXPECT_EQ(unbalanced.status, 1);
  EXPECT_EQ(unbalanced.err, "62500cfg: Parenthesis mismatch.\n");
  EXPECT_EQ(RunCli({"eval"}).status, 2);
}

TEST(CliTool, TemplatesAreListedAndApplied) {
  CliRun list = RunCli({"template", "-"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "Memory Map Templates\n"
            "    none         (no match)\n"
            "    eval         Orvix Evaluation Board\n");

  TempDir dir;
  const std::string path = WriteImage(dir, "driver.exe");
  ASSERT_EQ(RunCli({"set", path, "baseaddr=1000", "memoffset=40"}).status, 0);
  const std::string before = ReadFile(path);
  CliRun unknown = RunCli({"template", path, "nosuch"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err, "62500cfg: unknown template 'nosuch'\n");
  EXPECT_EQ(RunCli({"template", "-", "eval"}).status, 2);

  const std::string copy = dir.File("copy.exe");
  CliRun applied = RunCli({"template", path, "orvix board", "--save-as", copy});
  EXPECT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(RunCli({"get", copy, "baseaddr", "regoffset", "memoffset"}).out,
            "00000000h\n00000000h\n00000000h\n");
  EXPECT_THAT(RunCli({"template", copy}).out,
              HasSubstr("\n  * eval         Orvix Evaluation Board\n"));

  // show names the matching template of each template item.
  EXPECT_THAT(RunCli({"show", path}).out,
              HasSubstr("\nTemplates\n  Memory Map Templates  (no match)\n\nFeatures\n"));
  EXPECT_THAT(RunCli({"show", copy}).out,
              HasSubstr("\nTemplates\n  Memory Map Templates  Orvix Evaluation Board\n"));
  const nlohmann::json doc = nlohmann::json::parse(RunCli({"show", copy, "--json"}).out);
  ASSERT_EQ(doc["templates"].size(), 1u);
  EXPECT_EQ(doc["templates"][0]["item"], "Memory Map Templates");
  EXPECT_EQ(doc["templates"][0]["key"], "eval");
  EXPECT_EQ(doc["templates"][0]["name"], "Orvix Evaluation Board");
}
