// The build that examples/driver-build shows users, run against this build's 62500cfg:
// the driver keeps the exported block, and the S-record and Intel HEX files made from it
// after the build hold the board's settings in their block and nothing else changed.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/cli_run.h"
#include "tests/support/toolchain.h"

#ifndef K7Q_CMAKE
#define K7Q_CMAKE "cmake"
#endif

namespace k7q {

TEST(ExampleBuild, ConvertsTheDriverAndAppliesTheBoardSettings) {
  TempDir dir;
  std::string log;
  const std::string cmake = std::string("'") + K7Q_CMAKE + "'";
  ASSERT_TRUE(Shell(dir.path(),
                    cmake + " -S '" + TestSourcePath("../examples/driver-build") +
                        "' -B build -DK7Q_CFG='" + K7Q_CLI_PATH + "' -DCMAKE_C_COMPILER='" +
                        K7Q_C_COMPILER + "' && " + cmake + " --build build",
                    &log))
      << log;
  const std::string build = dir.File("build");
  ASSERT_TRUE(Shell(build, "./driver > printed.txt", &log)) << log;
  const std::string printed = ReadFile(build + "/printed.txt");
  EXPECT_NE(printed.find("CLKI 6000000 Hz\nbase address 00000000\n"), std::string::npos) << printed;

  ASSERT_TRUE(Shell(build, Objcopy("-O binary driver driver.bin"), &log)) << log;
  const std::string program = ReadFile(build + "/driver.bin");
  for (const auto& [name, format] : {std::pair{"driver.s19", "srec"}, {"driver.hex", "ihex"}}) {
    SCOPED_TRACE(name);
    const std::string path = build + "/" + name;
    const CliRun got = RunCli({"get", path, "cfgdesc", "baseaddr", "clki", "fx"});
    EXPECT_EQ(got.out, "Example board\n10000000h\n12.500 MHz\n8 pixels\n") << got.err;
    EXPECT_EQ(RunCli({"check", path}).status, 0);
    ASSERT_TRUE(Shell(
        build, Objcopy(std::string("-I ") + format + " -O binary " + name + " back.bin"), &log))
        << log;
    const std::string back = ReadFile(build + "/back.bin");
    EXPECT_NE(back, program);
    EXPECT_EQ(DifferencesOutsideBlock(program, back), "");
  }
}

}  // namespace k7q
