// Saves: journals, locks and refusals of the in-place save, and saves under injected
// faults and kills (every save is complete or absent); Configure Multiple commits as a
// group: two flushes a pass, each target saved or left as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "formats/file_kinds.h"
#include "storage/file_system.h"
#include "storage/opened_blocks.h"
#include "storage/save_journal.h"
#include "tests/support/faulty_calls.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

std::string SrecordFile() {
  return SrecordTargetText(1, std::string(8000, '\x11'));
}

// A file of a few hundred KiB whose block the save changes.
std::string Original(const std::string& name) {
  if (KindOfName(name)->readRecords) {
    return SrecordTargetText(1, std::string(100000, '\x5A'));
  }
  return ImageWith(StoredBlock(DefaultHalStruct(), false), 200000, 100000);
}

// Opens the file, changes settings and saves (into copy, when given) under the plan.
FileOutcome ChangeAndSave(const std::string& path, const std::string& copy, FaultPlan faults) {
  Chip62500 chip;
  EXPECT_TRUE(OpenConfigurableFile(chip, path).ok);
  chip.SetValueText("fx", "12");
  chip.SetValueText("cfgdesc", "under faults");
  chip.SetRawValue("vram", 0x12345);
  plan = faults;
  FileSystem() = kFaulty;
  FileOutcome outcome = SaveConfigurableFile(chip, path, copy, false);
  FileSystem() = SystemFileCalls();
  return outcome;
}

// Atomic: a pass prepares its images on two threads.
std::atomic<int> calls = 0, fsyncs = 0, syncfss = 0;
int failAt = -1, killAt = -1;

// Counts every call; the failAt-th fails, the process dies before the killAt-th.
bool Fails() {
  if (++calls == killAt) raise(SIGKILL);
  return calls == failAt && (errno = EIO);
}

const FileSystemCalls kCounted = {
    [](const char* p, int f, mode_t m) { return Fails() ? -1 : SystemFileCalls().open(p, f, m); },
    [](int fd, const void* d, size_t n, off_t o) -> ssize_t {
      return Fails() ? -1 : SystemFileCalls().pwrite(fd, d, n, o);
    },
    [](int fd) { return ++fsyncs, Fails() ? -1 : SystemFileCalls().fsync(fd); },
    [](const char* a, const char* b) { return Fails() ? -1 : SystemFileCalls().rename(a, b); },
    [](const char* p) { return Fails() ? -1 : SystemFileCalls().unlink(p); },
    [](int fd) { return SystemFileCalls().close(fd); },
    [](int fd, off_t n) { return Fails() ? -1 : SystemFileCalls().ftruncate(fd, n); },
    [](int fd) { return ++syncfss, Fails() ? -1 : SystemFileCalls().syncfs(fd); },
};

const std::vector<std::string> kNames = {"a.elf", "b.exe", "missing.elf", "c.elf"};

ConfigureOutcome Pass(const TempDir& dir, int fail, int kill) {
  std::vector<std::string> targets;
  for (const std::string& name : kNames) targets.push_back(dir.File(name));
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (i != 2) WriteFile(targets[i], ImageWith(StoredBlock(DefaultHalStruct(), i == 1), 5000 * i));
  }
  Chip62500 chip;
  chip.SetValueText("fx", "12");
  calls = fsyncs = syncfss = 0, failAt = fail, killAt = kill;
  FileSystem() = kCounted;
  ConfigureOutcome outcome = ConfigureMultiple(chip, targets, false);
  FileSystem() = SystemFileCalls();
  return outcome;
}

}  // namespace

TEST(SaveJournal, InterruptedSavesAreUndoneOnTheNextOpenAndStrangeJournalsLeftAlone) {
  TempDir dir;
  const std::string path = dir.File("board.s19"), original = SrecordFile();
  WriteFile(path, original);
  // A save that stopped after writing its journal and part of its changes.
  InPlaceSave save;
  save.path = path;
  save.fd = open(path.c_str(), O_RDWR);
  ASSERT_EQ(fstat(save.fd, &save.info), 0);
  save.changes = {{100, "XYZ"}, {3000, "Q"}};
  ASSERT_TRUE(WriteJournal(save));
  ASSERT_TRUE(ApplyChanges(save));
  close(save.fd);
  ASSERT_NE(ReadFile(path), original);
  const std::string journal = JournalPath(path);
  EXPECT_EQ(journal, dir.File(".board.s19.k7q-journal"));
  const std::string text = ReadFile(journal);
  Chip62500 chip;
  FileOutcome open = OpenConfigurableFile(chip, path);
  EXPECT_TRUE(open.ok);
  const Failures shown = FileFailures(open);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].reason, "An interrupted save of \"" + path +
                                 "\" was undone; the file is as it was before that save.");
  EXPECT_EQ(shown[0].severity, Severity::kNote);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_NE(access(journal.c_str(), F_OK), 0);
  // Torn, or of another file (the same name, another inode): named, left alone, no save.
  for (const std::string& strange : {text.substr(0, text.size() - 3), text}) {
    if (strange == text) {
      WriteFile(dir.File("new"), original);
      ASSERT_EQ(rename(dir.File("new").c_str(), path.c_str()), 0);
    }
    WriteFile(journal, strange);
    open = OpenConfigurableFile(chip, path);
    EXPECT_TRUE(open.ok);
    ASSERT_EQ(open.notices.size(), 1u);
    EXPECT_NE(open.notices[0].find(journal), std::string::npos);
    const FileOutcome saved = SaveConfigurableFile(chip, path, "", false);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.reason.find(journal), std::string::npos);
    EXPECT_EQ(ReadFile(journal), strange);
    EXPECT_EQ(ReadFile(path), original);
  }
  unlink(journal.c_str());
  EXPECT_TRUE(OpenConfigurableFile(chip, path).notices.empty());
  EXPECT_TRUE(SaveConfigurableFile(chip, path, "", false).ok && EntryCount(dir.path()) == 1);
}

TEST(SaveJournal, LongNamesAndFullDisks) {
  TempDir dir;
  // A name of 250 characters: the journal gets a short hashed name.
  const std::string longName = dir.File(std::string(246, 'n') + ".s19");
  WriteFile(longName, SrecordFile());
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, longName).ok);
  chip.SetValueText("fx", "10");
  EXPECT_TRUE(SaveConfigurableFile(chip, longName, "", false).ok);
  EXPECT_LT(JournalPath(longName).size() - dir.path().size(), 40u);
  const std::string path = WriteImage(dir, "image.elf");
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  // A file-size limit below the block: refused with the reason, nothing changed or left.
  const std::string before = ReadFile(path);
  if (fork() == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    chip.SetValueText("fx", "12");
    _exit(SaveConfigurableFile(chip, path, "", false).reason == "File too large" ? 0 : 1);
  }
  int status = -1;
  wait(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(SaveJournal, ConcurrentSavesWaitForTheLockAndNeverLoseAnUpdate) {
  TempDir dir;
  for (const char* name : {"a.s19", "b.elf"}) {
    const std::string path = name[0] == 'b' ? WriteImage(dir, name) : dir.File(name);
    if (name[0] == 'a') WriteFile(path, SrecordFile());
    Chip62500 chip;
    ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
    chip.SetValueText("fy", "11");
    // Another program saves fx, then holds the lock a moment: this save waits, then finds
    // the other save in the file and is refused rather than drop it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    if (other == 0) {
      Chip62500 own;
      const bool saved = OpenConfigurableFile(own, path).ok && own.SetValueText("fx", "10") &&
                         SaveConfigurableFile(own, path, "", false).ok;
      const int fd = open(path.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      fcntl(fd, F_OFD_SETLK, &lock);
      if (write(ready[1], "x", 1) != 1) _exit(1);
      usleep(300000);
      _exit(saved ? 0 : 1);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]), close(ready[1]);
    const auto start = std::chrono::steady_clock::now();
    const FileOutcome late = SaveConfigurableFile(chip, path, "", false);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    int status = -1;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(late.ok);
    EXPECT_EQ(late.reason, kChangedSinceOpened);
    Chip62500 reread;
    ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
    EXPECT_EQ(reread.GetFieldValue("fx") * 100 + reread.GetFieldValue("fy"), 1008u);
  }
}

TEST(SaveFaults, EveryFailedCallLeavesTheFileAsItWasAndEveryKillAsItWasOrSaved) {
  int tried = 0, intact = 0, kills = 0, killsIntact = 0;
  for (const char* name : {"a.s19", "b.elf", "c.srec", "d.exe"}) {
    const bool saveAs = name[0] >= 'c';
    TempDir dir;
    const std::string path = dir.File(name), copy = saveAs ? dir.File("copy.bin") : "";
    const std::string original = Original(name);
    WriteFile(path, original);
    FaultPlan dry;
    ASSERT_TRUE(ChangeAndSave(path, copy, dry).ok) << name;
    const std::string intended = ReadFile(saveAs ? copy : path);
    ASSERT_NE(intended, original);
    const int calls = plan.total;
    for (int kind = 0; kind < kCallKinds; ++kind) {
      for (int n = 0; n < 8; ++n) {
        WriteFile(path, original);
        if (saveAs) unlink(copy.c_str());
        FaultPlan faults;
        faults.kind = kind, faults.failAt = n;
        const FileOutcome outcome = ChangeAndSave(path, copy, faults);
        if (plan.counts[kind] <= n) break;
        ++tried;
        Chip62500 reopened;
        const bool good = OpenConfigurableFile(reopened, path).ok &&
                          ReadFile(path) == (outcome.ok && !saveAs ? intended : original) &&
                          (!saveAs || (outcome.ok ? ReadFile(copy) == intended
                                                  : access(copy.c_str(), F_OK) != 0)) &&
                          EntryCount(dir.path()) == 1u + (saveAs && outcome.ok);
        intact += good;
        EXPECT_TRUE(good) << name << " call " << kind << " #" << n;
      }
    }
    // Kills before and after every call of an in-place save.
    for (int k = 1; !saveAs && k <= 2 * calls; ++k) {
      WriteFile(path, original);
      if (fork() == 0) {
        FaultPlan faults;
        faults.killAt = (k + 1) / 2, faults.killAfter = k % 2 == 0;
        ChangeAndSave(path, copy, faults);
        _exit(0);
      }
      int status = 0;
      wait(&status);
      ++kills;
      Chip62500 reopened;
      const FileOutcome open = OpenConfigurableFile(reopened, path);
      const std::string now = ReadFile(path);
      const bool good =
          open.ok && (now == original || now == intended) && EntryCount(dir.path()) == 1;
      killsIntact += good;
      EXPECT_TRUE(good) << name << " kill point " << k;
    }
  }
  EXPECT_TRUE(tried > 40 && kills > 20);
  EXPECT_EQ(intact, tried);
  EXPECT_EQ(killsIntact, kills);
  std::printf("faults tried %d, files intact %d; kills %d, files intact %d\n", tried, intact, kills,
              killsIntact);
}

TEST(GroupCommit, TwoFlushesAPassAndEachFileAsItWasOrConfiguredUnderFaultsAndKills) {
  std::vector<std::string> configured;
  {
    TempDir dir;
    ASSERT_FALSE(Pass(dir, -1, -1).allOk);  // the missing target fails on its own
    for (const std::string& name : kNames) configured.push_back(ReadFile(dir.File(name)));
  }
  EXPECT_EQ(syncfss.load(), 2);
  EXPECT_EQ(fsyncs.load(), 0);
  const int total = calls;
  for (int k = 1; k <= 2 * total; ++k) {
    TempDir dir;  // new paths: no file here was opened before
    const bool kill = k > total;
    int status = 0;
    ConfigureOutcome outcome;
    if (!kill) {
      outcome = Pass(dir, k, -1);
    } else if (fork() == 0) {
      Pass(dir, -1, k - total);
      _exit(0);
    }
    if (kill) wait(&status);
    for (size_t i = 0; i < kNames.size(); ++i) {
      if (i == 2) continue;
      Chip62500 reopened;  // undoes an interrupted save
      ASSERT_TRUE(OpenConfigurableFile(reopened, dir.File(kNames[i])).ok) << k;
      const std::string now = ReadFile(dir.File(kNames[i]));
      const std::string before = ImageWith(StoredBlock(DefaultHalStruct(), i == 1), 5000 * i);
      if (!kill) {
        EXPECT_EQ(now, outcome.files[i].ok ? configured[i] : before) << k << " " << i;
      }
      EXPECT_TRUE(now == before || now == configured[i]) << k << " " << i;
    }
    EXPECT_EQ(EntryCount(dir.path()), 3u) << k;
  }
}

}  // namespace k7q
