// Configure Multiple: one save per file whatever names it is given under, and passes
// larger than the descriptor limit.
#include "config/configure_multiple.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "storage/file_system.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

std::atomic<int> flushes = 0;

FileSystemCalls CountingFlushes() {
  FileSystemCalls calls = SystemFileCalls();
  calls.syncfs = [](int fd) { return ++flushes, SystemFileCalls().syncfs(fd); };
  return calls;
}

uint32_t FxOf(const std::string& path) {
  Chip62500 chip;
  EXPECT_TRUE(OpenConfigurableFile(chip, path).ok) << path;
  return chip.GetFieldValue("fx");
}

}  // namespace

TEST(ConfigureMultiple, AFileNamedTwiceIsConfiguredOnceAndTheSecondNameSaysSo) {
  TempDir dir;
  const std::string f = WriteImage(dir, "f.elf");
  const std::string g = dir.File("g.elf");
  ASSERT_EQ(link(f.c_str(), g.c_str()), 0);
  const std::string other = WriteImage(dir, "other.exe");
  const std::string s19 = dir.File("t.s19");
  WriteFile(s19, SrecordTargetText());
  const std::string text = dir.File("notes.txt");
  WriteFile(text, "no block here");
  Chip62500 chip;
  chip.SetRawValue("clki", 4000000);  // S-record targets can hold it
  chip.SetValueText("fx", "12");
  const auto start = std::chrono::steady_clock::now();
  const ConfigureOutcome outcome =
      ConfigureMultiple(chip, {f, f, g, other, s19, dir.path() + "/./t.s19", text, text}, false);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));  // no lock waits
  EXPECT_EQ(outcome.summary, "Summary of configured files:\n\nOK\t" + f + "\nOK\t" + f + "\nOK\t" +
                                 g + "\nOK\t" + other + "\nOK\t" + s19 + "\nOK\t" + dir.path() +
                                 "/./t.s19\nError\t" + text + "\nError\t" + text + "\n");
  ASSERT_EQ(outcome.files.size(), 8u);
  for (size_t i : {0u, 3u, 4u, 6u}) EXPECT_TRUE(outcome.files[i].notices.empty()) << i;
  const std::string once = "\" is the same file as \"";
  EXPECT_EQ(outcome.files[1].notices,
            (std::vector<std::string>{"\"" + f + once + f + "\"; it was configured once."}));
  EXPECT_EQ(outcome.files[2].notices,
            (std::vector<std::string>{"\"" + g + once + f + "\"; it was configured once."}));
  EXPECT_EQ(outcome.files[5].notices.size(), 1u);
  // The second name of a file that fails fails with the same reason, and no message twice.
  EXPECT_EQ(outcome.files[7].reason, outcome.files[6].reason);
  EXPECT_TRUE(outcome.files[7].messages.empty());
  EXPECT_EQ(FxOf(f), 12u);
  EXPECT_EQ(FxOf(other), 12u);
  EXPECT_EQ(FxOf(s19), 12u);
  EXPECT_EQ(EntryCount(dir.path()), 5u);  // no journal left
}

TEST(ConfigureMultiple, APassLargerThanTheDescriptorLimitCommitsInGroups) {
  TempDir dir;
  std::vector<std::string> targets;
  for (int i = 0; i < 300; ++i) targets.push_back(WriteImage(dir, std::to_string(i) + ".elf"));
  Chip62500 chip;
  chip.SetValueText("fx", "12");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  flushes = 0;
  FileSystem() = CountingFlushes();
  const ConfigureOutcome outcome = ConfigureMultiple(chip, targets, false);
  FileSystem() = SystemFileCalls();
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_TRUE(outcome.allOk) << outcome.files.back().reason;
  // Each group flushes twice: after its journals and after its changes.
  EXPECT_GE(flushes.load(), 2 * 4);
  EXPECT_EQ(flushes.load() % 2, 0);
  for (const std::string& target : {targets.front(), targets[150], targets.back()})
    EXPECT_EQ(FxOf(target), 12u) << target;
  EXPECT_EQ(EntryCount(dir.path()), 300u);
}

}  // namespace k7q
