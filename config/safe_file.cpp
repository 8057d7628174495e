#include "config/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "chipmodel/text_format.h"

namespace {

bool WriteAll(int fd, std::string_view text, size_t* written) {
  *written = 0;
  while (*written < text.size()) {
    const ssize_t n =
        pwrite(fd, text.data() + *written, text.size() - *written, static_cast<off_t>(*written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    *written += static_cast<size_t>(n);
  }
  return true;
}

std::string WrittenError(size_t written, size_t length) {
  return StringPrintf("ERROR: written %d bytes of %d", static_cast<int>(written),
                      static_cast<int>(length));
}

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool RewriteInPlace(const std::string& path, std::string_view text, std::string* error) {
  FileDescriptor fd(open(path.c_str(), O_WRONLY));
  if (fd.get() < 0) {
    *error = StringPrintf("ERROR: open failed on input file %s", path.c_str());
    return false;
  }
  size_t written;
  if (!WriteAll(fd.get(), text, &written) || ftruncate(fd.get(), static_cast<off_t>(text.size()))) {
    *error = WrittenError(written, text.size());
    return false;
  }
  fsync(fd.get());
  return fd.Close();
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

bool FileDescriptor::Close() {
  const int fd = fd_;
  fd_ = -1;
  return close(fd) == 0;
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

bool ReplaceFileContents(const std::string& path, std::string_view text, std::string* error) {
  const std::string target = ResolvedPath(path);
  struct stat info;
  if (stat(target.c_str(), &info) != 0) {
    *error = StringPrintf("ERROR: open failed on input file %s", path.c_str());
    return false;
  }
  const std::string folder = FolderOf(target);
  if (info.st_nlink > 1 || access(folder.c_str(), W_OK) != 0) {
    return RewriteInPlace(target, text, error);
  }
  if (access(target.c_str(), W_OK) != 0) {
    *error = StringPrintf("ERROR: open failed on input file %s", path.c_str());
    return false;
  }
  const std::string name = target.substr(target.rfind('/') + 1);
  std::string temporary = (folder == "/" ? std::string() : folder) + "/." + name + ".XXXXXX";
  FileDescriptor fd(mkstemp(temporary.data()));
  if (fd.get() < 0) return RewriteInPlace(target, text, error);
  fchmod(fd.get(), info.st_mode & 07777);
  if (geteuid() == 0 && fchown(fd.get(), info.st_uid, info.st_gid) != 0) {
    // Keeping the owner is best effort.
  }
  size_t written;
  const bool ok = WriteAll(fd.get(), text, &written) && fsync(fd.get()) == 0 && fd.Close() &&
                  rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    *error = WrittenError(written, text.size());
    return false;
  }
  FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY));
  if (dir.get() >= 0) fsync(dir.get());
  return true;
}

bool CopyFile(const std::string& from, const std::string& to) {
  std::string text, error;
  if (!ReadWholeFile(from, &text, &error)) return false;
  FileDescriptor fd(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
  if (fd.get() < 0) return false;
  struct stat info;
  if (stat(from.c_str(), &info) == 0) fchmod(fd.get(), (info.st_mode & 07777) | S_IWUSR);
  size_t written;
  return WriteAll(fd.get(), text, &written) && fsync(fd.get()) == 0 && fd.Close();
}

void RemoveFile(const std::string& path) {
  unlink(path.c_str());
}
