// Every typed value is stored as meant or refused with the reason; files that cannot
// hold a value are not written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "chipmodel/value_text.h"
#include "tests/support/test_files.h"

using ::testing::HasSubstr;

namespace {

// The tool's exit status; *output gets its standard output and error together.
int Cli(const std::string& args, std::string* output) {
  FILE* pipe = popen((std::string(K7Q_CLI_PATH) + " " + args + " 2>&1").c_str(), "r");
  output->clear();
  for (int c; (c = fgetc(pipe)) != EOF;) *output += static_cast<char>(c);
  return WEXITSTATUS(pclose(pipe));
}

}  // namespace

TEST(ValueText, ReadWholeOrRefused) {
  const char* noFrequency = "not a frequency (such as 12.5, 12.5 MHz, 32.768 kHz or 50 Hz)";
  const char* tooLarge = "larger than 4294.967 MHz (a number without a unit is in MHz)";
  const struct {
    bool frequency;
    const char* text;
    std::optional<uint32_t> value;
    const char* error;
  } kRows[] = {{false, " 0x1f ", 0x1F, ""},
               {false, "101i", 5, ""},
               {false, "FFFFFFFF", 0xFFFFFFFF, ""},
               {false, "100000000", {}, "larger than 32 bits"},
               {false, "12G", {}, "not a hexadecimal number"},
               {true, "32.768  kHz", 32768, ""},
               {true, " 50 HZ ", 50, ""},
               {true, "0.0005", 500, ""},
               {true, "4294.967295 MHz", 0xFFFFFFFF, ""},
               {true, "25000000", {}, tooLarge},
               {true, "banana", {}, noFrequency},
               {true, "12 GHz", {}, noFrequency},
               {true, "50.5 Hz", {}, "finer than 1 Hz"}};
  for (const auto& row : kRows) {
    std::string error;
    EXPECT_EQ(
        row.frequency ? ReadFrequencyText(row.text, &error) : ReadWholeNumber(row.text, 16, &error),
        row.value)
        << row.text;
    EXPECT_EQ(error, row.error) << row.text;
  }
}

TEST(ValueRefusal, CommandLineStoresAsMeantOrRefuses) {
  TempDir dir;
  const std::string exe = dir.File("driver.exe");
  WriteFile(exe, ImageWith(StoredBlock(DefaultHalStruct(), false)));
  std::string out;
  EXPECT_EQ(Cli("set " + exe + " 'clki=3276.8  kHz' rawbpp=1", &out), 0) << out;
  EXPECT_EQ(out, "62500cfg: note: rawbpp is now '2', not '1'\n");
  EXPECT_EQ(Cli("get " + exe + " clki", &out), 0);
  EXPECT_EQ(out, "3.276 MHz\n");
  EXPECT_EQ(Cli("setreg " + exe + " 001E=1", &out), 1);
  EXPECT_THAT(out, HasSubstr("This register is READONLY."));

  // S-record files hold CLKI 1000 times larger and keep their own description.
  const std::string srec = dir.File("target.s19");
  const std::string records =
      SrecordText(std::string(28, '\0') + SrecordBlockBytes(SrecordTargetBlock()), 1, 28);
  WriteFile(srec, records);
  EXPECT_EQ(Cli("set " + srec + " clki=25MHz", &out), 1);
  EXPECT_EQ(out, "62500cfg: File \"" + srec +
                     "\" could not be saved because:\n\nCLKI 25.000 MHz cannot be stored: "
                     "S-record and board image files hold CLKI 1000 times larger, so the largest "
                     "CLKI they can hold is 4.294 MHz (4294967 Hz).\n");
  EXPECT_EQ(Cli("set " + srec + " cfgdesc=new", &out), 1);
  EXPECT_THAT(out, HasSubstr("The description is not stored in S-record files"));
  EXPECT_EQ(ReadFile(srec), records);

  // Configure reports every target, with the reason of each failure.
  const std::string broken = dir.File("broken.s19");
  WriteFile(broken, "S1zz\n");
  EXPECT_EQ(Cli("configure --from " + exe + " " + srec + " " + broken + " " + exe, &out), 1);
  EXPECT_THAT(out, HasSubstr("Summary of configured files:\n\nOK\t" + srec + "\nError\t" + broken +
                             ": The file does not contain configuration data.\nOK\t" + exe + "\n"));
  EXPECT_EQ(Cli("set " + exe + " clki=25", &out), 0) << out;
  EXPECT_EQ(Cli("configure --from " + exe + " " + srec + " " + exe, &out), 1);
  EXPECT_THAT(out, HasSubstr("\n\nError\t" + srec + ": CLKI 25.000 MHz cannot be stored: "));
}
