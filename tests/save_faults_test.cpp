// Saves under injected faults and kills: every save is complete or absent. Configure
// Multiple commits as a group: two flushes a pass, each target saved or left as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "config/file_system.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace {

enum Call { kOpen, kPwrite, kFsync, kRename, kUnlink, kClose, kFtruncate, kCallKinds };

// Which call fails (or where the process is killed) in the next save.
struct FaultPlan {
  int kind = -1, failAt = -1;
  int killAt = -1;  // a count of all calls; killed before it, or after it when killAfter
  bool killAfter = false;
  int counts[kCallKinds] = {};
  int total = 0;
};
FaultPlan plan;

bool Fails(int kind) {
  if (++plan.total == plan.killAt && !plan.killAfter) raise(SIGKILL);
  return kind == plan.kind && plan.counts[kind]++ == plan.failAt && (errno = EIO);
}

template <typename T>
T Done(T result) {
  if (plan.total == plan.killAt && plan.killAfter) raise(SIGKILL);
  return result;
}

const FileSystemCalls kFaulty = {
    [](const char* p, int f, mode_t m) {
      return Fails(kOpen) ? -1 : Done(SystemFileCalls().open(p, f, m));
    },
    [](int fd, const void* d, size_t n, off_t o) -> ssize_t {
      return Fails(kPwrite) ? -1 : Done(SystemFileCalls().pwrite(fd, d, n, o));
    },
    [](int fd) { return Fails(kFsync) ? -1 : Done(SystemFileCalls().fsync(fd)); },
    [](const char* a, const char* b) {
      return Fails(kRename) ? -1 : Done(SystemFileCalls().rename(a, b));
    },
    [](const char* p) { return Fails(kUnlink) ? -1 : Done(SystemFileCalls().unlink(p)); },
    [](int fd) {
      if (Fails(kClose)) return SystemFileCalls().close(fd), -1;
      return Done(SystemFileCalls().close(fd));
    },
    [](int fd, off_t n) {
      return Fails(kFtruncate) ? -1 : Done(SystemFileCalls().ftruncate(fd, n));
    }};

// A file of a few hundred KiB whose block the save changes.
std::string Original(const std::string& name) {
  if (IsSrecordName(name)) {
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

}  // namespace

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

namespace {

int calls = 0, failAt = -1, killAt = -1, fsyncs = 0, syncfss = 0;

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

TEST(GroupCommit, TwoFlushesAPassAndEachFileAsItWasOrConfiguredUnderFaultsAndKills) {
  std::vector<std::string> configured;
  {
    TempDir dir;
    ASSERT_FALSE(Pass(dir, -1, -1).allOk);  // the missing target fails on its own
    for (const std::string& name : kNames) configured.push_back(ReadFile(dir.File(name)));
  }
  EXPECT_EQ(syncfss, 2);
  EXPECT_EQ(fsyncs, 0);
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
