#include "config/configurable_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "chipmodel/text_format.h"
#include "config/block_locator.h"
#include "config/chip62500.h"
#include "config/safe_file.h"
#include "config/srecord.h"

namespace {

const char kZeroLength[] = "The specified file has a length of zero.";
const char kNotSupported[] = "The file type is not supported.";

bool EndsWithAny(std::string_view path, std::initializer_list<std::string_view> extensions) {
  for (std::string_view ext : extensions) {
    if (path.size() >= ext.size() && EqualsIgnoreCase(path.substr(path.size() - ext.size()), ext)) {
      return true;
    }
  }
  return false;
}

class Mapping {
 public:
  Mapping(int fd, size_t length, int protection, int flags)
      : length_(length), data_(mmap(nullptr, length, protection, flags, fd, 0)) {}
  ~Mapping() {
    if (ok()) munmap(data_, length_);
  }
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  bool ok() const { return data_ != MAP_FAILED; }
  uint8_t* bytes() const { return static_cast<uint8_t*>(data_); }

 private:
  size_t length_;
  void* data_;
};

FileOutcome Failed(FileOutcome outcome, const char* sentence, const std::string& path,
                   const std::string& reason) {
  outcome.ok = false;
  outcome.reason = reason;
  outcome.messages.push_back(StringPrintf(sentence, path.c_str(), reason.c_str()));
  return outcome;
}

FileOutcome OpenFailed(FileOutcome outcome, const std::string& path, const std::string& reason) {
  return Failed(std::move(outcome), "File \"%s\" could not be opened because:\n\n%s", path, reason);
}

FileOutcome SaveFailed(FileOutcome outcome, const std::string& path, const std::string& reason) {
  return Failed(std::move(outcome), "File \"%s\" could not be saved because:\n\n%s", path, reason);
}

// Writes the block into the image open on fd, in place: only the block's bytes change.
// name is the file name the messages give.
FileOutcome SaveMappedImage(Chip62500& chip, int fd, const std::string& name,
                            bool preserveAddresses) {
  FileOutcome outcome;
  struct stat info;
  if (fstat(fd, &info) != 0) return SaveFailed(outcome, name, SystemErrorText());
  if (info.st_size == 0) return SaveFailed(outcome, name, kZeroLength);
  // The file's current size: a file that shrank since it was opened is never extended.
  const size_t length = static_cast<size_t>(info.st_size);
  Mapping view(fd, length, PROT_READ | PROT_WRITE, MAP_SHARED);
  if (!view.ok()) return SaveFailed(outcome, name, SystemErrorText());
  std::string message = kNoConfigurationData;
  if (!StoreBlockIntoImage(chip, view.bytes(), length, preserveAddresses, &message)) {
    return SaveFailed(outcome, name, message);
  }
  if (msync(view.bytes(), length, MS_SYNC) != 0)
    return SaveFailed(outcome, name, SystemErrorText());
  futimens(fd, nullptr);  // last access and last write: now
  outcome.ok = true;
  return outcome;
}

FileOutcome SaveMappedImageInPlace(Chip62500& chip, const std::string& path,
                                   bool preserveAddresses) {
  FileDescriptor fd(open(path.c_str(), O_RDWR));
  if (fd.get() < 0) return SaveFailed(FileOutcome(), path, SystemErrorText());
  return SaveMappedImage(chip, fd.get(), path, preserveAddresses);
}

// Save As: the copy is made and configured beside the new name, and takes the new name
// only when it is complete; a failure leaves no new file behind.
FileOutcome SaveMappedImageAs(Chip62500& chip, const std::string& openedPath,
                              const std::string& newPath, bool preserveAddresses) {
  struct stat info;
  if (stat(openedPath.c_str(), &info) != 0)
    return SaveFailed(FileOutcome(), newPath, kNotSupported);
  StagedFile copy(newPath, (info.st_mode & 07777) | S_IWUSR);
  if (!copy.ok() || !CopyContents(openedPath, copy.fd())) {
    return SaveFailed(FileOutcome(), newPath, kNotSupported);
  }
  FileOutcome outcome = SaveMappedImage(chip, copy.fd(), newPath, preserveAddresses);
  if (outcome.ok && !copy.Commit()) return SaveFailed(FileOutcome(), newPath, SystemErrorText());
  return outcome;
}

// A new name that is the opened file (in any letter case, or through a link) saves in place.
bool IsSaveAs(const std::string& openedPath, const std::string& newPath) {
  return !newPath.empty() && !EqualsIgnoreCase(newPath, openedPath) &&
         !SameFile(openedPath, newPath);
}

}  // namespace

bool IsSrecordName(std::string_view path) {
  return EndsWithAny(path, {".s9", ".s19", ".srec", ".idp", ".TKB"});
}

bool IsMappedImageName(std::string_view path) {
  return EndsWithAny(path, {".exe", ".elf"});
}

bool IsConfigurationFileName(std::string_view path) {
  return EndsWithAny(path,
                     {".EXE", ".S9", ".S19", ".SREC", ".IDP", ".TKB", ".ELF", ".PRC", ".OUT"});
}

FileOutcome OpenConfigurableFile(Chip62500& chip, const std::string& path) {
  FileOutcome outcome;
  FileDescriptor fd(open(path.c_str(), O_RDONLY));
  if (fd.get() < 0) return OpenFailed(outcome, path, SystemErrorText());
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return OpenFailed(outcome, path, SystemErrorText());
  if (S_ISDIR(info.st_mode)) return OpenFailed(outcome, path, std::strerror(EISDIR));
  std::string message;
  if (IsSrecordName(path)) {
    const SrecordFileResult read = ReadSrecordFile(path);
    outcome.messages = read.messages;
    outcome.readerErrors = read.messages.size();
    if (!read.ok) return OpenFailed(outcome, path, "The file does not contain configuration data.");
    // The board runtime's copy of the staging block is made when board access exists.
    const auto* image = reinterpret_cast<const uint8_t*>(&StagingBlock());
    if (!LoadBlockFromImage(chip, image, kHalStructSize, &message)) {
      return OpenFailed(outcome, path, message);
    }
    outcome.ok = true;
    return outcome;
  }
  if (!IsMappedImageName(path)) return OpenFailed(outcome, path, kNotSupported);
  if (info.st_size == 0) return OpenFailed(outcome, path, kZeroLength);
  const size_t length = static_cast<size_t>(info.st_size);
  Mapping view(fd.get(), length, PROT_READ, MAP_PRIVATE);
  if (!view.ok()) return OpenFailed(outcome, path, SystemErrorText());
  if (!LoadBlockFromImage(chip, view.bytes(), length, &message)) {
    return OpenFailed(outcome, path, message);
  }
  outcome.ok = true;
  return outcome;
}

FileOutcome SaveConfigurableFile(Chip62500& chip, const std::string& openedPath,
                                 const std::string& newPath, bool preserveAddresses) {
  const bool saveAs = IsSaveAs(openedPath, newPath);
  const std::string& target = saveAs ? newPath : openedPath;
  if (!IsSrecordName(openedPath)) {
    return saveAs ? SaveMappedImageAs(chip, openedPath, newPath, preserveAddresses)
                  : SaveMappedImageInPlace(chip, openedPath, preserveAddresses);
  }
  FileOutcome outcome;
  std::string message;
  auto* image = reinterpret_cast<uint8_t*>(&StagingBlock());
  if (!StoreBlockIntoImage(chip, image, kHalStructSize, preserveAddresses, &message)) {
    return SaveFailed(outcome, target, message);
  }
  const SrecordFileResult written = WriteSrecordFile(openedPath, saveAs ? newPath : "");
  outcome.ok = written.ok;
  outcome.messages = written.messages;
  outcome.readerErrors = written.messages.size();
  if (!written.ok && !written.messages.empty()) outcome.reason = written.messages.back();
  return outcome;
}
