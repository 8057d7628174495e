// Whole outputs (exports, dumps, copies, snapshots): the complete new file or the old one
// after any fault, kill or limit, with links and mode kept; only regular files written;
// nothing stray left once the next output has run.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "storage/descriptor_room.h"
#include "storage/file_system.h"
#include "storage/locked_file.h"
#include "storage/save_journal.h"
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

// Kills outputs onto a.txt with two names at one call after another until one leaves its
// journal behind.
void LeaveJournal(const TempDir& dir) {
  for (int k = 1; k < 100; ++k) {
    Prepare(dir, 2, "old text");
    if (fork() == 0) {
      FaultPlan faults;
      faults.killAt = k;
      _exit(WriteUnder(dir.File("a.txt"), "a longer new text", faults).empty() ? 0 : 1);
    }
    wait(nullptr);
    if (access(JournalPath(dir.File("a.txt")).c_str(), F_OK) == 0) return;
  }
  ADD_FAILURE() << "no kill left a journal";
}

// Stages text for path, lets something happen and commits: the reason, or "" when done.
std::string StageAndCommit(const std::string& path, const std::function<void()>& meanwhile) {
  StagedFile out(path, 0600);
  size_t written = 0;
  if (!out.ok()) return out.Commit() ? "committed" : out.reason();
  if (!WriteAll(out.fd(), "new", &written)) return out.reason();
  meanwhile();
  return out.Commit() ? "" : out.reason();
}

// All but `left` descriptors taken, under a low limit, for one scope.
class DescriptorsTaken {
 public:
  explicit DescriptorsTaken(size_t left) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const rlimit low = {256, saved_.rlim_max};
    setrlimit(RLIMIT_NOFILE, &low);
    for (int fd; (fd = dup(0)) >= 0;) fds_.push_back(fd);
    for (; left > 0; --left, fds_.pop_back()) close(fds_.back());
  }
  ~DescriptorsTaken() {
    for (const int fd : fds_) close(fd);
    setrlimit(RLIMIT_NOFILE, &saved_);
  }

 private:
  rlimit saved_{};
  std::vector<int> fds_;
};

// Runs body in a child with root's user id but without its powers over files, as an
// ordinary user; 0 when nothing in body failed.
int WithoutFilePowers(const std::function<void()>& body) {
  fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    const uint32_t powers =
        1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH | 1u << CAP_CHOWN | 1u << CAP_FOWNER;
    syscall(SYS_capget, &header, caps);
    caps[0].effective &= ~powers, caps[0].permitted &= ~powers;
    if (syscall(SYS_capset, &header, caps) != 0) exit(98);
    body();
    exit(testing::Test::HasFailure() ? 1 : 0);  // exit: the coverage data is written
  }
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_IGN);
  for (int links : {1, 2}) {
    Prepare(dir, links, old);
    const rlimit limit = {8192, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string reason = WriteWholeOutput(dir.File("a.txt"), std::string(20000, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(reason, "File too large") << links;
    EXPECT_EQ(ReadFile(dir.File("a.txt")), old) << links;
    EXPECT_EQ(EntryCount(dir.path()), static_cast<size_t>(links));
  }
  signal(SIGXFSZ, SIG_DFL);
}

// Every call failing in turn and kills before and after every call, also where the file
// system has no files without a name or takes writes in pieces.
TEST(WholeOutput, EveryFaultAndKillLeavesOldOrNewAndTheNextOutputNothingStray) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
  const std::string old(30000, 'o'), text = std::string(10000, 'o') + std::string(25000, 'n');
  int tried = 0, kills = 0;
  for (int mode = 0; mode < 4; ++mode) {
    FaultPlan base;
    base.tmpfileError = mode == 1 ? EOPNOTSUPP : mode == 2 ? EISDIR : 0;
    base.shortWrites = mode == 3;
    for (int links : {0, 1, 2}) {
      Prepare(dir, links, old);
      ASSERT_EQ(WriteUnder(a, text, base), "") << mode;
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
          FaultPlan faults = base;
          faults.kind = kind, faults.failAt = n;
          const bool written = WriteUnder(a, text, faults).empty();
          if (plan.counts[kind] <= n) break;
          ++tried;
          EXPECT_TRUE(intact(written)) << mode << " " << links << " call " << kind << " #" << n;
          EXPECT_EQ(EntryCount(dir.path()), links ? links : written) << mode << " " << links;
        }
      }
      // Kills where the journal too has a name while it is written leave it incomplete.
      for (int k = 1; (mode == 0 || (mode == 1 && links < 2)) && k <= 2 * calls; ++k) {
        Prepare(dir, links, old);
        if (fork() == 0) {
          FaultPlan faults = base;
          faults.killAt = (k + 1) / 2, faults.killAfter = k % 2 == 0;
          _exit(WriteUnder(a, text, faults).empty() ? 0 : 1);
        }
        int status = 0;
        wait(&status);
        ++kills;
        // Opening the file undoes an interrupted rewrite, as the next output does.
        if (links == 2) OpenLockedFile(a, false);
        const bool exists = access(a.c_str(), F_OK) == 0;
        EXPECT_TRUE(intact(exists && ReadFile(a) == text)) << mode << " " << links << " kill " << k;
        EXPECT_EQ(WriteWholeOutput(a, "next"), "");
        EXPECT_EQ(EntryCount(dir.path()), links ? links : 1)
            << mode << " " << links << " kill " << k;
      }
    }
  }
  EXPECT_GT(tried, 120);
  EXPECT_GT(kills, 60);
}

// What stands at the name when the output is staged and when it is committed decides.
TEST(WholeOutput, FollowsTheFileAsItIsWhenStagedAndWhenCommitted) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt"), journal = JournalPath(a);
  Prepare(dir, 1, "old");
  EXPECT_EQ(StageAndCommit(a + "/x", [] {}), std::strerror(ENOTDIR));
  // Replaced by a FIFO: left alone.
  EXPECT_EQ(StageAndCommit(a, [&] { unlink(a.c_str()), mkfifo(a.c_str(), 0600); }),
            kNotRegularFile);
  EXPECT_TRUE(S_ISFIFO(StatOf(a).st_mode));
  // Given a second name: both names see the output.
  Prepare(dir, 1, "old");
  EXPECT_EQ(StageAndCommit(a, [&] { link(a.c_str(), b.c_str()); }), "");
  EXPECT_EQ(ReadFile(b), "new");
  EXPECT_EQ(StatOf(a).st_nlink, 2u);
  // Something in the journal's place: refused and named.
  Prepare(dir, 1, "old");
  const std::string refused = StageAndCommit(a, [&] { mkdir(journal.c_str(), 0700); });
  EXPECT_EQ(refused.find("\"" + journal + "\" stands where the journal"), 0u) << refused;
  EXPECT_EQ(ReadFile(a), "old");
  ASSERT_EQ(rmdir(journal.c_str()), 0);
  // Removed under every name; made by another program meanwhile.
  Prepare(dir, 2, "old");
  EXPECT_EQ(StageAndCommit(a, [&] { unlink(a.c_str()), unlink(b.c_str()); }),
            std::strerror(ENOENT));
  EXPECT_EQ(EntryCount(dir.path()), 0u);
  EXPECT_EQ(StageAndCommit(a, [&] { WriteFile(a, "other"); }), "");
  EXPECT_EQ(ReadFile(a), "new");
  // A journal of an interrupted output that the file, changed since, no longer matches:
  // the file and the journal are left alone.
  LeaveJournal(dir);
  WriteFile(a, "changed by another program");
  const std::string stopped = WriteWholeOutput(a, "new");
  EXPECT_EQ(stopped.find("The journal \"" + journal + "\" beside \"" + a +
                         "\" records a save that the file no longer matches"),
            0u)
      << stopped;
  EXPECT_EQ(ReadFile(a), "changed by another program");
  // One left beside a file with one name now: undone first, then rewritten in place, so
  // that no journal stays beside a new file.
  LeaveJournal(dir);
  ASSERT_EQ(unlink(b.c_str()), 0);
  EXPECT_EQ(WriteWholeOutput(a, "next"), "");
  EXPECT_EQ(ReadFile(a), "next");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(WholeOutput, RemovesOnlyTheTemporariesOfDeadProcessesOfThisUser) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), prefix = dir.File(".a.txt.k7q-");
  const std::string dead = "99999999";  // above any process id
  WriteFile(a, "old");
  const std::vector<std::string> kept = {prefix + std::to_string(getppid()), prefix,
                                         dir.File(".b.txt.k7q-") + dead, prefix + dead + "000",
                                         prefix + dead + "x"};
  for (const std::string& name : kept) WriteFile(name, "kept");
  ASSERT_EQ(mkdir((prefix + "99999998").c_str(), 0700), 0);
  ASSERT_EQ(symlink(a.c_str(), (prefix + "99999997").c_str()), 0);
  WriteFile(prefix + "99999996", "another user's");
  if (geteuid() == 0) {
    ASSERT_EQ(chown((prefix + "99999996").c_str(), 65534, 65534), 0);
  }
  WriteFile(prefix + dead, "left by a killed output");
  EXPECT_EQ(WriteWholeOutput(a, "new"), "");
  EXPECT_NE(access((prefix + dead).c_str(), F_OK), 0);
  for (const std::string& name : kept) EXPECT_EQ(ReadFile(name), "kept") << name;
  EXPECT_EQ(EntryCount(dir.path()), kept.size() + 4) << "the folder, link, other user's, a.txt";
}

// At the descriptor limit the room left is counted exactly, and an output that cannot
// get the descriptors it needs leaves the old file.
TEST(WholeOutput, AtTheDescriptorLimitTheRoomIsCountedAndOutputsAreWholeOrAbsent) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), tooMany = std::strerror(EMFILE);
  for (const size_t left : {0, 1, 5}) {
    DescriptorsTaken taken(left);
    EXPECT_EQ(FreeDescriptors(0), std::max<size_t>(left, 1)) << left;
    EXPECT_EQ(FreeDescriptors(2), std::max<size_t>(left, 3) - 2) << left;
  }
  for (const int links : {1, 2}) {
    Prepare(dir, links, "old");
    {
      DescriptorsTaken taken(0);
      EXPECT_EQ(WriteWholeOutput(a, "new"), tooMany) << links;
    }
    EXPECT_EQ(ReadFile(a), "old") << links;
    std::string reason;
    {
      DescriptorsTaken taken(1);  // for the staged file: none to open the target with
      reason = WriteWholeOutput(a, "new");
    }
    EXPECT_EQ(reason, links == 1 ? "" : tooMany);
    EXPECT_EQ(ReadFile(a), links == 1 ? "new" : "old") << links;
    EXPECT_EQ(EntryCount(dir.path()), static_cast<size_t>(links));
  }
}

// What an ordinary user may not do: write a read-only file or into a read-only folder,
// give a replacement another owner, undo a save in a file it may only read.
TEST(WholeOutput, WithoutTheRightsForAReplacementTheFileIsRefusedOrRewrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up another user's file";
  TempDir dir;
  const std::string a = dir.File("a.txt"), theirs = dir.File("theirs.txt");
  WriteFile(theirs, "old");
  ASSERT_EQ(chown(theirs.c_str(), 65534, 65534) | chmod(theirs.c_str(), 0666), 0);
  const std::string kept = dir.File("kept.txt"), unreadable = JournalPath(kept);
  WriteFile(kept, "kept"), WriteFile(unreadable, "another user's journal");
  ASSERT_EQ(chown(unreadable.c_str(), 65534, 65534) | chmod(unreadable.c_str(), 0600), 0);
  LeaveJournal(dir);
  const std::string half = ReadFile(a);
  ASSERT_EQ(chmod(a.c_str(), 0444), 0);
  EXPECT_EQ(WithoutFilePowers([&] {
              const std::string denied = std::strerror(EACCES);
              EXPECT_EQ(WriteWholeOutput(a, "new"), denied);
              const LockedFile reading = OpenLockedFile(a, false);
              EXPECT_EQ(reading.reason, "An interrupted save could not be undone (journal \"" +
                                            JournalPath(a) + "\": " + denied + ").");
              const LockedFile blocked = OpenLockedFile(kept, false);
              EXPECT_TRUE(blocked.journalInTheWay);
              EXPECT_NE(blocked.notices.at(0).find("cannot be read (" + denied + ")"),
                        std::string::npos);
              // Another user's file: its owner kept, rewritten in place.
              EXPECT_EQ(WriteWholeOutput(theirs, "a new text"), "");
              EXPECT_EQ(ReadFile(theirs), "a new text");
              EXPECT_EQ(StatOf(theirs).st_uid, 65534u);
              plan = FaultPlan();
              plan.tmpfileError = EOPNOTSUPP;  // a named replacement, removed again
              FileSystem() = kFaulty;
              EXPECT_EQ(WriteWholeOutput(theirs, "a new text"), "");
              FileSystem() = SystemFileCalls();
              ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
              EXPECT_EQ(WriteWholeOutput(theirs, "x"), denied);
              EXPECT_EQ(WriteWholeOutput(dir.File("new.txt"), "x"), denied);
              chmod(dir.path().c_str(), 0700);
            }),
            0);
  EXPECT_EQ(ReadFile(a), half);
  EXPECT_EQ(ReadFile(theirs), "a new text");
  EXPECT_EQ(ReadFile(kept), "kept");
  EXPECT_EQ(EntryCount(dir.path()), 6u) << "a.txt, b.txt, theirs.txt, kept.txt, two journals";
}

}  // namespace k7q
