#include <cstdio>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "export/export_writer.h"
#include "settings/settings_text.h"

namespace k7q {

int RunDump(const DumpOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.file)) return kExitFailed;
  const std::string text = WriteSettings(chip, options.changed);
  if (options.output.empty() || options.output == "-") {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? kExitOk : kExitFailed;
  }
  std::string reason;
  const std::string error = WriteExportFile(options.output, text, &reason);
  if (error.empty()) return kExitOk;
  PrintError(error + " (" + reason + ")");
  return kExitFailed;
}

}  // namespace k7q
