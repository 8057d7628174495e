// What a file kind can hold of the current block, checked before a save so that a
// value the file cannot keep is refused rather than stored as something else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/configurable_file.h"

namespace k7q {

class Chip62500;

// S-record and board image files hold CLKI 1000 times larger than the block does.
constexpr uint32_t kLargestSrecordClki = 0xFFFFFFFFu / 1000;

// Why the chip's block cannot be saved into an S-record file of the layout read as one
// stream of fields, or empty. With checkDescription, a description that differs from
// the file's own is refused too: such files keep theirs.
std::string StreamLayoutRefusal(const Chip62500& chip, bool checkDescription);

// StreamLayoutRefusal for a file last read or saved here as of that layout, else empty.
std::string StorageRefusal(const Chip62500& chip, std::string_view openedPath,
                           bool checkDescription);

// SaveConfigurableFile after StorageRefusal (description checked): a block the file
// cannot hold is refused with the file named and nothing written.
FileOutcome SaveStorableFile(Chip62500& chip, const std::string& openedPath,
                             const std::string& newPath, bool preserveAddresses);

// The outcome of a save refused with reason before anything was written.
FileOutcome RefusedSave(const std::string& path, const std::string& reason);

// The reason of a failed outcome; a failure without one is a file without a block.
std::string FailureReason(const FileOutcome& outcome);

}  // namespace k7q
