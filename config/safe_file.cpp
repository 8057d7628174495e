#include "config/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chipmodel/text_format.h"

namespace {

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes count bytes at offset; *written gets how many were written.
bool WriteAt(int fd, const char* data, size_t count, off_t offset, size_t* written) {
  *written = 0;
  while (*written < count) {
    const ssize_t n =
        pwrite(fd, data + *written, count - *written, offset + static_cast<off_t>(*written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    *written += static_cast<size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY));
  if (dir.get() >= 0) fsync(dir.get());
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

void FileDescriptor::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

bool FileDescriptor::Close() {
  const int fd = fd_;
  fd_ = -1;
  return fd >= 0 && close(fd) == 0;
}

StagedFile::StagedFile(const std::string& path, mode_t newFileMode)
    : fd_(-1), target_(ResolvedPath(path)) {
  struct stat info;
  const bool exists = stat(target_.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return;
  }
  if (exists && !S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return;
  }
  if (exists && access(target_.c_str(), W_OK) != 0) return;
  const std::string folder = FolderOf(target_);
  if (exists && (info.st_nlink > 1 || access(folder.c_str(), W_OK | X_OK) != 0)) {
    direct_ = true;
    fd_.reset(open(target_.c_str(), O_RDWR | O_TRUNC));
    return;
  }
  temporary_ = (folder == "/" ? std::string() : folder) + "/." + NameOf(target_) + ".XXXXXX";
  fd_.reset(mkstemp(temporary_.data()));
  if (!ok()) {
    temporary_.clear();
    return;
  }
  fchmod(fd_.get(), exists ? info.st_mode & 07777 : newFileMode);
  if (exists && geteuid() == 0 && fchown(fd_.get(), info.st_uid, info.st_gid) != 0) {
    // Keeping the owner is best effort.
  }
}

StagedFile::~StagedFile() {
  if (committed_ || temporary_.empty()) return;
  const int saved = errno;
  fd_.Close();
  unlink(temporary_.c_str());
  errno = saved;
}

bool StagedFile::Commit() {
  if (!ok() || fsync(fd_.get()) != 0 || !fd_.Close()) return false;
  if (!direct_) {
    if (rename(temporary_.c_str(), target_.c_str()) != 0) return false;
    SyncFolder(FolderOf(target_));
  }
  committed_ = true;
  return true;
}

bool WriteAll(int fd, std::string_view text, size_t* written) {
  return WriteAt(fd, text.data(), text.size(), 0, written);
}

std::string SystemErrorText() {
  return std::strerror(errno);
}

bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  FileDescriptor fd(open(path.c_str(), O_RDONLY));
  if (fd.get() < 0) {
    *error = StringPrintf("ERROR: open failed on input file %s", path.c_str());
    return false;
  }
  struct stat info;
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = StringPrintf("ERROR: _lseek to end failed, file:%s", path.c_str());
    return false;
  }
  const size_t length = static_cast<size_t>(info.st_size);
  text->resize(length);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = read(fd.get(), text->data() + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done != length) {
    *error = StringPrintf("ERROR: read %d bytes of %d", static_cast<int>(done),
                          static_cast<int>(length));
    return false;
  }
  return true;
}

bool CopyContents(const std::string& from, int fd) {
  FileDescriptor in(open(from.c_str(), O_RDONLY));
  if (in.get() < 0) return false;
  std::vector<char> buffer(1 << 20);
  off_t at = 0;
  for (;;) {
    const ssize_t n = read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    size_t written;
    if (!WriteAt(fd, buffer.data(), static_cast<size_t>(n), at, &written)) return false;
    at += n;
  }
  return ftruncate(fd, at) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
