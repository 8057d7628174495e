// Whole-file reads and replacements that never leave a half-written file behind.
#pragma once

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
  // Closes now; false when the close reports an error.
  bool Close();

 private:
  int fd_;
};

// Reads the whole file; *error gets the error box text on failure.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error);

// Replaces the file's contents with text. The new text goes to a temporary file in the
// same folder, which is flushed and renamed over the target (a symbolic link is followed
// to its target). A file with several hard links, or in a folder that cannot be written,
// is rewritten in place instead, from the text already complete in memory.
bool ReplaceFileContents(const std::string& path, std::string_view text, std::string* error);

// Copies a file (overwriting the destination); the copy is writable by its owner.
bool CopyFile(const std::string& from, const std::string& to);

void RemoveFile(const std::string& path);

// The text of errno, as the system gives it.
std::string SystemErrorText();
