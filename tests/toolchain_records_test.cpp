// Files that objcopy (and srec_cat) convert from a program built with the exported
// HAL_config.c: S-records of several record lengths and address sizes, Intel HEX and raw
// binary, and the same for a big-endian block in a raw binary (objcopy -I binary). Each
// opens with the compiled values; saved, it converts back to the bytes of the program
// saved with the same settings, which differ from the original only inside the block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/cli_run.h"
#include "tests/support/toolchain.h"

namespace k7q {

namespace {

struct Conversion {
  std::string file;     // the converted file
  std::string command;  // makes it from the source in the folder
  std::string format;   // objcopy's name of its format
};

// The conversions of source (objcopy's input format sourceFormat) into every kind.
std::vector<Conversion> Conversions(const std::string& source, const std::string& sourceFormat) {
  const std::string in = "-I " + sourceFormat + " ";
  auto to = [&](const std::string& options, const std::string& file) {
    return Objcopy(in + options + " " + source + " " + file);
  };
  return {{"srec16.s19", to("-O srec --srec-len 16", "srec16.s19"), "srec"},
          {"srec32.srec", to("-O srec --srec-len 32", "srec32.srec"), "srec"},
          {"srec64.s19", to("-O srec --srec-len 64", "srec64.s19"), "srec"},
          {"largest.srec", to("-O srec --srec-len 255", "largest.srec"), "srec"},
          {"forced.s37", to("-O srec --srec-forceS3", "forced.s37"), "srec"},
          {"image.hex", to("-O ihex", "image.hex"), "ihex"},
          {"image.ihx", to("-O ihex --change-addresses 0x10000000", "image.ihx"), "ihex"},
          {"image.bin", to("-O binary", "image.bin"), "binary"}};
}

// Converts the source into every kind; each holds the values compiled in, takes the
// settings, and converts back to saved (the source's bytes with the settings saved).
void SaveEachConversion(const TempDir& dir, const std::string& source,
                        const std::string& sourceFormat, const std::string& saved) {
  std::string log;
  ASSERT_TRUE(Shell(dir.path(),
                    Objcopy("-I " + sourceFormat + " -O binary " + source + " original.bin"), &log))
      << log;
  const std::string original = ReadFile(dir.File("original.bin"));
  for (const Conversion& c : Conversions(source, sourceFormat)) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(Shell(dir.path(), c.command + " && cp " + c.file + " before", &log)) << log;
    const std::string path = dir.File(c.file);
    const CliRun check = RunCli({"check", path});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(RunCli({"get", path, "clki", "baseaddr"}).out, "6.000 MHz\n00000000h\n");
    const CliRun apply = RunCli({"apply", path, ToolchainSettingsPath()});
    ASSERT_EQ(apply.status, 0) << apply.out << apply.err;
    EXPECT_EQ(RunCli({"get", path, "clki", "baseaddr", "cfgdesc"}).out,
              "12.500 MHz\n10000000h\nBuilt by a toolchain\n");
    EXPECT_EQ(RunCli({"check", path}).status, 0);
    // Still a file of its format, of the same length, with the same lines.
    const std::string before = ReadFile(dir.File("before")), after = ReadFile(path);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(Lines(after).size(), Lines(before).size());
    ASSERT_TRUE(
        Shell(dir.path(), Objcopy("-I " + c.format + " -O binary " + c.file + " back.bin"), &log))
        << log;
    const std::string back = ReadFile(dir.File("back.bin"));
    EXPECT_EQ(DifferencesOutsideBlock(original, back), "");
    EXPECT_TRUE(back == saved) << "the saved bytes differ from the saved program's";
  }
}

}  // namespace

// A program of the system's compiler; its saved copy runs and prints the new values, and
// every saved conversion holds exactly its bytes.
TEST(ToolchainRecords, ConversionsOfAProgram) {
  TempDir dir;
  std::string log;
  ASSERT_TRUE(WriteProgramSources("", dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(),
                    std::string("'") + K7Q_C_COMPILER +
                        "' -std=gnu11 -O2 -o program print_main.c && cp program saved.elf",
                    &log))
      << log;
  const CliRun apply = RunCli({"apply", dir.File("saved.elf"), ToolchainSettingsPath()});
  ASSERT_EQ(apply.status, 0) << apply.err;
  ASSERT_TRUE(Shell(
      dir.path(), "./saved.elf > printed.txt && " + Objcopy("-O binary saved.elf saved.bin"), &log))
      << log;
  EXPECT_NE(ReadFile(dir.File("printed.txt")).find("|12500000|"), std::string::npos);
  SaveEachConversion(dir, "program", "elf64-x86-64", ReadFile(dir.File("saved.bin")));
}

// A big-endian block compiled by the cross compiler, written into a raw binary; every
// conversion of that binary saves its block in big-endian order.
TEST(ToolchainRecords, ConversionsOfABigEndianBinary) {
  TempDir dir;
  std::string log;
  ASSERT_TRUE(WriteProgramSources("", dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(),
                    "powerpc-linux-gnu-gcc -std=gnu11 -ffreestanding -O2 -c -o object.o "
                    "HAL_config.c && cp object.o saved.elf",
                    &log))
      << log << " (scripts/setup.sh installs the cross compiler)";
  const std::string object = ReadFile(dir.File("object.o"));
  const size_t block = object.find("62500 HAL EXE");
  ASSERT_NE(block, std::string::npos);
  ASSERT_EQ(RunCli({"apply", dir.File("saved.elf"), ToolchainSettingsPath()}).status, 0);
  const std::string savedBlock = ReadFile(dir.File("saved.elf")).substr(block, kHalStructSize);
  WriteFile(dir.File("raw"), ImageWith(object.substr(block, kHalStructSize), 3001, 1234));
  SaveEachConversion(dir, "raw", "binary", ImageWith(savedBlock, 3001, 1234));
}

// srec_cat's own S-records of the program's bytes, with its default record length.
TEST(ToolchainRecords, SrecCatOutput) {
  TempDir dir;
  std::string log;
  WriteFile(dir.File("raw.bin"), ImageWith(StoredBlock(DefaultHalStruct(), false), 5000, 70));
  ASSERT_TRUE(Shell(dir.path(), "srec_cat raw.bin -binary -offset 0x8000 -o cat.srec", &log))
      << log;
  const std::string before = ReadFile(dir.File("cat.srec"));
  ASSERT_EQ(RunCli({"apply", dir.File("cat.srec"), ToolchainSettingsPath()}).status, 0);
  EXPECT_EQ(RunCli({"get", dir.File("cat.srec"), "clki"}).out, "12.500 MHz\n");
  ASSERT_TRUE(Shell(dir.path(),
                    "srec_info cat.srec && srec_cat cat.srec -offset -0x8000 -o back.bin -binary",
                    &log))
      << log;
  EXPECT_EQ(DifferencesOutsideBlock(ReadFile(dir.File("raw.bin")), ReadFile(dir.File("back.bin"))),
            "");
  EXPECT_EQ(ReadFile(dir.File("cat.srec")).size(), before.size());
}

}  // namespace k7q
