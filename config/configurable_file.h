// Opening a configurable file into the chip and saving the chip's block back into it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// .s9 .s19 .srec .idp .TKB, any letter case.
bool IsSrecordName(std::string_view path);
// .exe .elf, any letter case.
bool IsMappedImageName(std::string_view path);
// The names listed when only configuration files are shown.
bool IsConfigurationFileName(std::string_view path);

// On failure the chip's block is unchanged.
FileOutcome OpenConfigurableFile(Chip62500& chip, const std::string& path);

// Saves in place into openedPath (only the changed bytes, under a journal, and under a
// lock against another program's save), or (newPath naming another file, letter case
// counts) into a copy named newPath. A failed save leaves every file as it was.
FileOutcome SaveConfigurableFile(Chip62500& chip, const std::string& openedPath,
                                 const std::string& newPath, bool preserveAddresses);
