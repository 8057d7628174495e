// Saves under injected faults and kills: every save is complete or absent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "config/chip62500.h"
#include "config/configurable_file.h"
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
