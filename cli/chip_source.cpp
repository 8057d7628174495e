#include "cli/chip_source.h"

#include "cli/cli_output.h"
#include "config/configurable_file.h"
#include "config/storage_limits.h"

namespace k7q {

bool LoadSource(Chip62500& chip, const std::string& path) {
  if (path == kDefaultBlockName) return true;
  const FileOutcome outcome = OpenConfigurableFile(chip, path);
  PrintFailures(FileFailures(outcome));
  if (!outcome.ok && outcome.messages.empty()) PrintError(path + ": " + outcome.reason);
  return outcome.ok;
}

bool SaveSource(Chip62500& chip, const std::string& path, const std::string& saveAs,
                bool preserveAddresses) {
  const FileOutcome outcome = SaveStorableFile(chip, path, saveAs, preserveAddresses);
  PrintFailures(FileFailures(outcome));
  if (!outcome.ok && outcome.messages.empty()) PrintError(path + ": " + FailureReason(outcome));
  return outcome.ok;
}

}  // namespace k7q
