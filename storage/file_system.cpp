#include "storage/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace k7q {

namespace {

int OpenFile(const char* path, int flags, mode_t mode) {
  return open(path, flags | O_CLOEXEC, mode);
}

const FileSystemCalls kSystem = {OpenFile, pwrite,    fsync,  rename,      unlink,
                                 close,    ftruncate, syncfs, LinkOpenFile};

}  // namespace

int LinkOpenFile(int fd, const char* path) {
  char self[32];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  return linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW);
}

FileSystemCalls& FileSystem() {
  static FileSystemCalls calls = kSystem;
  return calls;
}

const FileSystemCalls& SystemFileCalls() {
  return kSystem;
}

}  // namespace k7q
