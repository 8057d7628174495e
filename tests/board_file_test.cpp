// The simulated board's file: made where nobody else can plant a link, and held by one
// board command at a time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "board/board_choice.h"
#include "board/board_hold.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

std::string BoardNote(const Chip62500& chip) {
  return MakeBoardDriver(chip.Tables(), chip.Block())->Note();
}

// The display memory of the simulated board in the file.
std::string Memory(const std::string& path) {
  std::string error;
  const auto store = SimulatedChipStore::OpenFile(path, &error);
  EXPECT_TRUE(store) << error;
  if (!store) return {};
  return std::string(reinterpret_cast<const char*>(store->State().memory), kSimulatedMemorySize);
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(SimulatedBoardFile, WithoutARuntimeFolderItLivesInAFolderOfTheUsersOwn) {
  const Chip62500 chip;
  const TempDir temp, elsewhere;
  ScopedEnv board(kSimulatedBoardVariable, "1");
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv tmp("TMPDIR", temp.path().c_str());
  const std::string folder = temp.File("k7q62500-board-" + std::to_string(getuid()));
  ASSERT_EQ(SimulatedBoardPath(), folder + "/board");
  EXPECT_EQ(BoardNote(chip), "The board is simulated in " + folder + "/board; it is not hardware.");
  struct stat info {};
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(lstat((folder + "/board").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A link planted in the board's place is not followed.
  ASSERT_EQ(unlink((folder + "/board").c_str()), 0);
  WriteFile(elsewhere.File("victim"), "");
  ASSERT_EQ(symlink(elsewhere.File("victim").c_str(), (folder + "/board").c_str()), 0);
  EXPECT_EQ(BoardNote(chip), "Cannot open the simulated board file " + folder +
                                 "/board: a symbolic link; name the file itself.");
  EXPECT_FALSE(HoldBoard().held());
  EXPECT_EQ(ReadFile(elsewhere.File("victim")), "");
  // Nor a folder that others can write in, or a link in the folder's place.
  ASSERT_EQ(unlink((folder + "/board").c_str()), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  EXPECT_EQ(BoardNote(chip),
            "Cannot open the simulated board folder " + folder + ": others can write in it.");
  ASSERT_EQ(rmdir(folder.c_str()), 0);
  ASSERT_EQ(symlink(elsewhere.path().c_str(), folder.c_str()), 0);
  EXPECT_EQ(BoardNote(chip), "Cannot open the simulated board folder " + folder +
                                 ": not a folder (a link or a file in its place).");
  EXPECT_EQ(EntryCount(elsewhere.path()), 1u);
  // With a runtime folder, the board is there.
  ScopedEnv own("XDG_RUNTIME_DIR", elsewhere.path().c_str());
  EXPECT_EQ(SimulatedBoardPath(), elsewhere.File("k7q62500-board"));
}

// Two pattern commands at once on an indirect-interface board: each one's commands and
// parameters arrive whole, so the picture is the one a single command draws.
TEST(SimulatedBoardFile, ABoardCommandHoldsTheBoardForItsWholeRun) {
  const TempDir dir;
  Chip62500 indirect;
  ASSERT_TRUE(indirect.SetRawValue("ii", 1));
  const std::string image = WriteImage(dir, "ii.exe", indirect.Block());
  const std::string board = dir.File("board");
  ScopedEnv env(kSimulatedBoardVariable, board.c_str());
  const std::string cli = std::string("'") + K7Q_CLI_PATH + "'";
  const std::string init = cli + " board init " + image + " >/dev/null";
  const std::string pattern = cli + " board pattern --from " + image + " >/dev/null";
  ASSERT_EQ(Shell(init + " && " + pattern), 0);
  const std::string alone = Memory(board);
  ASSERT_NE(alone, std::string(kSimulatedMemorySize, '\0'));
  for (int round = 0; round < 4; ++round) {
    ASSERT_EQ(Shell(init), 0);
    ASSERT_EQ(Shell("(" + pattern + " & " + pattern + " & " + pattern + " & wait)"), 0);
    EXPECT_TRUE(Memory(board) == alone) << "round " << round;
  }
  // While this process holds the board, a command waits for it.
  {
    const BoardHold hold = HoldBoard();
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(Shell("timeout 1 " + cli + " board read 0A >/dev/null"), 124);
  }
  EXPECT_EQ(Shell("timeout 5 " + cli + " board read 0A >/dev/null"), 0);
}

}  // namespace k7q
