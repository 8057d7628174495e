#include <cstdio>

#include "chipmodel/latin1_text.h"
#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"

namespace k7q {

int RunGet(const GetOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.file)) return kExitFailed;
  // Every name is checked first, so that the output lines always match the names.
  bool allFound = true;
  for (const std::string& feature : options.features) {
    uint32_t position = 0;
    if (chip.FindFeature(feature, &position)) continue;
    PrintError("unknown feature '" + feature + "'");
    allFound = false;
  }
  if (!allFound) return kExitFailed;
  for (const std::string& feature : options.features) {
    const char* text = chip.GetValueText(feature, true);
    std::printf("%s\n", Latin1ToUtf8(text ? text : "").c_str());
  }
  return kExitOk;
}

}  // namespace k7q
