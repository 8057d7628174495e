#include "config/configurable_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "chipmodel/text_format.h"
#include "config/block_locator.h"
#include "config/chip62500.h"
#include "config/record_file.h"
#include "config/storage_limits.h"
#include "formats/file_kinds.h"
#include "formats/pe_checksum.h"
#include "formats/srecord_file.h"
#include "storage/locked_file.h"
#include "storage/opened_blocks.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"
#include "storage/staged_file.h"

namespace k7q {

FileOutcome Failed(FileOutcome outcome, const char* sentence, const std::string& path,
                   const std::string& reason) {
  outcome.ok = false;
  outcome.reason = reason;
  outcome.messages.push_back(StringPrintf(sentence, path.c_str(), reason.c_str()));
  return outcome;
}

Failures FileFailures(const FileOutcome& outcome) {
  Failures failures;
  for (const std::string& notice : outcome.notices)
    failures.push_back({notice, "", Severity::kNote});
  const size_t withDetail = outcome.readerErrors ? outcome.readerErrors : outcome.messages.size();
  for (size_t i = 0; i < outcome.messages.size(); ++i) {
    failures.push_back({outcome.messages[i], i + 1 == withDetail ? outcome.detail : "",
                        i < outcome.readerErrors ? Severity::kError : Severity::kWarning});
  }
  return failures;
}

namespace {

const char kZeroLength[] = "The specified file has a length of zero.";
const char kNotSupported[] = "The file type is not supported.";

FileOutcome OpenFailed(FileOutcome outcome, const std::string& path, const std::string& reason) {
  return Failed(std::move(outcome), "File \"%s\" could not be opened because:\n\n%s", path, reason);
}

FileOutcome SaveFailed(FileOutcome outcome, const std::string& path, const std::string& reason) {
  return Failed(std::move(outcome), "File \"%s\" could not be saved because:\n\n%s", path, reason);
}

std::string BlockBytes(const uint8_t* image, size_t position) {
  return std::string(reinterpret_cast<const char*>(image + position), kHalStructSize);
}

// The bytes an in-place save of a mapped image changes: its block and a PE image's
// CheckSum, found in the image as it stood before the save.
ChangeableRegions ImageChangeableRegions(const Chip62500& chip) {
  return [&chip](std::string_view before) {
    const auto* image = reinterpret_cast<const uint8_t*>(before.data());
    std::vector<ByteRegion> regions;
    const BlockFind found = FindBlock(chip, image, before.size(), true);
    if (found.result != FindResult::kFound) return regions;
    regions.push_back({found.position, found.position + kHalStructSize});
    if (const std::optional<size_t> field = PeChecksumOffset(image, before.size())) {
      regions.push_back({*field, *field + 4});
    }
    return regions;
  };
}

// The block's bytes at position in the file open on fd; false with errno set.
bool ReadBlockAt(int fd, size_t position, std::string* block) {
  block->assign(kHalStructSize, '\0');
  size_t done = 0;
  return ReadAt(fd, block->data(), kHalStructSize, static_cast<off_t>(position), &done);
}

FileOutcome SaveMappedImageInPlace(Chip62500& chip, const std::string& path,
                                   bool preserveAddresses) {
  PreparedSave prepared = PrepareImageSave(chip, path, preserveAddresses);
  if (!prepared.outcome.ok) return prepared.outcome;
  FinishImageSave(prepared, SaveInPlace(prepared.save) ? 0 : prepared.save.error);
  return prepared.outcome;
}

// Save As: the copy is made and configured in a new file without a name, which takes
// the new name only when it is complete; a failure leaves no new file behind.
FileOutcome SaveMappedImageAs(Chip62500& chip, const std::string& openedPath,
                              const std::string& newPath, bool preserveAddresses) {
  LockedFile opened = OpenLockedFile(openedPath, false);
  FileOutcome outcome;
  outcome.notices = opened.notices;
  if (!opened.reason.empty()) return SaveFailed(outcome, newPath, kNotSupported);
  StagedFile copy(newPath, (opened.info.st_mode & 07777) | S_IWUSR);
  if (!copy.ok() || !CopyContents(openedPath, copy.fd())) {
    outcome.detail = newPath + ": " + (copy.ok() ? SystemErrorText() : copy.reason());
    return SaveFailed(outcome, newPath, kNotSupported);
  }
  if (opened.info.st_size == 0) return SaveFailed(outcome, newPath, kZeroLength);
  const size_t length = static_cast<size_t>(opened.info.st_size);
  Mapping view(copy.fd(), length, PROT_READ | PROT_WRITE, MAP_SHARED);
  if (!view.ok()) return SaveFailed(outcome, newPath, SystemErrorText());
  std::string message = kNoConfigurationData;
  size_t position = 0;
  if (!StoreBlockIntoImage(chip, view.bytes(), length, preserveAddresses, &message, &position)) {
    return SaveFailed(outcome, newPath, message);
  }
  std::string before;
  if (!ReadBlockAt(opened.fd.get(), position, &before)) {
    return SaveFailed(outcome, newPath, SystemErrorText());
  }
  KeepPeChecksum(view.bytes(), length, position, before);
  const std::string block = BlockBytes(view.bytes(), position);
  if (msync(view.bytes(), length, MS_SYNC) != 0)
    return SaveFailed(outcome, newPath, SystemErrorText());
  if (!copy.Commit()) return SaveFailed(outcome, newPath, copy.reason());
  RememberOpenedBlock(ResolvedPath(newPath), block);
  outcome.ok = true;
  return outcome;
}

// A new name is another file unless it leads to the opened file itself (through a link).
// Names that differ only in letter case are different files.
bool IsSaveAs(const std::string& openedPath, const std::string& newPath) {
  return !newPath.empty() && newPath != openedPath && !SameFile(openedPath, newPath);
}

FileOutcome FromSrecord(FileOutcome outcome, const SrecordFileResult& result) {
  outcome.ok = result.ok;
  outcome.messages = result.messages;
  outcome.readerErrors = result.messages.size();
  outcome.notices = result.notices;
  outcome.detail = result.detail;
  return outcome;
}

// The outcome of a second reading of a file, with the notices of the first that it does
// not repeat (an interrupted save is undone by the first).
FileOutcome WithNotices(FileOutcome outcome, const std::vector<std::string>& first) {
  for (auto it = first.rbegin(); it != first.rend(); ++it) {
    if (std::find(outcome.notices.begin(), outcome.notices.end(), *it) == outcome.notices.end()) {
      outcome.notices.insert(outcome.notices.begin(), *it);
    }
  }
  return outcome;
}

// An S-record file of the layout read as one stream of fields: the block through the
// staging block.
FileOutcome OpenStreamLayoutFile(Chip62500& chip, const std::string& path) {
  FileOutcome outcome;
  const SrecordFileResult read = ReadSrecordFile(path);
  outcome = FromSrecord(outcome, read);
  if (!read.refusal.empty()) return OpenFailed(outcome, path, read.refusal);
  if (!read.ok) return OpenFailed(outcome, path, "The file does not contain configuration data.");
  // The board runtime's copy of the staging block is made when board access exists.
  const auto* image = reinterpret_cast<const uint8_t*>(&StagingBlock());
  std::string message;
  if (!LoadBlockFromImage(chip, image, kHalStructSize, &message)) {
    return OpenFailed(outcome, path, message);
  }
  RememberStreamLayout(ResolvedPath(path), true);
  outcome.ok = true;
  return outcome;
}

FileOutcome SaveStreamLayoutFile(Chip62500& chip, const std::string& openedPath,
                                 const std::string& newPath, bool preserveAddresses) {
  const std::string& target = newPath.empty() ? openedPath : newPath;
  FileOutcome outcome;
  std::string message;
  auto* image = reinterpret_cast<uint8_t*>(&StagingBlock());
  if (!StoreBlockIntoImage(chip, image, kHalStructSize, preserveAddresses, &message)) {
    return SaveFailed(outcome, target, message);
  }
  // The block is written only where the same reading finds one that validates, and
  // only when the file can hold it.
  const auto validates = [&chip](const HalStruct& fileBlock) {
    const std::string reason =
        FindBlock(chip, reinterpret_cast<const uint8_t*>(&fileBlock), kHalStructSize, true).message;
    return reason.empty() ? StreamLayoutRefusal(chip, false) : reason;
  };
  const SrecordFileResult written = WriteSrecordFile(openedPath, newPath, validates);
  outcome = FromSrecord(outcome, written);
  if (!written.refusal.empty()) return SaveFailed(outcome, target, written.refusal);
  if (!written.ok && !written.messages.empty()) outcome.reason = written.messages.back();
  if (written.ok) RememberStreamLayout(ResolvedPath(target), true);
  return outcome;
}

}  // namespace

FileOutcome OpenConfigurableFile(Chip62500& chip, const std::string& path) {
  FileOutcome outcome;
  std::string message;
  const FileKind* kind = KindOfFile(path);
  if (kind && kind->readRecords) {
    const RecordFileStep byAddress = OpenRecordFile(chip, path, *kind);
    if (byAddress.outcome.ok || !byAddress.noBlockByAddress || !kind->streamLayout) {
      return byAddress.outcome;
    }
    const FileOutcome stream = OpenStreamLayoutFile(chip, path);
    return stream.ok ? WithNotices(stream, byAddress.outcome.notices) : byAddress.outcome;
  }
  LockedFile file = OpenLockedFile(path, false, ImageChangeableRegions(chip));
  outcome.notices = file.notices;
  if (!file.reason.empty()) return OpenFailed(outcome, path, file.reason);
  if (!kind) return OpenFailed(outcome, path, kNotSupported);
  if (file.info.st_size == 0) return OpenFailed(outcome, path, kZeroLength);
  const size_t length = static_cast<size_t>(file.info.st_size);
  Mapping view(file.fd.get(), length, PROT_READ, MAP_PRIVATE);
  if (!view.ok()) return OpenFailed(outcome, path, SystemErrorText());
  // The block is loaded from a copy of its bytes once the whole image read as it was.
  const BlockFind found = FindBlock(chip, view.bytes(), length, true);
  const std::string block =
      found.result == FindResult::kFound ? BlockBytes(view.bytes(), found.position) : "";
  if (view.Changed()) return OpenFailed(outcome, path, kChangedWhileRead);
  if (found.result != FindResult::kFound) return OpenFailed(outcome, path, found.message);
  if (!LoadBlockFromImage(chip, reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                          &message)) {
    return OpenFailed(outcome, path, message);
  }
  RememberOpenedBlock(file.path, block);
  outcome.ok = true;
  return outcome;
}

FileOutcome SaveConfigurableFile(Chip62500& chip, const std::string& openedPath,
                                 const std::string& newPath, bool preserveAddresses) {
  const bool saveAs = IsSaveAs(openedPath, newPath);
  const FileKind* kind = KindOfFile(openedPath);
  if (!kind || !kind->readRecords) {
    return saveAs ? SaveMappedImageAs(chip, openedPath, newPath, preserveAddresses)
                  : SaveMappedImageInPlace(chip, openedPath, preserveAddresses);
  }
  const RecordFileStep byAddress =
      SaveRecordFile(chip, openedPath, saveAs ? newPath : "", *kind, preserveAddresses);
  if (!byAddress.noBlockByAddress) return byAddress.outcome;
  return WithNotices(
      SaveStreamLayoutFile(chip, openedPath, saveAs ? newPath : "", preserveAddresses),
      byAddress.outcome.notices);
}

// Computes the block's new bytes in a private copy of the file's pages; only the bytes
// that differ are to be written, in place, under a journal.
PreparedSave PrepareImageSave(Chip62500& chip, const std::string& path, bool preserveAddresses) {
  PreparedSave prepared;
  prepared.name = path;
  prepared.file = OpenLockedFile(path, true, ImageChangeableRegions(chip));
  LockedFile& file = prepared.file;
  FileOutcome& outcome = prepared.outcome;
  outcome.notices = file.notices;
  if (!file.reason.empty()) {
    outcome = SaveFailed(outcome, path, file.reason);
    return prepared;
  }
  if (file.journalInTheWay) {
    outcome.notices.pop_back();
    outcome = SaveFailed(outcome, path, file.notices.back());
    return prepared;
  }
  if (file.info.st_size == 0) {
    outcome = SaveFailed(outcome, path, kZeroLength);
    return prepared;
  }
  const size_t length = static_cast<size_t>(file.info.st_size);
  Mapping view(file.fd.get(), length, PROT_READ | PROT_WRITE, MAP_PRIVATE);
  if (!view.ok()) {
    outcome = SaveFailed(outcome, path, SystemErrorText());
    return prepared;
  }
  std::string message = kNoConfigurationData;
  size_t position = 0;
  const bool stored =
      StoreBlockIntoImage(chip, view.bytes(), length, preserveAddresses, &message, &position);
  if (view.Changed()) {
    outcome = SaveFailed(outcome, path, kChangedWhileRead);
    return prepared;
  }
  if (!stored) {
    outcome = SaveFailed(outcome, path, message);
    return prepared;
  }
  std::string original;
  if (!ReadBlockAt(file.fd.get(), position, &original)) {
    outcome = SaveFailed(outcome, path, SystemErrorText());
    return prepared;
  }
  if (OpenedBlockChanged(file.path, original)) {
    outcome = SaveFailed(outcome, path, kChangedSinceOpened);
    return prepared;
  }
  InPlaceSave& save = prepared.save;
  save.path = file.path;
  save.fd = file.fd.get();
  save.info = file.info;
  save.changes = ChangedRanges(reinterpret_cast<const uint8_t*>(original.data()),
                               view.bytes() + position, kHalStructSize, position);
  KeepPeChecksum(view.bytes(), length, position, original, &save.changes);
  prepared.block = BlockBytes(view.bytes(), position);
  outcome.ok = true;
  return prepared;
}

void FinishImageSave(PreparedSave& prepared, int error) {
  if (error != 0) {
    const std::string& failure = prepared.save.failure;
    prepared.outcome = SaveFailed(prepared.outcome, prepared.name,
                                  failure.empty() ? std::strerror(error) : failure);
    return;
  }
  if (prepared.save.withoutJournal) {
    prepared.outcome.notices.push_back(SavedWithoutJournal(prepared.name));
  }
  futimens(prepared.file.fd.get(), nullptr);  // last access and last write: now
  UpdateOpenedBlock(prepared.file.path, prepared.block);
  prepared.outcome.ok = true;
}

}  // namespace k7q
