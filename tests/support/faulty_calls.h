// File-system calls that fail, or kill the process, at a planned call.
#pragma once

#include "storage/file_system.h"

namespace k7q {

enum Call {
  kOpen,
  kPwrite,
  kFsync,
  kRename,
  kUnlink,
  kClose,
  kFtruncate,
  kLink,
  kFallocate,
  kCallKinds
};

// Which call fails (or where the process is killed) while the faulty calls are in use.
struct FaultPlan {
  int kind = -1, failAt = -1;
  bool failLater = false;  // every later call of the kind fails too
  int killAt = -1;         // a count of all calls; killed before it, or after it when killAfter
  bool killAfter = false;
  int tmpfileError = 0;         // refuses files without a name so (EOPNOTSUPP, EISDIR) if set
  bool shortWrites = false;     // each write takes half the bytes; the failing one takes none
  int counts[kCallKinds] = {};  // calls of each kind so far
  int total = 0;
};
extern FaultPlan plan;

// The calls that follow plan; each failure sets errno EIO (a write under shortWrites
// returns 0).
extern const FileSystemCalls kFaulty;

}  // namespace k7q
