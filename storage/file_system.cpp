#include "storage/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace k7q {

namespace {

int OpenFile(const char* path, int flags, mode_t mode) {
  return open(path, flags | O_CLOEXEC, mode);
}

const FileSystemCalls kSystem = {OpenFile, pwrite, fsync, rename, unlink, close, ftruncate, syncfs};

}  // namespace

FileSystemCalls& FileSystem() {
  static FileSystemCalls calls = kSystem;
  return calls;
}

const FileSystemCalls& SystemFileCalls() {
  return kSystem;
}

}  // namespace k7q
