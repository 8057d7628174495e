// Settings input: read as a stream within a limit, a screenful of bad lines, no empty
// value where a feature has none, and the description's 8-bit characters in every form.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "chipmodel/latin1_text.h"
#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "settings/settings_text.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"

namespace k7q {

namespace {

// Runs a shell command line in the folder, with "cfg" standing for the tool: its exit
// status, and its stderr in *err.
int Shell(const TempDir& dir, const std::string& command, std::string* err) {
  const std::string line = "cd '" + dir.path() + "' && cfg() { '" K7Q_CLI_PATH "' \"$@\"; } && { " +
                           command + "; } 2>err";
  const int status = std::system(line.c_str());
  *err = ReadFile(dir.File("err"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every byte from 1 to 255.
std::string AllBytes() {
  std::string bytes;
  for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

}  // namespace

TEST(SettingsInput, PipesFifosAndDevicesAreReadAsStreamsWithinALimit) {
  TempDir dir;
  const std::string image = WriteImage(dir, "t.exe"), before = ReadFile(image);
  std::string err;
  EXPECT_EQ(Shell(dir, "printf 'fx = 12\\n' | cfg apply t.exe /dev/stdin", &err), 0) << err;
  EXPECT_EQ(RunCliWords("get t.exe fx", dir.path()).out, "12 pixels\n");
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(Shell(dir, "printf 'fx = 10\\n' >fifo & cfg apply t.exe fifo", &err), 0) << err;
  EXPECT_EQ(RunCliWords("get t.exe fx", dir.path()).out, "10 pixels\n");
  WriteFile(image, before);
  // A file whose size says 0 is read to its end.
  EXPECT_EQ(Shell(dir, "cfg apply t.exe /proc/self/status", &err), 1);
  EXPECT_EQ(err.substr(0, 36), "/proc/self/status:1: malformed line:") << err;
  // Past the limit, a sparse GiB file and an endless device are refused once the limit is
  // read; a folder cannot be read.
  const int fd = open(dir.File("big.settings").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);
  close(fd);
  for (const char* name : {"big.settings", "/dev/zero"}) {
    const CliRun run = RunCli({"apply", "t.exe", name}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, StringPrintf("62500cfg: ERROR: input file %s is larger than %zu MiB\n", name,
                                    kSettingsFileLimitMiB));
  }
  EXPECT_EQ(RunCliWords("apply t.exe .", dir.path()).err,
            "62500cfg: ERROR: read failed on input file .: Is a directory\n");
  EXPECT_EQ(ReadFile(image), before);
}

TEST(SettingsInput, AScreenfulOfBadLinesThenHowManyMore) {
  TempDir dir;
  const std::string image = WriteImage(dir, "t.exe"), before = ReadFile(image);
  // Bad lines from reading and from applying, the earliest first.
  std::string text = "fx = 12\nnosuch = 1\nfx = 13\nstride = 900\n";
  for (int i = 0; i < 100000; ++i) text += "nosuch = 1\n";
  WriteFile(dir.File("bad.settings"), text);
  const CliRun run = RunCliWords("apply t.exe bad.settings", dir.path());
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), kShownSettingsErrors + 1);
  EXPECT_EQ(lines[0], "bad.settings:2: unknown feature 'nosuch'");
  EXPECT_EQ(lines[1], "bad.settings:3: duplicate key 'fx' (first on line 1)");
  EXPECT_EQ(lines[2].substr(0, 51), "bad.settings:4: cannot set stride to '900': out of ");
  EXPECT_EQ(lines[kShownSettingsErrors - 1],
            StringPrintf("bad.settings:%zu: unknown feature 'nosuch'", kShownSettingsErrors + 1));
  EXPECT_EQ(lines.back(), StringPrintf("bad.settings: ... and %zu more bad lines",
                                       100003 - kShownSettingsErrors));
  EXPECT_EQ(ReadFile(image), before);
}

// Only a text feature takes an empty value; a list or true/false feature refuses it.
TEST(SettingsInput, AnEmptyValueIsRefusedWhereTheFeatureHasNone) {
  Chip62500 chip;
  int refused = 0;
  for (const FeatureRecord& f : chip.Tables().features) {
    if (!f.keyname || !chip.IsApplicable(f.existsFor) || chip.IsFeatureReadOnly(*f.keyname))
      continue;
    const SettingsReport report = ApplySettings(chip, *f.keyname + " =\n");
    EXPECT_EQ(report.ok(), f.type == kTypeText) << *f.keyname;
    refused += !report.ok();
  }
  EXPECT_GT(refused, 50);
  const SettingsReport list = ApplySettings(chip, "sysclksrc =\n");
  ASSERT_EQ(list.errors.size(), 1u);
  EXPECT_EQ(list.errors[0].message,
            "cannot set sysclksrc to '': expected one of: Internal OSC, CLKI");
  TempDir dir;
  const std::string path = WriteImage(dir, "t.exe"), before = ReadFile(path);
  for (const char* empty : {"sysclksrc=", "ii=", "fx="})
    EXPECT_EQ(RunCli({"set", path, empty}).status, 1);
  EXPECT_EQ(ReadFile(path), before);
}

// The description's bytes are 8-bit characters: each of 1 to 255 comes out as its
// character in UTF-8 and goes in the same way, in every form; other text is refused.
TEST(SettingsInput, TheDescriptionKeepsEveryByteInEveryForm) {
  EXPECT_EQ(Latin1ToUtf8("a\xB5\xFF"), "a\xC2\xB5\xC3\xBF");
  std::string error;
  EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(AllBytes()), &error), AllBytes());
  for (const char* bad : {"\xED\xA0\x80", "\xC0\xB5", "\xE0\x80\xB5", "\xF0\x80\x80\xB5",
                          "\xF4\x90\x80\x80", "\xB5", "\xC2", "\xF8\x88\x80\x80\x80"}) {
    EXPECT_FALSE(Utf8ToLatin1(bad, &error)) << bad;
    EXPECT_EQ(error, "not valid UTF-8 text");
  }
  EXPECT_FALSE(Utf8ToLatin1("\xF0\x9F\x98\x80", &error));
  EXPECT_EQ(error, "U+1F600 is not an 8-bit character (U+0000 to U+00FF)");

  TempDir dir;
  const std::string description = AllBytes().substr(0, 254);
  const std::string path =
      WriteImage(dir, "t.exe", WithDescription(DefaultHalStruct(), description));
  const std::string utf8 = Latin1ToUtf8(description);
  EXPECT_EQ(RunCliWords("get t.exe cfgdesc", dir.path()).out, utf8 + "\n");
  const nlohmann::json json =
      nlohmann::json::parse(RunCliWords("show t.exe --json", dir.path()).out);
  EXPECT_EQ(json["block"]["configDescription"], utf8);
  for (const auto& feature : json["features"]) {
    if (feature["keyname"] != "cfgdesc") continue;
    EXPECT_EQ(feature["value"], utf8);
  }
  const nlohmann::json diff =
      nlohmann::json::parse(RunCliWords("diff - t.exe --json", dir.path()).out);
  EXPECT_EQ(diff["features"][0]["b"], utf8);
  // The dump's escapes and typed characters both give the bytes back.
  ASSERT_EQ(RunCliWords("dump t.exe -o t.settings", dir.path()).status, 0);
  ASSERT_EQ(RunCliWords("diff t.exe t.settings", dir.path()).status, 0);
  ASSERT_EQ(RunCli({"set", path, "cfgdesc=5 \xC2\xB5s \xC3\xBF"}).status, 0);
  EXPECT_EQ(RunCli({"get", path, "cfgdesc"}).out, "5 \xC2\xB5s \xC3\xBF\n");
  Chip62500 chip;
  ASSERT_TRUE(ApplySettings(chip, "cfgdesc = \"5 \\xB5s \xC3\xBF\"\n").ok());
  EXPECT_STREQ(chip.Block().configDescription, "5 \xB5s \xFF");
  WriteFile(dir.File("typed.settings"), "cfgdesc = 5 \xC2\xB5s \xC3\xBF\n");
  EXPECT_EQ(RunCliWords("diff t.exe typed.settings", dir.path()).status, 0);
  // Characters the block cannot hold, and text that is not UTF-8, are refused.
  const std::string saved = ReadFile(path);
  const CliRun euro = RunCli({"set", path, "cfgdesc=5 \xE2\x82\xAC"});
  EXPECT_EQ(euro.err,
            "62500cfg: cannot set cfgdesc to '5 \xE2\x82\xAC': U+20AC is not an 8-bit "
            "character (U+0000 to U+00FF)\n");
  for (const char* bad : {"cfgdesc=\xED\xA0\x80", "cfgdesc=\xC0\xB5", "cfgdesc=\xF4\x90\x80\x80"})
    EXPECT_EQ(RunCli({"set", path, bad}).status, 1) << bad;
  EXPECT_EQ(ReadFile(path), saved);
  const SettingsReport report =
      ApplySettings(chip, "# \xE2\x82\xAC in a comment\ncfgdesc = \xE2\x82\xAC\n");
  ASSERT_EQ(report.errors.size(), 1u);
  EXPECT_EQ(report.errors[0].line, 2u);
  EXPECT_EQ(report.errors[0].message,
            "cannot set cfgdesc to '\xE2\x82\xAC': U+20AC is not an "
            "8-bit character (U+0000 to U+00FF)");
  for (const char* bad : {"cfgdesc = \xED\xA0\x80\n", "cfgdesc = \xF0\x80\x80\xB5\n"})
    EXPECT_EQ(ApplySettings(chip, bad).errors.at(0).message,
              "not a text file: the line holds a byte that is not UTF-8 text");
}

}  // namespace k7q
