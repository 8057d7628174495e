#include "tests/support/faulty_calls.h"

#include <fcntl.h>
#include <signal.h>

#include <cerrno>

namespace k7q {

FaultPlan plan;

namespace {

bool Fails(int kind) {
  if (++plan.total == plan.killAt && !plan.killAfter) raise(SIGKILL);
  const int n = plan.counts[kind]++;
  return kind == plan.kind && (n == plan.failAt || (plan.failLater && n > plan.failAt)) &&
         (errno = EIO);
}

template <typename T>
T Done(T result) {
  if (plan.total == plan.killAt && plan.killAfter) raise(SIGKILL);
  return result;
}

}  // namespace

const FileSystemCalls kFaulty = {
    [](const char* p, int f, mode_t m) {
      if (plan.tmpfileError && (f & O_TMPFILE) == O_TMPFILE) return errno = plan.tmpfileError, -1;
      return Fails(kOpen) ? -1 : Done(SystemFileCalls().open(p, f, m));
    },
    [](int fd, const void* d, size_t n, off_t o) -> ssize_t {
      if (Fails(kPwrite)) return plan.shortWrites ? 0 : -1;
      return Done(SystemFileCalls().pwrite(fd, d, plan.shortWrites ? (n + 1) / 2 : n, o));
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
    },
    [](int fd) { return SystemFileCalls().syncfs(fd); },
    [](int fd, const char* p) { return Fails(kLink) ? -1 : Done(SystemFileCalls().link(fd, p)); },
    [](int fd, int m, off_t o, off_t n) {
      return Fails(kFallocate) ? -1 : Done(SystemFileCalls().fallocate(fd, m, o, n));
    },
};

}  // namespace k7q
