// The system calls through which files are changed. Saves reach the file system only
// through this table, so that a test can make any single call fail.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace k7q {

// Gives the file open on fd (made without a name) the name path.
int LinkOpenFile(int fd, const char* path);

struct FileSystemCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*pwrite)(int fd, const void* data, size_t count, off_t offset);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*close)(int fd);
  int (*ftruncate)(int fd, off_t length);
  int (*syncfs)(int fd) = ::syncfs;  // flushes the whole file system that holds fd
  int (*link)(int fd, const char* path) = LinkOpenFile;
  int (*fallocate)(int fd, int mode, off_t offset, off_t length) = ::fallocate;
};

// The table in use; starts as the system's own calls.
FileSystemCalls& FileSystem();

// The system's own calls.
const FileSystemCalls& SystemFileCalls();

}  // namespace k7q
