#include "storage/locked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "chipmodel/text_format.h"
#include "storage/file_system.h"
#include "storage/save_journal.h"

namespace k7q {

const char kNotRegularFile[] = "The file is not a regular file.";

namespace {

constexpr int kLockTries = 200;  // 50 ms apart: ten seconds
const char kBusy[] = "The file is being saved by another program; try again when it is done.";

bool Lock(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  for (int i = 0; i < kLockTries; ++i) {
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
    usleep(50000);
  }
  errno = EAGAIN;
  return false;
}

std::string OpenReason(int error) {
  return error == EAGAIN ? kBusy : std::strerror(error);
}

}  // namespace

LockedFile OpenLockedFile(const std::string& path, bool forSaving) {
  LockedFile file;
  file.path = ResolvedPath(path);
  // O_NONBLOCK: a FIFO or device must not hang the open.
  const int flags = (forSaving ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY;
  file.fd.reset(FileSystem().open(path.c_str(), flags, 0));
  if (file.fd.get() < 0) {
    file.openError = errno;
    file.reason = std::strerror(errno);
    return file;
  }
  if (fstat(file.fd.get(), &file.info) != 0) {
    file.reason = std::strerror(errno);
    return file;
  }
  if (S_ISDIR(file.info.st_mode)) file.reason = std::strerror(EISDIR);
  if (!S_ISDIR(file.info.st_mode) && !S_ISREG(file.info.st_mode)) file.reason = kNotRegularFile;
  if (!file.reason.empty()) return file;
  fcntl(file.fd.get(), F_SETFL, flags & ~O_NONBLOCK);

  if (!Lock(file.fd.get(), forSaving ? F_WRLCK : F_RDLCK)) {
    file.reason = OpenReason(errno);
    return file;
  }
  std::string journal = JournalPath(file.path);
  if (access(journal.c_str(), F_OK) != 0 && errno == ENOENT) return file;
  // A journal: undone under the exclusive lock, which needs a file open for writing.
  if (!forSaving) {
    struct flock unlock {};
    unlock.l_type = F_UNLCK;
    fcntl(file.fd.get(), F_OFD_SETLK, &unlock);
  }
  FileDescriptor writable(forSaving ? -1 : FileSystem().open(path.c_str(), O_RDWR | O_NOCTTY, 0));
  const int fd = forSaving ? file.fd.get() : writable.get();
  JournalFound found = JournalFound::kUndoFailed;
  if (fd >= 0) {
    if (!Lock(fd, F_WRLCK)) {
      file.reason = OpenReason(errno);
      return file;
    }
    found = UndoInterruptedSave(file.path, fd, &journal);
  }
  switch (found) {
    case JournalFound::kNone:
      break;
    case JournalFound::kUndone:
      file.notices.push_back(
          StringPrintf("An interrupted save of \"%s\" was undone; the file is as it was "
                       "before that save.",
                       path.c_str()));
      break;
    case JournalFound::kInTheWay:
      file.journalInTheWay = true;
      file.notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" is incomplete or belongs to another file; it "
          "was left alone. Remove it to save this file.",
          journal.c_str(), path.c_str()));
      break;
    case JournalFound::kUndoFailed:
      file.reason = StringPrintf("An interrupted save could not be undone (journal \"%s\": %s).",
                                 journal.c_str(), std::strerror(errno ? errno : EIO));
      return file;
  }
  if (forSaving) return file;
  writable.Close();  // its lock goes with it
  if (!Lock(file.fd.get(), F_RDLCK)) file.reason = OpenReason(errno);
  return file;
}

}  // namespace k7q
