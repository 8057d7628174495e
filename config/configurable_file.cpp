#include "config/configurable_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Writes the block into a mapped image in place: only the block's bytes change.
FileOutcome SaveMappedImage(Chip62500& chip, const std::string& target, bool preserveAddresses) {
  FileOutcome outcome;
  FileDescriptor fd(open(target.c_str(), O_RDWR));
  if (fd.get() < 0) return SaveFailed(outcome, target, SystemErrorText());
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return SaveFailed(outcome, target, SystemErrorText());
  if (info.st_size == 0) return SaveFailed(outcome, target, kZeroLength);
  const size_t length = static_cast<size_t>(info.st_size);
  // A private writable view: the new block is composed there, then written to the file.
  Mapping view(fd.get(), length, PROT_READ | PROT_WRITE, MAP_PRIVATE);
  if (!view.ok()) return SaveFailed(outcome, target, SystemErrorText());
  std::string message = kNoConfigurationData;
  size_t position = 0;
  if (!StoreBlockIntoImage(chip, view.bytes(), length, preserveAddresses, &message, &position)) {
    return SaveFailed(outcome, target, message);
  }
  const uint8_t* block = view.bytes() + position;
  size_t done = 0;
  while (done < kHalStructSize) {
    const ssize_t n =
        pwrite(fd.get(), block + done, kHalStructSize - done, static_cast<off_t>(position + done));
    if (n <= 0) return SaveFailed(outcome, target, SystemErrorText());
    done += static_cast<size_t>(n);
  }
  if (fsync(fd.get()) != 0) return SaveFailed(outcome, target, SystemErrorText());
  futimens(fd.get(), nullptr);  // last access and last write: now
  outcome.ok = true;
  return outcome;
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
  std::string message;
  if (IsSrecordName(path)) {
    const SrecordFileResult read = ReadSrecordFile(path);
    outcome.messages = read.messages;
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
  FileOutcome outcome;
  if (IsSrecordName(openedPath)) {
    std::string message;
    auto* image = reinterpret_cast<uint8_t*>(&StagingBlock());
    if (!StoreBlockIntoImage(chip, image, kHalStructSize, preserveAddresses, &message)) {
      return SaveFailed(outcome, newPath.empty() ? openedPath : newPath, message);
    }
    const SrecordFileResult written = WriteSrecordFile(openedPath, newPath);
    outcome.ok = written.ok;
    outcome.messages = written.messages;
    if (!written.ok) outcome.reason = written.messages.empty() ? "" : written.messages.back();
    return outcome;
  }
  const bool copy = !newPath.empty() && !EqualsIgnoreCase(newPath, openedPath);
  const std::string& target = copy ? newPath : openedPath;
  if (copy && !CopyFile(openedPath, newPath)) {
    RemoveFile(newPath);
    return SaveFailed(outcome, target, kNotSupported);
  }
  outcome = SaveMappedImage(chip, target, preserveAddresses);
  if (!outcome.ok && copy) RemoveFile(newPath);
  return outcome;
}
