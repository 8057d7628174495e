// Where a command takes its configuration from: a configurable file or the built-in block.
#pragma once

#include <string>

#include "config/chip62500.h"

namespace k7q {

// The name that stands for the built-in default block.
constexpr const char* kDefaultBlockName = "-";

// Opens the file into the chip; "-" keeps the chip's block as built. Failure messages
// go to stderr and the chip is left as it was.
bool LoadSource(Chip62500& chip, const std::string& path);

// Saves the chip's block into the file it was opened from, or into a copy named saveAs.
// Failure messages go to stderr.
bool SaveSource(Chip62500& chip, const std::string& path, const std::string& saveAs,
                bool preserveAddresses);

}  // namespace k7q
