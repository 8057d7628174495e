// Images that real toolchains make from the exported HAL_config.c: the system's gcc with
// several options, a Windows cross compiler (its PE CheckSum kept valid) and a big-endian
// cross compiler, raw and converted by objcopy. Each opens with the compiled values, and a
// save changes the block and nothing else (for a PE image, the CheckSum with it).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "chipmodel/text_format.h"
#include "formats/pe_checksum.h"
#include "tests/support/cli_run.h"
#include "tests/support/toolchain.h"

namespace k7q {

namespace {

const char kWindowsCompiler[] = "x86_64-w64-mingw32-gcc";
const char kBigEndianCompiler[] = "powerpc-linux-gnu-gcc";
const char kMissingTool[] = " (scripts/setup.sh installs the cross compilers)";

// Applies the tests' settings to the file in place; the tool's messages on failure.
std::string ApplySettings(const std::string& path) {
  const CliRun run = RunCli({"apply", path, ToolchainSettingsPath()});
  return run.status == 0 ? "" : run.out + run.err;
}

uint32_t StoredPeChecksum(const std::string& image) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(image.data());
  const size_t field = PeChecksumOffset(bytes, image.size()).value();
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes[field + static_cast<size_t>(i)];
  return value;
}

std::string WithPeChecksum(std::string image, uint32_t value) {
  const size_t field =
      PeChecksumOffset(reinterpret_cast<const uint8_t*>(image.data()), image.size()).value();
  for (size_t i = 0; i < 4; ++i) image[field + i] = static_cast<char>(value >> (8 * i));
  return image;
}

}  // namespace

// For each set of options: the program opens with the values compiled in; after the save
// it prints the new values, exactly as the program rebuilt from the saved file's
// HAL_config.c does, and its loadable bytes differ from the original only in the block.
TEST(ToolchainImages, ElfProgramsOfTheSystemCompiler) {
  for (const std::string options : {"-O0", "-O2", "-O2 -static", "-O2 -fPIE -pie", "-O2 -s"}) {
    SCOPED_TRACE(options);
    TempDir dir;
    std::string log;
    const std::string build = std::string("'") + K7Q_C_COMPILER +
                              "' -std=gnu11 -Wall -Wextra -Werror " + options + " print_main.c -o ";
    ASSERT_TRUE(WriteProgramSources("", dir.path(), &log)) << log;
    ASSERT_TRUE(Shell(dir.path(), build + "program && cp program saved.elf", &log)) << log;
    const CliRun check = RunCli({"check", dir.File("saved.elf")});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(RunCli({"get", dir.File("saved.elf"), "clki", "baseaddr"}).out,
              "6.000 MHz\n00000000h\n");

    ASSERT_EQ(ApplySettings(dir.File("saved.elf")), "");
    EXPECT_EQ(RunCli({"get", dir.File("saved.elf"), "clki", "baseaddr", "cfgdesc"}).out,
              "12.500 MHz\n10000000h\nBuilt by a toolchain\n");
    ASSERT_TRUE(Shell(dir.path(), "./saved.elf > saved.txt && ./program > program.txt", &log))
        << log;
    const std::string printed = ReadFile(dir.File("saved.txt"));
    EXPECT_EQ(printed.rfind("Built by a toolchain|", 0), 0u) << printed;
    EXPECT_NE(printed.find("|12500000|"), std::string::npos) << printed;
    EXPECT_NE(printed.find("|10000000|"), std::string::npos) << printed;
    EXPECT_NE(printed.find("|0001=85|"), std::string::npos) << printed;
    EXPECT_NE(printed, ReadFile(dir.File("program.txt")));

    ASSERT_TRUE(WriteProgramSources(dir.File("saved.elf"), dir.path(), &log)) << log;
    ASSERT_TRUE(Shell(dir.path(), build + "rebuilt && ./rebuilt > rebuilt.txt", &log)) << log;
    EXPECT_EQ(ReadFile(dir.File("rebuilt.txt")), printed);
    ASSERT_TRUE(Shell(
        dir.path(),
        Objcopy("-O binary saved.elf saved.bin && ") + Objcopy("-O binary program program.bin"),
        &log))
        << log;
    EXPECT_EQ(
        DifferencesOutsideBlock(ReadFile(dir.File("program.bin")), ReadFile(dir.File("saved.bin"))),
        "");
  }
}

// A Windows program linked by GNU ld carries a valid CheckSum. Saved in place, saved as a
// copy and configured from another file, it becomes byte for byte the program linked from
// the new settings' HAL_config.c, CheckSum included; a CheckSum of 0 or a wrong one stays.
TEST(ToolchainImages, WindowsProgramKeepsItsChecksum) {
  TempDir dir;
  std::string log;
  const std::string build = std::string(kWindowsCompiler) +
                            " -std=gnu11 -Wall -Wextra -Werror -O2 -Wl,--no-insert-timestamp"
                            " -o ";
  ASSERT_TRUE(WriteProgramSources("", dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(), build + "original.exe print_main.c", &log)) << log << kMissingTool;
  const std::string original = ReadFile(dir.File("original.exe"));
  const auto* bytes = reinterpret_cast<const uint8_t*>(original.data());
  const uint32_t linked = StoredPeChecksum(original);
  ASSERT_NE(linked, 0u);
  EXPECT_EQ(PeChecksum(bytes, original.size(), *PeChecksumOffset(bytes, original.size())), linked);

  // The program linked from the new settings.
  WriteFile(dir.File("settings-source.exe"), original);
  ASSERT_EQ(ApplySettings(dir.File("settings-source.exe")), "");
  ASSERT_TRUE(WriteProgramSources(dir.File("settings-source.exe"), dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(), build + "relinked.exe print_main.c", &log)) << log;
  const std::string relinked = ReadFile(dir.File("relinked.exe"));
  ASSERT_NE(StoredPeChecksum(relinked), linked);
  std::printf("PE CheckSum: linked %08X, after the save %08X (the new program linked: %08X)\n",
              linked, StoredPeChecksum(ReadFile(dir.File("settings-source.exe"))),
              StoredPeChecksum(relinked));
  EXPECT_EQ(ReadFile(dir.File("settings-source.exe")), relinked);

  WriteFile(dir.File("copied-from.exe"), original);
  const CliRun saveAs = RunCli({"apply", dir.File("copied-from.exe"), ToolchainSettingsPath(),
                                "--save-as", dir.File("copy.exe")});
  ASSERT_EQ(saveAs.status, 0) << saveAs.err;
  EXPECT_EQ(ReadFile(dir.File("copy.exe")), relinked);
  EXPECT_EQ(ReadFile(dir.File("copied-from.exe")), original);

  WriteFile(dir.File("target.exe"), original);
  const CliRun configure =
      RunCli({"configure", "--from", dir.File("relinked.exe"), dir.File("target.exe")});
  ASSERT_EQ(configure.status, 0) << configure.out << configure.err;
  EXPECT_EQ(ReadFile(dir.File("target.exe")), relinked);

  for (const uint32_t stored : {0u, linked + 1}) {
    SCOPED_TRACE(stored);
    WriteFile(dir.File("unchecked.exe"), WithPeChecksum(original, stored));
    ASSERT_EQ(ApplySettings(dir.File("unchecked.exe")), "");
    EXPECT_EQ(ReadFile(dir.File("unchecked.exe")), WithPeChecksum(relinked, stored));
  }
}

// A big-endian target compiles HAL_config.c with the CRC of its own byte order, so its
// object opens as valid; saved, it is the object compiled from the new settings. Its
// block written into a raw binary and wrapped by objcopy -I binary saves only its block.
TEST(ToolchainImages, BigEndianObjectAndWrappedBinary) {
  TempDir dir;
  std::string log;
  const std::string compile = std::string(kBigEndianCompiler) +
                              " -std=gnu11 -Wall -Wextra -Werror -ffreestanding -O2 -c"
                              " -o object.o HAL_config.c";
  ASSERT_TRUE(WriteProgramSources("", dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(), compile + " && cp object.o driver.elf", &log))
      << log << kMissingTool;
  const std::string original = ReadFile(dir.File("driver.elf"));
  EXPECT_NE(original.find(std::string("\x01\xD0", 2)), std::string::npos);  // size, big-endian
  const CliRun check = RunCli({"check", dir.File("driver.elf")});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  ASSERT_EQ(ApplySettings(dir.File("driver.elf")), "");
  EXPECT_EQ(RunCli({"get", dir.File("driver.elf"), "clki", "baseaddr"}).out,
            "12.500 MHz\n10000000h\n");
  ASSERT_TRUE(WriteProgramSources(dir.File("driver.elf"), dir.path(), &log)) << log;
  ASSERT_TRUE(Shell(dir.path(), compile, &log)) << log;
  EXPECT_EQ(ReadFile(dir.File("driver.elf")), ReadFile(dir.File("object.o")));

  const size_t block = original.find("62500 HAL EXE");
  ASSERT_NE(block, std::string::npos);
  const std::string raw = ImageWith(original.substr(block, kHalStructSize), 999, 500);
  WriteFile(dir.File("raw.bin"), raw);
  ASSERT_TRUE(Shell(dir.path(), Objcopy("-I binary -O elf32-big raw.bin wrapped.elf"), &log))
      << log;
  EXPECT_EQ(RunCli({"check", dir.File("wrapped.elf")}).status, 0);
  ASSERT_EQ(ApplySettings(dir.File("wrapped.elf")), "");
  ASSERT_TRUE(Shell(dir.path(), Objcopy("-I elf32-big -O binary wrapped.elf back.bin"), &log))
      << log;
  const std::string back = ReadFile(dir.File("back.bin"));
  EXPECT_NE(back, raw);
  EXPECT_EQ(DifferencesOutsideBlock(raw, back), "");
  EXPECT_EQ(back.substr(999, kHalStructSize),
            ReadFile(dir.File("driver.elf")).substr(block, kHalStructSize));
}

}  // namespace k7q
