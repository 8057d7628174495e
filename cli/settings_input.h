// Reading settings files for the commands that take them.
#pragma once

#include <string>

#include "config/chip62500.h"

namespace k7q {

// Applies the settings file to the chip, all or nothing. Each bad line goes to stderr
// as "PATH:LINE: message" (without the program name); false when the file could not be read or had
// bad lines.
bool ApplySettingsFile(Chip62500& chip, const std::string& path);

// A configurable file (by its name), a settings file applied to the built-in block,
// or "-" for the built-in block.
bool LoadConfiguration(Chip62500& chip, const std::string& path);

}  // namespace k7q
