#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/settings_input.h"

namespace k7q {

int RunApply(const ApplyOptions& options) {
  if (options.target == kDefaultBlockName) {
    PrintError("the built-in block cannot be saved; name a file");
    return kExitUsage;
  }
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.target)) return kExitFailed;
  // Every file is checked so that all bad lines are reported; one bad line saves nothing.
  bool allApplied = true;
  for (const std::string& settings : options.settings)
    allApplied = ApplySettingsFile(chip, settings) && allApplied;
  if (!allApplied) return kExitFailed;
  return SaveSource(chip, options.target, options.saveAs, false) ? kExitOk : kExitFailed;
}

}  // namespace k7q
