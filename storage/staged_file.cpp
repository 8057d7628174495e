#include "storage/staged_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "storage/file_system.h"
#include "storage/locked_file.h"
#include "storage/save_journal.h"

namespace k7q {

namespace {

constexpr size_t kPidDigits = 10;

// ".NAME.k7q-" beside the target; the process id follows it.
std::string TemporaryPrefix(const std::string& target) {
  return HiddenPathBeside(target, ".k7q-", kPidDigits);
}

std::string TemporaryName(const std::string& target) {
  return TemporaryPrefix(target) + std::to_string(getpid());
}

bool JournalBeside(const std::string& target) {
  return access(JournalPath(target).c_str(), F_OK) == 0;
}

// Removes the temporary files of target that processes of this user left when they were
// killed between naming one and renaming it over the target.
void RemoveLeftTemporaries(const std::string& target) {
  const std::string prefix = TemporaryPrefix(target);
  const std::string folder = FolderOf(prefix);
  const std::string start = prefix.substr(prefix.rfind('/') + 1);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= start.size() || name.compare(0, start.size(), start) != 0) continue;
    const std::string digits = name.substr(start.size());
    if (digits.size() > kPidDigits || digits.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::strtol(digits.c_str(), nullptr, 10));
    const std::string path = folder + "/" + name;
    struct stat info {};  // no regular file where lstat fails
    lstat(path.c_str(), &info);
    // Kept: this process's own, and those of processes that live or cannot be asked.
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid() || kill(pid, 0) == 0 || errno != ESRCH) {
      continue;
    }
    FileSystem().unlink(path.c_str());
  }
  closedir(dir);
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

StagedFile::StagedFile(const std::string& path, mode_t newFileMode)
    : fd_(-1), target_(ResolvedPath(path)) {
  struct stat info;
  const bool exists = stat(target_.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) {
    Fail(errno);
    return;
  }
  if (exists && S_ISDIR(info.st_mode)) {
    Fail(EISDIR);
    return;
  }
  // Never opened: a FIFO or device must not hang or take the bytes.
  if (exists && !S_ISREG(info.st_mode)) {
    Fail(EINVAL, kNotRegularFile);
    return;
  }
  if (exists && access(target_.c_str(), W_OK) != 0) {
    Fail(errno);
    return;
  }
  const bool replace = !exists || (info.st_nlink == 1 && !JournalBeside(target_));
  if (replace) {
    StageInFolder(exists ? info.st_mode & 07777 : newFileMode, exists ? &info : nullptr);
    if (ok()) return;
    if (errno != 0) {
      Fail(errno);
      return;
    }
  }
  // Rewritten in place later: the new contents wait in memory.
  fd_.reset(memfd_create("k7q-output", MFD_CLOEXEC));
  if (!ok()) Fail(errno);
}

// Leaves nothing staged, errno 0, where the existing file's owner or mode cannot be given
// to a new file, so that it is rewritten in place.
void StagedFile::StageInFolder(mode_t mode, const struct stat* existing) {
  FileSystemCalls& fs = FileSystem();
  // A file without a name until Commit, so that a kill leaves nothing behind.
  fd_.reset(fs.open(FolderOf(target_).c_str(), O_TMPFILE | O_RDWR, mode));
  if (!ok() && (errno == EOPNOTSUPP || errno == EISDIR)) {
    temporary_ = TemporaryName(target_);
    fd_.reset(fs.open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, mode));
    if (!ok()) temporary_.clear();
  }
  if (!ok()) return;
  // Giving a file the owner it has already always succeeds.
  const bool owner = !existing || fchown(fd_.get(), existing->st_uid, existing->st_gid) == 0;
  if (owner && fchmod(fd_.get(), mode) == 0) {
    inFolder_ = true;
    return;
  }
  fd_.reset(-1);
  if (!temporary_.empty()) fs.unlink(temporary_.c_str());
  temporary_.clear();
  errno = 0;
}

StagedFile::~StagedFile() {
  if (temporary_.empty()) return;
  const int saved = errno;
  fd_.reset(-1);
  FileSystem().unlink(temporary_.c_str());
  errno = saved;
}

bool StagedFile::Fail(int error, const char* reason) {
  reason_ = reason ? reason : std::strerror(error);
  errno = error;
  return false;
}

bool StagedFile::Commit() {
  if (!ok()) return false;
  struct stat info;
  const bool exists = stat(target_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return Fail(EINVAL, kNotRegularFile);
  if (inFolder_ && (!exists || (info.st_nlink == 1 && !JournalBeside(target_)))) {
    return CommitByRename(exists);
  }
  if (!exists) return Fail(ENOENT);
  return CommitInPlace();
}

bool StagedFile::CommitByRename(bool exists) {
  FileSystemCalls& fs = FileSystem();
  if (fs.fsync(fd_.get()) != 0) return Fail(errno);
  RemoveLeftTemporaries(target_);
  if (temporary_.empty()) {
    // A new file takes its name at once; an existing one is replaced by a rename.
    if (!exists && fs.link(fd_.get(), target_.c_str()) == 0) {
      if (!fd_.Close()) {
        const int error = errno;
        fs.unlink(target_.c_str());
        return Fail(error);
      }
      SyncFolderOf(target_);
      return true;
    }
    if (!exists && errno != EEXIST) return Fail(errno);
    const std::string name = TemporaryName(target_);
    if (fs.link(fd_.get(), name.c_str()) != 0) return Fail(errno);
    temporary_ = name;
  }
  if (!fd_.Close()) return Fail(errno);
  if (fs.rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(errno);
  temporary_.clear();
  SyncFolderOf(target_);
  return true;
}

bool StagedFile::CommitInPlace() {
  std::string content, error;
  if (!ReadAll(fd_.get(), target_, &content, &error)) return Fail(EIO);
  LockedFile file = OpenLockedFile(target_, true);
  if (file.journalInTheWay) return Fail(EEXIST, file.notices.back().c_str());
  if (!file.reason.empty()) return Fail(file.openError ? file.openError : EIO, file.reason.c_str());
  InPlaceSave save;
  save.path = file.path;
  save.fd = file.fd.get();
  save.info = file.info;
  if (!RewriteInPlace(save, content)) return Fail(save.error);
  fd_.reset(-1);
  return true;
}

std::string WriteWholeOutput(const std::string& path, std::string_view bytes) {
  StagedFile out(path, NewFileMode());
  if (!out.ok()) return out.reason();
  size_t written = 0;
  if (!WriteAll(out.fd(), bytes, &written)) return std::strerror(errno);
  if (!out.Commit()) return out.reason();
  return {};
}

}  // namespace k7q
