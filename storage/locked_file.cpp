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

// Takes the lock, waiting a few seconds for a save of another program to end; the reason
// when it cannot, else nullptr.
const char* Lock(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  for (int i = 0; i < kLockTries; ++i) {
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return nullptr;
    if (errno != EAGAIN) return std::strerror(errno);  // EAGAIN: another holds it
    usleep(50000);
  }
  return kBusy;
}

// What the user is told of a journal that was found, or why the file cannot be opened.
void Report(JournalFound found, const std::string& journalPath, int error, const std::string& path,
            LockedFile* file) {
  const char* journal = journalPath.c_str();
  const char* name = path.c_str();
  const char* left = " It was left alone; remove it to save this file.";
  switch (found) {
    case JournalFound::kNone:
      return;
    case JournalFound::kUndone:
      file->notices.push_back(
          StringPrintf("An interrupted save of \"%s\" was undone; the file is as it was "
                       "before that save.",
                       name));
      return;
    case JournalFound::kTorn:
      file->notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" is incomplete: the save it was written for never "
          "changed the file.%s",
          journal, name, left));
      break;
    case JournalFound::kForeign:
      file->notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" was not written by a save of this file: it "
          "belongs to another file or another user, others may write it, or it would change "
          "bytes that a save of this file never changes.%s",
          journal, name, left));
      break;
    case JournalFound::kMovedOn:
      file->notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" records a save that the file no longer matches: "
          "the file was changed since. The file and the journal were left alone; remove the "
          "journal to save this file.",
          journal, name));
      break;
    case JournalFound::kOlderVersion:
      file->notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" was written by an older version of this program; "
          "this version cannot undo the save it records. Check that the file holds what it "
          "should, then remove the journal to save this file.",
          journal, name));
      break;
    case JournalFound::kUnreadable:
      file->notices.push_back(StringPrintf(
          "The journal \"%s\" beside \"%s\" cannot be read (%s). It may hold the undo of an "
          "interrupted save: open the file as the journal's owner to undo it. Removing the "
          "journal throws that undo away.",
          journal, name, std::strerror(error)));
      break;
    case JournalFound::kNotAJournal:
      file->notices.push_back(StringPrintf(
          "\"%s\" stands where the journal of \"%s\" goes, but it is not a journal (a link, "
          "a folder or another kind of file).%s",
          journal, name, left));
      break;
    case JournalFound::kUndoFailed:
      file->reason = StringPrintf("An interrupted save could not be undone (journal \"%s\": %s).",
                                  journal, std::strerror(error ? error : EIO));
      return;
  }
  file->journalInTheWay = true;
}

}  // namespace

LockedFile OpenLockedFile(const std::string& path, bool forSaving,
                          const ChangeableRegions& changeable) {
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
  fstat(file.fd.get(), &file.info);  // an open descriptor
  if (!S_ISREG(file.info.st_mode)) {
    file.reason = S_ISDIR(file.info.st_mode) ? std::strerror(EISDIR) : kNotRegularFile;
    return file;
  }
  fcntl(file.fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  for (bool undoneFirst = false;; undoneFirst = true) {
    if (const char* failure = Lock(file.fd.get(), forSaving ? F_WRLCK : F_RDLCK)) {
      file.reason = failure;
      return file;
    }
    fstat(file.fd.get(), &file.info);  // as it is now that no save runs
    const std::string journal = PendingJournal(file.path, file.info);
    if (journal.empty() || undoneFirst) return file;
    if (forSaving) {
      const FoundJournal found = UndoInterruptedSave(journal, file.fd.get(), changeable);
      Report(found.found, found.path, found.error, path, &file);
      fstat(file.fd.get(), &file.info);
      return file;
    }
    // Undone under the exclusive lock, which needs the file open for writing; then read
    // under the shared lock again.
    struct flock unlock {};
    unlock.l_type = F_UNLCK;
    fcntl(file.fd.get(), F_OFD_SETLK, &unlock);
    LockedFile writing = OpenLockedFile(path, true, changeable);
    file.reason = writing.reason;
    file.notices = std::move(writing.notices);
    file.journalInTheWay = writing.journalInTheWay;
    if (writing.openError) {
      Report(JournalFound::kUndoFailed, journal, writing.openError, path, &file);
    }
    if (!file.reason.empty()) return file;
  }
}

}  // namespace k7q
