// Saves of an S-record file opened here read back only the block's records while the
// file is unchanged, and parse the whole text again once another program has touched it.
#include <gtest/gtest.h>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "storage/opened_blocks.h"
#include "support/cli_run.h"
#include "support/fixtures.h"
#include "support/test_files.h"

namespace k7q {

namespace {

uint32_t Saved(const std::string& path, const char* key) {
  Chip62500 reread;
  EXPECT_TRUE(OpenConfigurableFile(reread, path).ok);
  return reread.GetFieldValue(key);
}

}  // namespace

TEST(SrecordSave, FollowsTheBlockWhereverAnotherProgramMovedIt) {
  TempDir dir;
  const std::string path = dir.File("board.s19");
  // The signature starts in one record and ends in the next.
  const std::string block = SrecordBlockBytes(SrecordTargetBlock());
  WriteFile(path, SrecordText(std::string(40, '\0') + block + std::string(3000, '\x22'), 1, 16));
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  for (uint32_t fx : {10u, 11u}) {  // the second save starts from the first one's records
    ASSERT_TRUE(chip.SetValueText("fx", std::to_string(fx)));
    ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
    EXPECT_EQ(Saved(path, "fx"), fx);
  }

  // Another program puts a data record in front, which moves the block.
  const std::string inserted = "S1070000DEADBEEFC0\r\n";
  WriteFile(path, inserted + ReadFile(path));
  ASSERT_TRUE(chip.SetValueText("fy", "12"));
  ASSERT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  EXPECT_EQ(ReadFile(path).substr(0, inserted.size()), inserted);
  EXPECT_EQ(Saved(path, "fx") * 100 + Saved(path, "fy"), 1112u);

  // Another program saves the block itself: the next save here is refused.
  ASSERT_EQ(RunCli({"set", path, "fx=13"}).status, 0);
  const std::string theirs = ReadFile(path);
  ASSERT_TRUE(chip.SetValueText("fy", "14"));
  const FileOutcome late = SaveConfigurableFile(chip, path, "", false);
  EXPECT_FALSE(late.ok);
  EXPECT_EQ(late.reason, kChangedSinceOpened);
  EXPECT_EQ(ReadFile(path), theirs);
}

}  // namespace k7q
