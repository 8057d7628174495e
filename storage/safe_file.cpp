#include "storage/safe_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chipmodel/text_format.h"
#include "storage/file_system.h"

namespace k7q {

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) return path;
  return resolved;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return path.substr(0, std::max<size_t>(slash, 1));  // "/" for a name in the root
}

bool ReadAt(int fd, char* data, size_t count, off_t offset, size_t* done) {
  *done = 0;
  while (*done < count) {
    // Reads and writes of a regular file are never interrupted by a signal.
    const ssize_t n = pread(fd, data + *done, count - *done, offset + static_cast<off_t>(*done));
    if (n <= 0) return false;
    *done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteAt(int fd, const char* data, size_t count, off_t offset, size_t* written) {
  *written = 0;
  while (*written < count) {
    const ssize_t n = FileSystem().pwrite(fd, data + *written, count - *written,
                                          offset + static_cast<off_t>(*written));
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    *written += static_cast<size_t>(n);
  }
  return true;
}

bool SyncFolderOf(const std::string& path) {
  FileSystemCalls& fs = FileSystem();
  const int dir = fs.open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (dir < 0) return false;
  const bool ok = fs.fsync(dir) == 0;
  fs.close(dir);
  return ok;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  reset(other.fd_);
  other.fd_ = -1;
  return *this;
}

void FileDescriptor::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

bool FileDescriptor::Close() {
  const int fd = fd_;
  fd_ = -1;
  return FileSystem().close(fd) == 0;
}

bool WriteAll(int fd, std::string_view text, size_t* written) {
  return WriteAt(fd, text.data(), text.size(), 0, written);
}

std::string SystemErrorText() {
  return std::strerror(errno);
}

bool ReadAll(int fd, const std::string& name, std::string* text, std::string* error) {
  struct stat info {};  // no mode where fstat fails
  fstat(fd, &info);
  if (!S_ISREG(info.st_mode)) {
    *error = StringPrintf("ERROR: _lseek to end failed, file:%s", name.c_str());
    return false;
  }
  const size_t length = static_cast<size_t>(info.st_size);
  text->resize(length);
  size_t done = 0;
  if (!ReadAt(fd, text->data(), length, 0, &done)) {
    *error = StringPrintf("ERROR: read %d bytes of %d", static_cast<int>(done),
                          static_cast<int>(length));
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, size_t limitMiB, std::string* text,
                   std::string* error) {
  // No O_NONBLOCK: a FIFO waits for its writer, as any reader of one does.
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    *error = StringPrintf("ERROR: open failed on input file %s", path.c_str());
    return false;
  }
  const size_t limit = limitMiB << 20;
  text->clear();
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = read(fd.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = StringPrintf("ERROR: read failed on input file %s: %s", path.c_str(),
                            SystemErrorText().c_str());
      return false;
    }
    if (n == 0) return true;
    if (text->size() + static_cast<size_t>(n) > limit) {
      *error = StringPrintf("ERROR: input file %s is larger than %zu MiB", path.c_str(), limitMiB);
      text->clear();
      return false;
    }
    text->append(buffer.data(), static_cast<size_t>(n));
  }
}

bool CopyContents(const std::string& from, int fd) {
  FileDescriptor in(open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return false;
  std::vector<char> buffer(1 << 20);
  off_t at = 0;
  for (;;) {
    const ssize_t n = read(in.get(), buffer.data(), buffer.size());  // a regular file
    if (n < 0) return false;
    if (n == 0) break;
    size_t written;
    if (!WriteAt(fd, buffer.data(), static_cast<size_t>(n), at, &written)) return false;
    at += n;
  }
  return FileSystem().ftruncate(fd, at) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool Unchanged(const struct stat& now, const struct stat& then) {
  return now.st_dev == then.st_dev && now.st_ino == then.st_ino && now.st_size == then.st_size &&
         now.st_mtim.tv_sec == then.st_mtim.tv_sec && now.st_mtim.tv_nsec == then.st_mtim.tv_nsec &&
         now.st_ctim.tv_sec == then.st_ctim.tv_sec && now.st_ctim.tv_nsec == then.st_ctim.tv_nsec;
}

}  // namespace k7q
