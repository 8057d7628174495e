// Files that are created or replaced whole: after any fault, a kill or a full disk, the
// file holds its old contents or all of the new ones, with its links, owner and mode.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "storage/safe_file.h"

namespace k7q {

// The new contents are written to fd() and put in place by Commit; without Commit nothing
// changes. A symbolic link is followed to its target; a target that is not a regular file
// is refused without being opened. A file with one link whose owner a new file can take
// (or no file yet) is replaced by a finished temporary file of its folder; any other file
// is rewritten in place under a journal. A temporary file left by a killed process is
// removed by the next Commit onto the same file.
class StagedFile {
 public:
  // newFileMode: the permissions when the file does not exist yet; an existing file
  // keeps its own. An existing file that cannot be written is refused (errno EACCES).
  StagedFile(const std::string& path, mode_t newFileMode);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  bool ok() const { return fd_.get() >= 0; }
  int fd() const { return fd_.get(); }
  // Flushes the contents and puts them in place; false with errno and reason() set.
  bool Commit();
  // Why the file could not be staged or committed.
  const std::string& reason() const { return reason_; }

 private:
  bool Fail(int error, const char* reason = nullptr);
  void StageInFolder(mode_t mode, const struct stat* existing);
  bool CommitByRename(bool exists);
  bool CommitInPlace();

  FileDescriptor fd_;
  std::string target_;
  std::string temporary_;  // the staged file's name, while it has one
  bool inFolder_ = false;  // staged in the target's folder, else in memory
  std::string reason_;
};

// Writes bytes as the whole contents of path through a StagedFile; a new file gets the
// permissions that the umask leaves. Empty, or the reason the file is as it was (errno
// set too).
std::string WriteWholeOutput(const std::string& path, std::string_view bytes);

}  // namespace k7q
