// Configure Multiple as a group commit: two flushes a pass, each target saved or left as
// it was, under every injected fault and kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "config/chip62500.h"
#include "config/configure_multiple.h"
#include "config/file_system.h"
#include "tests/support/test_files.h"

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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << k;
  }
}
