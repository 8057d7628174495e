// Mappings of files that another program may shrink while they are read: a page past
// the file's new end reads as zeros instead of raising SIGBUS, and Changed() says so.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace k7q {

// The reason given when a mapped file shrank or changed its length while it was read.
extern const char kChangedWhileRead[];  // "The file changed while it was read."

// A mapping of the first length bytes of the file open on fd; unmapped when destroyed.
// While it exists, a fault on one of its pages past the end of the file is answered with
// a page of zeros in that place (the process-wide SIGBUS handler, installed on first use,
// passes every other SIGBUS on).
class Mapping {
 public:
  Mapping(int fd, size_t length, int protection, int flags);
  ~Mapping();
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  bool ok() const;
  uint8_t* bytes() const { return static_cast<uint8_t*>(data_); }
  // True when a page was read past the end of the file, or the file no longer has the
  // mapped length: what was read is not the file.
  bool Changed() const;

 private:
  int fd_;
  size_t length_;
  void* data_;
  int slot_ = -1;
};

}  // namespace k7q
