// Whole-file reads and replacements that never leave a half-written file behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

// Owns a file descriptor and closes it.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd);
  // Closes now; false when the close reports an error.
  bool Close();

 private:
  int fd_;
};

// The new contents of a file (a symbolic link is followed to its target). They go to a
// temporary file in the same folder, which Commit flushes and renames over the file;
// without Commit the temporary file is removed. A file with several hard links, or in a
// folder that cannot be written, is opened and truncated itself instead (direct()), so
// its caller prepares the whole contents before it creates the StagedFile.
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
  bool direct() const { return direct_; }
  // Flushes and closes the contents and puts them in place; errno tells a failure.
  bool Commit();

 private:
  FileDescriptor fd_;
  std::string target_;
  std::string temporary_;
  bool direct_ = false;
  bool committed_ = false;
};

// Reads the whole file; *error gets the error box text on failure.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error);

// Writes all of text at offset 0 of fd; *written gets the count that was written.
bool WriteAll(int fd, std::string_view text, size_t* written);

// Copies all bytes of the file from into fd, from offset 0.
bool CopyContents(const std::string& from, int fd);

// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// The text of errno, as the system gives it.
std::string SystemErrorText();
