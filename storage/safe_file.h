// Whole-file reads, writes at an offset, mappings and file descriptors.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/mapping.h"

namespace k7q {

// Owns a file descriptor and closes it.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd);
  // Closes now; false when the close reports an error.
  bool Close();

 private:
  int fd_;
};

// Reads the file to its end as a stream, so that pipes, FIFOs and devices are read too,
// and gives up once it holds more than limitMiB MiB; *error gets the error box text on
// failure.
bool ReadWholeFile(const std::string& path, size_t limitMiB, std::string* text, std::string* error);

// Reads the whole file open on fd (named name in messages) from offset 0.
bool ReadAll(int fd, const std::string& name, std::string* text, std::string* error);

// Reads count bytes at offset into data; *done gets how many were read (fewer at the end
// of the file or on an error, which errno then tells).
bool ReadAt(int fd, char* data, size_t count, off_t offset, size_t* done);

// Writes count bytes at offset; *written gets how many were written; errno tells a failure.
bool WriteAt(int fd, const char* data, size_t count, off_t offset, size_t* written);

// Writes all of text at offset 0 of fd; *written gets the count that was written.
bool WriteAll(int fd, std::string_view text, size_t* written);

// Copies all bytes of the file from into fd, from offset 0.
bool CopyContents(const std::string& from, int fd);

// Flushes the folder that holds path, so that names created or removed in it last.
bool SyncFolderOf(const std::string& path);

// The folder part of a path ("." for a plain name).
std::string FolderOf(const std::string& path);

// The path with every symbolic link resolved; the path itself when that fails.
std::string ResolvedPath(const std::string& path);

// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// True when two states of a file show the same file, length and change times: nothing
// has written to it between them.
bool Unchanged(const struct stat& now, const struct stat& then);

// The text of errno, as the system gives it.
std::string SystemErrorText();

}  // namespace k7q
