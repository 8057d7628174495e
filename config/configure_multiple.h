// Writes the current block into many configurable files in one pass.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/configurable_file.h"

struct ConfigureOutcome {
  bool allOk = true;
  std::string summary;
  std::vector<FileOutcome> files;
};

// Each target is saved in place independently; a failure does not stop the pass.
// afterEach, when given, sees each file's outcome as soon as it is saved.
ConfigureOutcome ConfigureMultiple(
    Chip62500& chip, const std::vector<std::string>& targets, bool preserveAddresses,
    const std::function<void(const FileOutcome&)>& afterEach = nullptr);

// The file browser's entries for a folder, in the folder's own order: its files (all of
// them, or configuration files only) and its sub-folders as "[name]", ".." included.
// Empty when the folder cannot be read.
std::vector<std::string> BrowserEntries(const std::string& folder, bool allFiles);

// Adds name to the selected files unless it is there already (letter case ignored);
// true when it was added.
bool AddSelectedFile(std::vector<std::string>& selected, const std::string& name);
