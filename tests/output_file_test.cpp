// Whole outputs (exports, dumps, copies, snapshots): the complete new file or the old one
// after any fault, kill or limit, with links and mode kept; only regular files written;
// nothing stray left once the next output has run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "storage/file_system.h"
#include "storage/locked_file.h"
#include "storage/staged_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/faulty_calls.h"
#include "tests/support/fixtures.h"

namespace k7q {

namespace {

struct stat StatOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info;
}

// A folder with a.txt of old text and links - 1 more names for it (b.txt); no file at all
// when links is 0.
void Prepare(const TempDir& dir, int links, const std::string& old) {
  unlink(dir.File("a.txt").c_str());
  unlink(dir.File("b.txt").c_str());
  if (links == 0) return;
  WriteFile(dir.File("a.txt"), old);
  chmod(dir.File("a.txt").c_str(), 0640);
  if (links == 2) link(dir.File("a.txt").c_str(), dir.File("b.txt").c_str());
}

std::string WriteUnder(const std::string& path, const std::string& text, FaultPlan faults) {
  plan = faults;
  FileSystem() = kFaulty;
  const std::string reason = WriteWholeOutput(path, text);
  FileSystem() = SystemFileCalls();
  return reason;
}

}  // namespace

TEST(WholeOutput, KeepsLinksAndModeAndWritesOnlyRegularFiles) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
  Prepare(dir, 2, "old");
  // Longer and shorter: every name sees each new text, mode and links stay.
  for (const std::string& text : {std::string(20000, 'g'), std::string("short"), std::string()}) {
    EXPECT_EQ(WriteWholeOutput(b, text), "");
    EXPECT_EQ(ReadFile(a), text);
    EXPECT_EQ(StatOf(a).st_nlink, 2u);
    EXPECT_EQ(StatOf(a).st_mode & 07777, 0640u);
    EXPECT_EQ(EntryCount(dir.path()), 2u);
  }
  ASSERT_EQ(unlink(b.c_str()), 0);
  EXPECT_EQ(WriteWholeOutput(a, "single"), "");
  EXPECT_EQ(ReadFile(a), "single");
  EXPECT_EQ(StatOf(a).st_mode & 07777, 0640u);
  // A FIFO, also behind a link, is refused at once, never opened.
  const std::string fifo = dir.File("fifo"), toFifo = dir.File("to-fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink(fifo.c_str(), toFifo.c_str()), 0);
  alarm(20);
  EXPECT_EQ(WriteWholeOutput(fifo, "x"), kNotRegularFile);
  EXPECT_EQ(WriteWholeOutput(toFifo, "x"), kNotRegularFile);
  const CliRun exported = RunCli({"export", "csv", "-o", fifo});
  const CliRun dumped = RunCli({"dump", "-", "-o", toFifo});
  alarm(0);
  EXPECT_EQ(exported.status, 1);
  EXPECT_NE(exported.err.find("Failed to create file " + fifo + " (" + kNotRegularFile + ")"),
            std::string::npos)
      << exported.err;
  EXPECT_EQ(dumped.status, 1);
  EXPECT_NE(dumped.err.find(kNotRegularFile), std::string::npos) << dumped.err;
  EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
  // Save As onto a file with two names: both see the configured copy.
  const std::string image = WriteImage(dir, "driver.elf"), copy = dir.File("copy.elf");
  const std::string other = dir.File("other.elf");
  WriteFile(copy, "old copy");
  ASSERT_EQ(link(copy.c_str(), other.c_str()), 0);
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, image).ok);
  chip.SetValueText("fx", "12");
  EXPECT_TRUE(SaveConfigurableFile(chip, image, copy, false).ok);
  EXPECT_EQ(ReadFile(other).size(), ReadFile(image).size());
  EXPECT_EQ(StatOf(other).st_nlink, 2u);
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, other).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 12u);
}

TEST(WholeOutput, AFileSizeLimitLeavesTheOldFile) {
  TempDir dir;
  const std::string old(6000, 'o');
  for (int links : {1, 2}) {
    Prepare(dir, links, old);
    if (fork() == 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {8192, 8192};
      setrlimit(RLIMIT_FSIZE, &limit);
      _exit(WriteWholeOutput(dir.File("a.txt"), std::string(20000, 'n')) == "File too large" ? 0
                                                                                             : 1);
    }
    int status = -1;
    wait(&status);
    EXPECT_EQ(status, 0) << links;
    EXPECT_EQ(ReadFile(dir.File("a.txt")), old) << links;
    EXPECT_EQ(EntryCount(dir.path()), static_cast<size_t>(links));
  }
}

TEST(WholeOutput, EveryFaultAndKillLeavesOldOrNewAndTheNextOutputNothingStray) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
  const std::string old(30000, 'o'), text = std::string(10000, 'o') + std::string(25000, 'n');
  int tried = 0, kills = 0;
  for (int links : {0, 1, 2}) {
    Prepare(dir, links, old);
    ASSERT_EQ(WriteUnder(a, text, FaultPlan()), "");
    const int calls = plan.total;
    // The file as it must be: the new text, or the old (none) when the write failed.
    const auto intact = [&](bool written) {
      const bool exists = access(a.c_str(), F_OK) == 0;
      const std::string now = exists ? ReadFile(a) : "";
      const bool content = written ? now == text : links == 0 ? !exists : now == old;
      return content && (links < 2 || (ReadFile(b) == now && StatOf(a).st_nlink == 2u)) &&
             (!exists || links == 0 || (StatOf(a).st_mode & 07777) == 0640u);
    };
    for (int kind = 0; kind < kCallKinds; ++kind) {
      for (int n = 0;; ++n) {
        Prepare(dir, links, old);
        FaultPlan faults;
        faults.kind = kind, faults.failAt = n;
        const bool written = WriteUnder(a, text, faults).empty();
        if (plan.counts[kind] <= n) break;
        ++tried;
        EXPECT_TRUE(intact(written)) << links << " call " << kind << " #" << n;
        EXPECT_EQ(EntryCount(dir.path()), links ? links : written) << links << " " << kind;
      }
    }
    for (int k = 1; k <= 2 * calls; ++k) {
      Prepare(dir, links, old);
      if (fork() == 0) {
        FaultPlan faults;
        faults.killAt = (k + 1) / 2, faults.killAfter = k % 2 == 0;
        _exit(WriteUnder(a, text, faults).empty() ? 0 : 1);
      }
      int status = 0;
      wait(&status);
      ++kills;
      // Opening the file undoes an interrupted rewrite, as the next output does.
      if (links == 2) OpenLockedFile(a, false);
      const bool exists = access(a.c_str(), F_OK) == 0;
      EXPECT_TRUE(intact(exists && ReadFile(a) == text)) << links << " kill point " << k;
      EXPECT_EQ(WriteWholeOutput(a, "next"), "");
      EXPECT_EQ(EntryCount(dir.path()), links ? links : 1) << links << " kill point " << k;
    }
  }
  EXPECT_GT(tried, 30);
  EXPECT_GT(kills, 30);
}

}  // namespace k7q
