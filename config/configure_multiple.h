// Writes the current block into many configurable files in one pass.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/configurable_file.h"

namespace k7q {

struct ConfigureOutcome {
  bool allOk = true;
  std::string summary;
  std::vector<FileOutcome> files;
};

// Each target is saved in place and succeeds or fails on its own; a failure does not stop
// the pass. The image saves are committed in groups: every journal, one flush of the file
// system; every change, one flush; every journal removed. An interrupted pass leaves each
// file as it was or as configured. afterEach, when given, sees each file's outcome, in
// target order, as soon as its group is committed; progress sees the count of targets
// made ready so far and the total. Once stop returns true (asked on the calling thread
// before each target is made ready), the targets not yet made ready are left as they
// are and fail with the reason that the pass was stopped.
ConfigureOutcome ConfigureMultiple(
    Chip62500& chip, const std::vector<std::string>& targets, bool preserveAddresses,
    const std::function<void(const FileOutcome&)>& afterEach = nullptr,
    const std::function<void(size_t done, size_t total)>& progress = nullptr,
    const std::function<bool()>& stop = nullptr);

// The file browser's entries for a folder: "[..]", its sub-folders as "[name]", then its
// files (all of them, or configuration files only), each kind in natural order (letter
// case ignored, runs of digits by value: copy_5 before copy_10). Empty when the folder
// cannot be read.
std::vector<std::string> BrowserEntries(const std::string& folder, bool allFiles);

// The natural order of BrowserEntries.
bool NaturalLess(std::string_view a, std::string_view b);

// Adds name to the selected files unless it is there already (letter case ignored);
// true when it was added.
bool AddSelectedFile(std::vector<std::string>& selected, const std::string& name);

}  // namespace k7q
