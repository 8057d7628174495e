// Opening a configurable file into the chip and saving the chip's block back into it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "failure/failure.h"
#include "storage/locked_file.h"
#include "storage/save_journal.h"

namespace k7q {

class Chip62500;

struct FileOutcome {
  bool ok = false;
  std::string reason;                 // the bare reason, empty on success
  std::vector<std::string> messages;  // every message box text, in order
  // The first readerErrors messages are the S-record reader's errors (error box); the
  // rest are "could not be opened/saved" sentences (exclamation box).
  size_t readerErrors = 0;
  // Information to show before the messages: an interrupted save that was undone, or a
  // journal that was left alone.
  std::vector<std::string> notices;
  // The system's reason for a failed call and the path, where the messages do not say why.
  std::string detail;
};

// The notices as notes, then the messages: the reader's errors as errors, the sentences
// as warnings; the detail goes with the last reader error, or else the last message.
Failures FileFailures(const FileOutcome& outcome);

// The outcome failed with reason, its message the sentence ("... could not be opened/saved
// because ...") filled with the path and the reason.
FileOutcome Failed(FileOutcome outcome, const char* sentence, const std::string& path,
                   const std::string& reason);

// On failure the chip's block is unchanged.
FileOutcome OpenConfigurableFile(Chip62500& chip, const std::string& path);

// Saves in place into openedPath (only the changed bytes, under a journal, and under a
// lock against another program's save), or (newPath naming another file, letter case
// counts) into a copy named newPath. A failed save leaves every file as it was.
FileOutcome SaveConfigurableFile(Chip62500& chip, const std::string& openedPath,
                                 const std::string& newPath, bool preserveAddresses);

// The in-place save of a mapped image, made ready but not yet written: the file stays
// open under the save's lock until the object goes.
struct PreparedSave {
  FileOutcome outcome;  // not ok: the save cannot be made, the messages say why
  std::string name;     // the path as given
  LockedFile file;
  InPlaceSave save;   // the changed bytes; none when the file holds the block already
  std::string block;  // the new block, as the file will hold it
};

// Every check and computation of an in-place save of a mapped image, nothing written.
PreparedSave PrepareImageSave(Chip62500& chip, const std::string& path, bool preserveAddresses);

// Completes the outcome of a prepared save once save.changes are written, or, given a
// failed step's errno, records the failure.
void FinishImageSave(PreparedSave& prepared, int error);

}  // namespace k7q
