// 62500cfg board, run as separate processes that share one simulated board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "board/png_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

namespace {

using ::testing::HasSubstr;

// Runs "62500cfg board ARGS" with the simulated board in the folder, or with none.
CliRun RunBoard(const TempDir& folder, const std::string& args, bool simulated = true) {
  const std::string board = folder.File("board");
  ScopedEnv env("K7Q_SIMULATED_BOARD", simulated ? board.c_str() : nullptr);
  return RunCliWords("board " + args);
}

}  // namespace

TEST(BoardCommand, ProcessesShareTheSimulatedBoard) {
  const TempDir folder;
  const std::string note =
      "The board is simulated in " + folder.File("board") + "; it is not hardware.\n";
  CliRun run = RunBoard(folder, "init");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Initialized K7Q62500 using HAL build 9.\n" + note);
  EXPECT_EQ(RunBoard(folder, "pattern").status, 0);

  // The picture after init and pattern is the default golden one.
  EXPECT_EQ(RunBoard(folder, "snapshot " + folder.File("panel.png")).status, 0);
  std::string error;
  const auto got = ReadPng(folder.File("panel.png"), 1, &error);
  const auto want = ReadPng(TestSourcePath("golden/panel-default-text.png"), 1, &error);
  ASSERT_TRUE(got && want) << error;
  EXPECT_EQ(got->bytes, want->bytes);

  EXPECT_EQ(RunBoard(folder, "write 0A=15 15=3").status, 0);
  run = RunBoard(folder, "read 0A 15");
  EXPECT_EQ(run.out, note + "000A=15\n0015=03\n");
  run = RunBoard(folder, "read 0A --json");
  EXPECT_THAT(run.out, HasSubstr("\"value\": 21"));

  // The block's list writes the read-only cursor registers: check reports it and fails.
  run = RunBoard(folder, "check");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, note + "2 write(s) to read-only registers, first at offset 00801Eh\n");

  for (const char* refused : {"write 1E=3", "write 0A=100", "read 1C", "write 0A"}) {
    run = RunBoard(folder, refused);
    EXPECT_EQ(run.status, 1) << refused;
    EXPECT_NE(run.err, "") << refused;
  }
  run = RunBoard(folder, "init", false);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "Cannot Initialize: ERROR: Unable to find/load the K7Q62xxx driver.\n"
            "/dev/K7Q62xxx: No such file or directory\n");
  EXPECT_THAT(RunBoard(folder, "check", false).err, HasSubstr("needs the simulated board"));
}
