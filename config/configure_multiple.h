// Writes the current block into many configurable files in one pass.
#pragma once

#include <string>
#include <vector>

#include "config/configurable_file.h"

struct ConfigureOutcome {
  bool allOk = true;
  std::string summary;
  std::vector<FileOutcome> files;
};

// Each target is saved in place independently; a failure does not stop the pass.
ConfigureOutcome ConfigureMultiple(Chip62500& chip, const std::vector<std::string>& targets,
                                   bool preserveAddresses);
