// A configurable file opened for reading or for a save: only a regular file, opened
// without blocking, under an advisory lock, with any interrupted save undone first.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "storage/safe_file.h"
#include "storage/save_journal.h"

namespace k7q {

// The reason given for a FIFO, device or socket where a file is expected.
extern const char kNotRegularFile[];

struct LockedFile {
  FileDescriptor fd;
  std::string path;  // links resolved: the journal lies beside it
  struct stat info {};
  std::string reason;                // why the file could not be opened; empty when open
  int openError = 0;                 // errno when the open call itself failed
  std::vector<std::string> notices;  // information for the user (an undone save)
  bool journalInTheWay = false;      // a journal that was left alone: no save may run
};

// forSaving: opened for reading and writing with the exclusive lock; otherwise for
// reading with a shared lock. Waits a few seconds for a save of another program to end.
// changeable: the bytes a save of the file's kind may change, which an interrupted save's
// journal must keep to; none: any bytes.
LockedFile OpenLockedFile(const std::string& path, bool forSaving,
                          const ChangeableRegions& changeable = nullptr);

}  // namespace k7q
